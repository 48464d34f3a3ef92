#include "frame/Dispatch.h"
#include "frame/Errors.h"
#include <cstring>
#include <memory>
#include <vector>

namespace wx {

namespace {

// What a parameter is, once aliases and enumerations are resolved.
struct ParamType {
    VARTYPE vt = VT_EMPTY;  // VT_I4, VT_BSTR, VT_VARIANT, VT_DISPATCH, VT_RECORD, VT_ARRAY|elem...
    bool byRef = false;
    IID iid = IID_NULL;     // object parameters: the interface asked for
    ComPtr<IRecordInfo> record;
};

class TypeAttr {
public:
    TypeAttr(ITypeInfo* info) : info_(info) { if (FAILED(info->GetTypeAttr(&attr_))) attr_ = nullptr; }
    ~TypeAttr() { if (attr_) info_->ReleaseTypeAttr(attr_); }
    TYPEATTR* operator->() const { return attr_; }
    explicit operator bool() const { return attr_ != nullptr; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

class FuncDesc {
public:
    FuncDesc() = default;
    FuncDesc(const FuncDesc&) = delete;
    FuncDesc& operator=(const FuncDesc&) = delete;
    ~FuncDesc() { reset(); }
    void reset() { if (desc_) info_->ReleaseFuncDesc(desc_); desc_ = nullptr; }
    HRESULT load(ITypeInfo* info, UINT index) {
        reset();
        info_ = info;
        return info->GetFuncDesc(index, &desc_);
    }
    FUNCDESC* operator->() const { return desc_; }
    FUNCDESC* get() const { return desc_; }

private:
    ITypeInfo* info_ = nullptr;
    FUNCDESC* desc_ = nullptr;
};

// The vtable view of an interface: a dual interface's type information may be its dispatch view.
ComPtr<ITypeInfo> VtableView(ITypeInfo* info) {
    TypeAttr attr(info);
    if (attr && attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL)) {
        HREFTYPE ref;
        ComPtr<ITypeInfo> vtable;
        if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
            SUCCEEDED(info->GetRefTypeInfo(ref, vtable.put())))
            return vtable;
    }
    return ComPtr<ITypeInfo>(info);
}

HRESULT ResolveUserDefined(ITypeInfo* info, HREFTYPE ref, ParamType& out, bool* isObject);

// A pointer to a user-defined interface is an object passed by value.
bool PointsToObject(ITypeInfo* info, const TYPEDESC* t, ParamType& out) {
    if (t->vt != VT_PTR || t->lptdesc->vt != VT_USERDEFINED) return false;
    bool isObject = false;
    ParamType probe;
    if (FAILED(ResolveUserDefined(info, t->lptdesc->hreftype, probe, &isObject)) || !isObject) return false;
    out.vt = probe.vt;
    out.iid = probe.iid;
    return true;
}

HRESULT ResolveUserDefined(ITypeInfo* info, HREFTYPE ref, ParamType& out, bool* isObject) {
    ComPtr<ITypeInfo> target;
    HRESULT hr = info->GetRefTypeInfo(ref, target.put());
    if (FAILED(hr)) return hr;
    TypeAttr attr(target.get());
    if (!attr) return E_FAIL;
    if (isObject) *isObject = false;
    switch (attr->typekind) {
    case TKIND_ENUM:
        out.vt = VT_I4;
        return S_OK;
    case TKIND_RECORD:
        out.vt = VT_RECORD;
        return GetRecordInfoFromTypeInfo(target.get(), out.record.put());
    case TKIND_ALIAS:
        if (attr->tdescAlias.vt == VT_USERDEFINED)
            return ResolveUserDefined(target.get(), attr->tdescAlias.hreftype, out, isObject);
        out.vt = attr->tdescAlias.vt;
        return S_OK;
    case TKIND_DISPATCH:
    case TKIND_INTERFACE:
    case TKIND_COCLASS: {
        if (isObject) *isObject = true;
        bool dispatchable = attr->typekind == TKIND_DISPATCH || (attr->wTypeFlags & TYPEFLAG_FDUAL) ||
                            (attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
        out.vt = dispatchable ? VT_DISPATCH : VT_UNKNOWN;
        out.iid = attr->guid;
        if (attr->typekind == TKIND_COCLASS) {
            out.vt = VT_DISPATCH;
            out.iid = IID_IDispatch;
        }
        return S_OK;
    }
    default:
        return DISP_E_BADVARTYPE;
    }
}

HRESULT ResolveBase(ITypeInfo* info, const TYPEDESC* t, ParamType& out) {
    if (PointsToObject(info, t, out)) return S_OK;
    switch (t->vt) {
    case VT_USERDEFINED: {
        bool isObject = false;
        return ResolveUserDefined(info, t->hreftype, out, &isObject);
    }
    case VT_SAFEARRAY: {
        ParamType element;
        HRESULT hr = ResolveBase(info, t->lptdesc, element);
        if (FAILED(hr)) return hr;
        out.vt = VT_ARRAY | element.vt;
        out.record = element.record;
        return S_OK;
    }
    case VT_INT: out.vt = VT_I4; return S_OK;
    case VT_UINT: out.vt = VT_UI4; return S_OK;
    case VT_DISPATCH: out.vt = VT_DISPATCH; out.iid = IID_IDispatch; return S_OK;
    case VT_UNKNOWN: out.vt = VT_UNKNOWN; out.iid = IID_IUnknown; return S_OK;
    default:
        out.vt = t->vt;
        return S_OK;
    }
}

HRESULT Resolve(ITypeInfo* info, const TYPEDESC& desc, ParamType& out) {
    if (desc.vt == VT_PTR && !PointsToObject(info, &desc, out)) {
        out.byRef = true;
        return ResolveBase(info, desc.lptdesc, out);
    }
    return ResolveBase(info, &desc, out);
}

bool IsMissing(const VARIANT* v) {
    if (!v) return true;
    if (V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND) return true;
    if (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) return IsMissing(V_VARIANTREF(v));
    return false;
}

// The value a variable holds, looking through VT_BYREF|VT_VARIANT chains.
const VARIANT* Deref(const VARIANT* v) {
    while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
    return v;
}

// The bounds of every dimension, first dimension first (the order SafeArrayCreate takes).
std::vector<SAFEARRAYBOUND> BoundsOf(SAFEARRAY* array) {
    std::vector<SAFEARRAYBOUND> bounds(SafeArrayGetDim(array));
    for (UINT d = 0; d < bounds.size(); ++d) {
        LONG lo = 0, hi = -1;
        SafeArrayGetLBound(array, d + 1, &lo);
        SafeArrayGetUBound(array, d + 1, &hi);
        bounds[d].lLbound = lo;
        bounds[d].cElements = hi >= lo ? static_cast<ULONG>(hi - lo + 1) : 0;
    }
    return bounds;
}

ULONG ElementCount(const std::vector<SAFEARRAYBOUND>& bounds) {
    ULONG total = 1;
    for (const SAFEARRAYBOUND& b : bounds) total *= b.cElements;
    return total;
}

HRESULT ArrayFromVariantArray(SAFEARRAY* source, VARTYPE elementVt, SAFEARRAY** result) {
    *result = nullptr;
    if (!source) return S_OK;
    std::vector<SAFEARRAYBOUND> bounds = BoundsOf(source);
    UINT dims = static_cast<UINT>(bounds.size());
    ULONG total = ElementCount(bounds);
    SafeArrayOwner made(SafeArrayCreate(elementVt, dims, bounds.data()));
    if (!made.get()) return E_OUTOFMEMORY;
    if (total == 0) { *result = made.release(); return S_OK; }
    VARIANT* from = nullptr;
    char* to = nullptr;
    HRESULT hr = SafeArrayAccessData(source, reinterpret_cast<void**>(&from));
    if (FAILED(hr)) return hr;
    hr = SafeArrayAccessData(made.get(), reinterpret_cast<void**>(&to));
    if (FAILED(hr)) { SafeArrayUnaccessData(source); return hr; }
    UINT size = SafeArrayGetElemsize(made.get());
    for (ULONG i = 0; i < total && SUCCEEDED(hr); ++i) {
        VARIANT converted;
        VariantInit(&converted);
        hr = VariantChangeType(&converted, &from[i], 0, elementVt);
        if (SUCCEEDED(hr)) {
            // The element takes over what the converted variant owns (a BSTR, an object).
            memcpy(to + i * size, &converted.lVal, size);
        }
    }
    SafeArrayUnaccessData(made.get());
    SafeArrayUnaccessData(source);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    *result = made.release();
    return S_OK;
}

HRESULT CoerceObject(const VARIANT* value, const ParamType& type, VARIANT* out) {
    IUnknown* unknown = nullptr;
    switch (V_VT(value)) {
    case VT_DISPATCH: unknown = V_DISPATCH(value); break;
    case VT_UNKNOWN: unknown = V_UNKNOWN(value); break;
    case VT_BYREF | VT_DISPATCH: unknown = *V_DISPATCHREF(value); break;
    case VT_BYREF | VT_UNKNOWN: unknown = *V_UNKNOWNREF(value); break;
    case VT_EMPTY: break;  // Nothing
    default: return DISP_E_TYPEMISMATCH;
    }
    V_VT(out) = type.vt;
    V_UNKNOWN(out) = nullptr;
    if (!unknown) return S_OK;
    IID wanted = type.iid;
    if (IsEqualIID(wanted, IID_NULL)) wanted = type.vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
    void* p = nullptr;
    if (FAILED(unknown->QueryInterface(wanted, &p)) || !p) return DISP_E_TYPEMISMATCH;
    V_UNKNOWN(out) = static_cast<IUnknown*>(p);
    return S_OK;
}

// Fills `out` (zeroed) with `value` converted to the parameter's type.
HRESULT CoerceIn(const VARIANT* source, const ParamType& type, VARIANT* out) {
    const VARIANT* value = Deref(source);
    if (type.vt == VT_VARIANT) return VariantCopyInd(out, const_cast<VARIANT*>(value));
    if (type.vt == VT_DISPATCH || type.vt == VT_UNKNOWN) return CoerceObject(value, type, out);
    if (type.vt & VT_ARRAY) {
        VARTYPE element = type.vt & ~VT_ARRAY;
        V_VT(out) = type.vt;
        V_ARRAY(out) = nullptr;
        VARTYPE held = V_VT(value) & ~VT_BYREF;
        if (held == VT_EMPTY) return S_OK;
        if (!(held & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
        SAFEARRAY* array = (V_VT(value) & VT_BYREF) ? *V_ARRAYREF(value) : V_ARRAY(value);
        if ((held & ~VT_ARRAY) == element) return array ? SafeArrayCopy(array, &V_ARRAY(out)) : S_OK;
        if ((held & ~VT_ARRAY) == VT_VARIANT) return ArrayFromVariantArray(array, element, &V_ARRAY(out));
        return DISP_E_TYPEMISMATCH;
    }
    if (type.vt == VT_RECORD) return DISP_E_TYPEMISMATCH;  // records only travel by reference
    if (V_VT(value) == VT_NULL) return DISP_E_TYPEMISMATCH;
    HRESULT hr = VariantChangeType(out, const_cast<VARIANT*>(value), 0, type.vt);
    if (hr == DISP_E_OVERFLOW) return hr;
    return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
}

// The empty value of a type, for an omitted optional parameter without a stated default.
HRESULT EmptyValue(const ParamType& type, VARIANT* out) {
    if (type.vt == VT_VARIANT) {
        V_VT(out) = VT_ERROR;
        V_ERROR(out) = DISP_E_PARAMNOTFOUND;
        return S_OK;
    }
    VARIANT empty;
    VariantInit(&empty);
    return CoerceIn(&empty, type, out);
}

// One argument on its way to the vtable call.
struct Argument {
    ParamType type;
    VARIANT local;          // the value (or the referenced value) the member works on
    VARIANT* passThrough = nullptr;  // the caller's own storage, used directly when types match
    VARIANT* writeBack = nullptr;    // the caller's variable, updated from `local` after the call
    void* pointer = nullptr;         // what a by-reference parameter receives
    bool recordMemory = false;       // `pointer` is a record made here (retval)

    Argument() { memset(&local, 0, sizeof local); }
    ~Argument() {
        if (recordMemory && pointer) type.record->RecordDestroy(pointer);
        else VariantClear(&local);
    }
};

HRESULT PrepareByValue(Argument& arg, const VARIANT* supplied, const PARAMDESC& desc) {
    bool missing = IsMissing(supplied);
    if (missing && (desc.wParamFlags & PARAMFLAG_FHASDEFAULT) && desc.pparamdescex)
        return CoerceIn(&desc.pparamdescex->varDefaultValue, arg.type, &arg.local);
    if (missing) {
        if (supplied && arg.type.vt == VT_VARIANT) return VariantCopy(&arg.local, const_cast<VARIANT*>(Deref(supplied)));
        return EmptyValue(arg.type, &arg.local);
    }
    return CoerceIn(supplied, arg.type, &arg.local);
}

// Where a by-reference parameter points: the whole VARIANT for Variant parameters, else its value.
void* PayloadOf(const ParamType& type, VARIANT* v) {
    return type.vt == VT_VARIANT ? static_cast<void*>(v) : static_cast<void*>(&V_I4(v));
}

HRESULT PrepareByRef(Argument& arg, VARIANT* supplied, const PARAMDESC& desc) {
    const ParamType& type = arg.type;
    if (supplied && !IsMissing(supplied)) {
        VARTYPE vt = V_VT(supplied);
        if (type.vt == VT_RECORD) {
            const VARIANT* value = Deref(supplied);
            if ((V_VT(value) & ~VT_BYREF) != VT_RECORD || !V_RECORD(value)) return DISP_E_TYPEMISMATCH;
            arg.pointer = V_RECORD(value);
            return S_OK;
        }
        if (vt == (VT_BYREF | type.vt) && type.vt != VT_VARIANT) {
            arg.pointer = V_BYREF(supplied);
            return S_OK;
        }
        if (type.vt == VT_VARIANT) {
            if (vt == (VT_BYREF | VT_VARIANT)) { arg.pointer = V_VARIANTREF(supplied); return S_OK; }
            // A value, not a variable: the member works on a copy.
            HRESULT hr = VariantCopyInd(&arg.local, supplied);
            arg.pointer = &arg.local;
            return hr;
        }
        HRESULT hr = CoerceIn(supplied, type, &arg.local);
        if (FAILED(hr)) return hr;
        if (vt == (VT_BYREF | VT_VARIANT)) arg.writeBack = V_VARIANTREF(supplied);
        arg.pointer = PayloadOf(arg.type, &arg.local);
        return S_OK;
    }
    if (type.vt == VT_RECORD) {
        arg.pointer = type.record->RecordCreate();
        arg.recordMemory = true;
        return arg.pointer ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT hr = PrepareByValue(arg, supplied, desc);
    arg.pointer = PayloadOf(arg.type, &arg.local);
    return hr;
}

// After the call: the caller's variable receives what the member left in the local copy.
void WriteBack(Argument& arg) {
    if (!arg.writeBack) return;
    VARIANT& local = arg.local;
    VariantClear(arg.writeBack);
    if ((V_VT(&local) & VT_ARRAY) && V_VT(&local) != (VT_ARRAY | VT_VARIANT)) {
        SAFEARRAY* converted = nullptr;
        if (V_ARRAY(&local) == nullptr) {
            V_VT(arg.writeBack) = VT_EMPTY;
        } else if (SUCCEEDED(VariantArrayOf(V_ARRAY(&local), &converted))) {
            V_VT(arg.writeBack) = VT_ARRAY | VT_VARIANT;
            V_ARRAY(arg.writeBack) = converted;
        }
        return;
    }
    *arg.writeBack = local;  // takes ownership
    memset(&local, 0, sizeof local);
}

struct InvokeKinds { INVOKEKIND order[3]; int count; };

InvokeKinds KindsFor(WORD flags) {
    InvokeKinds k{};
    auto add = [&](INVOKEKIND kind) { k.order[k.count++] = kind; };
    if (flags & DISPATCH_METHOD) add(INVOKE_FUNC);
    if (flags & DISPATCH_PROPERTYGET) { add(INVOKE_PROPERTYGET); if (!(flags & DISPATCH_METHOD)) add(INVOKE_FUNC); }
    if (flags & DISPATCH_PROPERTYPUT) { add(INVOKE_PROPERTYPUT); add(INVOKE_PROPERTYPUTREF); }
    else if (flags & DISPATCH_PROPERTYPUTREF) { add(INVOKE_PROPERTYPUTREF); add(INVOKE_PROPERTYPUT); }
    return k;
}

HRESULT FindMember(ITypeInfo* vtable, DISPID id, WORD flags, FuncDesc& found) {
    TypeAttr attr(vtable);
    if (!attr) return E_FAIL;
    InvokeKinds kinds = KindsFor(flags);
    for (int k = 0; k < kinds.count; ++k) {
        for (UINT i = 0; i < attr->cFuncs; ++i) {
            if (FAILED(found.load(vtable, i))) continue;
            if (found->memid == id && found->invkind == kinds.order[k]) return S_OK;
        }
    }
    found.reset();
    return DISP_E_MEMBERNOTFOUND;
}

void FillExcepInfo(HRESULT hr, EXCEPINFO* info) {
    memset(info, 0, sizeof *info);
    info->scode = hr;
    ComPtr<IErrorInfo> error;
    if (GetErrorInfo(0, error.put()) == S_OK && error) {
        error->GetSource(&info->bstrSource);
        error->GetDescription(&info->bstrDescription);
        error->GetHelpFile(&info->bstrHelpFile);
        error->GetHelpContext(&info->dwHelpContext);
    }
    if (!info->bstrSource) info->bstrSource = SysAllocString(DefaultErrorSource().c_str());
    if (!info->bstrDescription) {
        std::wstring text = HRESULT_FACILITY(hr) == FACILITY_CONTROL ? RuntimeErrorText(HRESULT_CODE(hr))
                                                                    : RuntimeErrorText(440);
        info->bstrDescription = SysAllocString(text.c_str());
    }
}

}  // namespace

HRESULT VariantArrayOf(SAFEARRAY* source, SAFEARRAY** result) {
    *result = nullptr;
    if (!source) return S_OK;
    VARTYPE element = VT_EMPTY;
    HRESULT hr = SafeArrayGetVartype(source, &element);
    if (FAILED(hr)) return hr;
    std::vector<SAFEARRAYBOUND> bounds = BoundsOf(source);
    UINT dims = static_cast<UINT>(bounds.size());
    ULONG total = ElementCount(bounds);
    SafeArrayOwner made(SafeArrayCreate(VT_VARIANT, dims, bounds.data()));
    if (!made.get()) return E_OUTOFMEMORY;
    if (total > 0) {
        char* from = nullptr;
        VARIANT* to = nullptr;
        if (FAILED(hr = SafeArrayAccessData(source, reinterpret_cast<void**>(&from)))) return hr;
        if (FAILED(hr = SafeArrayAccessData(made.get(), reinterpret_cast<void**>(&to)))) {
            SafeArrayUnaccessData(source);
            return hr;
        }
        UINT size = SafeArrayGetElemsize(source);
        for (ULONG i = 0; i < total && SUCCEEDED(hr); ++i) {
            VARIANT view;
            memset(&view, 0, sizeof view);
            V_VT(&view) = element;
            memcpy(&V_I4(&view), from + i * size, size);
            hr = VariantCopy(&to[i], &view);  // copies the BSTR or AddRefs the object
        }
        SafeArrayUnaccessData(made.get());
        SafeArrayUnaccessData(source);
        if (FAILED(hr)) return hr;
    }
    *result = made.release();
    return S_OK;
}

HRESULT InvokeThroughVtable(void* self, ITypeInfo* info, DISPID id, WORD flags, DISPPARAMS* params,
                            VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
    static DISPPARAMS noParams = {nullptr, nullptr, 0, 0};
    if (!params) params = &noParams;
    ComPtr<ITypeInfo> vtable = VtableView(info);
    FuncDesc member;
    HRESULT hr = FindMember(vtable.get(), id, flags, member);
    if (FAILED(hr)) return hr;

    const FUNCDESC* fd = member.get();
    int paramCount = fd->cParams;
    int retvalIndex = -1;
    if (paramCount > 0 && (fd->lprgelemdescParam[paramCount - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL))
        retvalIndex = paramCount - 1;
    int inputs = retvalIndex >= 0 ? paramCount - 1 : paramCount;

    // Which caller argument goes to which parameter (arguments arrive last to first).
    std::vector<VARIANT*> supplied(inputs, nullptr);
    UINT named = params->cNamedArgs;
    UINT positional = params->cArgs - named;
    bool isPut = fd->invkind == INVOKE_PROPERTYPUT || fd->invkind == INVOKE_PROPERTYPUTREF;
    for (UINT n = 0; n < named; ++n) {
        DISPID which = params->rgdispidNamedArgs[n];
        int index = which == DISPID_PROPERTYPUT && isPut ? inputs - 1 : static_cast<int>(which);
        if (index < 0 || index >= inputs) {
            if (argErr) *argErr = n;
            return DISP_E_PARAMNOTFOUND;
        }
        supplied[index] = &params->rgvarg[n];
    }
    if (isPut && named == 0 && positional > 0 && inputs > 0) {
        supplied[inputs - 1] = &params->rgvarg[0];
        --positional;
    }
    if (static_cast<int>(positional) > inputs) return DISP_E_BADPARAMCOUNT;
    for (UINT k = 0; k < positional; ++k) supplied[k] = &params->rgvarg[params->cArgs - 1 - k];

    std::vector<std::unique_ptr<Argument>> args;
    std::vector<VARTYPE> callTypes(paramCount);
    std::vector<VARIANT> callValues(paramCount);
    std::vector<VARIANT*> callPointers(paramCount);
    for (int i = 0; i < paramCount; ++i) {
        const ELEMDESC& elem = fd->lprgelemdescParam[i];
        args.emplace_back(new Argument());
        Argument& arg = *args.back();
        hr = Resolve(vtable.get(), elem.tdesc, arg.type);
        if (FAILED(hr)) return hr;
        memset(&callValues[i], 0, sizeof(VARIANT));
        callPointers[i] = &callValues[i];
        if (i == retvalIndex) {
            // The result: a zeroed slot of the declared type the member fills in.
            if (arg.type.vt == VT_RECORD) {
                arg.pointer = arg.type.record->RecordCreate();
                arg.recordMemory = true;
                if (!arg.pointer) return E_OUTOFMEMORY;
            } else {
                if (arg.type.vt != VT_VARIANT) V_VT(&arg.local) = arg.type.vt;
                arg.pointer = PayloadOf(arg.type, &arg.local);
            }
        } else if (!supplied[i] && !(elem.paramdesc.wParamFlags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT))) {
            if (argErr) *argErr = static_cast<UINT>(params->cArgs);
            return DISP_E_PARAMNOTOPTIONAL;
        } else {
            hr = arg.type.byRef ? PrepareByRef(arg, supplied[i], elem.paramdesc)
                                : PrepareByValue(arg, supplied[i], elem.paramdesc);
            if (FAILED(hr)) {
                // Report the position as Invoke counts it (last argument first).
                if (argErr) *argErr = static_cast<UINT>(params->cArgs - 1 - (i < static_cast<int>(params->cArgs) ? i : 0));
                return hr;
            }
        }
        if (arg.type.byRef || i == retvalIndex) {
            callTypes[i] = VT_I4;
            V_VT(&callValues[i]) = VT_I4;
            V_BYREF(&callValues[i]) = arg.pointer;
        } else if (arg.type.vt == VT_VARIANT) {
            callTypes[i] = VT_VARIANT;
            callPointers[i] = &arg.local;  // pushed whole, by value
        } else {
            VARTYPE vt = V_VT(&arg.local);
            callTypes[i] = (vt == VT_R8 || vt == VT_DATE || vt == VT_CY) ? vt : (vt == VT_BOOL ? VT_BOOL : VT_I4);
            callValues[i] = arg.local;  // a shallow view; `local` keeps ownership
            V_VT(&callValues[i]) = callTypes[i];
        }
    }

    VARIANT returned;
    VariantInit(&returned);
    hr = DispCallFunc(self, fd->oVft, CC_STDCALL, VT_I4, static_cast<UINT>(paramCount),
                      callTypes.data(), callPointers.data(), &returned);
    if (FAILED(hr)) return hr;
    HRESULT memberResult = V_I4(&returned);

    for (auto& arg : args) WriteBack(*arg);

    if (FAILED(memberResult)) {
        if (excepInfo) {
            FillExcepInfo(memberResult, excepInfo);
            return DISP_E_EXCEPTION;
        }
        return memberResult;
    }
    if (retvalIndex >= 0 && result) {
        Argument& ret = *args[retvalIndex];
        VariantClear(result);
        if (ret.type.vt == VT_RECORD) {
            V_VT(result) = VT_RECORD;
            V_RECORD(result) = ret.pointer;
            V_RECORDINFO(result) = ret.type.record.get();
            ret.type.record->AddRef();
            ret.pointer = nullptr;
            ret.recordMemory = false;
        } else {
            *result = ret.local;
            memset(&ret.local, 0, sizeof ret.local);
        }
    }
    return S_OK;
}

}  // namespace wx
