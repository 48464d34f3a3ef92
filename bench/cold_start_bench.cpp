// Cold start: what a script pays for its first call in a fresh process. Each sample is a new
// process (this program started again) that creates its first object by ProgID and makes one
// late-bound call, as a script host does; the clock runs from just before the creation to the
// result, the process's own start-up (the same for both) left out. Ours:
// WENDRAX1.clsDrvInfo2.Get_Extension; the peer: Scripting.FileSystemObject.GetExtensionName, the
// platform's own library for the same question. The two alternate, and the figure is the ratio of
// the medians: cold start: <ours> vs <peer> = <ratio>x (at most 1.2x).
//
// The library beside the program is registered first (as regsvr32 would), so the ProgID names it.
// Run: tools/wine-run build/bin/cold_start_bench.exe [rounds]
//      (x64: WENDRAX1_ARCH=x64 tools/wine-run build/bin/x64/cold_start_bench.exe)
// `--phases [rounds]` prints where the time goes instead (medians in microseconds): the ProgID,
// the creation, the name, the call; and for ours once more with the library's type library loaded
// (and the class's type information found) before the name, which shows what the name costs
// without them.
// `--against FOLDER [rounds]` compares the library beside the program with another build of it in
// FOLDER (the commit before a change): a fresh process's first call, the library loaded by its path
// and the object made through its own class factory, both alike (at most 1.0x); and the size of
// the code section (.text) of the two files (at most 1.05x).
#include "BenchSupport.h"
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <algorithm>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace bench;

namespace {

const wchar_t kPath[] = L"C:\\docs\\report.final.txt";

struct Side {
    const wchar_t* progId;
    const wchar_t* member;
};
const Side kOurs = {L"WENDRAX1.clsDrvInfo2", L"Get_Extension"};
const Side kPeer = {L"Scripting.FileSystemObject", L"GetExtensionName"};

// The member `id` of `object` called with kPath, unless `hr` already failed; whether it gave "txt".
bool CallWithPath(IDispatch* object, DISPID id, HRESULT& hr) {
    VARIANT arg, result;
    VariantInit(&arg);
    VariantInit(&result);
    V_VT(&arg) = VT_BSTR;
    V_BSTR(&arg) = SysAllocString(kPath);
    if (SUCCEEDED(hr)) {
        DISPPARAMS params = {&arg, nullptr, 1, 0};
        hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    }
    bool right = SUCCEEDED(hr) && V_VT(&result) == VT_BSTR && V_BSTR(&result) && wcscmp(V_BSTR(&result), L"txt") == 0;
    VariantClear(&arg);
    VariantClear(&result);
    return right;
}

// The child: one creation and one call, timed; prints the microseconds and the result, and with
// `phases` each step's microseconds. With `split`, the library's type library and the class's type
// information are loaded before the name (the platform keeps one copy of a loaded type library per
// file, so the library's own load afterwards finds it).
int Child(const Side& side, bool phases, bool split) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    double t[7];
    int n = 0;
    t[n++] = Now();
    CLSID clsid;
    IDispatch* object = nullptr;
    HRESULT hr = CLSIDFromProgID(side.progId, &clsid);
    t[n++] = Now();
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object));
    t[n++] = Now();
    ITypeLib* lib = nullptr;
    ITypeInfo* coclass = nullptr;
    if (split && SUCCEEDED(hr)) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(GetModuleHandleW(L"WENDRAX1.dll"), path, MAX_PATH);
        hr = LoadTypeLibEx(path, REGKIND_NONE, &lib);
        t[n++] = Now();
        if (SUCCEEDED(hr)) hr = lib->GetTypeInfoOfGuid(clsid, &coclass);
        t[n++] = Now();
    }
    DISPID id = DISPID_UNKNOWN;
    if (SUCCEEDED(hr)) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(side.member)};
        hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    }
    t[n++] = Now();
    bool right = CallWithPath(object, id, hr);
    t[n++] = Now();
    std::printf("%.0f %s", (t[n - 1] - t[0]) * 1e6, right ? "txt" : "wrong");
    if (phases)
        for (int i = 1; i < n; ++i) std::printf(" %.0f", (t[i] - t[i - 1]) * 1e6);
    else
        std::printf(" 0x%08lX", static_cast<unsigned long>(hr));
    std::printf("\n");
    if (coclass) coclass->Release();
    if (lib) lib->Release();
    if (object) object->Release();
    CoUninitialize();
    return right ? 0 : 1;
}

// The child of --against: the library loaded from `path`, its first object made through its own
// class factory, the name looked up and the call made; prints the microseconds as Child does.
int ChildFromFile(const wchar_t* path) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    CLSID clsid;
    CLSIDFromString(L"{01396120-5493-428C-AFD2-55A56A74C4F7}", &clsid);  // clsDrvInfo2
    double start = Now();
    HMODULE library = LoadLibraryW(path);
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto getClassObject = library ? ProcAddress<GetClassObjectFn>(library, "DllGetClassObject") : nullptr;
    IClassFactory* factory = nullptr;
    IDispatch* object = nullptr;
    HRESULT hr = getClassObject ? getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) : E_FAIL;
    if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object));
    DISPID id = DISPID_UNKNOWN;
    if (SUCCEEDED(hr)) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(kOurs.member)};
        hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    }
    bool right = CallWithPath(object, id, hr);
    double took = Now() - start;
    std::printf("%.0f %s 0x%08lX\n", took * 1e6, right ? "txt" : "wrong", static_cast<unsigned long>(hr));
    if (object) object->Release();
    if (factory) factory->Release();
    CoUninitialize();
    return right ? 0 : 1;
}

// The size of a library file's code section (.text) as loaded; 0 when it cannot be read.
DWORD CodeSize(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    std::vector<char> headers(4096);
    DWORD got = 0;
    BOOL read = ReadFile(file, headers.data(), static_cast<DWORD>(headers.size()), &got, nullptr);
    CloseHandle(file);
    if (!read || got < sizeof(IMAGE_DOS_HEADER)) return 0;
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(headers.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0 ||
        static_cast<DWORD>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32) > got)
        return 0;
    // The section table follows the optional header, whose size the file header gives (either bitness).
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS32*>(headers.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return 0;
    auto* section = reinterpret_cast<IMAGE_SECTION_HEADER*>(reinterpret_cast<char*>(&nt->OptionalHeader) +
                                                            nt->FileHeader.SizeOfOptionalHeader);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (reinterpret_cast<char*>(section + 1) > headers.data() + got) return 0;
        if (std::memcmp(section->Name, ".text", 6) == 0) return section->Misc.VirtualSize;
    }
    return 0;
}

// Starts this program again as a child for one side; its microseconds, or a negative number.
// `phases` receives the child's further figures, if any.
double Sample(const wchar_t* which, const wchar_t* mode = L"--child", std::vector<double>* phases = nullptr) {
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(program) + L"\" " + mode + L" " + which;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return -1;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(write);
    std::string output;
    if (started) {
        char buffer[256];
        DWORD got = 0;
        while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(read);
    double us = -1;
    char verdict[16] = {};
    if (std::sscanf(output.c_str(), "%lf %15s", &us, verdict) != 2 || std::string(verdict) != "txt") {
        std::printf("%ls: the child failed: %s\n", which, output.c_str());
        return -1;
    }
    if (phases) {
        const char* p = output.c_str();
        int used = 0;
        double skip, value;
        std::sscanf(p, "%lf %*s%n", &skip, &used);
        for (p += used; std::sscanf(p, "%lf%n", &value, &used) == 1; p += used) phases->push_back(value);
    }
    return us;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool RegisterLibrary() {
    HMODULE library = LoadLibraryBeside();
    using Fn = HRESULT(WINAPI*)();
    auto registerServer = library ? ProcAddress<Fn>(library, "DllRegisterServer") : nullptr;
    bool ok = registerServer && SUCCEEDED(registerServer());
    if (library) FreeLibrary(library);
    return ok;
}

}  // namespace

// --phases: the medians of each step over fresh processes, the three kinds of child alternating.
int Phases(int rounds) {
    struct Kind {
        const wchar_t* which;
        const char* title;
        const char* steps;
        std::vector<std::vector<double>> samples;
    };
    Kind kinds[] = {
        {L"ours", "ours", "ProgID, creation, name, call", {}},
        {L"ours-split", "ours, type library first", "ProgID, creation, type library, class type info, name, call", {}},
        {L"peer", "peer", "ProgID, creation, name, call", {}},
    };
    for (int r = 0; r < rounds; ++r)
        for (Kind& k : kinds) {
            std::vector<double> phases;
            if (Sample(k.which, L"--phases-child", &phases) < 0) return 1;
            k.samples.push_back(phases);
        }
    for (Kind& k : kinds) {
        std::printf("%s (%s):", k.title, k.steps);
        double total = 0;
        for (size_t i = 0; i < k.samples[0].size(); ++i) {
            std::vector<double> column;
            for (const auto& s : k.samples) column.push_back(i < s.size() ? s[i] : 0);
            double m = Median(column);
            total += m;
            std::printf(" %.0f", m);
        }
        std::printf(" us (sum of medians %.0f us; %s, %d fresh processes each)\n", total,
                    sizeof(void*) == 8 ? "x64" : "x86", rounds);
    }
    return 0;
}

// --against: this build's library against the one in `folder`, fresh processes alternating.
int Against(const std::wstring& folder, int rounds) {
    std::wstring ours = ProgramFolder() + L"WENDRAX1.dll", theirs = folder + L"\\WENDRAX1.dll";
    DWORD oursCode = CodeSize(ours), theirsCode = CodeSize(theirs);
    if (!oursCode || !theirsCode) {
        std::printf("against %ls: cannot read the code sections\n", folder.c_str());
        return 1;
    }
    const char* build = sizeof(void*) == 8 ? "x64" : "x86";
    std::printf("code section (.text): %lu vs %lu bytes = %.3fx (at most 1.05x; %s)\n", static_cast<unsigned long>(oursCode),
                static_cast<unsigned long>(theirsCode), static_cast<double>(oursCode) / theirsCode, build);
    // Both measured from copies side by side in the temporary folder: where a file lies weighs on
    // its load (under Wine, up to a tenth between the build folder and another).
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring place = std::wstring(temp) + L"wx-cold-start";
    CreateDirectoryW(place.c_str(), nullptr);
    std::wstring oursCopy = place + L"\\ours", theirsCopy = place + L"\\theirs";
    CreateDirectoryW(oursCopy.c_str(), nullptr);
    CreateDirectoryW(theirsCopy.c_str(), nullptr);
    oursCopy += L"\\WENDRAX1.dll";
    theirsCopy += L"\\WENDRAX1.dll";
    if (!CopyFileW(ours.c_str(), oursCopy.c_str(), FALSE) || !CopyFileW(theirs.c_str(), theirsCopy.c_str(), FALSE)) {
        std::printf("against %ls: cannot copy the libraries to %ls\n", folder.c_str(), place.c_str());
        return 1;
    }
    std::wstring oursArg = L"\"" + oursCopy + L"\"", theirsArg = L"\"" + theirsCopy + L"\"";
    // One pair first, not counted: the files come into the system's cache.
    if (Sample(oursArg.c_str(), L"--file-child") < 0 || Sample(theirsArg.c_str(), L"--file-child") < 0) return 1;
    std::vector<double> a, b;
    for (int r = 0; r < rounds; ++r) {
        bool oursFirst = r % 2 == 0;
        double first = Sample(oursFirst ? oursArg.c_str() : theirsArg.c_str(), L"--file-child");
        double second = Sample(oursFirst ? theirsArg.c_str() : oursArg.c_str(), L"--file-child");
        if (first < 0 || second < 0) return 1;
        a.push_back(oursFirst ? first : second);
        b.push_back(oursFirst ? second : first);
    }
    double ma = Median(a) / 1000, mb = Median(b) / 1000;
    std::printf("first call (load, create, name, call): %.2f ms vs %.2f ms = %.2fx (at most 1.0x; %s, medians of %d fresh "
                "processes each)\n", ma, mb, ma / mb, build, rounds);
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"--child") return Child(std::wstring(argv[2]) == L"ours" ? kOurs : kPeer, false, false);
    if (argc == 3 && std::wstring(argv[1]) == L"--file-child") return ChildFromFile(argv[2]);
    if (argc >= 3 && std::wstring(argv[1]) == L"--against") {
        int rounds = argc > 3 ? _wtoi(argv[3]) : 15;
        return Against(argv[2], rounds < 1 ? 15 : rounds);
    }
    if (argc == 3 && std::wstring(argv[1]) == L"--phases-child") {
        std::wstring which = argv[2];
        return Child(which == L"peer" ? kPeer : kOurs, true, which == L"ours-split");
    }
    bool phases = argc > 1 && std::wstring(argv[1]) == L"--phases";
    int rounds = argc > 1 + phases ? _wtoi(argv[1 + phases]) : 9;
    if (rounds < 1) rounds = 9;
    if (!RegisterLibrary()) {
        std::printf("cold start: cannot register %lsWENDRAX1.dll\n", ProgramFolder().c_str());
        return 1;
    }
    if (phases) {
        if (Sample(L"ours") < 0 || Sample(L"peer") < 0) return 1;
        return Phases(rounds);
    }
    // One pair first, not counted: the files come into the system's cache.
    if (Sample(L"ours") < 0 || Sample(L"peer") < 0) return 1;
    std::vector<double> ours, peer;
    for (int r = 0; r < rounds; ++r) {
        bool oursFirst = r % 2 == 0;
        double a = Sample(oursFirst ? L"ours" : L"peer");
        double b = Sample(oursFirst ? L"peer" : L"ours");
        if (a < 0 || b < 0) return 1;
        ours.push_back(oursFirst ? a : b);
        peer.push_back(oursFirst ? b : a);
    }
    double mo = Median(ours) / 1000, mp = Median(peer) / 1000;
    std::printf("cold start: %.1f ms vs %.1f ms = %.2fx (at most 1.2x; %s, medians of %d fresh processes each)\n", mo, mp,
                mo / mp, sizeof(void*) == 8 ? "x64" : "x86", rounds);
    return 0;
}
