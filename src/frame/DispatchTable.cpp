#include "frame/DispatchTable.h"
#include "frame/FloatingPoint.h"
#include "frame/Handles.h"
#include "frame/TypeLibrary.h"
#include <algorithm>
#include <cwchar>
#include <map>
#include <new>

namespace wx {

namespace {

class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo* info) : info_(info) { if (FAILED(info->GetTypeAttr(&attr_))) attr_ = nullptr; }
    ~TypeAttr() { if (attr_) info_->ReleaseTypeAttr(attr_); }
    TypeAttr(const TypeAttr&) = delete;
    TypeAttr& operator=(const TypeAttr&) = delete;
    TYPEATTR* operator->() const { return attr_; }
    explicit operator bool() const { return attr_ != nullptr; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

class FuncDesc {
public:
    FuncDesc(ITypeInfo* info, UINT index) : info_(info) { if (FAILED(info->GetFuncDesc(index, &desc_))) desc_ = nullptr; }
    ~FuncDesc() { if (desc_) info_->ReleaseFuncDesc(desc_); }
    FuncDesc(const FuncDesc&) = delete;
    FuncDesc& operator=(const FuncDesc&) = delete;
    FUNCDESC* operator->() const { return desc_; }
    explicit operator bool() const { return desc_ != nullptr; }

private:
    ITypeInfo* info_;
    FUNCDESC* desc_ = nullptr;
};

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

HRESULT ResolveUserDefined(ITypeInfo* info, HREFTYPE ref, ParamSlot& out, bool* isObject) {
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
        return GetRecordInfoFromTypeInfo(target.get(), &out.record);
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
bool PointsToObject(ITypeInfo* info, const TYPEDESC* t, ParamSlot& out) {
    if (t->vt != VT_PTR || t->lptdesc->vt != VT_USERDEFINED) return false;
    bool isObject = false;
    ParamSlot probe;
    if (FAILED(ResolveUserDefined(info, t->lptdesc->hreftype, probe, &isObject)) || !isObject) return false;
    out.vt = probe.vt;
    out.iid = probe.iid;
    return true;
}

HRESULT ResolveBase(ITypeInfo* info, const TYPEDESC* t, ParamSlot& out) {
    if (PointsToObject(info, t, out)) return S_OK;
    switch (t->vt) {
    case VT_USERDEFINED: {
        bool isObject = false;
        return ResolveUserDefined(info, t->hreftype, out, &isObject);
    }
    case VT_SAFEARRAY: {
        ParamSlot element;
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

HRESULT Resolve(ITypeInfo* info, const TYPEDESC& desc, ParamSlot& out) {
    if (desc.vt == VT_PTR && !PointsToObject(info, &desc, out)) {
        out.byRef = true;
        return ResolveBase(info, desc.lptdesc, out);
    }
    return ResolveBase(info, &desc, out);
}

// What the member receives for an omitted argument: the stated default in the parameter's type;
// else the missing marker for a Variant, and the type's empty value (empty text, 0, False,
// Nothing, no array) for anything else.
HRESULT OmittedValue(const PARAMDESC& desc, ParamSlot& slot) {
    VARIANT& out = slot.omitted;
    bool hasDefault = (desc.wParamFlags & PARAMFLAG_FHASDEFAULT) && desc.pparamdescex;
    if (slot.vt == VT_VARIANT) {
        if (hasDefault) return VariantCopy(&out, &desc.pparamdescex->varDefaultValue);
        V_VT(&out) = VT_ERROR;
        V_ERROR(&out) = DISP_E_PARAMNOTFOUND;
        return S_OK;
    }
    if (slot.vt == VT_DISPATCH || slot.vt == VT_UNKNOWN || (slot.vt & VT_ARRAY)) {
        V_VT(&out) = slot.vt;
        V_BYREF(&out) = nullptr;
        return S_OK;
    }
    if (slot.vt == VT_RECORD) return S_OK;  // records are made afresh for each call
    VARIANT empty;
    VariantInit(&empty);
    FloatingPointScope scope;
    return VariantChangeType(&out, hasDefault ? &desc.pparamdescex->varDefaultValue : &empty, 0, slot.vt);
}

}  // namespace

int DispatchTable::KindIndex(INVOKEKIND kind) {
    switch (kind) {
    case INVOKE_PROPERTYGET: return 1;
    case INVOKE_PROPERTYPUT: return 2;
    case INVOKE_PROPERTYPUTREF: return 3;
    default: return 0;
    }
}

DispatchTable::DispatchTable(ITypeInfo* info) : info_(info) {}

HRESULT DispatchTable::Build(ITypeInfo* vtable) {
    TypeAttr attr(vtable);
    if (!attr) return E_FAIL;
    members_.reserve(attr->cFuncs);
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FuncDesc fd(vtable, i);
        if (!fd) return E_FAIL;
        Member m;
        m.id = fd->memid;
        m.kind = fd->invkind;
        m.slot = fd->oVft;
        int count = fd->cParams;
        m.hasResult = count > 0 && (fd->lprgelemdescParam[count - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
        int inputs = m.hasResult ? count - 1 : count;
        for (int p = 0; p < count; ++p) {
            const ELEMDESC& elem = fd->lprgelemdescParam[p];
            ParamSlot slot;
            VariantInit(&slot.omitted);
            HRESULT hr = Resolve(vtable, elem.tdesc, slot);
            if (FAILED(hr)) return hr;
            if (slot.vt == VT_DISPATCH || slot.vt == VT_UNKNOWN || slot.vt == VT_RECORD || (slot.vt & VT_ARRAY))
                m.simple = false;
            if (p == inputs) {
                m.result = slot;
                continue;
            }
            slot.optional = (elem.paramdesc.wParamFlags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT)) != 0;
            // A required argument given as the missing marker also gets the empty value.
            if (FAILED(hr = OmittedValue(elem.paramdesc, slot))) return hr;
            m.params.push_back(slot);
        }
        BSTR name = nullptr;
        UINT got = 0;
        if (SUCCEEDED(vtable->GetNames(m.id, &name, 1, &got)) && got == 1) {
            names_.emplace_back(name, m.id);
            SysFreeString(name);
        }
        members_.push_back(std::move(m));
    }
    return S_OK;
}

void DispatchTable::Index() {
    DISPID top = -1;
    for (const Member& m : members_)
        if (m.id >= 0 && m.id < 1024) top = std::max(top, m.id);
    dense_.resize(top + 1);
    for (size_t i = 0; i < members_.size(); ++i) {
        const Member& m = members_[i];
        Kinds* kinds = nullptr;
        if (m.id >= 0 && m.id <= top) {
            kinds = &dense_[m.id];
        } else {
            auto it = std::find_if(sparse_.begin(), sparse_.end(), [&](const auto& e) { return e.first == m.id; });
            if (it == sparse_.end()) it = sparse_.insert(sparse_.end(), {m.id, Kinds()});
            kinds = &it->second;
        }
        kinds->index[KindIndex(m.kind)] = static_cast<short>(i);
    }
    std::sort(sparse_.begin(), sparse_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    auto byName = [](const auto& a, const auto& b) { return _wcsicmp(a.first.c_str(), b.first.c_str()) < 0; };
    std::sort(names_.begin(), names_.end(), byName);
    names_.erase(std::unique(names_.begin(), names_.end(),
                             [](const auto& a, const auto& b) { return _wcsicmp(a.first.c_str(), b.first.c_str()) == 0; }),
                 names_.end());
}

const DispatchTable::Kinds* DispatchTable::KindsOf(DISPID id) const {
    if (id >= 0 && static_cast<size_t>(id) < dense_.size()) return &dense_[id];
    auto it = std::lower_bound(sparse_.begin(), sparse_.end(), id, [](const auto& e, DISPID v) { return e.first < v; });
    return it != sparse_.end() && it->first == id ? &it->second : nullptr;
}

const Member* DispatchTable::Find(DISPID id, WORD flags) const {
    const Kinds* kinds = KindsOf(id);
    if (!kinds) return nullptr;
    // The order late binding tries the kinds in: a method call that may also read a property,
    // a read that may also call a function, a put that may also be a put by reference.
    int order[3];
    int count = 0;
    if (flags & DISPATCH_METHOD) order[count++] = 0;
    if (flags & DISPATCH_PROPERTYGET) {
        order[count++] = 1;
        if (!(flags & DISPATCH_METHOD)) order[count++] = 0;
    }
    if (flags & DISPATCH_PROPERTYPUT) {
        order[count++] = 2;
        order[count++] = 3;
    } else if (flags & DISPATCH_PROPERTYPUTREF) {
        order[count++] = 3;
        order[count++] = 2;
    }
    for (int k = 0; k < count && k < 3; ++k) {
        short index = kinds->index[order[k]];
        if (index >= 0) return &members_[index];
    }
    return nullptr;
}

bool DispatchTable::IdOfName(const OLECHAR* name, DISPID* id) const {
    if (!name) return false;
    auto it = std::lower_bound(names_.begin(), names_.end(), name,
                               [](const auto& e, const OLECHAR* n) { return _wcsicmp(e.first.c_str(), n) < 0; });
    if (it == names_.end() || _wcsicmp(it->first.c_str(), name) != 0) return false;
    *id = it->second;
    return true;
}

const DispatchTable* DispatchTable::Of(REFIID iid) {
    struct GuidLess {
        bool operator()(const GUID& a, const GUID& b) const { return memcmp(&a, &b, sizeof(GUID)) < 0; }
    };
    struct Registry {
        Registry() { InitializeCriticalSection(&lock); }
        CRITICAL_SECTION lock;
        std::map<GUID, DispatchTable*, GuidLess> tables;
    };
    static Registry* registry = new Registry();  // kept for the life of the process on purpose
    EnterCriticalSection(&registry->lock);
    DispatchTable* table = nullptr;
    auto it = registry->tables.find(iid);
    if (it != registry->tables.end()) {
        table = it->second;
    } else if (ITypeInfo* info = TypeInfoOf(iid)) {
        table = new (std::nothrow) DispatchTable(info);
        ComPtr<ITypeInfo> vtable = VtableView(info);
        if (table && SUCCEEDED(table->Build(vtable.get()))) {
            table->Index();
            registry->tables[iid] = table;
        } else {
            delete table;
            table = nullptr;
        }
    }
    LeaveCriticalSection(&registry->lock);
    return table;
}

}  // namespace wx
