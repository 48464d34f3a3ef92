#include "frame/Dispatch.h"
#include "frame/ArgumentReader.h"
#include "frame/Errors.h"
#include "frame/FloatingPoint.h"
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <new>
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

// Fills `out` (zeroed) with a checked argument's value converted to the parameter's type.
HRESULT CoerceIn(const VARIANT* source, const ParamSlot& type, VARIANT* out) {
    const VARIANT* value = &ValueOf(*source);
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
    // Conversions that involve real numbers (or text) round them: the same whatever the caller's
    // floating-point state. Between integers nothing is rounded.
    std::optional<FloatingPointScope> scope;
    if (!IsInteger(V_VT(value) & ~VT_BYREF) || !IsInteger(type.vt)) scope.emplace();
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


// One parameter on its way to the function-table call. Plain data: the call frame holds a few on
// the stack and sets up only those the member has.
struct Argument {
    VARIANT local;        // a value made for this call (a coerced copy, a default), cleared afterwards
    VARIANT call;         // what the call reads: a view of the value, or the pointer a ByRef parameter gets
    VARIANT* writeBack;   // the caller's variable, given what the member left in `local`
    void* record;         // a record made for this call
    const ParamSlot* slot;

    void Init(const ParamSlot* s) {
        memset(this, 0, sizeof *this);
        slot = s;
    }
    void Release() {
        if (record) slot->Record()->RecordDestroy(record);
        // Most arguments are views of the caller's values and leave `local` empty: no call for them.
        if (V_VT(&local) != VT_EMPTY) VariantClear(&local);
    }
};

// The stack holds the frames of members with up to this many parameters; larger ones go on the heap.
constexpr size_t kFrameOnStack = 12;

class CallFrame {
public:
    explicit CallFrame(size_t count) {
        if (count > kFrameOnStack) {
            heapArgs_.reset(new (std::nothrow) Argument[count]);
            heapTypes_.reset(new (std::nothrow) VARTYPE[count]);
            heapPointers_.reset(new (std::nothrow) VARIANTARG*[count]);
            args_ = heapArgs_.get();
            types_ = heapTypes_.get();
            pointers_ = heapPointers_.get();
        }
    }
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;
    ~CallFrame() {
        for (size_t i = 0; i < prepared_; ++i) args_[i].Release();
    }
    bool ok() const { return args_ && types_ && pointers_; }
    // The next parameter, first to last; `vt` is how the call passes it.
    Argument& Add(const ParamSlot* slot) {
        Argument& arg = args_[prepared_];
        arg.Init(slot);
        pointers_[prepared_] = &arg.call;
        ++prepared_;
        return arg;
    }
    void Pass(size_t i, VARTYPE vt) { types_[i] = vt; }
    Argument& operator[](size_t i) { return args_[i]; }
    size_t prepared() const { return prepared_; }
    VARTYPE* types() { return types_; }
    VARIANTARG** pointers() { return pointers_; }

private:
    size_t prepared_ = 0;
    Argument fixedArgs_[kFrameOnStack];
    VARTYPE fixedTypes_[kFrameOnStack];
    VARIANTARG* fixedPointers_[kFrameOnStack];
    std::unique_ptr<Argument[]> heapArgs_;
    std::unique_ptr<VARTYPE[]> heapTypes_;
    std::unique_ptr<VARIANTARG*[]> heapPointers_;
    Argument* args_ = fixedArgs_;
    VARTYPE* types_ = fixedTypes_;
    VARIANTARG** pointers_ = fixedPointers_;
};

// How the call passes a value of a parameter's type: narrow integers widened to 32 bits, the
// others as themselves (texts, objects and arrays as pointers).
VARTYPE CallTypeOf(VARTYPE vt) {
    switch (vt) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_INT: case VT_UINT: case VT_UI4: case VT_ERROR:
    case VT_HRESULT:
        return VT_I4;
    default:
        return vt;
    }
}

// Puts a value of the parameter's own type where the call reads it.
void ViewOf(const VARIANT& value, VARTYPE vt, VARIANT& call) {
    switch (vt) {
    case VT_I1: V_I4(&call) = V_I1(&value); break;
    case VT_UI1: V_I4(&call) = V_UI1(&value); break;
    case VT_I2: V_I4(&call) = V_I2(&value); break;
    case VT_UI2: V_I4(&call) = V_UI2(&value); break;
    case VT_VARIANT: call = value; return;
    default: call.llVal = value.llVal; break;  // the whole value field: 4 or 8 bytes, or a pointer
    }
    V_VT(&call) = CallTypeOf(vt);
}

// The same for a value given by reference to a by-value parameter (VT_BYREF|vt).
void ViewOfReferenced(const VARIANT& value, VARTYPE vt, VARIANT& call) {
    VARIANT held;
    V_VT(&held) = vt;
    switch (vt) {
    case VT_I1: case VT_UI1: V_UI1(&held) = *V_UI1REF(&value); break;
    case VT_I2: case VT_UI2: case VT_BOOL: V_I2(&held) = *V_I2REF(&value); break;
    case VT_R8: case VT_DATE: case VT_CY: case VT_I8: case VT_UI8: held.llVal = *V_I8REF(&value); break;
    case VT_BSTR: V_BSTR(&held) = *V_BSTRREF(&value); break;
    default: V_I4(&held) = *V_I4REF(&value); break;
    }
    ViewOf(held, vt, call);
}

bool IsScalarOrText(VARTYPE vt) {
    return vt != VT_VARIANT && vt != VT_DISPATCH && vt != VT_UNKNOWN && vt != VT_RECORD && !(vt & VT_ARRAY);
}

// `supplied` is the reader's checked argument, null when not given.
HRESULT PassByValue(Argument& arg, const VARIANT* supplied) {
    const ParamSlot& slot = *arg.slot;
    const VARIANT* value = supplied ? &ValueOf(*supplied) : nullptr;
    if (!value || IsMissing(*value)) {
        // An omitted argument; a Variant parameter gets the marker the caller gave.
        ViewOf(slot.vt == VT_VARIANT && value ? *value : slot.omitted, slot.vt, arg.call);
        return S_OK;
    }
    VARTYPE held = V_VT(value);
    if (slot.vt == VT_VARIANT) {
        if (!(held & VT_BYREF)) {
            arg.call = *value;  // the caller's value itself, which stays the caller's
            return S_OK;
        }
        HRESULT hr = VariantCopyInd(&arg.local, const_cast<VARIANT*>(value));
        arg.call = arg.local;
        return hr;
    }
    if (IsScalarOrText(slot.vt)) {
        if (held == slot.vt) { ViewOf(*value, slot.vt, arg.call); return S_OK; }
        if (held == (VT_BYREF | slot.vt)) { ViewOfReferenced(*value, slot.vt, arg.call); return S_OK; }
    }
    if (slot.vt == VT_RECORD) return DISP_E_TYPEMISMATCH;  // records only travel by reference
    HRESULT hr = CoerceIn(value, slot, &arg.local);
    if (FAILED(hr)) return hr;
    ViewOf(arg.local, slot.vt, arg.call);
    return S_OK;
}

// Where a by-reference parameter points: the whole VARIANT for Variant parameters, else its value.
void* PayloadOf(VARTYPE vt, VARIANT* v) { return vt == VT_VARIANT ? static_cast<void*>(v) : static_cast<void*>(&V_I4(v)); }

void PassPointer(Argument& arg, void* pointer) {
    V_VT(&arg.call) = VT_BYREF | arg.slot->vt;
    V_BYREF(&arg.call) = pointer;
}

HRESULT PassByRef(Argument& arg, VARIANT* supplied) {
    const ParamSlot& slot = *arg.slot;
    if (!supplied || IsMissing(*supplied)) {
        if (slot.vt == VT_RECORD) {
            IRecordInfo* info = slot.Record();
            if (!info) return TYPE_E_ELEMENTNOTFOUND;
            arg.record = info->RecordCreate();
            PassPointer(arg, arg.record);
            return arg.record ? S_OK : E_OUTOFMEMORY;
        }
        // The member may change what it is given: a copy of the default.
        HRESULT hr = VariantCopy(&arg.local, const_cast<VARIANT*>(&slot.omitted));
        PassPointer(arg, PayloadOf(slot.vt, &arg.local));
        return hr;
    }
    VARTYPE vt = V_VT(supplied);
    if (slot.vt == VT_RECORD) {
        const VARIANT* value = &ValueOf(*supplied);
        if ((V_VT(value) & ~VT_BYREF) != VT_RECORD || !V_RECORD(value)) return DISP_E_TYPEMISMATCH;
        PassPointer(arg, V_RECORD(value));
        return S_OK;
    }
    if (slot.vt == VT_VARIANT) {
        if (vt == (VT_BYREF | VT_VARIANT)) { PassPointer(arg, V_VARIANTREF(supplied)); return S_OK; }
        // A value, not a variable: the member works on a copy.
        HRESULT hr = VariantCopyInd(&arg.local, supplied);
        PassPointer(arg, &arg.local);
        return hr;
    }
    if (vt == (VT_BYREF | slot.vt)) { PassPointer(arg, V_BYREF(supplied)); return S_OK; }
    if (vt == (VT_BYREF | VT_VARIANT)) {
        // A script's variable that already holds the declared type is handed over as it is.
        VARIANT* variable = V_VARIANTREF(supplied);
        if (variable && V_VT(variable) == slot.vt && IsScalarOrText(slot.vt)) {
            PassPointer(arg, &V_I4(variable));
            return S_OK;
        }
    }
    HRESULT hr = CoerceIn(supplied, slot, &arg.local);
    if (FAILED(hr)) return hr;
    if (vt == (VT_BYREF | VT_VARIANT)) arg.writeBack = V_VARIANTREF(supplied);
    PassPointer(arg, PayloadOf(slot.vt, &arg.local));
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
    memset(&local, 0, sizeof local);
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

HRESULT CallMember(void* self, const Member& member, const DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr, CallerKind caller) {
    // Every argument placed at its parameter and checked before anything reads it.
    ArgumentReader reader;
    HRESULT placed = reader.Read(member, params, argErr);
    if (FAILED(placed)) return placed;
    const UINT inputs = reader.count();

    CallFrame frame(inputs + (member.hasResult ? 1 : 0));
    if (!frame.ok()) return E_OUTOFMEMORY;
    for (UINT i = 0; i < inputs; ++i) {
        const ParamSlot& slot = member.params[i];
        Argument& arg = frame.Add(&slot);
        HRESULT hr = slot.byRef ? PassByRef(arg, reader.Supplied(i)) : PassByValue(arg, reader.Supplied(i));
        if (FAILED(hr)) {
            if (argErr) *argErr = reader.Position(i);
            return hr;
        }
        frame.Pass(i, slot.byRef ? V_VT(&arg.call) : CallTypeOf(slot.vt));
    }
    if (member.hasResult) {
        // The result: a zeroed slot of the declared type that the member fills in.
        Argument& ret = frame.Add(&member.result);
        if (member.result.vt == VT_RECORD) {
            IRecordInfo* info = member.result.Record();
            if (!info) return TYPE_E_ELEMENTNOTFOUND;
            if (!(ret.record = info->RecordCreate())) return E_OUTOFMEMORY;
            PassPointer(ret, ret.record);
        } else {
            if (member.result.vt != VT_VARIANT) V_VT(&ret.local) = member.result.vt;
            PassPointer(ret, PayloadOf(member.result.vt, &ret.local));
        }
        frame.Pass(inputs, V_VT(&ret.call));
    }

    VARIANT returned;
    V_VT(&returned) = VT_EMPTY;
    HRESULT hr = DispCallFunc(self, member.slot, CC_STDCALL, VT_ERROR, static_cast<UINT>(frame.prepared()),
                              frame.types(), frame.pointers(), &returned);
    if (FAILED(hr)) return hr;
    HRESULT memberResult = V_ERROR(&returned);

    for (UINT i = 0; i < inputs; ++i) WriteBack(frame[i], caller);

    if (FAILED(memberResult)) {
        if (!excepInfo) return memberResult;
        FillExcepInfo(memberResult, excepInfo);
        return DISP_E_EXCEPTION;
    }
    if (member.hasResult && result) {
        Argument& ret = frame[inputs];
        if (member.result.vt == VT_RECORD) {
            V_VT(result) = VT_RECORD;
            V_RECORD(result) = ret.record;
            V_RECORDINFO(result) = member.result.Record();
            V_RECORDINFO(result)->AddRef();
            ret.record = nullptr;
        } else {
            *result = ret.local;
            memset(&ret.local, 0, sizeof ret.local);
            if (caller == CallerKind::Script) ForScript(result);
        }
    }
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
    if (!member) return DISP_E_MEMBERNOTFOUND;
    try {
        return CallMember(self, *member, params, result, excepInfo, argErr, caller);
    } catch (...) {
        return E_OUTOFMEMORY;  // only the conversions of arrays allocate with new
    }
}

}  // namespace wx
