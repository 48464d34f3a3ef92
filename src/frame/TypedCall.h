// The last step of a late-bound call: the member's own function-table entry called with its own
// parameter types, as a compiled caller's virtual call does. The dispatch base (Dispatch.cpp) has
// read and converted every argument by then; here each one is only loaded into its C++ type.
//
// One instantiation serves every member with the same parameter types (the result's pointer
// last); the build names it for each member in the dispatch tables it writes from the type
// library (tools/dispatch-tables), the same type library widl made the C++ interfaces from.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

namespace wx {

// `values[i]` holds the bytes of parameter i in its C++ type (for a by-reference parameter, the
// pointer). Returns what the member returns.
using MemberCall = HRESULT (*)(void* self, SHORT slot, const void* const* values);

// A member with more parameters than this (its result included) has no typed path: the build stops.
constexpr size_t kMostTypedParameters = 16;

template <class... P>
class TypedCall {
public:
    static_assert(sizeof...(P) <= kMostTypedParameters, "more parameters than a typed call takes");

    // The function-table entry of a member with these parameters, `this` first.
    using Entry = HRESULT(STDMETHODCALLTYPE*)(void*, P...);

    static HRESULT Call(void* self, SHORT slot, const void* const* values) {
        Entry entry;
        std::memcpy(&entry, *static_cast<const char* const*>(self) + slot, sizeof entry);
        return Enter(entry, self, values, std::index_sequence_for<P...>{});
    }

private:
    template <class T>
    static T Load(const void* bytes) {
        T value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }

    template <size_t... I>
    static HRESULT Enter(Entry entry, void* self, const void* const* values, std::index_sequence<I...>) {
        static_cast<void>(values);  // unused by members without parameters
        return entry(self, Load<P>(values[I])...);
    }
};

// The entry keeps the members' calling convention (__stdcall on i686, where a template that lost
// it would make the caller pop the arguments the member has popped already).
HRESULT STDMETHODCALLTYPE StdcallEntryProbe(void* self, LONG value);
static_assert(std::is_same<TypedCall<LONG>::Entry, decltype(&StdcallEntryProbe)>::value,
              "a typed call must keep the members' calling convention");

}  // namespace wx
