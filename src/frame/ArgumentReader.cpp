#include "frame/ArgumentReader.h"
#include "frame/Errors.h"
#include <climits>
#include <new>

namespace wx {

namespace {

// A chain of variables longer than any caller builds is a loop.
constexpr int kLongestChain = 64;
// Arrays of Variants holding arrays of Variants, this deep at most.
constexpr int kDeepestNesting = 8;
// Elements of nested arrays visited in one argument: an array may hold the same array many times.
constexpr ULONGLONG kNestedElementBudget = 1ULL << 24;

constexpr USHORT kElementTypeFeatures = FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH | FADF_VARIANT | FADF_RECORD;

// The size of one value of a type members take, 0 for any other type.
ULONG ValueSize(VARTYPE base) {
    switch (base) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8;
    case VT_DECIMAL: return sizeof(DECIMAL);
    case VT_BSTR: return sizeof(BSTR);
    case VT_DISPATCH: case VT_UNKNOWN: return sizeof(IUnknown*);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
    }
}

// The features an array of the type carries, which say how its elements are copied and freed.
USHORT FeaturesOf(VARTYPE base) {
    switch (base) {
    case VT_BSTR: return FADF_BSTR;
    case VT_UNKNOWN: return FADF_UNKNOWN;
    case VT_DISPATCH: return FADF_DISPATCH;
    case VT_VARIANT: return FADF_VARIANT;
    case VT_RECORD: return FADF_RECORD;
    default: return 0;
    }
}

struct Walk {
    ULONGLONG nestedElements = 0;
};

HRESULT CheckValue(const VARIANT& argument, int nesting, Walk& walk);

HRESULT CheckArray(const SAFEARRAY* array, VARTYPE base, int nesting, Walk& walk) {
    if (!array) return S_OK;  // an array never dimensioned
    if (array->cDims == 0) return DISP_E_TYPEMISMATCH;
    USHORT features = array->fFeatures & kElementTypeFeatures;
    bool featuresMatch = features == FeaturesOf(base) ||
                         (base == VT_DISPATCH && features == (FADF_DISPATCH | FADF_UNKNOWN));
    if (!featuresMatch) return DISP_E_TYPEMISMATCH;
    if (base == VT_RECORD) {
        // The record's description is kept just before the descriptor.
        if (array->cbElements == 0 || !reinterpret_cast<IRecordInfo* const*>(array)[-1]) return DISP_E_TYPEMISMATCH;
    } else {
        if (array->cbElements != ValueSize(base)) return DISP_E_TYPEMISMATCH;
        if ((array->fFeatures & FADF_HAVEVARTYPE) && !(array->fFeatures & FADF_HAVEIID) &&
            reinterpret_cast<const DWORD*>(array)[-1] != base)
            return DISP_E_TYPEMISMATCH;
    }
    ULONGLONG total = 1;
    for (USHORT d = 0; d < array->cDims; ++d) {
        const SAFEARRAYBOUND& bound = array->rgsabound[d];
        if (bound.cElements && static_cast<LONGLONG>(bound.lLbound) + bound.cElements - 1 > LONG_MAX)
            return DISP_E_TYPEMISMATCH;
        total *= bound.cElements;
        if (total > ULONG_MAX) return DISP_E_TYPEMISMATCH;
    }
    if (total > ULONG_MAX / array->cbElements) return DISP_E_TYPEMISMATCH;
    if (total == 0) return S_OK;
    if (!array->pvData) return DISP_E_TYPEMISMATCH;
    if (base != VT_VARIANT) return S_OK;
    if (nesting >= kDeepestNesting) return DISP_E_TYPEMISMATCH;
    if (nesting > 0 && (walk.nestedElements += total) > kNestedElementBudget) return DISP_E_TYPEMISMATCH;
    const VARIANT* elements = static_cast<const VARIANT*>(array->pvData);
    for (ULONGLONG i = 0; i < total; ++i) {
        HRESULT hr = CheckValue(elements[i], nesting + 1, walk);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CheckValue(const VARIANT& argument, int nesting, Walk& walk) {
    const VARIANT* value = &argument;
    for (int depth = 0; V_VT(value) == (VT_BYREF | VT_VARIANT); ++depth) {
        if (!V_VARIANTREF(value) || depth == kLongestChain) return DISP_E_TYPEMISMATCH;
        value = V_VARIANTREF(value);
    }
    VARTYPE vt = V_VT(value);
    if (vt & (VT_VECTOR | VT_RESERVED)) return DISP_E_BADVARTYPE;
    VARTYPE base = vt & VT_TYPEMASK;
    bool byRef = (vt & VT_BYREF) != 0;
    if (vt & VT_ARRAY) {
        if (!ValueSize(base) && base != VT_RECORD) return DISP_E_BADVARTYPE;
        if (byRef && !V_ARRAYREF(value)) return DISP_E_TYPEMISMATCH;
        return CheckArray(byRef ? *V_ARRAYREF(value) : V_ARRAY(value), base, nesting, walk);
    }
    switch (base) {
    case VT_EMPTY:
    case VT_NULL: return byRef ? DISP_E_BADVARTYPE : S_OK;
    case VT_VARIANT: return DISP_E_BADVARTYPE;  // a Variant is held by reference only
    case VT_RECORD: return V_RECORDINFO(value) && V_RECORD(value) ? S_OK : DISP_E_TYPEMISMATCH;
    default:
        if (!ValueSize(base)) return DISP_E_BADVARTYPE;
        return byRef && !V_BYREF(value) ? DISP_E_TYPEMISMATCH : S_OK;
    }
}

[[noreturn]] void RaiseRefused(HRESULT hr) { RaiseRuntime(hr == DISP_E_BADVARTYPE ? 458 : 13); }

}  // namespace

HRESULT CheckArgumentIndirect(const VARIANT& argument) noexcept {
    Walk walk;
    return CheckValue(argument, 0, walk);
}

bool HoldsObject(const VARIANT& checked, IUnknown** object) noexcept {
    const VARIANT& value = ValueOf(checked);
    switch (V_VT(&value)) {
    case VT_DISPATCH: *object = V_DISPATCH(&value); return true;
    case VT_UNKNOWN: *object = V_UNKNOWN(&value); return true;
    case VT_BYREF | VT_DISPATCH: *object = *V_DISPATCHREF(&value); return true;
    case VT_BYREF | VT_UNKNOWN: *object = *V_UNKNOWNREF(&value); return true;
    default: *object = nullptr; return false;
    }
}

const VARIANT& ReadArgument(const VARIANT& argument) {
    HRESULT hr = CheckArgument(argument);
    if (FAILED(hr)) RaiseRefused(hr);
    return ValueOf(argument);
}

VARIANT& ReadVariable(VARIANT& argument) { return const_cast<VARIANT&>(ReadArgument(argument)); }

SAFEARRAY* ReadArray(SAFEARRAY* array, VARTYPE element) {
    Walk walk;
    HRESULT hr = CheckArray(array, element, 0, walk);
    if (FAILED(hr)) RaiseRefused(hr);
    return array;
}

bool IsMissingArgument(const VARIANT& argument) {
    const VARIANT& value = ReadArgument(argument);
    return V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND;
}

VARIANT* ArgumentReader::Variable(UINT i) const {
    VARIANT* given = supplied_[i];
    return given && V_VT(given) == (VT_BYREF | VT_VARIANT) ? V_VARIANTREF(given) : nullptr;
}

HRESULT ArgumentReader::ReadPlacing(const Member& member, const DISPPARAMS* params, UINT* argErr) noexcept {
    static const DISPPARAMS kNone = {nullptr, nullptr, 0, 0};
    HRESULT hr = S_OK;
    const DISPPARAMS& block = params ? *params : kNone;
    const UINT inputs = static_cast<UINT>(member.params.size());
    // More than the parameters and a script engine's "this": nothing beyond them is read.
    if (block.cArgs > inputs + 1 || block.cNamedArgs > inputs + 1) return DISP_E_BADPARAMCOUNT;
    if (inputs > kOnStack) {
        heapSupplied_.reset(new (std::nothrow) VARIANT*[inputs]);
        heapPosition_.reset(new (std::nothrow) UINT[inputs]);
        if (!heapSupplied_ || !heapPosition_) return E_OUTOFMEMORY;
        supplied_ = heapSupplied_.get();
        position_ = heapPosition_.get();
    }
    count_ = inputs;
    for (UINT i = 0; i < inputs; ++i) supplied_[i] = nullptr;

    const bool isPut = member.kind == INVOKE_PROPERTYPUT || member.kind == INVOKE_PROPERTYPUTREF;
    UINT named = block.cNamedArgs;
    UINT positional = block.cArgs - named;
    for (UINT n = 0; n < named; ++n) {
        DISPID which = block.rgdispidNamedArgs[n];
        if (which == DISPID_THIS) continue;  // the script engine's own "this", not a parameter
        UINT index = inputs;
        if (which == DISPID_PROPERTYPUT && isPut && inputs > 0) index = inputs - 1;
        else if (which >= 0) index = static_cast<UINT>(which);
        if (index >= inputs || supplied_[index]) {
            if (argErr) *argErr = n;
            return DISP_E_PARAMNOTFOUND;
        }
        supplied_[index] = &block.rgvarg[n];
        position_[index] = n;
    }
    if (isPut && named == 0 && positional > 0 && inputs > 0) {
        supplied_[inputs - 1] = &block.rgvarg[0];
        position_[inputs - 1] = 0;
        --positional;
    }
    if (positional > inputs) return DISP_E_BADPARAMCOUNT;
    for (UINT k = 0; k < positional; ++k) {
        if (supplied_[k]) return DISP_E_BADPARAMCOUNT;  // more arguments than the parameters left
        supplied_[k] = &block.rgvarg[block.cArgs - 1 - k];
        position_[k] = block.cArgs - 1 - k;
    }
    for (UINT i = 0; i < inputs; ++i) {
        if (!supplied_[i]) {
            if (member.params[i].optional) continue;
            if (argErr) *argErr = block.cArgs;
            return DISP_E_PARAMNOTOPTIONAL;
        }
        hr = CheckArgument(*supplied_[i]);
        if (FAILED(hr)) {
            if (argErr) *argErr = position_[i];
            return hr;
        }
    }
    return S_OK;
}

}  // namespace wx
