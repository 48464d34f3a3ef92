// What late binding needs to know about an interface: for every dispatch id and invoke kind, the
// function-table slot and typed call, the kinds of the parameters with their ByRef flags and what
// an omitted one means, and the kind of the result. Made once per interface from its description,
// which the build generated from the type library (InterfaceDescription.h): the type library itself
// is loaded only for what needs it (records, names of named arguments, GetTypeInfo). The dispatch
// base (Dispatch.cpp) calls members from these tables, and the connection points raise events with
// the parameter types they hold. Tables live for the life of the process.
#pragma once
#include "frame/InterfaceDescription.h"
#include <windows.h>
#include <oaidl.h>
#include <vector>

namespace wx {

// A parameter or result, once aliases, enumerations and interfaces are resolved.
struct ParamSlot {
    VARTYPE vt = VT_EMPTY;      // VT_I4, VT_BSTR, VT_VARIANT, VT_DISPATCH, VT_RECORD, VT_ARRAY|element...
    bool byRef = false;
    bool optional = false;      // optional, or with a default value
    IID iid = IID_NULL;         // objects: the interface the member takes or gives
    GUID recordType = GUID_NULL;  // records and arrays of records: the record's type
    VARIANT omitted;            // an omitted argument: its default, the type's empty value or the missing marker

    // The record's description, made from the type library at its first use; null when unknown.
    IRecordInfo* Record() const;

private:
    mutable IRecordInfo* volatile record_ = nullptr;  // kept by the table
};

struct Member {
    DISPID id = DISPID_UNKNOWN;
    INVOKEKIND kind = INVOKE_FUNC;
    SHORT slot = 0;             // byte offset of the function in the function table
    MemberCall call = nullptr;  // calls it with its own parameter types; null: no function table
    bool hasResult = false;     // the last parameter of the function is the result
    ParamSlot result;
    std::vector<ParamSlot> params;  // the inputs, first to last
};

class DispatchTable {
public:
    // The table of an interface, dual or dispatch-only, of the library's type libraries; null when
    // the build did not describe it. Built at the first call for that interface.
    static const DispatchTable* Of(REFIID iid);

    // The member a call with these DISPATCH_* flags reaches; null when there is none.
    const Member* Find(DISPID id, WORD flags) const;
    // The dispatch id of a member name, compared without regard to case.
    bool IdOfName(const OLECHAR* name, DISPID* id) const;
    // The interface's dispatch view (names of parameters for named arguments), loaded at first need.
    ITypeInfo* info() const;

    // A table made from a description, which must outlive it; null when a default cannot be made.
    static DispatchTable* Make(const InterfaceDescription& description);

private:
    explicit DispatchTable(const IID& iid) : iid_(iid) {}
    HRESULT Build(const InterfaceDescription& description);
    void Index();

    // Indexes of members in `members_` per invoke kind (function, get, put, put by reference).
    struct Kinds { short index[4] = {-1, -1, -1, -1}; };
    static int KindIndex(INVOKEKIND kind);
    const Kinds* KindsOf(DISPID id) const;

    IID iid_;
    std::vector<Member> members_;
    std::vector<Kinds> dense_;  // dispatch ids 0..n-1, the usual case
    std::vector<std::pair<DISPID, Kinds>> sparse_;  // any other id, sorted
    std::vector<std::pair<const wchar_t*, DISPID>> names_;  // sorted without regard to case
};

}  // namespace wx
