// Outgoing (event) interfaces: a class with events derives from Connectable<Itf>, which adds
// IConnectionPointContainer with one connection point and IProvideClassInfo2, and raises an event
// with Raise(). Events are raised synchronously on the caller's thread, with the types the event
// interface declares: a ByRef argument goes to the sinks as a typed reference into the raiser's
// variable (VT_BYREF|VT_R8, VT_BYREF|VT_BSTR...), so a handler that changes one changes it for the
// class as well, and sinks that invoke through the event interface's type information accept it.
// The handlers run under the floating-point state the host called the library with.
#pragma once
#include "frame/Dispatch.h"
#include <ocidl.h>
#include <olectl.h>
#include <vector>

namespace wx {

class ConnectionPoint : public IConnectionPoint {
public:
    ConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, const IID& events)
        : owner_(owner), container_(container), events_(events) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    const IID& events() const { return events_; }
    // Calls the event on every sink with the variables as its arguments (first argument first).
    // A failing sink does not stop the others; the first failure is returned.
    HRESULT Raise(DISPID id, std::vector<VARIANT*> variables);
    bool HasSinks() const { return !sinks_.empty(); }

private:
    struct Sink { DWORD cookie; ComPtr<IDispatch> target; };
    IUnknown* owner_;
    IConnectionPointContainer* container_;
    const IID& events_;
    std::vector<Sink> sinks_;
    DWORD nextCookie_ = 1;
    const DispatchTable* table_ = nullptr;  // the event interface's, at the first event
};

HRESULT EnumerateOne(IConnectionPoint* point, IEnumConnectionPoints** result);

template <class Itf>
class Connectable : public Dispatchable<Itf>, public IConnectionPointContainer, public IProvideClassInfo2 {
public:
    Connectable(const IID& iid, const CLSID& clsid, const IID& events)
        : Dispatchable<Itf>(iid), clsid_(clsid),
          point_(static_cast<Itf*>(this), static_cast<IConnectionPointContainer*>(this), events) {}

    WX_FORWARD_IUNKNOWN(Dispatchable<Itf>)

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** result) override {
        return EnumerateOne(&point_, result);
    }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (!IsEqualIID(riid, point_.events())) return CONNECT_E_NOCONNECTION;
        point_.AddRef();
        *result = &point_;
        return S_OK;
    }
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = TypeInfoOf(clsid_);
        if (!*info) return TYPE_E_ELEMENTNOTFOUND;
        (*info)->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override {
        if (!guid) return E_POINTER;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
        *guid = point_.events();
        return S_OK;
    }

protected:
    void* QueryOther(REFIID riid) override {
        if (IsEqualIID(riid, IID_IConnectionPointContainer)) return static_cast<IConnectionPointContainer*>(this);
        if (IsEqualIID(riid, IID_IProvideClassInfo) || IsEqualIID(riid, IID_IProvideClassInfo2))
            return static_cast<IProvideClassInfo2*>(this);
        return nullptr;
    }
    HRESULT RaiseEvent(DISPID id, std::vector<VARIANT*> variables) { return point_.Raise(id, std::move(variables)); }

private:
    const CLSID& clsid_;
    ConnectionPoint point_;
};

}  // namespace wx
