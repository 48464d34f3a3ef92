#include "support/FakeHostObject.h"
#include <algorithm>
#include <cwctype>

namespace wxtest {

wx::ComPtr<FakeHostObject> FakeHostObject::Make() {
    return wx::ComPtr<FakeHostObject>::Attach(new FakeHostObject());
}

namespace {
std::wstring Upper(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(towupper(c)); });
    return s;
}
}  // namespace

std::wstring Describe(const VARIANT& value) {
    const VARIANT* v = &value;
    while (V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
    if ((V_VT(v) & ~VT_BYREF) == VT_DISPATCH) return L"<object>";
    if (V_VT(v) == VT_EMPTY) return std::wstring();
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(v), 0, VT_BSTR))) return L"?";
    std::wstring s = V_BSTR(&text) ? V_BSTR(&text) : L"";
    VariantClear(&text);
    return s;
}

DISPID FakeHostObject::IdFor(const std::wstring& name, bool create) {
    std::wstring key = Upper(name);
    auto it = ids_.find(key);
    if (it != ids_.end()) return it->second;
    if (!create) return DISPID_UNKNOWN;
    DISPID id = static_cast<DISPID>(ids_.size() + 1);
    ids_[key] = id;
    names_[id] = name;
    return id;
}

std::wstring FakeHostObject::NameOf(DISPID id) const {
    auto it = names_.find(id);
    return it == names_.end() ? L"?" : it->second;
}

void FakeHostObject::SetProperty(const std::wstring& name, const wx::Variant& value) {
    properties_[IdFor(name, true)] = value;
}

wx::Variant FakeHostObject::Property(const std::wstring& name) const {
    auto id = ids_.find(Upper(name));
    if (id == ids_.end()) return wx::Variant();
    auto it = properties_.find(id->second);
    return it == properties_.end() ? wx::Variant() : it->second;
}

bool FakeHostObject::HasProperty(const std::wstring& name) const {
    auto id = ids_.find(Upper(name));
    return id != ids_.end() && properties_.count(id->second);
}

void FakeHostObject::SetMethod(const std::wstring& name, Method method) { methods_[IdFor(name, true)] = std::move(method); }

STDMETHODIMP FakeHostObject::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
STDMETHODIMP_(ULONG) FakeHostObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
STDMETHODIMP_(ULONG) FakeHostObject::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}
STDMETHODIMP FakeHostObject::GetTypeInfoCount(UINT* count) { *count = 0; return S_OK; }
STDMETHODIMP FakeHostObject::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

STDMETHODIMP FakeHostObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = i == 0 ? IdFor(names[i], false) : DISPID_UNKNOWN;
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP FakeHostObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO*, UINT*) {
    std::wstring name = NameOf(id);
    std::vector<VARIANT*> args;
    UINT positional = params ? params->cArgs - params->cNamedArgs : 0;
    for (UINT i = 0; i < positional; ++i) args.push_back(&params->rgvarg[params->cArgs - 1 - i]);

    auto method = methods_.find(id);
    if (method != methods_.end() && (flags & DISPATCH_METHOD || flags & DISPATCH_PROPERTYGET)) {
        std::wstring entry = L"call " + name + L"(";
        for (size_t i = 0; i < args.size(); ++i) entry += (i ? L"," : L"") + Describe(*args[i]);
        log_.push_back(entry + L")");
        VARIANT scratch;
        VariantInit(&scratch);
        HRESULT hr = method->second(args, result ? result : &scratch);
        VariantClear(&scratch);
        return hr;
    }
    auto property = properties_.find(id);
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (property == properties_.end() || !params || params->cArgs < 1) return DISP_E_MEMBERNOTFOUND;
        wx::Variant value;
        VariantCopyInd(value.get(), &params->rgvarg[0]);
        log_.push_back(L"let " + name + L"=" + Describe(*value.get()));
        property->second = value;
        return S_OK;
    }
    if (property == properties_.end()) return DISP_E_MEMBERNOTFOUND;
    log_.push_back(L"get " + name);
    if (result) VariantCopy(result, property->second.get());
    return S_OK;
}

}  // namespace wxtest
