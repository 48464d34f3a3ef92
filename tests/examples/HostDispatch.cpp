#include "HostDispatch.h"
#include "frame/Module.h"
#include <cwctype>

namespace wxexamples {

namespace {

const VARIANT* Deref(const VARIANT* v) {
    while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
    return v;
}

wx::Variant Converted(const VARIANT* v, VARTYPE type) {
    wx::Variant out;
    if (FAILED(VariantChangeType(out.get(), const_cast<VARIANT*>(Deref(v)), 0, type))) throw HostError{13};
    return out;
}

bool SameName(const wchar_t* a, const wchar_t* b) {
    for (; *a && *b; ++a, ++b)
        if (towupper(*a) != towupper(*b)) return false;
    return *a == *b;
}

// The runtime's descriptions of the errors the stand-ins raise.
const wchar_t* Description(long number) {
    switch (number) {
    case 5: return L"Invalid procedure call or argument";
    case 6: return L"Overflow";
    case 13: return L"Type mismatch";
    case 75: return L"Path/File access error";
    case 380: return L"Invalid property value";
    case 383: return L"Property is read-only";
    case 424: return L"Object required";
    case 438: return L"Object doesn't support this property or method";
    case 450: return L"Wrong number of arguments or invalid property assignment";
    case 481: return L"Invalid picture";
    default: return L"Application-defined or object-defined error";
    }
}

}  // namespace

bool Call::missing(size_t i) const {
    if (i >= args.size()) return true;
    const VARIANT* v = Deref(args[i]);
    return V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND;
}
double Call::number(size_t i) const {
    if (missing(i)) throw HostError{450};
    return V_R8(Converted(args[i], VT_R8).get());
}
long Call::whole(size_t i) const {
    if (missing(i)) throw HostError{450};
    return V_I4(Converted(args[i], VT_I4).get());
}
std::wstring Call::text(size_t i) const {
    if (missing(i)) throw HostError{450};
    wx::Variant t = Converted(args[i], VT_BSTR);
    BSTR s = V_BSTR(t.get());
    return s ? std::wstring(s, SysStringLen(s)) : std::wstring();
}
IDispatch* Call::object(size_t i) const {
    if (missing(i)) throw HostError{450};
    const VARIANT* v = Deref(args[i]);
    if (V_VT(v) == VT_DISPATCH) return V_DISPATCH(v);
    if (V_VT(v) == (VT_DISPATCH | VT_BYREF)) return *V_DISPATCHREF(v);
    throw HostError{424};
}
double Call::valueNumber() const { return V_R8(Converted(value, VT_R8).get()); }
bool Call::valueBool() const { return V_BOOL(Converted(value, VT_BOOL).get()) != VARIANT_FALSE; }
std::wstring Call::valueText() const {
    wx::Variant t = Converted(value, VT_BSTR);
    BSTR s = V_BSTR(t.get());
    return s ? std::wstring(s, SysStringLen(s)) : std::wstring();
}
IDispatch* Call::valueObject() const {
    const VARIANT* v = Deref(value);
    if (V_VT(v) == VT_DISPATCH) return V_DISPATCH(v);
    if (V_VT(v) == (VT_DISPATCH | VT_BYREF)) return *V_DISPATCHREF(v);
    if (V_VT(v) == VT_EMPTY) return nullptr;
    throw HostError{424};
}

HostDispatch::HostDispatch(const Name* names, size_t count) : names_(names), nameCount_(count) { wx::Module::AddObject(); }
HostDispatch::~HostDispatch() { wx::Module::RemoveObject(); }

STDMETHODIMP HostDispatch::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
STDMETHODIMP_(ULONG) HostDispatch::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
STDMETHODIMP_(ULONG) HostDispatch::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}
STDMETHODIMP HostDispatch::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}
STDMETHODIMP HostDispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

STDMETHODIMP HostDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (size_t k = 0; i == 0 && k < nameCount_; ++k)
            if (SameName(names[0], names_[k].name)) ids[i] = names_[k].id;
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP HostDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* excepInfo, UINT*) {
    Call call{flags, {}};
    UINT total = params ? params->cArgs : 0;
    UINT named = params ? params->cNamedArgs : 0;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (named != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT || total < 1) return DISP_E_PARAMNOTFOUND;
        call.value = &params->rgvarg[0];
    } else if (named) {
        return DISP_E_NONAMEDARGS;
    }
    for (UINT i = total; i > named; --i) call.args.push_back(&params->rgvarg[i - 1]);
    wx::Variant value;
    HRESULT hr;
    try {
        hr = Member(id, call, value);
    } catch (const HostError& error) {
        if (!excepInfo) return DISP_E_EXCEPTION;
        ZeroMemory(excepInfo, sizeof *excepInfo);
        excepInfo->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, error.number);
        excepInfo->bstrSource = SysAllocString(source_);
        excepInfo->bstrDescription = SysAllocString(Description(error.number));
        return DISP_E_EXCEPTION;
    } catch (...) {
        return E_UNEXPECTED;
    }
    if (SUCCEEDED(hr) && result) *result = value.detach();
    return hr;
}

wx::Variant Number(double value) { return wx::Variant::Double(value); }
wx::Variant Whole(long value) { return wx::Variant::Long(value); }
wx::Variant Flag(bool value) { return wx::Variant::Bool(value); }
wx::Variant Text(const std::wstring& value) {
    return wx::Variant::TakeText(SysAllocStringLen(value.data(), static_cast<UINT>(value.size())));
}
wx::Variant Object(IDispatch* value) { return wx::Variant::Object(value); }

double UnitsPerPixel(long scaleMode, bool vertical) {
    HDC screen = GetDC(nullptr);
    double dpi = GetDeviceCaps(screen, vertical ? LOGPIXELSY : LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    if (dpi <= 0) dpi = 96;
    switch (scaleMode) {
    case 1: return 1440.0 / dpi;
    case 2: return 72.0 / dpi;
    case 3: return 1.0;
    case 5: return 1.0 / dpi;
    case 6: return 25.4 / dpi;
    case 7: return 2.54 / dpi;
    case 8: return 2540.0 / dpi;
    default: throw HostError{380};
    }
}

}  // namespace wxexamples
