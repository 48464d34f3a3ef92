// A drive of the machine as the file-system service hands it out. It is a real automation object
// (IDispatch written out here, members found by name) so that a host can read it by name once a
// clsDrivInfo2 keeps it in DIObject. Every read asks the platform afresh, as a drive object does:
// media come and go.
#pragma once
#include "frame/ComObject.h"
#include "frame/Handles.h"
#include <oaidl.h>
#include <string>

namespace wx {

class DriveObject : public ComObject<IDispatch> {
public:
    enum Member : DISPID {
        kPath = DISPID_VALUE,  // the default member: "C:"
        kDriveLetter = 1,
        kShareName,
        kRootFolder,
        kSerialNumber,
        kVolumeName,
        kTotalSize,
        kAvailableSpace,
        kFreeSpace,
        kDriveType,
        kFileSystem,
        kIsReady,
    };

    // letter: "A" to "Z".
    static ComPtr<DriveObject> Make(wchar_t letter);

    // The member's value as the drive object answers it. Raises 71 (disk not ready) for volume
    // facts of a drive without a medium.
    Variant Value(DISPID member) const;

    wchar_t Letter() const { return letter_; }
    std::wstring Path() const;         // "C:"
    std::wstring RootPath() const;     // "C:\"
    long DriveType() const;            // 0 unknown, 1 removable, 2 fixed, 3 network, 4 CD-ROM, 5 RAM disk
    bool IsReady() const;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override;

private:
    explicit DriveObject(wchar_t letter) : letter_(letter) {}
    void* Find(REFIID riid) override;
    struct Volume { std::wstring name, fileSystem; DWORD serial = 0; };
    Volume ReadVolume() const;          // raises 71 when no medium is present
    void ReadSpace(ULONGLONG& available, ULONGLONG& total, ULONGLONG& free) const;

    wchar_t letter_;
};

}  // namespace wx
