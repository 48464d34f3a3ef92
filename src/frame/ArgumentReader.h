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
// The dispatch base asks the reader for parameter i (Supplied, Value, Variable, Omitted) and
// converts it into the member's own type for the member's typed call (TypedCall.h).
#pragma once
#include "frame/DispatchTable.h"
#include "frame/Errors.h"
#include <dispex.h>
#include <oaidl.h>
#include <memory>

namespace wx {

// S_OK for an argument a member can read; DISP_E_TYPEMISMATCH for a null by-reference pointer, a
// chain that does not end, a record without its data or a broken array; DISP_E_BADVARTYPE for a
// type no member takes.
HRESULT CheckArgument(const VARIANT& argument) noexcept;

// The value an argument holds, looking through the caller's variables; only for a checked one.
const VARIANT& ValueOf(const VARIANT& checked) noexcept;
// The caller's innermost variable, the one a member writes a by-reference result into.
VARIANT& VariableOf(VARIANT& checked) noexcept;
// An optional argument the caller left out: the missing marker, in a variable or not.
bool IsMissing(const VARIANT& checked) noexcept;

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
HRESULT CheckParameterBlock(const DISPPARAMS* params) noexcept;

class ArgumentReader {
public:
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

    UINT count_ = 0;
    VARIANT** supplied_ = fixedSupplied_;
    UINT* position_ = fixedPosition_;
    VARIANT* fixedSupplied_[kOnStack];
    UINT fixedPosition_[kOnStack];
    std::unique_ptr<VARIANT*[]> heapSupplied_;
    std::unique_ptr<UINT[]> heapPosition_;
};

}  // namespace wx
