#include "fuzz/Catalogue.h"
#include <cwchar>

namespace wxfuzz {

namespace {

// Members whose real effect is unsafe on a developer's or CI machine. The fuzzer is a separate
// process that loads the library, so it cannot put stand-ins into the library's platform seam;
// these members are left out by name instead, and each reason is printed with the results.
struct SkipRule {
    const wchar_t* className;
    const wchar_t* member;
    const wchar_t* reason;
};
const SkipRule kSkip[] = {
    {L"clsKeyBoard", L"PressKey", L"synthesizes key presses into whatever window has the focus"},
    {L"clsKeyBoard", L"PressString", L"synthesizes key presses into whatever window has the focus"},
    {L"clsKeyBoard", L"PressKeyVK", L"synthesizes key presses into whatever window has the focus"},
    {L"clsResTarvik", L"GetTarvikRes_WavSound", L"plays sounds; a looping sound keeps playing after the call"},
    {L"clzBriCon", L"ShowProps", L"hands a file to the shell (ShellExecuteEx), which may start programs"},
    {L"clSShortCut", L"doAddShortCut",
     L"writes a shortcut on the user's desktop, outside the scratch drive (under Wine a link to the home folder)"},
};

const wchar_t* SkipReason(const std::wstring& cls, const std::wstring& member) {
    for (const SkipRule& rule : kSkip)
        if (cls == rule.className && member == rule.member) return rule.reason;
    return nullptr;
}

class TypeAttrOf {
public:
    explicit TypeAttrOf(ITypeInfo* info) : info_(info) { if (FAILED(info->GetTypeAttr(&attr_))) attr_ = nullptr; }
    ~TypeAttrOf() { if (attr_) info_->ReleaseTypeAttr(attr_); }
    TYPEATTR* operator->() const { return attr_; }
    explicit operator bool() const { return attr_ != nullptr; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

std::wstring NameOf(ITypeInfo* info, MEMBERID id) {
    wx::Bstr name;
    info->GetDocumentation(id, name.put(), nullptr, nullptr, nullptr);
    return name.isNull() ? std::wstring() : std::wstring(name.get());
}

void ResolveUserDefined(ITypeInfo* info, HREFTYPE ref, Param& p) {
    wx::ComPtr<ITypeInfo> target;
    if (FAILED(info->GetRefTypeInfo(ref, target.put()))) { p.kind = Kind::Other; return; }
    TypeAttrOf attr(target.get());
    if (!attr) { p.kind = Kind::Other; return; }
    switch (attr->typekind) {
    case TKIND_ENUM:
        p.kind = Kind::Int32;
        for (UINT i = 0; i < attr->cVars; ++i) {
            VARDESC* var = nullptr;
            if (FAILED(target->GetVarDesc(i, &var))) continue;
            if (var->varkind == VAR_CONST && var->lpvarValue) {
                VARIANT v;
                VariantInit(&v);
                if (SUCCEEDED(VariantChangeType(&v, var->lpvarValue, 0, VT_I4))) p.enumValues.push_back(V_I4(&v));
            }
            target->ReleaseVarDesc(var);
        }
        return;
    case TKIND_RECORD:
        p.kind = Kind::Record;
        GetRecordInfoFromTypeInfo(target.get(), p.record.put());
        if (!p.record) p.kind = Kind::Other;
        return;
    case TKIND_ALIAS:
        if (attr->tdescAlias.vt == VT_USERDEFINED) ResolveUserDefined(target.get(), attr->tdescAlias.hreftype, p);
        else p.kind = Kind::Variant;
        return;
    default:
        p.kind = Kind::Object;
        return;
    }
}

Kind KindOfVt(VARTYPE vt) {
    switch (vt) {
    case VT_BSTR: return Kind::Text;
    case VT_I2: return Kind::Int16;
    case VT_I4: case VT_INT: case VT_UI4: case VT_UINT: case VT_ERROR: return Kind::Int32;
    case VT_UI1: return Kind::Byte;
    case VT_R4: return Kind::Single;
    case VT_R8: return Kind::Double;
    case VT_BOOL: return Kind::Bool;
    case VT_DATE: return Kind::Date;
    case VT_CY: return Kind::Currency;
    case VT_VARIANT: return Kind::Variant;
    case VT_DISPATCH: case VT_UNKNOWN: return Kind::Object;
    default: return Kind::Other;
    }
}

void ResolveBase(ITypeInfo* info, const TYPEDESC* t, Param& p) {
    if (t->vt == VT_PTR) {  // a pointer to an interface is an object passed by value
        ResolveBase(info, t->lptdesc, p);
        return;
    }
    if (t->vt == VT_USERDEFINED) { ResolveUserDefined(info, t->hreftype, p); return; }
    if (t->vt == VT_SAFEARRAY) {
        p.kind = Kind::Array;
        Param element;
        ResolveBase(info, t->lptdesc, element);
        p.elementVt = t->lptdesc->vt == VT_USERDEFINED ? static_cast<VARTYPE>(VT_VARIANT) : t->lptdesc->vt;
        return;
    }
    p.kind = KindOfVt(t->vt);
}

Param ResolveParam(ITypeInfo* info, const ELEMDESC& elem) {
    Param p;
    const TYPEDESC* t = &elem.tdesc;
    USHORT flags = elem.paramdesc.wParamFlags;
    p.optional = (flags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT)) != 0;
    if (t->vt == VT_PTR) {
        const TYPEDESC* inner = t->lptdesc;
        bool objectPointer = false;
        if (inner->vt == VT_USERDEFINED) {
            Param probe;
            ResolveUserDefined(info, inner->hreftype, probe);
            objectPointer = probe.kind == Kind::Object;
        }
        if (!objectPointer) {
            p.byRef = true;
            t = inner;
        }
    }
    ResolveBase(info, t, p);
    return p;
}

wx::ComPtr<ITypeInfo> VtableView(ITypeInfo* info) {
    TypeAttrOf attr(info);
    if (attr && attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL)) {
        HREFTYPE ref;
        wx::ComPtr<ITypeInfo> vtable;
        if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
            SUCCEEDED(info->GetRefTypeInfo(ref, vtable.put())))
            return vtable;
    }
    return wx::ComPtr<ITypeInfo>(info);
}

void ReadClass(ITypeInfo* coclass, const std::wstring& className, const CLSID& clsid, Catalogue& out) {
    TypeAttrOf attr(coclass);
    for (UINT i = 0; attr && i < attr->cImplTypes; ++i) {
        INT flags = 0;
        coclass->GetImplTypeFlags(i, &flags);
        if (!(flags & IMPLTYPEFLAG_FDEFAULT) || (flags & IMPLTYPEFLAG_FSOURCE)) continue;
        HREFTYPE ref;
        wx::ComPtr<ITypeInfo> itf;
        if (FAILED(coclass->GetRefTypeOfImplType(i, &ref)) || FAILED(coclass->GetRefTypeInfo(ref, itf.put()))) return;
        wx::ComPtr<ITypeInfo> vtable = VtableView(itf.get());
        TypeAttrOf vattr(vtable.get());
        for (UINT f = 0; vattr && f < vattr->cFuncs; ++f) {
            FUNCDESC* fd = nullptr;
            if (FAILED(vtable->GetFuncDesc(f, &fd))) continue;
            if (!(fd->wFuncFlags & FUNCFLAG_FRESTRICTED)) {
                Member m;
                m.className = className;
                m.clsid = clsid;
                m.name = NameOf(vtable.get(), fd->memid);
                m.memid = fd->memid;
                m.invkind = fd->invkind;
                for (SHORT k = 0; k < fd->cParams; ++k) {
                    const ELEMDESC& elem = fd->lprgelemdescParam[k];
                    if (elem.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) { m.returnsValue = true; continue; }
                    m.params.push_back(ResolveParam(vtable.get(), elem));
                }
                m.skipReason = SkipReason(className, m.name);
                out.members.push_back(std::move(m));
            }
            vtable->ReleaseFuncDesc(fd);
        }
        return;
    }
}

}  // namespace

std::wstring Member::Label() const {
    const wchar_t* kind = invkind == INVOKE_PROPERTYGET ? L"get"
                          : invkind == INVOKE_PROPERTYPUT ? L"let"
                          : invkind == INVOKE_PROPERTYPUTREF ? L"set" : L"call";
    return className + L"." + name + L" (" + kind + L")";
}

Catalogue ReadCatalogue(const std::wstring& libraryPath, std::wstring& error) {
    Catalogue out;
    wx::ComPtr<ITypeLib> lib;
    HRESULT hr = LoadTypeLibEx(libraryPath.c_str(), REGKIND_NONE, lib.put());
    if (FAILED(hr)) {
        wchar_t text[64];
        swprintf(text, 64, L"LoadTypeLibEx failed: 0x%08lX", static_cast<unsigned long>(hr));
        error = text;
        return out;
    }
    UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        TYPEKIND kind;
        if (FAILED(lib->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS) continue;
        wx::ComPtr<ITypeInfo> info;
        if (FAILED(lib->GetTypeInfo(i, info.put()))) continue;
        TypeAttrOf attr(info.get());
        if (!attr || !(attr->wTypeFlags & TYPEFLAG_FCANCREATE)) continue;
        std::wstring name = NameOf(info.get(), MEMBERID_NIL);
        CLSID clsid = attr->guid;
        out.classes.push_back(name);
        ReadClass(info.get(), name, clsid, out);
    }
    if (out.classes.empty()) error = L"the type library names no creatable class";
    return out;
}

std::vector<const Member*> Runnable(const Catalogue& catalogue, const std::wstring& only) {
    std::vector<const Member*> run;
    for (const Member& m : catalogue.members) {
        if (!only.empty()) {
            std::wstring full = m.className + L"." + m.name;
            if (only != m.className && only != full) continue;
        }
        run.push_back(&m);
    }
    return run;
}

}  // namespace wxfuzz
