// A folder as a drive object hands it out to a host (its RootFolder): a small automation object
// whose default member is the folder's path, so a host that prints it sees "C:\" and one that
// reads it by name finds Path, Name and IsRootFolder.
#pragma once
#include "frame/ComObject.h"
#include "frame/Handles.h"
#include <oaidl.h>
#include <string>

namespace wx {

class FolderDispatch : public ComObject<IDispatch> {
public:
    enum Member : DISPID { kPath = DISPID_VALUE, kName = 1, kIsRootFolder };

    static ComPtr<IDispatch> Make(std::wstring path);

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override;

private:
    explicit FolderDispatch(std::wstring path) : path_(std::move(path)) {}
    void* Find(REFIID riid) override;

    std::wstring path_;
};

}  // namespace wx
