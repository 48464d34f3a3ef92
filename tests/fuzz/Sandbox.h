// Where file and registry members work while fuzzed.
//
// Files: a scratch folder made the root of a drive of its own (under Wine through the mount
// manager, on Windows with DefineDosDevice), and the worker runs with that root as its current
// directory and its temporary folder inside it. Every text the fuzzer makes is a bare name, so a
// member that resolves a name, empty text or even "\" lands inside the scratch drive. (Under Wine
// the prefix's desktop and documents folders are links into the home folder: a member deleting
// from the root of drive C: would reach it.)
//
// Registry: the four predefined roots are redirected (RegOverridePredefKey) inside the worker to
// scratch keys below HKEY_CURRENT_USER\Software\WENDRAX1 fuzz\<driver process id>.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace wxfuzz {

class ScratchDrive {
public:
    ScratchDrive() = default;
    ~ScratchDrive();
    ScratchDrive(const ScratchDrive&) = delete;
    ScratchDrive& operator=(const ScratchDrive&) = delete;
    // Makes the folder and the drive and checks that a file written through the drive lands in
    // the folder. False (with `error`) when no such drive can be made.
    bool Make(std::wstring& error);
    const std::wstring& Root() const { return root_; }      // "Y:\"
    const std::wstring& Folder() const { return folder_; }  // the folder behind it

private:
    bool Define(wchar_t letter, const std::wstring& folder);
    void Undefine();
    std::wstring folder_;
    std::wstring root_;
    wchar_t letter_ = 0;
    bool wine_ = false;
};

// Deletes everything below `folder` (not the folder itself), never following links.
void EmptyFolder(const std::wstring& folder);
// Deletes `folder` and everything below it.
void RemoveFolder(const std::wstring& folder);

std::wstring ScratchKeyPath(DWORD driverPid);  // below HKEY_CURRENT_USER
bool MakeScratchKeys(DWORD driverPid);
void RemoveScratchKeys(DWORD driverPid);
// In the worker: sends HKCR, HKCU, HKLM and HKU to the scratch keys. False when any fails.
bool RedirectRegistry(DWORD driverPid);
void RestoreRegistry();

}  // namespace wxfuzz

namespace wxfuzz {

// Profile functions put a file named without a folder into the Windows folder, and a null file
// name means win.ini there: the INI members write outside the scratch drive. The driver takes
// this snapshot of the Windows folder's own files before the run and puts them back afterwards
// (new files deleted, changed ones rewritten).
class WindowsFolderSnapshot {
public:
    void Take();
    // Returns how many files were deleted or restored.
    int Restore() const;

private:
    struct Entry {
        std::wstring name;
        std::string bytes;
    };
    std::wstring folder_;
    std::vector<Entry> entries_;
};

}  // namespace wxfuzz
