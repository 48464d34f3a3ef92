// Folder walks and text search of clsDrvInfo2 against the bare platform calls, in one run:
//   Get_FileList over 20,000 files in 200 folders, without and with a pattern, against a bare
//   FindFirstFile/FindNextFile walk of the same tree (at most 3x), and over 40,000 files against
//   20,000 (at most 2.2x: the list is built in linear time);
//   TextSearch over 2,000 files of 64 KB against reading the same files whole (at most 2x).
// Run: tools/wine-run build/bin/files_bench.exe [--keep]
// The trees go under %TEMP% and are removed afterwards, unless --keep asks to keep them for the
// next run (making them takes minutes under emulation).
#include "frame/Interfaces.h"
#include "BenchSupport.h"
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace bench;

namespace {

template <class F>
double Best(int runs, F&& body) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        double start = Now();
        body();
        double t = Now() - start;
        if (t < best) best = t;
    }
    return best;
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD n = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(h);
}

// folders x files, every other file ".txt".
void MakeTree(const std::wstring& root, int folders, int files) {
    if (!CreateDirectoryW(root.c_str(), nullptr)) return;  // kept from an earlier run
    for (int f = 0; f < folders; ++f) {
        std::wstring folder = root + L"\\folder" + std::to_wstring(f);
        CreateDirectoryW(folder.c_str(), nullptr);
        for (int i = 0; i < files; ++i)
            WriteFile(folder + L"\\file" + std::to_wstring(i) + (i % 2 ? L".txt" : L".dat"), "");
    }
}

void RemoveTree(const std::wstring& root) {
    std::wstring from = root + L'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&op);
}

size_t BareWalk(const std::wstring& folder) {
    size_t count = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L".."))
                count += BareWalk(folder + L"\\" + data.cFileName);
        } else {
            ++count;
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

size_t ReadWhole(const std::wstring& folder) {
    size_t total = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    std::string buffer;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        HANDLE h = CreateFileW((folder + L"\\" + data.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        buffer.resize(GetFileSize(h, nullptr));
        DWORD got = 0;
        ReadFile(h, &buffer[0], static_cast<DWORD>(buffer.size()), &got, nullptr);
        total += got;
        CloseHandle(h);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return total;
}

_clsDrvInfo2* Make() { return Create<_clsDrvInfo2>(LoadLibraryBeside(), CLSID_clsDrvInfo2, IID__clsDrvInfo2); }

size_t ListLength(_clsDrvInfo2* o, const std::wstring& folder, const wchar_t* pattern) {
    BSTR f = SysAllocString(folder.c_str());
    BSTR p = SysAllocString(pattern);
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = o->Get_FileList(f, VARIANT_TRUE, &p, &result);
    size_t n = SUCCEEDED(hr) && V_VT(&result) == VT_BSTR ? SysStringLen(V_BSTR(&result)) : 0;
    VariantClear(&result);
    SysFreeString(f);
    SysFreeString(p);
    return n;
}

void Report(const char* what, double ours, double base, double limit) {
    double ratio = ours / base;
    printf("%-52s %8.3f s vs %8.3f s  ratio %5.2f (limit %.1f) %s\n", what, ours, base, ratio, limit,
           ratio <= limit ? "ok" : "OVER");
}

}  // namespace

int main(int argc, char** argv) {
    bool keep = argc > 1 && strcmp(argv[1], "--keep") == 0;
    CoInitialize(nullptr);
    _clsDrvInfo2* o = Make();
    if (!o) {
        printf("cannot create clsDrvInfo2\n");
        return 1;
    }
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring small = std::wstring(temp) + L"wxbench-20k", large = std::wstring(temp) + L"wxbench-40k",
                 texts = std::wstring(temp) + L"wxbench-text";
    printf("making the trees (if not kept)...\n");
    fflush(stdout);
    MakeTree(small, 200, 100);
    MakeTree(large, 400, 100);

    // One warm-up pass over both trees, then the runs interleaved so that both sizes meet the
    // same state of the file system's caches; the best of five runs counts.
    size_t files = BareWalk(small) + BareWalk(large), listed = 0;
    double bare = 1e30, bare40 = 1e30, all = 1e30, filtered = 1e30, all40 = 1e30;
    for (int run = 0; run < 5; ++run) {
        bare = std::min(bare, Best(1, [&] { files = BareWalk(small); }));
        all = std::min(all, Best(1, [&] { listed = ListLength(o, small, L"*.*"); }));
        filtered = std::min(filtered, Best(1, [&] { ListLength(o, small, L"*.txt"); }));
        bare40 = std::min(bare40, Best(1, [&] { BareWalk(large); }));
        all40 = std::min(all40, Best(1, [&] { ListLength(o, large, L"*.*"); }));
    }
    printf("files %zu, list of %zu characters\n", files, listed);
    Report("Get_FileList 20,000 files, no pattern / bare walk", all, bare, 3.0);
    Report("Get_FileList 20,000 files, \"*.txt\" / bare walk", filtered, bare, 3.0);
    Report("Get_FileList 40,000 files / 20,000 files", all40, all, 2.2);
    printf("(for comparison, the bare walk of 40,000 files / 20,000 files: %.2f)\n", bare40 / bare);
    if (!keep) {
        RemoveTree(small);
        RemoveTree(large);
    }

    bool madeTexts = CreateDirectoryW(texts.c_str(), nullptr) != 0;
    std::string content(65536, 'a');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + (i * 7 + i / 13) % 26);
    for (int i = 0; madeTexts && i < 2000; ++i) {
        if (i % 100 == 7) content.replace(40000, 6, "NEEDLE");
        WriteFile(texts + L"\\text" + std::to_wstring(i) + L".txt", content);
        content.replace(40000, 6, "abcdef");
    }
    double read = Best(3, [&] { ReadWhole(texts); });
    size_t found = 0;
    double search = Best(3, [&] {
        BSTR p = SysAllocString(texts.c_str());
        BSTR t = SysAllocString(L"needle");
        VARIANT result;
        VariantInit(&result);
        if (SUCCEEDED(o->TextSearch(&p, &t, &result)) && V_VT(&result) & VT_ARRAY) {
            LONG hi = -1;
            SafeArrayGetUBound(V_ARRAY(&result), 1, &hi);
            found = static_cast<size_t>(hi + 1);
        }
        VariantClear(&result);
        SysFreeString(p);
        SysFreeString(t);
    });
    printf("search found %zu files\n", found);
    Report("TextSearch 2,000 files of 64 KB / reading them whole", search, read, 2.0);
    if (!keep) RemoveTree(texts);
    o->Release();
    CoUninitialize();
    return 0;
}
