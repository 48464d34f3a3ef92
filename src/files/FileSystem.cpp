#include "files/FileSystem.h"
#include "frame/Errors.h"
#include "frame/Runtime.h"
#include "frame/Text.h"
#include <cwctype>
#include <vector>

namespace wx {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// "C", "C:" or "C:\": the drive letter, or 0 when the text names no drive by letter.
wchar_t LetterOf(const std::wstring& drive) {
    if (drive.empty() || drive.size() > 3 || !iswalpha(drive[0]) || drive[0] > 0x7F) return 0;
    if (drive.size() >= 2 && drive[1] != L':') return 0;
    if (drive.size() == 3 && !IsSeparator(drive[2])) return 0;
    return static_cast<wchar_t>(towupper(drive[0]));
}

// The full path of a folder as the service reports it: no final separator except on a root.
std::wstring FullPath(const std::wstring& path) {
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) FileSystem::RaiseSystemError(GetLastError());
    std::wstring full(needed, L'\0');
    DWORD n = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (n == 0 || n >= needed) FileSystem::RaiseSystemError(GetLastError());
    full.resize(n);
    return full;
}

std::wstring WithoutFinalSeparator(std::wstring path) {
    while (path.size() > 1 && IsSeparator(path.back())) {
        if (path.size() == 3 && path[1] == L':') break;  // "C:\" stays a root
        path.pop_back();
    }
    return path;
}

DWORD AttributesOf(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

void RemoveEmptyFolder(const std::wstring& folder, bool force) {
    if (force) {
        DWORD attributes = AttributesOf(folder);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesW(folder.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
    if (!RemoveDirectoryW(folder.c_str())) FileSystem::RaiseSystemError(GetLastError());
}

// Deletes a folder and what lies below it. The folders still to be emptied wait on the heap,
// so no depth of tree can exhaust the caller's stack; every one of them is an entry listed inside
// the one before, so the walk only goes deeper and ends. A linked folder (a junction or a
// symbolic link) is removed as a link: what it points at lies elsewhere and may contain the tree
// itself.
void DeleteTree(const std::wstring& root, bool force) {
    struct Pending { std::wstring path; bool emptied; };
    std::vector<Pending> pending{{root, false}};
    while (!pending.empty()) {
        if (pending.back().emptied) {
            std::wstring folder = std::move(pending.back().path);
            pending.pop_back();
            RemoveEmptyFolder(folder, force);
            continue;
        }
        pending.back().emptied = true;  // its sub-folders, pushed below, go first
        std::wstring folder = pending.back().path;
        WIN32_FIND_DATAW data;
        FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
        if (!find) continue;
        do {
            if (!FolderObject::IsEntryName(data.cFileName)) continue;
            std::wstring child = folder + L"\\" + data.cFileName;
            DWORD attributes = data.dwFileAttributes;
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
                    RemoveEmptyFolder(child, force);
                else
                    pending.push_back({child, false});
                continue;
            }
            if (force && (attributes & FILE_ATTRIBUTE_READONLY))
                SetFileAttributesW(child.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
            if (!DeleteFileW(child.c_str())) FileSystem::RaiseSystemError(GetLastError());
        } while (FindNextFileW(find.get(), &data));
    }
}

}  // namespace

long FileSystem::ErrorNumberOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return 53;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_DIRECTORY: return 76;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return 58;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_DIR_NOT_EMPTY:
    case ERROR_CURRENT_DIRECTORY: return 70;
    case ERROR_NOT_READY: return 71;
    case ERROR_INVALID_DRIVE: return 68;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE: return 52;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return 7;
    default: return FileErrorNumber(error);
    }
}

void FileSystem::RaiseSystemError(DWORD error) { RaiseRuntime(ErrorNumberOf(error)); }

std::wstring_view FileSystem::FileNamePart(std::wstring_view path) {
    size_t end = path.size();
    while (end > 0 && IsSeparator(path[end - 1])) --end;
    size_t start = end;
    while (start > 0 && !IsSeparator(path[start - 1]) && path[start - 1] != L':') --start;
    return path.substr(start, end - start);
}

std::wstring_view FileSystem::ExtensionPart(std::wstring_view path) {
    std::wstring_view name = FileNamePart(path);
    size_t dot = name.rfind(L'.');
    return dot == std::wstring_view::npos ? std::wstring_view() : name.substr(dot + 1);
}

std::wstring FileSystem::GetFileName(const std::wstring& path) { return std::wstring(FileNamePart(path)); }
std::wstring FileSystem::GetExtensionName(const std::wstring& path) { return std::wstring(ExtensionPart(path)); }

std::wstring FileSystem::GetParentFolderName(const std::wstring& path) {
    size_t end = path.size();
    while (end > 0 && IsSeparator(path[end - 1])) --end;
    size_t nameEnd = end;
    while (end > 0 && !IsSeparator(path[end - 1]) && path[end - 1] != L':') --end;
    if (end == nameEnd) return std::wstring();  // a bare root ("C:\", "C:") has no parent
    size_t cut = end;
    while (cut > 0 && IsSeparator(path[cut - 1])) --cut;
    if (cut == 0) return std::wstring();
    // A drive's root keeps its separator: the parent of "C:\dir" is "C:\".
    if (path[cut - 1] == L':' && cut < end) return path.substr(0, cut + 1);
    return path.substr(0, cut);
}

bool FileSystem::DriveExists(const std::wstring& drive) const {
    wchar_t letter = LetterOf(BeforeNul(drive));
    if (!letter) return false;
    return (GetLogicalDrives() >> (letter - L'A')) & 1;
}

ComPtr<DriveObject> FileSystem::GetDrive(const std::wstring& drive) const {
    wchar_t letter = LetterOf(BeforeNul(drive));
    if (!letter) RaiseRuntime(5);
    if (!DriveExists(drive)) RaiseRuntime(68);
    return DriveObject::Make(letter);
}

bool FileSystem::FolderExists(const std::wstring& path) const {
    DWORD a = AttributesOf(BeforeNul(path));
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileSystem::FileExists(const std::wstring& text) const {
    std::wstring path = BeforeNul(text);
    if (path.find_first_of(L"*?") != std::wstring::npos) return false;
    DWORD a = AttributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

FileObject FileSystem::GetFile(const std::wstring& text) const {
    std::wstring path = BeforeNul(text);
    if (path.empty() || path.find_first_of(L"*?") != std::wstring::npos) RaiseRuntime(53);
    std::wstring full = FullPath(path);
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(full.c_str(), &data));
    if (!find || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) RaiseRuntime(53);
    // The listing gives the name as the file system spells it.
    std::wstring parent = GetParentFolderName(full);
    std::wstring named = parent.empty() ? full
                         : IsSeparator(parent.back()) ? parent + data.cFileName
                                                      : parent + L"\\" + data.cFileName;
    return FileObject(named, data);
}

FolderObject FileSystem::GetFolder(const std::wstring& text) const {
    std::wstring path = BeforeNul(text);
    if (path.empty() || !FolderExists(path)) RaiseRuntime(76);
    return FolderObject(WithoutFinalSeparator(FullPath(path)));
}

void FileSystem::CreateFolder(const std::wstring& text) const {
    std::wstring path = BeforeNul(text);
    if (!path.empty() && AttributesOf(path) != INVALID_FILE_ATTRIBUTES) RaiseRuntime(58);
    if (!CreateDirectoryW(path.c_str(), nullptr)) RaiseSystemError(GetLastError());
}

namespace {
// A target that ends with a separator names the folder the file goes into.
std::wstring TargetFor(const std::wstring& source, const std::wstring& target) {
    if (!target.empty() && IsSeparator(target.back())) return target + FileSystem::GetFileName(source);
    return target;
}
}  // namespace

void FileSystem::MoveFile(const std::wstring& sourceText, const std::wstring& targetText) const {
    std::wstring source = BeforeNul(sourceText);
    if (!FileExists(source)) RaiseRuntime(53);
    std::wstring to = TargetFor(source, BeforeNul(targetText));
    if (AttributesOf(to) != INVALID_FILE_ATTRIBUTES) RaiseRuntime(58);
    if (!MoveFileExW(source.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED)) RaiseSystemError(GetLastError());
}

void FileSystem::CopyFile(const std::wstring& sourceText, const std::wstring& targetText, bool overwrite) const {
    std::wstring source = BeforeNul(sourceText);
    if (!FileExists(source)) RaiseRuntime(53);
    std::wstring to = TargetFor(source, BeforeNul(targetText));
    if (FolderExists(to)) RaiseRuntime(70);
    if (!CopyFileW(source.c_str(), to.c_str(), overwrite ? FALSE : TRUE)) RaiseSystemError(GetLastError());
}

void FileSystem::DeleteFile(const std::wstring& path) const {
    if (!DeleteFileW(BeforeNul(path).c_str())) RaiseSystemError(GetLastError());
}

void FileSystem::DeleteFolder(const std::wstring& path, bool force) const {
    std::wstring folder = WithoutFinalSeparator(BeforeNul(path));
    if (folder.empty() || !FolderExists(folder)) RaiseRuntime(76);
    DeleteTree(folder, force);
}

std::wstring FileSystem::GetFileVersion(const std::wstring& named) const {
    std::wstring path = BeforeNul(named);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return std::wstring();
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::wstring();
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof *info)
        return std::wstring();
    wchar_t text[64];
    swprintf(text, 64, L"%u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
             HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    return text;
}

}  // namespace wx
