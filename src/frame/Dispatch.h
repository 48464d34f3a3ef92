// The dispatch base every class of the library stands on: IUnknown with object counting
// (ComObject), IDispatch and IDispatchEx through the library's own type information, and
// ISupportErrorInfo.
//
// Invoke does its own argument handling instead of ITypeInfo::Invoke, from dispatch tables read
// once per interface: script callers pass their variables by reference as VARIANT*, which a typed
// ByRef parameter (long*, BSTR*, String()) would otherwise refuse, and records (VT_RECORD) cannot
// pass through the platform's invoker at all here. The caller's variable is coerced to the declared
// type, handed over as a typed pointer and written back afterwards, as a Basic host would see it.
//
// Script engines call through IDispatchEx::InvokeEx when an object offers it; they index only
// arrays of Variants (and keep arrays of bytes as they are) and call objects only through
// IDispatch, so results reaching them through InvokeEx come in those shapes. Invoke and the function table keep the declared types.
#pragma once
#include "frame/ComObject.h"
#include "frame/DispatchEx.h"
#include "frame/DispatchTable.h"
#include "frame/Handles.h"
#include "frame/Module.h"
#include "frame/TypeLibrary.h"
#include <oaidl.h>
#include <new>
#include <utility>

namespace wx {

// Who is calling: a Basic host or C++ caller through Invoke, or a script engine through InvokeEx.
enum class CallerKind { Host, Script };

// Calls the member `id` of the interface `self` (laid out as `table` describes) with Invoke's
// arguments, and fills EXCEPINFO from the error info of a failing member.
HRESULT InvokeMember(void* self, const DispatchTable* table, DISPID id, WORD flags, DISPPARAMS* params,
                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr, CallerKind caller) noexcept;

// Converts an array of any element type into an array of Variants with the same bounds
// (script engines index only arrays of Variants).
HRESULT VariantArrayOf(SAFEARRAY* source, SAFEARRAY** result);

template <class Itf>
class Dispatchable : public ComObject<Itf, IDispatchEx, ISupportErrorInfo> {
public:
    explicit Dispatchable(const IID& iid) : iid_(iid) {}

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
        const DispatchTable* t = table();
        if (!t) return TYPE_E_ELEMENTNOTFOUND;
        if (!names || !ids) return E_POINTER;
        if (count == 1) return t->IdOfName(names[0], ids) ? S_OK : (ids[0] = DISPID_UNKNOWN, DISP_E_UNKNOWNNAME);
        // With the names of named arguments, which only the type information holds.
        ITypeInfo* info = t->info();
        if (!info) return TYPE_E_ELEMENTNOTFOUND;
        return DispGetIDsOfNames(info, names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override {
        return InvokeMember(static_cast<Itf*>(this), table(), id, flags, params, result, excepInfo, argErr,
                            CallerKind::Host);
    }

    // IDispatchEx: what script engines use. Names are found without regard to case, as Basic
    // names are; members cannot be added or removed.
    STDMETHODIMP GetDispID(BSTR name, DWORD, DISPID* id) override {
        const DispatchTable* t = table();
        if (!t) return TYPE_E_ELEMENTNOTFOUND;
        if (!id) return E_POINTER;
        if (t->IdOfName(name, id)) return S_OK;
        *id = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP InvokeEx(DISPID id, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                          IServiceProvider*) override {
        return InvokeMember(static_cast<Itf*>(this), table(), id, flags & ~DISPATCH_CONSTRUCT, params, result,
                            excepInfo, nullptr, CallerKind::Script);
    }
    STDMETHODIMP DeleteMemberByName(BSTR, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP DeleteMemberByDispID(DISPID) override { return E_NOTIMPL; }
    STDMETHODIMP GetMemberProperties(DISPID, DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMemberName(DISPID, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetNextDispID(DWORD, DISPID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetNameSpaceParent(IUnknown**) override { return E_NOTIMPL; }

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
        return IsEqualIID(riid, iid_) || IsEqualIID(riid, IID_IDispatch) ? S_OK : S_FALSE;
    }

protected:
    ~Dispatchable() override = default;
    void* Find(REFIID riid) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, iid_))
            return static_cast<Itf*>(this);
        if (IsEqualIID(riid, kIID_IDispatchEx)) return static_cast<IDispatchEx*>(this);
        if (IsEqualIID(riid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo*>(this);
        return QueryOther(riid);
    }
    // Further interfaces of a class (connection points, class info); not AddRef'd.
    virtual void* QueryOther(REFIID) { return nullptr; }
    const IID& iid() const { return iid_; }
    // The interface's dispatch table, looked up once per interface.
    const DispatchTable* table() const {
        static const DispatchTable* const table = DispatchTable::Of(iid_);
        return table;
    }

private:
    const IID& iid_;
};

// Makes a new object and hands out the interface asked for (the usual factory step).
template <class T, class... Args>
HRESULT CreateAndQuery(REFIID riid, void** ppv, Args&&... args) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    // The analyzer gives up on this line ("cyclic reverse analysis"), a limit of its own.
    // cppcheck-suppress cppcheckError
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
