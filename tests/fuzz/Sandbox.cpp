#include "fuzz/Sandbox.h"
#include "frame/Handles.h"
#include <winioctl.h>
#include <cstring>
#include <string>

namespace wxfuzz {

namespace {

// Wine's mount manager defines a drive letter for a Unix folder (what winecfg does).
const ULONG kMountMgrType = 'm';
const DWORD kDefineUnixDrive = CTL_CODE(kMountMgrType, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct MountMgrUnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDev;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

using UnixFileName = char*(CDECL*)(const wchar_t*);

UnixFileName WineUnixName() {
    return wx::ProcAddress<UnixFileName>(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
}

bool WineDefine(wchar_t letter, const char* unixPath) {
    wx::FileHandle manager(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!manager) return false;
    size_t pathSize = unixPath ? strlen(unixPath) + 1 : 0;
    std::string request(sizeof(MountMgrUnixDrive) + pathSize, '\0');
    auto* drive = reinterpret_cast<MountMgrUnixDrive*>(&request[0]);
    drive->size = static_cast<ULONG>(request.size());
    drive->type = DRIVE_FIXED;
    drive->letter = static_cast<WCHAR>(towlower(letter));
    if (unixPath) {
        drive->mountPointOffset = sizeof(MountMgrUnixDrive);
        memcpy(&request[sizeof(MountMgrUnixDrive)], unixPath, pathSize);
    }
    DWORD returned = 0;
    return DeviceIoControl(manager.get(), kDefineUnixDrive, &request[0], static_cast<DWORD>(request.size()), nullptr, 0,
                           &returned, nullptr) != FALSE;
}

bool SameFileVisible(const std::wstring& throughDrive, const std::wstring& inFolder) {
    {
        wx::FileHandle probe(CreateFileW(throughDrive.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!probe) return false;
    }
    bool seen = GetFileAttributesW(inFolder.c_str()) != INVALID_FILE_ATTRIBUTES;
    DeleteFileW(inFolder.c_str());
    return seen;
}

}  // namespace

bool ScratchDrive::Make(std::wstring& error) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"wxfuzz-" + std::to_wstring(GetCurrentProcessId());
    if (!CreateDirectoryW(folder_.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        error = L"cannot create the scratch folder " + folder_;
        return false;
    }
    DWORD used = GetLogicalDrives();
    for (wchar_t letter = L'Y'; letter >= L'M'; --letter) {
        if (used & (1u << (letter - L'A'))) continue;
        wchar_t device[3] = {letter, L':', 0};
        wchar_t target[MAX_PATH];
        if (QueryDosDeviceW(device, target, MAX_PATH)) continue;
        if (!Define(letter, folder_)) continue;
        letter_ = letter;
        root_ = std::wstring(1, letter) + L":\\";
        if (SameFileVisible(root_ + L"wxfuzz.probe", folder_ + L"\\wxfuzz.probe")) return true;
        Undefine();
    }
    error = L"cannot make a drive whose root is the scratch folder " + folder_;
    return false;
}

bool ScratchDrive::Define(wchar_t letter, const std::wstring& folder) {
    if (UnixFileName unixName = WineUnixName()) {
        char* path = unixName(folder.c_str());
        if (!path) return false;
        bool ok = WineDefine(letter, path);
        HeapFree(GetProcessHeap(), 0, path);
        wine_ = ok;
        return ok;
    }
    wchar_t device[3] = {letter, L':', 0};
    return DefineDosDeviceW(0, device, folder.c_str()) != FALSE;
}

void ScratchDrive::Undefine() {
    if (!letter_) return;
    if (wine_) {
        WineDefine(letter_, nullptr);
    } else {
        wchar_t device[3] = {letter_, L':', 0};
        DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, device, folder_.c_str());
    }
    letter_ = 0;
    root_.clear();
}

ScratchDrive::~ScratchDrive() {
    Undefine();
    if (!folder_.empty()) RemoveFolder(folder_);
}

void EmptyFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    wx::FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find) return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = folder + L"\\" + name;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            EmptyFolder(path);
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            RemoveDirectoryW(path.c_str());
        } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveDirectoryW(path.c_str());  // a link: remove the link only
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    } while (FindNextFileW(find.get(), &found));
}

void RemoveFolder(const std::wstring& folder) {
    EmptyFolder(folder);
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(folder.c_str());
}

namespace {
struct RootKey {
    HKEY root;
    const wchar_t* name;
};
const RootKey kRoots[] = {
    {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, L"HKEY_USERS"},
};
const wchar_t kFuzzKey[] = L"Software\\WENDRAX1 fuzz";
}  // namespace

std::wstring ScratchKeyPath(DWORD driverPid) { return std::wstring(kFuzzKey) + L"\\" + std::to_wstring(driverPid); }

bool MakeScratchKeys(DWORD driverPid) {
    for (const RootKey& r : kRoots) {
        wx::RegKey key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, (ScratchKeyPath(driverPid) + L"\\" + r.name).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
            return false;
    }
    return true;
}

void RemoveScratchKeys(DWORD driverPid) {
    RegDeleteTreeW(HKEY_CURRENT_USER, ScratchKeyPath(driverPid).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, ScratchKeyPath(driverPid).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, kFuzzKey);  // fails while another run still has its keys there
}

bool RedirectRegistry(DWORD driverPid) {
    HKEY keys[4] = {};
    bool ok = true;
    for (int i = 0; i < 4; ++i)
        ok = ok && RegOpenKeyExW(HKEY_CURRENT_USER, (ScratchKeyPath(driverPid) + L"\\" + kRoots[i].name).c_str(), 0,
                                 KEY_ALL_ACCESS, &keys[i]) == ERROR_SUCCESS;
    for (int i = 0; i < 4 && ok; ++i) ok = RegOverridePredefKey(kRoots[i].root, keys[i]) == ERROR_SUCCESS;
    for (HKEY k : keys)
        if (k) RegCloseKey(k);
    if (!ok) RestoreRegistry();
    return ok;
}

void RestoreRegistry() {
    for (const RootKey& r : kRoots) RegOverridePredefKey(r.root, nullptr);
}

}  // namespace wxfuzz

namespace wxfuzz {

namespace {
const DWORD kLargest = 4 << 20;  // files larger than this are left alone (programs, not INI files)

bool ReadWhole(const std::wstring& path, std::string& bytes) {
    wx::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > kLargest) return false;
    bytes.assign(size, '\0');
    DWORD got = 0;
    return size == 0 || (ReadFile(file.get(), &bytes[0], size, &got, nullptr) && got == size);
}

template <class Visit>
void EachFile(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW found;
    wx::FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        visit(std::wstring(found.cFileName), found.nFileSizeLow);
    } while (FindNextFileW(find.get(), &found));
}
}  // namespace

void WindowsFolderSnapshot::Take() {
    wchar_t folder[MAX_PATH] = {};
    GetWindowsDirectoryW(folder, MAX_PATH);
    folder_ = folder;
    entries_.clear();
    EachFile(folder_, [&](const std::wstring& name, DWORD) {
        Entry e;
        e.name = name;
        if (!ReadWhole(folder_ + L"\\" + name, e.bytes)) e.bytes = std::string(1, '\xFF') + "unread";
        entries_.push_back(std::move(e));
    });
}

int WindowsFolderSnapshot::Restore() const {
    if (folder_.empty()) return 0;
    int changed = 0;
    EachFile(folder_, [&](const std::wstring& name, DWORD size) {
        std::wstring path = folder_ + L"\\" + name;
        const Entry* before = nullptr;
        for (const Entry& e : entries_)
            if (_wcsicmp(e.name.c_str(), name.c_str()) == 0) before = &e;
        if (!before) {
            if (size <= kLargest && DeleteFileW(path.c_str())) ++changed;
            return;
        }
        std::string now;
        if (before->bytes.compare(0, 1, "\xFF") == 0 || !ReadWhole(path, now) || now == before->bytes) return;
        wx::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD done = 0;
        if (file && (before->bytes.empty() ||
                     WriteFile(file.get(), before->bytes.data(), static_cast<DWORD>(before->bytes.size()), &done, nullptr)))
            ++changed;
    });
    return changed;
}

}  // namespace wxfuzz
