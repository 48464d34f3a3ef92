#include "files/DriveObject.h"
#include "files/FolderDispatch.h"
#include "frame/ArgumentReader.h"
#include "frame/Errors.h"
#include "frame/Platform.h"
#include "frame/Text.h"
#include <winnetwk.h>
#include <new>

namespace wx {

namespace {

struct MemberName { const wchar_t* name; DISPID id; };
const MemberName kMembers[] = {
    {L"Path", DriveObject::kPath},
    {L"DriveLetter", DriveObject::kDriveLetter},
    {L"ShareName", DriveObject::kShareName},
    {L"RootFolder", DriveObject::kRootFolder},
    {L"SerialNumber", DriveObject::kSerialNumber},
    {L"VolumeName", DriveObject::kVolumeName},
    {L"TotalSize", DriveObject::kTotalSize},
    {L"AvailableSpace", DriveObject::kAvailableSpace},
    {L"FreeSpace", DriveObject::kFreeSpace},
    {L"DriveType", DriveObject::kDriveType},
    {L"FileSystem", DriveObject::kFileSystem},
    {L"IsReady", DriveObject::kIsReady},
};

const long kDiskNotReady = 71;

}  // namespace

ComPtr<DriveObject> DriveObject::Make(wchar_t letter) {
    DriveObject* drive = new DriveObject(static_cast<wchar_t>(towupper(letter)));
    return ComPtr<DriveObject>::Attach(drive);
}

std::wstring DriveObject::Path() const { return std::wstring(1, letter_) + L":"; }
std::wstring DriveObject::RootPath() const { return std::wstring(1, letter_) + L":\\"; }

long DriveObject::DriveType() const {
    switch (GetDriveTypeW(RootPath().c_str())) {
    case DRIVE_REMOVABLE: return 1;
    case DRIVE_FIXED: return 2;
    case DRIVE_REMOTE: return 3;
    case DRIVE_CDROM: return 4;
    case DRIVE_RAMDISK: return 5;
    default: return 0;
    }
}

bool DriveObject::IsReady() const {
    DWORD serial = 0, length = 0, flags = 0;
    return GetVolumeInformationW(RootPath().c_str(), nullptr, 0, &serial, &length, &flags, nullptr, 0) != 0;
}

DriveObject::Volume DriveObject::ReadVolume() const {
    wchar_t name[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
    DWORD length = 0, flags = 0;
    Volume v;
    if (!GetVolumeInformationW(RootPath().c_str(), name, MAX_PATH + 1, &v.serial, &length, &flags, fileSystem,
                               MAX_PATH + 1))
        RaiseRuntime(kDiskNotReady);
    v.name = name;
    v.fileSystem = fileSystem;
    return v;
}

void DriveObject::ReadSpace(ULONGLONG& available, ULONGLONG& total, ULONGLONG& free) const {
    ULARGE_INTEGER a = {}, t = {}, f = {};
    if (!Platform().getDiskFreeSpaceExW(RootPath().c_str(), &a, &t, &f)) RaiseRuntime(kDiskNotReady);
    available = a.QuadPart;
    total = t.QuadPart;
    free = f.QuadPart;
}

Variant DriveObject::Value(DISPID member) const {
    switch (member) {
    case kPath: return Variant::TakeText(NewBstr(Path()));
    case kDriveLetter: return Variant::TakeText(NewBstr(std::wstring(1, letter_)));
    case kShareName: {
        if (DriveType() != 3) return Variant::Text(L"");
        wchar_t remote[MAX_PATH * 2] = {};
        DWORD size = MAX_PATH * 2;
        if (WNetGetConnectionW(Path().c_str(), remote, &size) != NO_ERROR) remote[0] = 0;
        return Variant::Text(remote);
    }
    case kRootFolder: return Variant::Object(FolderDispatch::Make(RootPath()).get());
    case kSerialNumber: return Variant::Long(static_cast<LONG>(ReadVolume().serial));
    case kVolumeName: return Variant::TakeText(NewBstr(ReadVolume().name));
    case kFileSystem: return Variant::TakeText(NewBstr(ReadVolume().fileSystem));
    case kTotalSize:
    case kAvailableSpace:
    case kFreeSpace: {
        ULONGLONG available = 0, total = 0, free = 0;
        ReadSpace(available, total, free);
        ULONGLONG n = member == kTotalSize ? total : member == kFreeSpace ? free : available;
        return Variant::Double(static_cast<double>(n));
    }
    case kDriveType: return Variant::Long(DriveType());
    case kIsReady: return Variant::Bool(IsReady());
    default: RaiseRuntime(438);
    }
}

void* DriveObject::Find(REFIID riid) {
    return IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ? static_cast<IDispatch*>(this) : nullptr;
}

STDMETHODIMP DriveObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP DriveObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP DriveObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (i > 0) { hr = DISP_E_UNKNOWNNAME; continue; }  // members take no named arguments
        for (const MemberName& m : kMembers)
            if (names[i] && _wcsicmp(names[i], m.name) == 0) ids[i] = m.id;
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP DriveObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO* excepInfo, UINT*) {
    bool known = false;
    for (const MemberName& m : kMembers) known = known || m.id == id;
    if (!known) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;  // all read-only
    HRESULT block = CheckParameterBlock(params);
    if (FAILED(block)) return block;
    if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    try {
        Variant value = Value(id);
        if (result) *result = value.detach();
        return S_OK;
    } catch (const AutomationError& error) {
        if (!excepInfo) return error.hresult();
        memset(excepInfo, 0, sizeof *excepInfo);
        excepInfo->scode = error.hresult();
        excepInfo->bstrSource = SysAllocString(error.source().c_str());
        excepInfo->bstrDescription = SysAllocString(error.description().c_str());
        return DISP_E_EXCEPTION;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace wx
