// An interface as late binding needs it, in plain data: for every member its dispatch id, invoke
// kind, function-table slot, name and typed call, and for every parameter the resolved type, ByRef
// and optional flags, stated default and the interface or record it names. Nothing in it needs the
// type library loaded, so the build generates the descriptions of the library's interfaces from
// its built type libraries (tools/dispatch-tables, into generated/DispatchTables.cpp) and a
// process's first late-bound call finds its table without loading one. ReadInterface makes the
// same description from type information (without typed calls, which only the build can make):
// the generator uses it and the tests compare the two.
#pragma once
#include "frame/TypedCall.h"
#include <windows.h>
#include <oaidl.h>
#include <cstddef>
#include <list>
#include <string>
#include <vector>

namespace wx {

enum ParamFlags : unsigned char {
    kParamByRef = 1,
    kParamOptional = 2,    // optional, or with a default value
    kParamHasDefault = 4,  // the default is defaultVt with defaultBits or defaultText
};

struct ParamDescription {
    VARTYPE vt;                  // aliases followed, enumerations as VT_I4, arrays as VT_ARRAY|element
    unsigned char flags;
    const GUID* iid;             // objects: the interface taken or given; else null
    const GUID* record;          // records and arrays of records: the record's type; else null
    VARTYPE defaultVt;
    unsigned long long defaultBits;  // a number's bytes, as the VARIANT holds them
    const wchar_t* defaultText;      // a text default (null: the null text)
};

struct MemberDescription {
    const wchar_t* name;         // null when the type information names none
    DISPID id;
    INVOKEKIND kind;
    SHORT slot;                  // byte offset of the function in the function table
    bool hasResult;              // the last parameter is the result
    USHORT count;                // parameters, the result included
    const ParamDescription* params;
    MemberCall call;             // the member called with its own parameter types; null for a
                                 // member of a dispatch-only (event) interface, which has no function table
};

struct InterfaceDescription {
    const IID* iid;
    USHORT count;
    const MemberDescription* members;
};

// The descriptions generated at build time: every interface of the library's type libraries.
extern const InterfaceDescription kGeneratedInterfaces[];
extern const size_t kGeneratedInterfaceCount;

// The description of an interface read from its type information (either view of a dual interface).
class ReadInterface {
public:
    HRESULT Read(ITypeInfo* info);
    const InterfaceDescription& description() const { return description_; }

private:
    const GUID* Keep(const GUID& guid);
    const wchar_t* Keep(const wchar_t* text);

    InterfaceDescription description_ = {nullptr, 0, nullptr};
    std::list<GUID> guids_;
    std::list<std::wstring> texts_;
    std::list<std::vector<ParamDescription>> params_;
    std::vector<MemberDescription> members_;
};

}  // namespace wx
