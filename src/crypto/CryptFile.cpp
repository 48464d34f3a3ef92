#include "crypto/CryptFile.h"
#include "crypto/BackgroundWriter.h"
#include "crypto/CryptHandles.h"
#include "frame/Handles.h"
#include "frame/Runtime.h"
#include <vector>

namespace wx {

namespace {

// Room after a chunk for the padding block the final call adds (block ciphers here use 8 bytes;
// the margin also covers 16-byte blocks).
const DWORD kPaddingRoom = 64;
// A file made beside the original for the result; removed again unless it was put in place.
class ResultFile {
public:
    ResultFile() = default;
    ResultFile(const ResultFile&) = delete;
    ResultFile& operator=(const ResultFile&) = delete;
    ~ResultFile() { if (!path_.empty() && !kept_) DeleteFileW(path_.c_str()); }

    // Creates an empty file with a new name in the folder of `target`.
    bool CreateBeside(const std::wstring& target) {
        std::vector<wchar_t> full(MAX_PATH);
        wchar_t* namePart = nullptr;
        DWORD n = GetFullPathNameW(target.c_str(), static_cast<DWORD>(full.size()), full.data(), &namePart);
        if (n >= full.size()) {
            full.resize(n + 1);
            n = GetFullPathNameW(target.c_str(), static_cast<DWORD>(full.size()), full.data(), &namePart);
        }
        if (n == 0 || n >= full.size() || !namePart) return false;
        std::wstring folder(full.data(), static_cast<size_t>(namePart - full.data()));
        // The platform's temporary names are at most MAX_PATH characters long.
        wchar_t name[MAX_PATH];
        if (folder.size() + 14 >= MAX_PATH || !GetTempFileNameW(folder.c_str(), L"wx", 0, name)) return false;
        path_ = name;
        return true;
    }
    const std::wstring& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    std::wstring path_;
    bool kept_ = false;
};

// A final call puts a key back to its starting state (feedback register, stream position), so a
// key whose run stopped half-way can be used again as the caller received it.
void ResetKeyState(HCRYPTKEY key) {
    BYTE scratch[kPaddingRoom];
    DWORD length = 0;
    CryptEncrypt(key, 0, TRUE, 0, scratch, &length, sizeof scratch);
}

bool StreamThrough(HANDLE source, HANDLE target, unsigned long long size, HCRYPTKEY key, CryptDirection direction) {
    // Two buffers: one being written while the other is read into and transformed.
    std::vector<BYTE> buffers[2];
    for (auto& buffer : buffers) buffer.resize(kCryptChunk + kPaddingRoom);
    BackgroundWriter writer(target);
    if (!writer.started()) return false;
    unsigned long long remaining = size, sinceYield = 0;
    bool touched = false;
    // The loop runs at least once: an empty file is transformed too (one final call on no bytes).
    for (unsigned turn = 0;; ++turn) {
        BYTE* data = buffers[turn & 1].data();
        DWORD count = remaining > kCryptChunk ? kCryptChunk : static_cast<DWORD>(remaining);
        BOOL last = remaining <= kCryptChunk;
        if (!ReadFully(source, data, count)) break;
        DWORD length = count;
        touched = true;
        BOOL done = direction == CryptDirection::Encrypt
                        ? CryptEncrypt(key, 0, last, 0, data, &length, kCryptChunk + kPaddingRoom)
                        : DecryptPiece(key, last, data, &length);
        if (!done || !writer.Write(data, length)) break;
        remaining -= count;
        // After the final call the key is back at its start, whatever the last write does.
        if (last) return writer.Finish();
        YieldNowAndThen(sinceYield, count);
    }
    if (touched) ResetKeyState(key);
    return false;
}

}  // namespace

bool FindsPlainFile(const std::wstring& path) {
    if (path.empty()) return false;
    WIN32_FIND_DATAW found;
    FindHandle search(FindFirstFileW(path.c_str(), &found));
    if (!search) return false;
    const DWORD hiddenFromSearch = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    do {
        if (found.dwFileAttributes & hiddenFromSearch) continue;
        if (std::wstring(found.cFileName).find_first_not_of(L' ') != std::wstring::npos) return true;
    } while (FindNextFileW(search.get(), &found));
    return false;
}

DWORD RememberedAttribute(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_NORMAL) return FILE_ATTRIBUTE_NORMAL;
    if (attributes & FILE_ATTRIBUTE_READONLY) return FILE_ATTRIBUTE_READONLY;
    if (attributes & FILE_ATTRIBUTE_TEMPORARY) return FILE_ATTRIBUTE_TEMPORARY;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return INVALID_FILE_ATTRIBUTES;
    return 0;
}

void YieldNowAndThen(unsigned long long& sinceYield, unsigned long long count) {
    sinceYield += count;
    if (sinceYield >= kYieldEvery) {
        sinceYield = 0;
        DoEvents();
    }
}

bool TransformFile(const std::wstring& path, HCRYPTKEY key, CryptDirection direction,
                   const std::function<void()>& completed) {
    return ReplaceFileContent(
        path,
        [&](HANDLE source, HANDLE target, unsigned long long size) {
            return StreamThrough(source, target, size, key, direction);
        },
        completed);
}

bool ReplaceFileContent(const std::wstring& path, const FileTransform& transform,
                        const std::function<void()>& completed) {
    if (!FindsPlainFile(path)) return false;
    // A pattern the search matched (a wildcard) names no file of its own.
    DWORD original = GetFileAttributesW(path.c_str());
    if (original == INVALID_FILE_ATTRIBUTES) return false;
    DWORD remembered = RememberedAttribute(original);
    if (remembered == INVALID_FILE_ATTRIBUTES) return false;

    ResultFile result;
    if (!result.CreateBeside(path)) return false;
    {
        FileHandle source(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!source) return false;
        LARGE_INTEGER size;
        if (!GetFileSizeEx(source.get(), &size)) return false;
        FileHandle target(CreateFileW(result.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!target) return false;
        if (!transform(source.get(), target.get(), static_cast<unsigned long long>(size.QuadPart))) return false;
        // A file whose last bytes cannot be stored is not complete.
        if (!CloseHandle(target.release())) return false;
    }

    // A read-only file cannot be replaced: it is made normal first, as the transformed file will
    // get its remembered attribute value afterwards anyway.
    if (remembered != FILE_ATTRIBUTE_NORMAL) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!MoveFileExW(result.path().c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        if (remembered != FILE_ATTRIBUTE_NORMAL) SetFileAttributesW(path.c_str(), original);
        return false;
    }
    result.keep();
    if (completed) completed();
    if (remembered != FILE_ATTRIBUTE_NORMAL) SetFileAttributesW(path.c_str(), remembered);
    return true;
}

}  // namespace wx
