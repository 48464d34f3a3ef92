#include "frame/HostObject.h"
#include "frame/ArgumentReader.h"
#include "frame/DispatchEx.h"
#include "frame/Errors.h"
#include "frame/FloatingPoint.h"
#include <cstring>

namespace wx {

namespace {

// The texts a callee put in the exception record, which the caller owns.
void FreeTexts(EXCEPINFO& info) {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
}

[[noreturn]] void RaiseFromInvoke(HRESULT hr, EXCEPINFO& info) {
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
        HRESULT code = info.scode ? info.scode : HResultOfNumber(info.wCode ? info.wCode : 440);
        std::wstring source = info.bstrSource ? info.bstrSource : DefaultErrorSource();
        std::wstring description = info.bstrDescription ? info.bstrDescription : RuntimeErrorText(NumberOfHResult(code));
        FreeTexts(info);
        RaiseError(NumberOfHResult(code), source, description);
    }
    switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME: RaiseRuntime(438);
    case DISP_E_TYPEMISMATCH: RaiseRuntime(13);
    case DISP_E_OVERFLOW: RaiseRuntime(6);
    case DISP_E_BADPARAMCOUNT: RaiseRuntime(450);
    case DISP_E_PARAMNOTOPTIONAL: RaiseRuntime(449);
    case DISP_E_NONAMEDARGS: RaiseRuntime(446);
    case DISP_E_PARAMNOTFOUND: RaiseRuntime(448);
    default: RaiseHResult(hr);
    }
}

}  // namespace

DISPID HostObject::IdOf(const wchar_t* name) const {
    if (!object_) RaiseRuntime(91);
    DISPID id = DISPID_UNKNOWN;
    {
        FloatingPointScope::HostCall host;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (SUCCEEDED(hr)) return id;
        auto ex = object_.as<IDispatchEx>(kIID_IDispatchEx);
        Bstr text(name);
        if (ex && SUCCEEDED(ex->GetDispID(text.get(), fdexNameCaseInsensitive, &id))) return id;
    }
    RaiseRuntime(438);
}

bool HostObject::Has(const wchar_t* name) const {
    try {
        IdOf(name);
        return true;
    } catch (const AutomationError&) {
        return false;
    }
}

Variant HostObject::InvokeRaw(const wchar_t* name, WORD flags, std::vector<VARIANT>& args, bool isPut) const {
    DISPID id = IdOf(name);
    DISPPARAMS params = {};
    DISPID putId = DISPID_PROPERTYPUT;
    // Invoke takes the arguments last to first.
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    params.cArgs = static_cast<UINT>(reversed.size());
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    if (isPut) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &putId;
    }
    // A read is asked as a property first: some script engines refuse to "call" a plain value.
    // Members that answer only as methods are then asked the way late binding asks them.
    bool read = flags == DISPATCH_PROPERTYGET;
    for (;;) {
        Variant result;
        EXCEPINFO info;
        memset(&info, 0, sizeof info);
        UINT argErr = 0;
        HRESULT hr;
        {
            FloatingPointScope::HostCall host;
            hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, isPut ? nullptr : result.get(),
                                 &info, &argErr);
        }
        if (SUCCEEDED(hr)) return result;
        if (read && hr == DISP_E_MEMBERNOTFOUND) {
            read = false;
            flags = DISPATCH_PROPERTYGET | DISPATCH_METHOD;
            continue;
        }
        RaiseFromInvoke(hr, info);
    }
}

HRESULT HostObject::ReadById(DISPID member, Variant& value) const noexcept {
    if (!object_) return E_POINTER;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXCEPINFO info;
    memset(&info, 0, sizeof info);
    HRESULT hr;
    {
        FloatingPointScope::HostCall host;
        hr = object_->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.get(), &info,
                             nullptr);
    }
    FreeTexts(info);
    return hr;
}

Variant HostObject::Get(const wchar_t* name, std::initializer_list<Variant> args) const {
    std::vector<VARIANT> raw;
    for (const Variant& a : args) raw.push_back(*a.get());
    return InvokeRaw(name, DISPATCH_PROPERTYGET, raw, false);
}

Variant HostObject::Call(const wchar_t* name, std::initializer_list<Variant> args) const {
    std::vector<VARIANT> raw;
    for (const Variant& a : args) raw.push_back(*a.get());
    return InvokeRaw(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, raw, false);
}

Variant HostObject::CallByRef(const wchar_t* name, std::vector<VARIANT*> byRef) const {
    std::vector<VARIANT> raw;
    for (VARIANT* variable : byRef) {
        VARIANT ref;
        VariantInit(&ref);
        V_VT(&ref) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&ref) = variable;
        raw.push_back(ref);
    }
    return InvokeRaw(name, DISPATCH_METHOD, raw, false);
}

void HostObject::Let(const wchar_t* name, const Variant& value) const {
    std::vector<VARIANT> raw{*value.get()};
    InvokeRaw(name, DISPATCH_PROPERTYPUT, raw, true);
}

void HostObject::Set(const wchar_t* name, IDispatch* value) const {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = value;
    std::vector<VARIANT> raw{v};
    InvokeRaw(name, DISPATCH_PROPERTYPUTREF, raw, true);
}

long HostObject::GetLong(const wchar_t* name) const { return ToLong(*Get(name).get()); }
double HostObject::GetDouble(const wchar_t* name) const { return ToDouble(*Get(name).get()); }
std::wstring HostObject::GetText(const wchar_t* name) const { return ToText(*Get(name).get()); }

namespace {
Variant Converted(const VARIANT& value, VARTYPE vt) {
    Variant out;
    ReadArgument(value);  // nothing malformed reaches the conversion
    if (V_VT(&value) == VT_NULL) RaiseRuntime(94);
    HRESULT hr = VariantChangeType(out.get(), const_cast<VARIANT*>(&value), 0, vt);
    if (hr == DISP_E_OVERFLOW) RaiseRuntime(6);
    if (FAILED(hr)) RaiseRuntime(13);
    return out;
}
}  // namespace

long ToLong(const VARIANT& value) { return V_I4(Converted(value, VT_I4).get()); }
short ToInteger(const VARIANT& value) { return V_I2(Converted(value, VT_I2).get()); }
double ToDouble(const VARIANT& value) { return V_R8(Converted(value, VT_R8).get()); }
float ToSingle(const VARIANT& value) { return V_R4(Converted(value, VT_R4).get()); }
bool ToBool(const VARIANT& value) { return V_BOOL(Converted(value, VT_BOOL).get()) != VARIANT_FALSE; }
std::wstring ToText(const VARIANT& value) {
    Variant text = Converted(value, VT_BSTR);
    BSTR b = V_BSTR(text.get());
    return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

}  // namespace wx
