#include "files/FolderDispatch.h"
#include "files/FileSystem.h"
#include "frame/ArgumentReader.h"
#include "frame/Text.h"

namespace wx {

namespace {
struct MemberName { const wchar_t* name; DISPID id; };
const MemberName kMembers[] = {
    {L"Path", FolderDispatch::kPath},
    {L"Name", FolderDispatch::kName},
    {L"IsRootFolder", FolderDispatch::kIsRootFolder},
};
}  // namespace

ComPtr<IDispatch> FolderDispatch::Make(std::wstring path) {
    return ComPtr<IDispatch>::Attach(new FolderDispatch(std::move(path)));
}

void* FolderDispatch::Find(REFIID riid) {
    return IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ? static_cast<IDispatch*>(this) : nullptr;
}

STDMETHODIMP FolderDispatch::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP FolderDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP FolderDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (i == 0)
            for (const MemberName& m : kMembers)
                if (names[i] && _wcsicmp(names[i], m.name) == 0) ids[i] = m.id;
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP FolderDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO*, UINT*) {
    if (id != kPath && id != kName && id != kIsRootFolder) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
    HRESULT block = CheckParameterBlock(params);
    if (FAILED(block)) return block;
    if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (!result) return S_OK;
    VariantInit(result);
    try {
        if (id == kIsRootFolder) {
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = FileSystem::GetParentFolderName(path_).empty() ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = NewBstr(id == kPath ? path_ : FileSystem::GetFileName(path_));
        return S_OK;
    } catch (...) {
        VariantInit(result);
        return E_OUTOFMEMORY;
    }
}

}  // namespace wx
