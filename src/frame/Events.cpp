#include "frame/Events.h"
#include "frame/ComObject.h"
#include "frame/FloatingPoint.h"
#include <new>

namespace wx {

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
        *ppv = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = events_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    container_->AddRef();
    *container = container_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    ComPtr<IDispatch> target;
    if (FAILED(sink->QueryInterface(events_, target.putVoid())) || !target) {
        if (FAILED(sink->QueryInterface(IID_IDispatch, target.putVoid())) || !target) return CONNECT_E_CANNOTCONNECT;
    }
    try {
        sinks_.push_back(Sink{nextCookie_, target});
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    *cookie = nextCookie_++;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->cookie == cookie) {
            sinks_.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

namespace {

// Enumerators over a fixed snapshot; small enough to share one shape. The snapshot holds a
// reference to each item from the moment it exists until it goes, so a failure to make one leaves
// nothing held.
template <class EnumItf, class Item, const IID* Iid>
class Snapshot final : public ComObject<EnumItf> {
public:
    // Makes an enumerator over `items` (moved in only once the enumerator exists); null when
    // there is no memory for it.
    static Snapshot* Make(std::vector<Item>& items, size_t position = 0) {
        return new (std::nothrow) Snapshot(std::move(items), position);
    }

    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        if (fetched) *fetched = 0;
        if (count && !out) return E_POINTER;
        ULONG got = 0;
        while (got < count && position_ < items_.size()) {
            out[got] = items_[position_++];
            Hold(out[got]);
            ++got;
        }
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        position_ += count;
        if (position_ > items_.size()) { position_ = items_.size(); return S_FALSE; }
        return S_OK;
    }
    STDMETHODIMP Reset() override { position_ = 0; return S_OK; }
    STDMETHODIMP Clone(EnumItf** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        std::vector<Item> items;
        try {
            items = items_;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        *result = Make(items, position_);
        return *result ? S_OK : E_OUTOFMEMORY;
    }

private:
    Snapshot(std::vector<Item>&& items, size_t position) noexcept : items_(std::move(items)), position_(position) {
        for (Item& item : items_) Hold(item);
    }
    ~Snapshot() override {
        for (Item& item : items_) Free(item);
    }
    void* Find(REFIID riid) override {
        return IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, *Iid) ? static_cast<EnumItf*>(this) : nullptr;
    }
    static void Hold(CONNECTDATA& d) { d.pUnk->AddRef(); }
    static void Free(CONNECTDATA& d) { d.pUnk->Release(); }
    static void Hold(IConnectionPoint* p) { p->AddRef(); }
    static void Free(IConnectionPoint* p) { p->Release(); }
    std::vector<Item> items_;
    size_t position_;
};

using ConnectionsSnapshot = Snapshot<IEnumConnections, CONNECTDATA, &IID_IEnumConnections>;
using PointsSnapshot = Snapshot<IEnumConnectionPoints, IConnectionPoint*, &IID_IEnumConnectionPoints>;

}  // namespace

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    std::vector<CONNECTDATA> items;
    try {
        for (Sink& s : sinks_) items.push_back(CONNECTDATA{s.target.get(), s.cookie});
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    *result = ConnectionsSnapshot::Make(items);
    return *result ? S_OK : E_OUTOFMEMORY;
}

namespace {

// How an event argument reaches the sinks: a ByRef parameter of a declared type as a typed
// reference into the raiser's variable (which is made to hold that type first), a by-value one as
// a view of the variable's value, and anything the event interface does not describe as the
// variable itself (VT_BYREF|VT_VARIANT).
VARIANT EventArgument(const ParamSlot* slot, VARIANT* variable) {
    VARIANT arg;
    VariantInit(&arg);
    if (slot && slot->vt != VT_VARIANT && V_VT(variable) != slot->vt)
        VariantChangeType(variable, variable, 0, slot->vt);
    if (!slot || slot->vt == VT_VARIANT || V_VT(variable) != slot->vt) {
        V_VT(&arg) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&arg) = variable;
    } else if (slot->byRef) {
        V_VT(&arg) = VT_BYREF | slot->vt;
        V_BYREF(&arg) = &V_I4(variable);
    } else {
        arg = *variable;
    }
    return arg;
}

}  // namespace

HRESULT ConnectionPoint::Raise(DISPID id, std::vector<VARIANT*> variables) {
    if (!table_) table_ = DispatchTable::Of(events_);
    const Member* event = table_ ? table_->Find(id, DISPATCH_METHOD) : nullptr;
    std::vector<VARIANT> args;
    for (size_t i = variables.size(); i-- > 0;) {
        const ParamSlot* slot = event && i < event->params.size() ? &event->params[i] : nullptr;
        args.push_back(EventArgument(slot, variables[i]));
    }
    DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    // A handler may disconnect while we raise: walk a copy.
    std::vector<Sink> sinks = sinks_;
    HRESULT first = S_OK;
    // The handlers are host code: they run under the floating-point state the host called with.
    FloatingPointScope::HostCall handlers;
    for (Sink& sink : sinks) {
        HRESULT hr = sink.target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                                         nullptr, nullptr);
        if (FAILED(hr) && SUCCEEDED(first)) first = hr;
    }
    return first;
}

HRESULT EnumerateOne(IConnectionPoint* point, IEnumConnectionPoints** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    std::vector<IConnectionPoint*> items;
    try {
        items.push_back(point);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    *result = PointsSnapshot::Make(items);
    return *result ? S_OK : E_OUTOFMEMORY;
}

}  // namespace wx
