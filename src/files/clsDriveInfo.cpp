#include "files/clsDriveInfo.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/Text.h"
#include <string>

namespace wx {

clsDriveInfo::clsDriveInfo() : Dispatchable(IID__clsDriveInfo) {}

STDMETHODIMP clsDriveInfo::GetSerialNumber(BSTR* strDrive, LONG* result) {
    return Guarded([&] {
        Require(result);
        // The root as it is, read to its first NUL; null text asks about the current folder's drive.
        const wchar_t* root = strDrive ? *strDrive : nullptr;
        wchar_t volume[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
        DWORD serial = 0, length = 0, flags = 0;
        // A failed call leaves the serial at 0, which is the answer for a root with no volume.
        GetVolumeInformationW(root, volume, MAX_PATH + 1, &serial, &length, &flags, fileSystem, MAX_PATH + 1);
        *result = static_cast<LONG>(serial);
    });
}

STDMETHODIMP clsDriveInfo::GetDriveDesc(short* CDsCount, BSTR* CDsLetters, VARIANT* result) {
    return Guarded([&] {
        Require(CDsCount, CDsLetters);
        std::wstring buffer(255, L' ');
        const DWORD n = GetLogicalDriveStringsW(255, &buffer[0]);
        short count = *CDsCount;
        std::wstring letters = TextOf(*CDsLetters);
        // Each entry of the list is a root ("D:\") and its NUL: four characters.
        for (size_t p = 0; p < n && p + 3 <= buffer.size(); p += 4) {
            std::wstring root = buffer.substr(p, 3);
            if (GetDriveTypeW(root.c_str()) != DRIVE_CDROM) continue;
            if (count == 32767) RaiseRuntime(6);
            ++count;
            letters += root.substr(0, 1) + L" ";
        }
        *CDsCount = count;
        AssignBstr(CDsLetters, letters);
        if (result) VariantInit(result);
    });
}

std::wstring clsDriveInfo::FirstCdRoot() {
    short count = 0;
    BSTR letters = SysAllocString(L"");
    Variant ignored;
    HRESULT hr = GetDriveDesc(&count, &letters, ignored.get());
    Bstr owned = Bstr::Attach(letters);
    if (FAILED(hr) || count < 1) return std::wstring();
    std::wstring text = TextOf(owned.get());
    std::wstring root = text.substr(0, text.find(L' ')) + L":\\";
    CharUpperBuffW(&root[0], static_cast<DWORD>(root.size()));
    return root;
}

STDMETHODIMP clsDriveInfo::GetFirstCDDriveLetter(BSTR* result) {
    return Guarded([&] {
        Require(result);
        *result = NewBstr(FirstCdRoot());
    });
}

STDMETHODIMP clsDriveInfo::GetFirstDriveCDVolume(BSTR* result) {
    return Guarded([&] {
        Require(result);
        std::wstring text;
        Quietly([&] {
            std::wstring root = FirstCdRoot();
            if (root.empty()) return;
            Bstr drive(root.c_str());
            BSTR value = drive.get();
            LONG serial = 0;
            ThrowIfFailed(GetSerialNumber(&value, &serial));
            text = NumberText(serial);
        });
        *result = NewBstr(text);
    });
}

HRESULT Create_clsDriveInfo(REFIID riid, void** ppv) { return CreateAndQuery<clsDriveInfo>(riid, ppv); }

}  // namespace wx
