#include "frame/Dispatch.h"
#include "frame/ArgumentReader.h"
#include "frame/Errors.h"
#include "frame/FloatingPoint.h"
#include <climits>
#include <cstring>
#include <optional>
#include <vector>

namespace wx {

namespace {

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
    FloatingPointScope scope;
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

HRESULT CoerceObject(const VARIANT* value, const ParamSlot& type, VARIANT* out) {
    IUnknown* unknown = nullptr;
    // Empty is Nothing, as the runtime's Set takes it.
    if (!HoldsObject(*value, &unknown) && V_VT(value) != VT_EMPTY) return DISP_E_TYPEMISMATCH;
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

bool IsInteger(VARTYPE vt) {
    switch (vt) {
    case VT_EMPTY: case VT_BOOL: case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4:
    case VT_I8: case VT_UI8: case VT_INT: case VT_UINT: case VT_ERROR:
        return true;
    default:
        return false;
    }
}

// An integer of 32 bits or fewer, read whatever its width; false for any other type.
bool SmallIntegerOf(const VARIANT& value, LONGLONG* n) {
    switch (V_VT(&value)) {
    case VT_I1: *n = V_I1(&value); return true;
    case VT_UI1: *n = V_UI1(&value); return true;
    case VT_I2: *n = V_I2(&value); return true;
    case VT_UI2: *n = V_UI2(&value); return true;
    case VT_I4: case VT_INT: *n = V_I4(&value); return true;
    case VT_UI4: case VT_UINT: *n = V_UI4(&value); return true;
    default: return false;
    }
}

// The values an integer parameter of 32 bits or fewer takes; false for any other type.
bool SmallIntegerRange(VARTYPE vt, LONGLONG* lowest, LONGLONG* highest) {
    switch (vt) {
    case VT_I1: *lowest = SCHAR_MIN; *highest = SCHAR_MAX; return true;
    case VT_UI1: *lowest = 0; *highest = UCHAR_MAX; return true;
    case VT_I2: *lowest = SHRT_MIN; *highest = SHRT_MAX; return true;
    case VT_UI2: *lowest = 0; *highest = USHRT_MAX; return true;
    case VT_I4: *lowest = LONG_MIN; *highest = LONG_MAX; return true;
    case VT_UI4: *lowest = 0; *highest = ULONG_MAX; return true;
    default: return false;
    }
}

// Fills `out` (zeroed) with a checked argument's value converted to the parameter's type.
HRESULT CoerceIn(const VARIANT* source, const ParamSlot& type, VARIANT* out) {
    const VARIANT* value = &ValueOf(*source);
    if (type.vt == VT_VARIANT) return VariantCopyInd(out, const_cast<VARIANT*>(value));
    if (type.vt == VT_DISPATCH || type.vt == VT_UNKNOWN) return CoerceObject(value, type, out);
    if (type.vt & VT_ARRAY) {
        VARTYPE element = static_cast<VARTYPE>(type.vt & ~VT_ARRAY);
        V_VT(out) = type.vt;
        V_ARRAY(out) = nullptr;
        VARTYPE held = static_cast<VARTYPE>(V_VT(value) & ~VT_BYREF);
        if (held == VT_EMPTY) return S_OK;
        if (!(held & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
        SAFEARRAY* array = (V_VT(value) & VT_BYREF) ? *V_ARRAYREF(value) : V_ARRAY(value);
        if ((held & ~VT_ARRAY) == element) return array ? SafeArrayCopy(array, &V_ARRAY(out)) : S_OK;
        if ((held & ~VT_ARRAY) == VT_VARIANT) return ArrayFromVariantArray(array, element, &V_ARRAY(out));
        return DISP_E_TYPEMISMATCH;
    }
    if (type.vt == VT_RECORD) return DISP_E_TYPEMISMATCH;  // records only travel by reference
    if (V_VT(value) == VT_NULL) return DISP_E_TYPEMISMATCH;
    // Between small integers (a script's Long into an Integer parameter, the usual case) only the
    // range is checked, as the runtime's conversion checks it.
    LONGLONG n = 0, lowest = 0, highest = 0;
    if (SmallIntegerOf(*value, &n) && SmallIntegerRange(type.vt, &lowest, &highest)) {
        if (n < lowest || n > highest) return DISP_E_OVERFLOW;
        V_VT(out) = type.vt;
        V_I8(out) = n;  // in range, so its low bytes are the value in the narrower field
        return S_OK;
    }
    // Conversions that involve real numbers (or text) round them: the same whatever the caller's
    // floating-point state. Between integers nothing is rounded.
    std::optional<FloatingPointScope> scope;
    if (!IsInteger(static_cast<VARTYPE>(V_VT(value) & ~VT_BYREF)) || !IsInteger(type.vt)) scope.emplace();
    HRESULT hr = VariantChangeType(out, const_cast<VARIANT*>(value), 0, type.vt);
    if (hr == DISP_E_OVERFLOW) return hr;
    return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
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

// Where a value of a parameter's type sits in a VARIANT holding it: the whole VARIANT for a Variant
// parameter, else its value field (every narrower field starts where V_I4 does).
void* PayloadOf(VARTYPE vt, VARIANT* v) { return vt == VT_VARIANT ? static_cast<void*>(v) : static_cast<void*>(&V_I4(v)); }
const void* PayloadOf(VARTYPE vt, const VARIANT* v) { return PayloadOf(vt, const_cast<VARIANT*>(v)); }

// One parameter (or the result) on its way to the member. Plain data: a call holds one a parameter
// on the stack and sets up only those the member has.
struct Argument {
    const void* pass;     // the bytes the member receives, in its parameter's C++ type
    void* pointer;        // a by-reference parameter's pointer; `pass` then points here
    VARIANT local;        // a value made for this call (a coerced copy, a default, the result), cleared afterwards
    VARIANT* writeBack;   // the caller's variable, given what the member left in `local`
    void* record;         // a record made for this call
    const ParamSlot* slot;

    void Init(const ParamSlot* s) {
        slot = s;
        writeBack = nullptr;
        record = nullptr;
        V_VT(&local) = VT_EMPTY;
    }
    void PassPointer(void* p) {
        pointer = p;
        pass = &pointer;
    }
    void Release() {
        if (record) slot->Record()->RecordDestroy(record);
        // Most arguments are views of the caller's values and leave `local` empty: no call for them.
        if (V_VT(&local) != VT_EMPTY) VariantClear(&local);
    }
};

// The arguments of one call, first to last with the result after them; what the call made for them
// is released on every path.
class CallArguments {
public:
    CallArguments() = default;
    CallArguments(const CallArguments&) = delete;
    CallArguments& operator=(const CallArguments&) = delete;
    ~CallArguments() {
        for (size_t i = 0; i < count_; ++i) args_[i].Release();
    }
    // The next one; a member with a typed call has no more than kMostTypedParameters.
    Argument& Add(const ParamSlot* slot) {
        Argument& arg = args_[count_++];
        arg.Init(slot);
        return arg;
    }
    Argument& operator[](size_t i) { return args_[i]; }
    // Where each value is, in order, as the typed call loads them.
    const void* const* values() {
        for (size_t i = 0; i < count_; ++i) values_[i] = args_[i].pass;
        return values_;
    }

private:
    size_t count_ = 0;
    Argument args_[kMostTypedParameters];
    const void* values_[kMostTypedParameters];
};

bool IsScalarOrText(VARTYPE vt) {
    return vt != VT_VARIANT && vt != VT_DISPATCH && vt != VT_UNKNOWN && vt != VT_RECORD && !(vt & VT_ARRAY);
}

// `supplied` is the reader's checked argument, null when not given.
HRESULT PassByValue(Argument& arg, const VARIANT* supplied) {
    const ParamSlot& slot = *arg.slot;
    const VARIANT* value = supplied ? &ValueOf(*supplied) : nullptr;
    if (!value || IsMissing(*value)) {
        // An omitted argument; a Variant parameter gets the marker the caller gave.
        arg.pass = slot.vt == VT_VARIANT && value ? value : PayloadOf(slot.vt, &slot.omitted);
        return S_OK;
    }
    VARTYPE held = V_VT(value);
    if (slot.vt == VT_VARIANT) {
        if (!(held & VT_BYREF)) {
            arg.pass = value;  // the caller's value itself, which stays the caller's
            return S_OK;
        }
        HRESULT hr = VariantCopyInd(&arg.local, const_cast<VARIANT*>(value));
        arg.pass = &arg.local;
        return hr;
    }
    if (IsScalarOrText(slot.vt)) {
        if (held == slot.vt) { arg.pass = PayloadOf(slot.vt, value); return S_OK; }
        if (held == (VT_BYREF | slot.vt)) { arg.pass = V_BYREF(value); return S_OK; }
    }
    if (slot.vt == VT_RECORD) return DISP_E_TYPEMISMATCH;  // records only travel by reference
    HRESULT hr = CoerceIn(value, slot, &arg.local);
    if (FAILED(hr)) return hr;
    arg.pass = PayloadOf(slot.vt, &arg.local);
    return S_OK;
}

// A record of the parameter's type made for this call (an omitted one, the result), released after it.
HRESULT PassNewRecord(Argument& arg) {
    IRecordInfo* info = arg.slot->Record();
    if (!info) return TYPE_E_ELEMENTNOTFOUND;
    if (!(arg.record = info->RecordCreate())) return E_OUTOFMEMORY;
    arg.PassPointer(arg.record);
    return S_OK;
}

HRESULT PassByRef(Argument& arg, VARIANT* supplied) {
    const ParamSlot& slot = *arg.slot;
    if (!supplied || IsMissing(*supplied)) {
        if (slot.vt == VT_RECORD) return PassNewRecord(arg);
        // The member may change what it is given: a copy of the default.
        HRESULT hr = VariantCopy(&arg.local, const_cast<VARIANT*>(&slot.omitted));
        arg.PassPointer(PayloadOf(slot.vt, &arg.local));
        return hr;
    }
    VARTYPE vt = V_VT(supplied);
    if (slot.vt == VT_RECORD) {
        const VARIANT* value = &ValueOf(*supplied);
        if ((V_VT(value) & ~VT_BYREF) != VT_RECORD || !V_RECORD(value)) return DISP_E_TYPEMISMATCH;
        arg.PassPointer(V_RECORD(value));
        return S_OK;
    }
    if (slot.vt == VT_VARIANT) {
        if (vt == (VT_BYREF | VT_VARIANT)) { arg.PassPointer(V_VARIANTREF(supplied)); return S_OK; }
        // A value, not a variable: the member works on a copy.
        HRESULT hr = VariantCopyInd(&arg.local, supplied);
        arg.PassPointer(&arg.local);
        return hr;
    }
    if (vt == (VT_BYREF | slot.vt)) { arg.PassPointer(V_BYREF(supplied)); return S_OK; }
    if (vt == (VT_BYREF | VT_VARIANT)) {
        // A script's variable that already holds the declared type is handed over as it is.
        VARIANT* variable = V_VARIANTREF(supplied);
        if (variable && V_VT(variable) == slot.vt && IsScalarOrText(slot.vt)) {
            arg.PassPointer(PayloadOf(slot.vt, variable));
            return S_OK;
        }
    }
    HRESULT hr = CoerceIn(supplied, slot, &arg.local);
    if (FAILED(hr)) return hr;
    if (vt == (VT_BYREF | VT_VARIANT)) arg.writeBack = V_VARIANTREF(supplied);
    arg.PassPointer(PayloadOf(slot.vt, &arg.local));
    return S_OK;
}

// The result: a zeroed value of the declared type that the member fills in.
HRESULT PassResult(Argument& ret) {
    const ParamSlot& slot = *ret.slot;
    if (slot.vt == VT_RECORD) return PassNewRecord(ret);
    memset(&ret.local, 0, sizeof ret.local);
    if (slot.vt != VT_VARIANT) V_VT(&ret.local) = slot.vt;
    ret.PassPointer(PayloadOf(slot.vt, &ret.local));
    return S_OK;
}

// Script engines cannot hold 64-bit integers (pointer-sized values of a 64-bit build): they get a
// Long when the value fits and a Double otherwise, which holds any address exactly and converts
// back to the same 64-bit value when the script hands it in again.
void ScriptNumber(VARIANT* value) {
    if (V_VT(value) != VT_I8 && V_VT(value) != VT_UI8) return;
    if (V_VT(value) == VT_I8 && V_I8(value) >= LONG_MIN && V_I8(value) <= LONG_MAX) {
        LONG small = static_cast<LONG>(V_I8(value));
        V_VT(value) = VT_I4;
        V_I4(value) = small;
        return;
    }
    double number = V_VT(value) == VT_I8 ? static_cast<double>(V_I8(value)) : static_cast<double>(V_UI8(value));
    V_VT(value) = VT_R8;
    V_R8(value) = number;
}

// Script engines index arrays of Variants and keep arrays of bytes as they are (they read them
// with LenB, MidB and AscB and hand them back to members that take bytes); arrays of anything
// else (texts, numbers) they cannot use.
bool ScriptCannotUse(VARTYPE vt) {
    return (vt & VT_ARRAY) && !(vt & VT_BYREF) && vt != (VT_ARRAY | VT_VARIANT) && vt != (VT_ARRAY | VT_UI1);
}

// After the call: the caller's variable receives what the member left in the local copy.
// A variable passed as a Variant by reference is a script's (or a Basic host's Variant): arrays it
// could not index go back as arrays of Variants.
void WriteBack(Argument& arg, CallerKind caller) {
    if (!arg.writeBack) return;
    VARIANT& local = arg.local;
    VariantClear(arg.writeBack);
    if (ScriptCannotUse(V_VT(&local))) {
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
    V_VT(&local) = VT_EMPTY;
    if (caller == CallerKind::Script) ScriptNumber(arg.writeBack);
}

// A script engine indexes arrays of Variants (and keeps arrays of bytes), calls objects only
// through IDispatch and keeps no 64-bit integers.
void ForScript(VARIANT* result) {
    ScriptNumber(result);
    VARTYPE vt = V_VT(result);
    if (ScriptCannotUse(vt)) {
        SAFEARRAY* converted = nullptr;
        if (V_ARRAY(result) && SUCCEEDED(VariantArrayOf(V_ARRAY(result), &converted))) {
            VariantClear(result);
            V_VT(result) = VT_ARRAY | VT_VARIANT;
            V_ARRAY(result) = converted;
        }
    } else if (vt == VT_UNKNOWN && V_UNKNOWN(result)) {
        IDispatch* dispatch = nullptr;
        if (SUCCEEDED(V_UNKNOWN(result)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) && dispatch) {
            VariantClear(result);
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = dispatch;
        }
    }
}

// The caller receives what the member left in the result.
void TakeResult(Argument& ret, VARIANT* result, CallerKind caller) {
    if (ret.slot->vt == VT_RECORD) {
        V_VT(result) = VT_RECORD;
        V_RECORD(result) = ret.record;
        V_RECORDINFO(result) = ret.slot->Record();
        V_RECORDINFO(result)->AddRef();
        ret.record = nullptr;
        return;
    }
    *result = ret.local;
    V_VT(&ret.local) = VT_EMPTY;
    if (caller == CallerKind::Script) ForScript(result);
}

HRESULT CallMember(void* self, const Member& member, const DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr, CallerKind caller) {
    // Every argument placed at its parameter and checked before anything reads it.
    ArgumentReader reader;
    HRESULT hr = reader.Read(member, params, argErr);
    if (FAILED(hr)) return hr;
    const UINT inputs = reader.count();

    // Each one converted to its parameter's type, the result's place made.
    CallArguments args;
    for (UINT i = 0; i < inputs; ++i) {
        const ParamSlot& slot = member.params[i];
        Argument& arg = args.Add(&slot);
        hr = slot.byRef ? PassByRef(arg, reader.Supplied(i)) : PassByValue(arg, reader.Supplied(i));
        if (FAILED(hr)) {
            if (argErr) *argErr = reader.Position(i);
            return hr;
        }
    }
    if (member.hasResult && FAILED(hr = PassResult(args.Add(&member.result)))) return hr;

    const HRESULT returned = member.call(self, member.slot, args.values());

    for (UINT i = 0; i < inputs; ++i) WriteBack(args[i], caller);
    if (FAILED(returned)) {
        if (!excepInfo) return returned;
        FillExcepInfo(returned, excepInfo);
        return DISP_E_EXCEPTION;
    }
    if (member.hasResult && result) TakeResult(args[inputs], result, caller);
    return S_OK;
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

HRESULT InvokeMember(void* self, const DispatchTable* table, DISPID id, WORD flags, DISPPARAMS* params,
                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr, CallerKind caller) noexcept {
    // A block that contradicts itself is refused before the member is even looked up.
    HRESULT block = CheckParameterBlock(params);
    if (FAILED(block)) return block;
    if (!table) return TYPE_E_ELEMENTNOTFOUND;
    const Member* member = table->Find(id, flags);
    // A member without a typed call belongs to an event interface, which no object serves.
    if (!member || !member->call) return DISP_E_MEMBERNOTFOUND;
    try {
        return CallMember(self, *member, params, result, excepInfo, argErr, caller);
    } catch (...) {
        return E_OUTOFMEMORY;  // only the conversions of arrays allocate with new
    }
}

}  // namespace wx
