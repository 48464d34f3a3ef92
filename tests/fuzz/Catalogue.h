// What the fuzzer calls: every member of every creatable class, read from the library's own type
// library, with each parameter reduced to the kind of value it expects.
#pragma once
#include "frame/Handles.h"
#include <string>
#include <vector>

namespace wxfuzz {

enum class Kind { Text, Int16, Int32, Byte, Single, Double, Bool, Date, Currency, Variant, Object, Array, Record, Other };

struct Param {
    Kind kind = Kind::Variant;
    VARTYPE elementVt = VT_EMPTY;         // arrays: the declared element type
    bool byRef = false;
    bool optional = false;
    std::vector<LONG> enumValues;          // enumerations: the named values
    wx::ComPtr<IRecordInfo> record;        // records: how to make one
};

struct Member {
    std::wstring className;
    CLSID clsid = CLSID_NULL;
    std::wstring name;
    MEMBERID memid = 0;
    INVOKEKIND invkind = INVOKE_FUNC;
    std::vector<Param> params;             // inputs in call order (the result is not among them)
    bool returnsValue = false;
    const wchar_t* skipReason = nullptr;   // set when the member must not run on this machine

    std::wstring Label() const;            // "clsDrvInfo2.Get_Totals (call)"
};

struct Catalogue {
    std::vector<Member> members;           // type-library order
    std::vector<std::wstring> classes;     // creatable classes, including those without members
};

// Reads the type library embedded in the library file. Empty on failure (`error` says why).
Catalogue ReadCatalogue(const std::wstring& libraryPath, std::wstring& error);

// The members that run, after an optional "Class" or "Class.Member" filter; those on the skip list
// are called in the hostile sweep only.
std::vector<const Member*> Runnable(const Catalogue& catalogue, const std::wstring& only);

}  // namespace wxfuzz
