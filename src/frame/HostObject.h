// Late-bound access to a host's objects (forms, controls, printers, picture boxes) by member name,
// as a Basic host's own late binding does it. Failures are raised as automation errors with the
// runtime's numbers (438 for a member the object lacks, 91 for Nothing, or the host's own error).
// The host's code runs under the floating-point state the host called the library with
// (FloatingPointScope::HostCall), whatever state the library's own arithmetic is in.
#pragma once
#include "frame/Handles.h"
#include <initializer_list>
#include <string>
#include <vector>

namespace wx {

class HostObject {
public:
    explicit HostObject(IDispatch* object) : object_(object) {}
    IDispatch* get() const { return object_.get(); }
    explicit operator bool() const { return static_cast<bool>(object_); }

    // Property reads and method calls with by-value arguments.
    Variant Get(const wchar_t* name, std::initializer_list<Variant> args = {}) const;
    // Property writes: Let for values, Set for objects.
    void Let(const wchar_t* name, const Variant& value) const;
    void Set(const wchar_t* name, IDispatch* value) const;
    // A method call; arguments in `byRef` go as the caller's variables (VT_VARIANT|VT_BYREF) and
    // come back changed when the method changes them.
    Variant Call(const wchar_t* name, std::initializer_list<Variant> args = {}) const;
    Variant CallByRef(const wchar_t* name, std::vector<VARIANT*> byRef) const;

    // Typed reads, converted the way the runtime converts (rounding halves to even).
    long GetLong(const wchar_t* name) const;
    double GetDouble(const wchar_t* name) const;
    std::wstring GetText(const wchar_t* name) const;

    // A property read by dispatch id, for members an interface fixes (a picture's Width and
    // Height): the callee's failure comes back as its HRESULT instead of being raised.
    HRESULT ReadById(DISPID member, Variant& value) const noexcept;

    // The member's dispatch id; the IDispatchEx fallback covers script objects whose
    // GetIDsOfNames is not implemented.
    DISPID IdOf(const wchar_t* name) const;
    bool Has(const wchar_t* name) const;

private:
    Variant InvokeRaw(const wchar_t* name, WORD flags, std::vector<VARIANT>& args, bool isPut) const;
    ComPtr<IDispatch> object_;
};

// Conversions of a Variant the runtime's way; raise 13 (type mismatch) or 6 (overflow).
long ToLong(const VARIANT& value);
short ToInteger(const VARIANT& value);
double ToDouble(const VARIANT& value);
float ToSingle(const VARIANT& value);
bool ToBool(const VARIANT& value);
std::wstring ToText(const VARIANT& value);

}  // namespace wx
