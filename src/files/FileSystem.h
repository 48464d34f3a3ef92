// The library's file-system service: path texts, existence tests, drives, folders and files, and
// the few operations that change the file system. It stands where a script host's FileSystemObject
// would, over Win32 directly. Failures are raised with the numbers and texts a host knows from
// such a service (53 file not found, 76 path not found, 58 file already exists, 70 permission
// denied, 68 device unavailable, 71 disk not ready).
//
// A path is read up to its first NUL, as the platform reads it: "a<NUL>b" names "a" in every
// member here, so a name built from it ("a\x") names something inside "a", never "a" again.
// The three path-text members are pure text and leave NULs as they are.
#pragma once
#include "files/DriveObject.h"
#include "files/FileObject.h"
#include "files/FolderObject.h"
#include "frame/Handles.h"
#include <string>

namespace wx {

class FileSystem {
public:
    // Path texts; pure, no platform call.
    static std::wstring GetFileName(const std::wstring& path);
    static std::wstring GetExtensionName(const std::wstring& path);
    // The same parts as views into the path (no copy on the call path of the getters).
    static std::wstring_view FileNamePart(std::wstring_view path);
    static std::wstring_view ExtensionPart(std::wstring_view path);
    static std::wstring GetParentFolderName(const std::wstring& path);

    // "C", "C:" or "C:\" naming a drive of this machine.
    bool DriveExists(const std::wstring& drive) const;
    // Raises 68 for a letter with no drive, 5 for a text that names no drive.
    ComPtr<DriveObject> GetDrive(const std::wstring& drive) const;

    bool FolderExists(const std::wstring& path) const;
    bool FileExists(const std::wstring& path) const;

    FileObject GetFile(const std::wstring& path) const;
    FolderObject GetFolder(const std::wstring& path) const;

    // Creates one folder whose parent exists.
    void CreateFolder(const std::wstring& path) const;
    void MoveFile(const std::wstring& source, const std::wstring& target) const;
    void CopyFile(const std::wstring& source, const std::wstring& target, bool overwrite) const;
    void DeleteFile(const std::wstring& path) const;
    // Deletes a folder and everything below it; with force, read-only items too.
    void DeleteFolder(const std::wstring& path, bool force) const;

    // The file version from a file's version resource, "major.minor.build.revision"; empty text
    // when the file has none.
    std::wstring GetFileVersion(const std::wstring& path) const;

    // Raises the service's error for a failed platform call.
    [[noreturn]] static void RaiseSystemError(DWORD error);
    static long ErrorNumberOf(DWORD error);
};

}  // namespace wx
