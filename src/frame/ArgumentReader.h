// The one place where the library reads what a caller hands it: the arguments of a late-bound call
// (Invoke, InvokeEx) placed at their parameters, and every VARIANT a member receives through its
// function table or from a host's object. Nothing else in the library walks a VARIANT by hand.
//
// What a caller builds is checked before anything reads it: a by-reference argument's pointer, a
// chain of variables (VT_BYREF|VT_VARIANT) at every depth, the type (no unknown VARTYPE, vector,
// VT_BYREF alone or record without its record information), and an array's descriptor (element
// size and features against the element type, dimensions, element count, data, and the elements
// of an array of Variants). Null text, Nothing and a BSTR* pointing at null text are values like
// any other.
//
// A typed call path asks the reader for parameter i (Value, Variable, Omitted) and converts it
// into the member's own type; the dispatch base builds the VARIANT frame DispCallFunc takes from
// the same answers.
#pragma once
#include "frame/DispatchTable.h"
#include "frame/Errors.h"
#include <dispex.h>
#include <oaidl.h>
#include <memory>

namespace wx {

// What has to be followed or looked into: references, arrays, records and anything unknown.
HRESULT CheckArgumentIndirect(const VARIANT& argument) noexcept;

// S_OK for an argument a member can read; DISP_E_TYPEMISMATCH for a null by-reference pointer, a
// chain that does not end, a record without its data or a broken array; DISP_E_BADVARTYPE for a
// type no member takes. A plain value by value (most arguments) is answered at once.
inline HRESULT CheckArgument(const VARIANT& argument) noexcept {
    constexpr DWORD kPlainValues = (1U << VT_EMPTY) | (1U << VT_NULL) | (1U << VT_I2) | (1U << VT_I4) | (1U << VT_R4) |
                                   (1U << VT_R8) | (1U << VT_CY) | (1U << VT_DATE) | (1U << VT_BSTR) |
                                   (1U << VT_DISPATCH) | (1U << VT_ERROR) | (1U << VT_BOOL) | (1U << VT_UNKNOWN) |
                                   (1U << VT_DECIMAL) | (1U << VT_I1) | (1U << VT_UI1) | (1U << VT_UI2) |
                                   (1U << VT_UI4) | (1U << VT_I8) | (1U << VT_UI8) | (1U << VT_INT) | (1U << VT_UINT);
    VARTYPE vt = V_VT(&argument);
    if (vt < 32 && ((kPlainValues >> vt) & 1)) return S_OK;
    return CheckArgumentIndirect(argument);
}

// The value an argument holds, looking through the caller's variables; only for a checked one.
inline const VARIANT& ValueOf(const VARIANT& checked) noexcept {
    const VARIANT* value = &checked;
    while (V_VT(value) == (VT_BYREF | VT_VARIANT)) value = V_VARIANTREF(value);
    return *value;
}
// The caller's innermost variable, the one a member writes a by-reference result into.
inline VARIANT& VariableOf(VARIANT& checked) noexcept { return const_cast<VARIANT&>(ValueOf(checked)); }
// An optional argument the caller left out: the missing marker, in a variable or not.
inline bool IsMissing(const VARIANT& checked) noexcept {
    const VARIANT& value = ValueOf(checked);
    return V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND;
}

// The same for members: a malformed argument raises 13 (type mismatch) or 458 (a type the
// runtime does not support), as a host's own runtime would.
const VARIANT& ReadArgument(const VARIANT& argument);
VARIANT& ReadVariable(VARIANT& argument);
bool IsMissingArgument(const VARIANT& argument);
// An array a member receives through its function table (a String() or Variant() by reference):
// null (never dimensioned) or sound for `element`; 13 when its descriptor is broken.
SAFEARRAY* ReadArray(SAFEARRAY* array, VARTYPE element);

// Whether a checked Variant holds an object reference (VT_DISPATCH or VT_UNKNOWN, by value or by
// reference); *object is then the object, not AddRef'd, or null for Nothing.
bool HoldsObject(const VARIANT& checked, IUnknown** object) noexcept;

// The pointers a member receives through its function table (by-reference parameters, the
// result): Invoke always passes real ones, a C++ caller may not. A null one is an invalid
// procedure call (5), raised before the member does anything.
template <class T>
T& Required(T* pointer) {
    if (!pointer) RaiseRuntime(5);
    return *pointer;
}
template <class... T>
void Require(T*... pointers) {
    if (((pointers == nullptr) || ...)) RaiseRuntime(5);
}
// A member whose body computes its result: the result pointer checked first, the body run guarded.
template <class T, class Body>
HRESULT Returning(T* result, Body&& body) noexcept {
    return Guarded([&] {
        T& out = Required(result);
        out = body();
    });
}

// Checks a parameter block against itself: argument and name counts against their arrays.
// DISP_E_BADPARAMCOUNT when they contradict; S_OK for a null block (no arguments).
inline HRESULT CheckParameterBlock(const DISPPARAMS* params) noexcept {
    if (!params) return S_OK;
    if ((params->cArgs && !params->rgvarg) || params->cNamedArgs > params->cArgs ||
        (params->cNamedArgs && !params->rgdispidNamedArgs))
        return DISP_E_BADPARAMCOUNT;
    return S_OK;
}

class ArgumentReader {
public:
    // The places are set by Read for every parameter before anything reads them; left unset here
    // so the usual call pays nothing for them.
    // cppcheck-suppress uninitMemberVar
    ArgumentReader() = default;
    ArgumentReader(const ArgumentReader&) = delete;
    ArgumentReader& operator=(const ArgumentReader&) = delete;

    // Places the block's arguments at the member's parameters (positional last to first, named
    // by dispatch id, a property put's value at the last parameter, a script engine's DISPID_THIS
    // passed over) and checks every one that reaches a parameter. Fails with the dispatch error
    // (DISP_E_BADPARAMCOUNT, DISP_E_PARAMNOTFOUND, DISP_E_PARAMNOTOPTIONAL, DISP_E_TYPEMISMATCH,
    // DISP_E_BADVARTYPE, E_OUTOFMEMORY) and, where Invoke asks for it, the argument's position.
    HRESULT Read(const Member& member, const DISPPARAMS* params, UINT* argErr) noexcept;

    UINT count() const { return count_; }
    // The caller's argument for parameter i as given; null when not given.
    VARIANT* Supplied(UINT i) const { return supplied_[i]; }
    // Not given, or given as the missing marker.
    bool Omitted(UINT i) const { return !supplied_[i] || IsMissing(*supplied_[i]); }
    // The value given for parameter i, through the caller's variables; only when not omitted.
    const VARIANT& Value(UINT i) const { return ValueOf(*supplied_[i]); }
    // The caller's variable for parameter i when given as one (VT_BYREF|VT_VARIANT), else null.
    VARIANT* Variable(UINT i) const;
    // Where parameter i's argument sits in the block, as Invoke counts it (last first).
    UINT Position(UINT i) const { return position_[i]; }

private:
    // Members with up to this many parameters keep their places on the stack.
    static constexpr UINT kOnStack = 12;
    // Named arguments, a property put's value, long parameter lists: everything but the usual call.
    HRESULT ReadPlacing(const Member& member, const DISPPARAMS* params, UINT* argErr) noexcept;

    UINT count_ = 0;
    VARIANT** supplied_ = fixedSupplied_;
    UINT* position_ = fixedPosition_;
    VARIANT* fixedSupplied_[kOnStack];
    UINT fixedPosition_[kOnStack];
    std::unique_ptr<VARIANT*[]> heapSupplied_;
    std::unique_ptr<UINT[]> heapPosition_;
};

// The usual call, every argument by position, is read here where the invoker stands: every late-bound
// call passes through it.
inline HRESULT ArgumentReader::Read(const Member& member, const DISPPARAMS* params, UINT* argErr) noexcept {
    HRESULT hr = CheckParameterBlock(params);
    if (FAILED(hr)) return hr;
    const UINT inputs = static_cast<UINT>(member.params.size());
    const bool isPut = member.kind == INVOKE_PROPERTYPUT || member.kind == INVOKE_PROPERTYPUTREF;
    if ((params && params->cNamedArgs) || isPut || inputs > kOnStack) return ReadPlacing(member, params, argErr);
    const UINT given = params ? params->cArgs : 0;
    if (given > inputs) return DISP_E_BADPARAMCOUNT;
    count_ = inputs;
    for (UINT i = 0; i < inputs; ++i) {
        if (i >= given) {
            supplied_[i] = nullptr;
            if (member.params[i].optional) continue;
            if (argErr) *argErr = given;
            return DISP_E_PARAMNOTOPTIONAL;
        }
        const UINT at = given - 1 - i;  // arguments arrive last to first
        supplied_[i] = &params->rgvarg[at];
        position_[i] = at;
        hr = CheckArgument(*supplied_[i]);
        if (FAILED(hr)) {
            if (argErr) *argErr = at;
            return hr;
        }
    }
    return S_OK;
}

}  // namespace wx
