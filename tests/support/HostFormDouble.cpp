#include "support/HostFormDouble.h"

namespace wxtest {

namespace {

wx::Variant Single(double value) {
    wx::Variant v;
    V_VT(v.get()) = VT_R4;
    V_R4(v.get()) = static_cast<float>(value);
    return v;
}

double AsDouble(const wx::Variant& value) {
    VARIANT d;
    VariantInit(&d);
    if (FAILED(VariantChangeType(&d, const_cast<VARIANT*>(value.get()), 0, VT_R8))) return -1e300;
    return V_R8(&d);
}

void SetPlacement(FakeHostObject* object, const Placement& at) {
    object->SetProperty(L"Left", Single(at.left));
    object->SetProperty(L"Top", Single(at.top));
    object->SetProperty(L"Width", Single(at.width));
    object->SetProperty(L"Height", Single(at.height));
}

// Move stores the arguments as the caller passed them (after following references).
void AddMove(FakeHostObject* object) {
    object->SetMethod(L"Move", [object](std::vector<VARIANT*>& args, VARIANT*) -> HRESULT {
        const wchar_t* names[] = {L"Left", L"Top", L"Width", L"Height"};
        for (size_t i = 0; i < args.size() && i < 4; ++i) {
            wx::Variant value;
            VariantCopyInd(value.get(), args[i]);
            object->SetProperty(names[i], value);
        }
        return S_OK;
    });
}

class TaggedDispatch : public IDispatch {
public:
    TaggedDispatch(FakeHostObject* inner, const IID& extra) : inner_(inner), extra_(extra) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, extra_)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
    STDMETHODIMP GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return inner_->GetTypeInfo(i, l, t); }
    STDMETHODIMP GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* ids) override {
        return inner_->GetIDsOfNames(r, n, c, l, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* res, EXCEPINFO* e,
                        UINT* a) override {
        return inner_->Invoke(id, r, l, f, p, res, e, a);
    }

private:
    virtual ~TaggedDispatch() = default;
    volatile LONG refs_ = 1;
    wx::ComPtr<FakeHostObject> inner_;
    IID extra_;
};

}  // namespace

wx::ComPtr<FakeHostObject> MakeControl(const Placement& at, bool withMove) {
    auto control = FakeHostObject::Make();
    SetPlacement(control.get(), at);
    if (withMove) AddMove(control.get());
    return control;
}

wx::ComPtr<IDispatch> WithInterface(FakeHostObject* inner, const IID& extra) {
    return wx::ComPtr<IDispatch>::Attach(new TaggedDispatch(inner, extra));
}

wx::ComPtr<FakeHostObject> MakeForm(const Placement& at, const std::vector<wx::ComPtr<IDispatch>>& controls) {
    auto form = MakeControl(at);
    form->SetProperty(L"ScaleMode", wx::Variant::Long(1));
    form->SetProperty(L"Count", wx::Variant::Long(static_cast<LONG>(controls.size())));
    form->SetMethod(L"Controls", [controls](std::vector<VARIANT*>& args, VARIANT* result) -> HRESULT {
        if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
        VARIANT index;
        VariantInit(&index);
        if (FAILED(VariantChangeType(&index, args[0], 0, VT_I4))) return DISP_E_TYPEMISMATCH;
        if (V_I4(&index) < 0 || V_I4(&index) >= static_cast<LONG>(controls.size())) return DISP_E_BADINDEX;
        IDispatch* control = controls[static_cast<size_t>(V_I4(&index))].get();
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = control;
        control->AddRef();
        return S_OK;
    });
    return form;
}

Placement PlacementOf(FakeHostObject* object) {
    return {AsDouble(object->Property(L"Left")), AsDouble(object->Property(L"Top")),
            AsDouble(object->Property(L"Width")), AsDouble(object->Property(L"Height"))};
}

}  // namespace wxtest
