// Volume serial numbers and the machine's CD-ROM drives, straight from the platform's drive calls.
// The class keeps no state.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"

namespace wx {

class clsDriveInfo : public Dispatchable<_clsDriveInfo> {
public:
    clsDriveInfo();

    STDMETHODIMP GetSerialNumber(BSTR* strDrive, LONG* result) override;
    STDMETHODIMP GetDriveDesc(short* CDsCount, BSTR* CDsLetters, VARIANT* result) override;
    STDMETHODIMP GetFirstDriveCDVolume(BSTR* result) override;
    STDMETHODIMP GetFirstCDDriveLetter(BSTR* result) override;

private:
    // The root of the first CD-ROM drive ("D:\"), empty text when there is none.
    std::wstring FirstCdRoot();
};

}  // namespace wx
