// The dispatch base every class of the library stands on: IUnknown with object counting, IDispatch
// through the library's own type information, and ISupportErrorInfo.
//
// Invoke does its own argument handling instead of ITypeInfo::Invoke, because script callers pass
// their variables by reference as VARIANT*, which a typed ByRef parameter (long*, BSTR*, String())
// would otherwise refuse, and because records (VT_RECORD) cannot pass through the platform's
// invoker at all here. The caller's variable is coerced to the declared type, handed over as a
// typed pointer and written back afterwards, as a Basic host would see it.
#pragma once
#include "frame/Handles.h"
#include "frame/Module.h"
#include "frame/TypeLibrary.h"
#include <oaidl.h>
#include <new>
#include <utility>

namespace wx {

// Calls the member `id` of the interface `self` (laid out as `info` describes) with Invoke's
// arguments, and fills EXCEPINFO from the error info of a failing member.
HRESULT InvokeThroughVtable(void* self, ITypeInfo* info, DISPID id, WORD flags, DISPPARAMS* params,
                            VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr);

// Converts an array of any element type into an array of Variants with the same bounds
// (script engines index only arrays of Variants).
HRESULT VariantArrayOf(SAFEARRAY* source, SAFEARRAY** result);

template <class Itf>
class Dispatchable : public Itf, public ISupportErrorInfo {
public:
    explicit Dispatchable(const IID& iid) : iid_(iid) {}
    Dispatchable(const Dispatchable&) = delete;
    Dispatchable& operator=(const Dispatchable&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, iid_))
            *ppv = static_cast<Itf*>(this);
        else if (IsEqualIID(riid, IID_ISupportErrorInfo))
            *ppv = static_cast<ISupportErrorInfo*>(this);
        else
            *ppv = QueryOther(riid);
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        ITypeInfo* ti = TypeInfoOf(iid_);
        if (!ti) return TYPE_E_ELEMENTNOTFOUND;
        ti->AddRef();
        *info = ti;
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        ITypeInfo* ti = TypeInfoOf(iid_);
        if (!ti) return TYPE_E_ELEMENTNOTFOUND;
        return DispGetIDsOfNames(ti, names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override {
        ITypeInfo* ti = TypeInfoOf(iid_);
        if (!ti) return TYPE_E_ELEMENTNOTFOUND;
        return InvokeThroughVtable(static_cast<Itf*>(this), ti, id, flags, params, result, excepInfo, argErr);
    }

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
        return IsEqualIID(riid, iid_) || IsEqualIID(riid, IID_IDispatch) ? S_OK : S_FALSE;
    }

protected:
    virtual ~Dispatchable() = default;
    // Further interfaces of a class (connection points, class info); not AddRef'd.
    virtual void* QueryOther(REFIID) { return nullptr; }
    const IID& iid() const { return iid_; }

private:
    volatile LONG refs_ = 1;
    ObjectCount counted_;
    const IID& iid_;
};

// Makes a new object and hands out the interface asked for (the usual factory step).
template <class T, class... Args>
HRESULT CreateAndQuery(REFIID riid, void** ppv, Args&&... args) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    T* object = new (std::nothrow) T(std::forward<Args>(args)...);
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

// A class with further COM interfaces routes their IUnknown methods to the dispatch base.
#define WX_FORWARD_IUNKNOWN(Base)                                                                   \
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return Base::QueryInterface(riid, ppv); } \
    STDMETHODIMP_(ULONG) AddRef() override { return Base::AddRef(); }                                \
    STDMETHODIMP_(ULONG) Release() override { return Base::Release(); }

}  // namespace wx
