#include "files/FileObject.h"
#include "files/FileSystem.h"
#include <shellapi.h>

namespace wx {

namespace {
// The attribute bits a file object reports; FILE_ATTRIBUTE_NORMAL and the platform's newer bits
// are not among them, so a plain file reads 0.
const DWORD kReportedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  0x8 /* volume */ | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_COMPRESSED;
}  // namespace

DATE LocalDateOf(const FILETIME& time) {
    FILETIME local;
    SYSTEMTIME st;
    DATE date = 0;
    if (FileTimeToLocalFileTime(&time, &local) && FileTimeToSystemTime(&local, &st)) {
        st.wMilliseconds = 0;
        SystemTimeToVariantTime(&st, &date);
    }
    return date;
}

FileObject::FileObject(std::wstring path, const WIN32_FIND_DATAW& data)
    : path_(std::move(path)),
      size_((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow),
      accessed_(data.ftLastAccessTime),
      modified_(data.ftLastWriteTime),
      created_(data.ftCreationTime),
      attributes_(static_cast<long>(data.dwFileAttributes & kReportedAttributes)) {}

DATE FileObject::DateLastAccessed() const { return LocalDateOf(accessed_); }
DATE FileObject::DateLastModified() const { return LocalDateOf(modified_); }
DATE FileObject::DateCreated() const { return LocalDateOf(created_); }

std::wstring FileObject::Drive() const {
    if (path_.size() >= 2 && path_[1] == L':') return path_.substr(0, 2);
    if (path_.compare(0, 2, L"\\\\") == 0) {
        // \\server\share
        size_t server = path_.find(L'\\', 2);
        if (server == std::wstring::npos) return path_;
        size_t share = path_.find(L'\\', server + 1);
        return share == std::wstring::npos ? path_ : path_.substr(0, share);
    }
    return std::wstring();
}

std::wstring FileObject::ParentFolder() const { return FileSystem::GetParentFolderName(path_); }

std::wstring FileObject::Type() const {
    SHFILEINFOW info = {};
    if (SHGetFileInfoW(path_.c_str(), 0, &info, sizeof info, SHGFI_TYPENAME) && info.szTypeName[0])
        return info.szTypeName;
    if (SHGetFileInfoW(path_.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES))
        return info.szTypeName;
    return std::wstring();
}

void FileObject::ReadAll(std::string& content) const {
    FileHandle file(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) FileSystem::RaiseSystemError(GetLastError());
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size)) FileSystem::RaiseSystemError(GetLastError());
    if (size.QuadPart > 0x7FFFFFFF) FileSystem::RaiseSystemError(ERROR_NOT_ENOUGH_MEMORY);
    content.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < content.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), &content[done], static_cast<DWORD>(content.size() - done), &got, nullptr))
            FileSystem::RaiseSystemError(GetLastError());
        if (got == 0) break;  // the file shrank meanwhile
        done += got;
    }
    content.resize(done);
}

}  // namespace wx
