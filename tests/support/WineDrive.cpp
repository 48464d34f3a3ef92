#include "support/WineDrive.h"
#include "support/Library.h"
#include "frame/Handles.h"
#include <winioctl.h>
#include <vector>

namespace wxtest {

namespace {

// Wine's mount manager request for a drive letter (its own layout, newer than the platform
// headers' one): the mount point and device paths follow the record.
struct UnixDriveRequest {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};
const wchar_t kMountManager[] = L"\\\\.\\MountPointManager";
const DWORD kDefineUnixDrive = CTL_CODE(0x6D /* 'm' */, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

std::string UnixPathOf(const std::wstring& folder) {
    using UnixNameFn = char*(CDECL*)(LPCWSTR);
    auto unixName = ProcAddress<UnixNameFn>(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!unixName) return std::string();
    char* name = unixName(folder.c_str());
    if (!name) return std::string();
    std::string path = name;
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

wx::FileHandle OpenMountManager() {
    return wx::FileHandle(CreateFileW(kMountManager, GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
}

}  // namespace

bool WineDrive::Define(wchar_t letter, const std::string& unixPath, UINT type) {
    wx::FileHandle manager = OpenMountManager();
    if (!manager) return false;
    size_t size = sizeof(UnixDriveRequest) + (unixPath.empty() ? 0 : unixPath.size() + 1);
    UnixDriveRequest drive = {};
    drive.size = static_cast<ULONG>(size);
    drive.letter = static_cast<WCHAR>(towlower(letter));
    drive.type = type;
    if (!unixPath.empty()) drive.mountPointOffset = sizeof(UnixDriveRequest);
    std::vector<char> buffer(size, 0);
    memcpy(buffer.data(), &drive, sizeof drive);
    if (!unixPath.empty()) memcpy(buffer.data() + drive.mountPointOffset, unixPath.c_str(), unixPath.size() + 1);
    DWORD returned = 0;
    return DeviceIoControl(manager.get(), kDefineUnixDrive, buffer.data(), static_cast<DWORD>(size), nullptr, 0,
                           &returned, nullptr) != 0;
}

WineDrive::WineDrive(const std::wstring& folder, UINT type) {
    std::string unixPath = UnixPathOf(folder);
    if (unixPath.empty()) return;
    DWORD used = GetLogicalDrives();
    // From the end of the alphabet, away from the prefix's own drives.
    for (wchar_t letter = L'Y'; letter >= L'M'; --letter) {
        if (used & (1u << (letter - L'A'))) continue;
        if (Define(letter, unixPath, type)) letter_ = letter;
        break;
    }
}

WineDrive::~WineDrive() {
    if (letter_) Define(letter_, std::string(), DRIVE_NO_ROOT_DIR);
}

void WineDrive::WriteSerial(const std::wstring& folder, DWORD serial) {
    char text[16];
    wsprintfA(text, "%08lX\n", serial);
    wx::FileHandle file(CreateFileW((folder + L"\\.windows-serial").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.get(), text, static_cast<DWORD>(strlen(text)), &written, nullptr);
}

void WineDrive::WriteLabel(const std::wstring& folder, const std::string& label) {
    wx::FileHandle file(CreateFileW((folder + L"\\.windows-label").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    std::string line = label + "\n";
    if (file) WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::wstring CdRomLetters() {
    std::wstring letters;
    DWORD used = GetLogicalDrives();
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        if (!(used & (1u << (letter - L'A')))) continue;
        wchar_t root[] = {letter, L':', L'\\', 0};
        if (GetDriveTypeW(root) == DRIVE_CDROM) letters += letter;
    }
    return letters;
}

}  // namespace wxtest
