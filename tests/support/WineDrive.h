// A drive letter of the Wine prefix arranged for one test: the letter is mapped onto a folder
// through Wine's mount manager (which writes the dosdevices link and the drive's type under
// HKLM\Software\Wine\Drives, as the prefix's own configuration would), optionally with a volume
// serial number and label read from .windows-serial and .windows-label in the folder. The mapping
// is removed when the object goes; the folder is the caller's.
#pragma once
#include <windows.h>
#include <string>

namespace wxtest {

class WineDrive {
public:
    // type: DRIVE_CDROM, DRIVE_FIXED, DRIVE_REMOVABLE...
    WineDrive(const std::wstring& folder, UINT type);
    ~WineDrive();
    WineDrive(const WineDrive&) = delete;
    WineDrive& operator=(const WineDrive&) = delete;

    // The letter chosen ('\0' when no letter was free or the mount manager refused).
    wchar_t Letter() const { return letter_; }
    std::wstring Root() const { return std::wstring(1, letter_) + L":\\"; }
    explicit operator bool() const { return letter_ != 0; }

    // Writes the serial (hexadecimal) and the label the platform reports for the drive.
    static void WriteSerial(const std::wstring& folder, DWORD serial);
    static void WriteLabel(const std::wstring& folder, const std::string& label);

private:
    static bool Define(wchar_t letter, const std::string& unixPath, UINT type);
    wchar_t letter_ = 0;
};

// The letters of the machine's CD-ROM drives before a test arranged any ("DF" for D: and F:).
std::wstring CdRomLetters();

}  // namespace wxtest
