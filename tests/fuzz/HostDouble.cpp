#include "fuzz/HostDouble.h"
#include <new>

namespace wxfuzz {

wx::ComPtr<HostDouble> HostDouble::Make(HWND window, HDC dc) {
    return wx::ComPtr<HostDouble>::Attach(new (std::nothrow) HostDouble(window, dc));
}

STDMETHODIMP HostDouble::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) HostDouble::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP HostDouble::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP HostDouble::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP HostDouble::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    for (UINT i = 0; i < count; ++i) {
        std::wstring key(names[i] ? names[i] : L"");
        for (auto& c : key) c = static_cast<wchar_t>(towupper(c));
        auto found = ids_.find(key);
        if (found == ids_.end()) {
            DISPID id = static_cast<DISPID>(ids_.size()) + 1;
            found = ids_.emplace(key, id).first;
            names_[id] = key;
        }
        ids[i] = found->second;
    }
    return S_OK;
}

STDMETHODIMP HostDouble::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                UINT*) {
    ++accesses_;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) return S_OK;
    if (result) {
        VariantClear(result);
        auto name = names_.find(id);
        MakeHostAnswer(rng_, name == names_.end() ? L"" : name->second.c_str(), window_, dc_, this, result);
    }
    return S_OK;
}

}  // namespace wxfuzz
