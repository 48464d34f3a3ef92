// A catalogue class whose members are not built yet: it can be created, released and inspected
// through IDispatch (names resolve through the type library), and every call answers E_NOTIMPL.
// It does not hand out the class's own interface, since it has no function table behind it.
#pragma once
#include "frame/Dispatch.h"

namespace wx {

class PendingClass : public IDispatch {
public:
    explicit PendingClass(const IID& iid) : iid_(iid) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { if (!count) return E_POINTER; *count = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        ITypeInfo* info = TypeInfoOf(iid_);
        return info ? DispGetIDsOfNames(info, names, count, ids) : E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

private:
    virtual ~PendingClass() = default;
    volatile LONG refs_ = 1;
    ObjectCount counted_;
    const IID& iid_;
};

}  // namespace wx
