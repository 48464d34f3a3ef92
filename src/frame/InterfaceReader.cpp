// Reads an interface's description from its type information (see InterfaceDescription.h). Kept
// free of the rest of the library: the build's generator links it alone.
#include "frame/InterfaceDescription.h"
#include "frame/Handles.h"

namespace wx {

namespace {

// The function-table view of an interface: a dual interface's type information may be its
// dispatch view.
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

// A parameter's type once aliases, enumerations and interfaces are resolved.
struct Resolved {
    VARTYPE vt = VT_EMPTY;
    bool byRef = false;
    GUID iid = GUID_NULL;
    GUID record = GUID_NULL;
};

HRESULT ResolveUserDefined(ITypeInfo* info, HREFTYPE ref, Resolved& out, bool* isObject) {
    ComPtr<ITypeInfo> target;
    HRESULT hr = info->GetRefTypeInfo(ref, target.put());
    if (FAILED(hr)) return hr;
    TypeAttr attr(target.get());
    if (!attr) return E_FAIL;
    *isObject = false;
    switch (attr->typekind) {
    case TKIND_ENUM:
        out.vt = VT_I4;
        return S_OK;
    case TKIND_RECORD:
        out.vt = VT_RECORD;
        out.record = attr->guid;
        return S_OK;
    case TKIND_ALIAS:
        if (attr->tdescAlias.vt == VT_USERDEFINED)
            return ResolveUserDefined(target.get(), attr->tdescAlias.hreftype, out, isObject);
        out.vt = attr->tdescAlias.vt;
        return S_OK;
    case TKIND_DISPATCH:
    case TKIND_INTERFACE:
        *isObject = true;
        out.vt = attr->typekind == TKIND_DISPATCH || (attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE))
                     ? VT_DISPATCH : VT_UNKNOWN;
        out.iid = attr->guid;
        return S_OK;
    case TKIND_COCLASS:
        *isObject = true;
        out.vt = VT_DISPATCH;
        out.iid = IID_IDispatch;
        return S_OK;
    default:
        return DISP_E_BADVARTYPE;
    }
}

// A pointer to a user-defined interface is an object passed by value.
bool PointsToObject(ITypeInfo* info, const TYPEDESC* t, Resolved& out) {
    if (t->vt != VT_PTR || t->lptdesc->vt != VT_USERDEFINED) return false;
    bool isObject = false;
    Resolved probe;
    if (FAILED(ResolveUserDefined(info, t->lptdesc->hreftype, probe, &isObject)) || !isObject) return false;
    out.vt = probe.vt;
    out.iid = probe.iid;
    return true;
}

HRESULT ResolveBase(ITypeInfo* info, const TYPEDESC* t, Resolved& out) {
    if (PointsToObject(info, t, out)) return S_OK;
    switch (t->vt) {
    case VT_USERDEFINED: {
        bool isObject = false;
        return ResolveUserDefined(info, t->hreftype, out, &isObject);
    }
    case VT_SAFEARRAY: {
        Resolved element;
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
    default: out.vt = t->vt; return S_OK;
    }
}

HRESULT Resolve(ITypeInfo* info, const TYPEDESC& desc, Resolved& out) {
    if (desc.vt == VT_PTR && !PointsToObject(info, &desc, out)) {
        out.byRef = true;
        return ResolveBase(info, desc.lptdesc, out);
    }
    return ResolveBase(info, &desc, out);
}

// The bytes of a stated default as its VARIANT holds them; texts apart. A default of any other
// type would need a place in the generated tables first.
HRESULT DefaultBits(const VARIANT& value, unsigned long long* bits) {
    *bits = 0;
    size_t size = 0;
    switch (V_VT(&value)) {
    case VT_EMPTY: case VT_NULL: case VT_BSTR: return S_OK;
    case VT_DISPATCH: case VT_UNKNOWN: return V_UNKNOWN(&value) ? DISP_E_BADVARTYPE : S_OK;
    case VT_I1: case VT_UI1: size = 1; break;
    case VT_I2: case VT_UI2: case VT_BOOL: size = 2; break;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: size = 4; break;
    case VT_I8: case VT_UI8: case VT_R8: case VT_DATE: case VT_CY: size = 8; break;
    default: return DISP_E_BADVARTYPE;
    }
    memcpy(bits, &value.llVal, size);
    return S_OK;
}

}  // namespace

const GUID* ReadInterface::Keep(const GUID& guid) {
    if (IsEqualGUID(guid, GUID_NULL)) return nullptr;
    guids_.push_back(guid);
    return &guids_.back();
}

const wchar_t* ReadInterface::Keep(const wchar_t* text) {
    if (!text) return nullptr;
    texts_.emplace_back(text);
    return texts_.back().c_str();
}

HRESULT ReadInterface::Read(ITypeInfo* info) {
    TypeAttr outer(info);
    if (!outer) return E_FAIL;
    const GUID* iid = Keep(outer->guid);
    ComPtr<ITypeInfo> view = VtableView(info);
    ITypeInfo* vtable = view.get();
    TypeAttr attr(vtable);
    if (!attr) return E_FAIL;
    members_.reserve(attr->cFuncs);
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FuncDesc fd(vtable, i);
        if (!fd) return E_FAIL;
        MemberDescription m = {};
        m.id = fd->memid;
        m.kind = fd->invkind;
        m.slot = fd->oVft;
        int count = fd->cParams;
        m.count = static_cast<USHORT>(count);
        m.hasResult = count > 0 && (fd->lprgelemdescParam[count - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
        std::vector<ParamDescription>& params = *params_.emplace(params_.end());
        for (int p = 0; p < count; ++p) {
            const ELEMDESC& elem = fd->lprgelemdescParam[p];
            Resolved type;
            HRESULT hr = Resolve(vtable, elem.tdesc, type);
            if (FAILED(hr)) return hr;
            ParamDescription d = {};
            d.vt = type.vt;
            d.flags = type.byRef ? kParamByRef : 0;
            d.iid = Keep(type.iid);
            d.record = Keep(type.record);
            bool isResult = m.hasResult && p == count - 1;
            USHORT flags = elem.paramdesc.wParamFlags;
            if (!isResult && (flags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT))) d.flags |= kParamOptional;
            if (!isResult && (flags & PARAMFLAG_FHASDEFAULT) && elem.paramdesc.pparamdescex) {
                const VARIANT& value = elem.paramdesc.pparamdescex->varDefaultValue;
                d.flags |= kParamHasDefault;
                d.defaultVt = V_VT(&value);
                if (FAILED(hr = DefaultBits(value, &d.defaultBits))) return hr;
                if (V_VT(&value) == VT_BSTR) d.defaultText = Keep(V_BSTR(&value));
            }
            params.push_back(d);
        }
        m.params = params.data();
        BSTR name = nullptr;
        UINT got = 0;
        if (SUCCEEDED(vtable->GetNames(m.id, &name, 1, &got)) && got == 1) {
            m.name = Keep(name);
            SysFreeString(name);
        }
        members_.push_back(m);
    }
    description_ = {iid, static_cast<USHORT>(members_.size()), members_.data()};
    return S_OK;
}

}  // namespace wx
