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

// What the member receives for an omitted argument: the stated default in the parameter's type;
// else the missing marker for a Variant, and the type's empty value (empty text, 0, False,
// Nothing, no array) for anything else.
HRESULT OmittedValue(VARIANT* stated, ParamSlot& slot) {
    VARIANT& out = slot.omitted;
    bool hasDefault = stated != nullptr;
    if (slot.vt == VT_VARIANT) {
        if (hasDefault) return VariantCopy(&out, stated);
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
    return VariantChangeType(&out, hasDefault ? stated : &empty, 0, slot.vt);
}

// A parameter's stated default as a VARIANT; the caller clears it.
void StatedDefault(const ParamDescription& d, VARIANT* value) {
    VariantInit(value);
    V_VT(value) = d.defaultVt;
    if (d.defaultVt == VT_BSTR)
        V_BSTR(value) = d.defaultText ? SysAllocString(d.defaultText) : nullptr;
    else
        value->ullVal = d.defaultBits;
}

const InterfaceDescription* GeneratedInterface(REFIID iid) {
    for (size_t i = 0; i < kGeneratedInterfaceCount; ++i)
        if (IsEqualGUID(*kGeneratedInterfaces[i].iid, iid)) return &kGeneratedInterfaces[i];
    return nullptr;
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

IRecordInfo* ParamSlot::Record() const {
    if (record_) return record_;
    ITypeInfo* info = TypeInfoOf(recordType);
    IRecordInfo* made = nullptr;
    if (!info || FAILED(GetRecordInfoFromTypeInfo(info, &made)) || !made) return nullptr;
    // Another thread may have made it meanwhile: the first one made is kept.
    if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&record_), made, nullptr))
        made->Release();
    return record_;
}

ITypeInfo* DispatchTable::info() const { return TypeInfoOf(iid_); }

HRESULT DispatchTable::Build(const InterfaceDescription& description) {
    members_.reserve(description.count);
    for (USHORT i = 0; i < description.count; ++i) {
        const MemberDescription& d = description.members[i];
        Member m;
        m.id = d.id;
        m.kind = d.kind;
        m.slot = d.slot;
        m.call = d.call;
        m.hasResult = d.hasResult;
        int inputs = m.hasResult ? d.count - 1 : d.count;
        m.params.reserve(static_cast<size_t>(inputs));
        for (int p = 0; p < d.count; ++p) {
            const ParamDescription& pd = d.params[p];
            ParamSlot slot;
            VariantInit(&slot.omitted);
            slot.vt = pd.vt;
            slot.byRef = (pd.flags & kParamByRef) != 0;
            if (pd.iid) slot.iid = *pd.iid;
            if (pd.record) slot.recordType = *pd.record;
            if (p == inputs) {
                m.result = slot;
                continue;
            }
            slot.optional = (pd.flags & kParamOptional) != 0;
            // A required argument given as the missing marker also gets the empty value.
            VARIANT stated;
            StatedDefault(pd, &stated);
            HRESULT hr = OmittedValue((pd.flags & kParamHasDefault) ? &stated : nullptr, slot);
            VariantClear(&stated);
            if (FAILED(hr)) return hr;
            m.params.push_back(slot);
        }
        if (d.name) names_.emplace_back(d.name, m.id);
        members_.push_back(std::move(m));
    }
    return S_OK;
}

DispatchTable* DispatchTable::Make(const InterfaceDescription& description) {
    DispatchTable* table = new (std::nothrow) DispatchTable(*description.iid);
    if (!table) return nullptr;
    if (FAILED(table->Build(description))) {
        delete table;
        return nullptr;
    }
    table->Index();
    return table;
}

void DispatchTable::Index() {
    DISPID top = -1;
    for (const Member& m : members_)
        if (m.id >= 0 && m.id < 1024) top = std::max(top, m.id);
    dense_.resize(static_cast<size_t>(top + 1));
    for (size_t i = 0; i < members_.size(); ++i) {
        const Member& m = members_[i];
        Kinds* kinds = nullptr;
        if (m.id >= 0 && m.id <= top) {
            kinds = &dense_[static_cast<size_t>(m.id)];
        } else {
            auto it = std::find_if(sparse_.begin(), sparse_.end(), [&](const auto& e) { return e.first == m.id; });
            if (it == sparse_.end()) it = sparse_.insert(sparse_.end(), {m.id, Kinds()});
            kinds = &it->second;
        }
        kinds->index[KindIndex(m.kind)] = static_cast<short>(i);
    }
    std::sort(sparse_.begin(), sparse_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    auto byName = [](const auto& a, const auto& b) { return _wcsicmp(a.first, b.first) < 0; };
    std::sort(names_.begin(), names_.end(), byName);
    names_.erase(std::unique(names_.begin(), names_.end(),
                             [](const auto& a, const auto& b) { return _wcsicmp(a.first, b.first) == 0; }),
                 names_.end());
}

const DispatchTable::Kinds* DispatchTable::KindsOf(DISPID id) const {
    if (id >= 0 && static_cast<size_t>(id) < dense_.size()) return &dense_[static_cast<size_t>(id)];
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
        if (index >= 0) return &members_[static_cast<size_t>(index)];
    }
    return nullptr;
}

bool DispatchTable::IdOfName(const OLECHAR* name, DISPID* id) const {
    if (!name) return false;
    auto it = std::lower_bound(names_.begin(), names_.end(), name,
                               [](const auto& e, const OLECHAR* n) { return _wcsicmp(e.first, n) < 0; });
    if (it == names_.end() || _wcsicmp(it->first, name) != 0) return false;
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
    } else if (const InterfaceDescription* generated = GeneratedInterface(iid)) {
        table = Make(*generated);
    }
    if (table) registry->tables[iid] = table;
    LeaveCriticalSection(&registry->lock);
    return table;
}

}  // namespace wx
