#include "fuzz/Values.h"
#include <cmath>
#include <cstring>
#include <cwchar>
#include <limits>

namespace wxfuzz {

const wchar_t* const kSeedFiles[] = {L"a.txt", L"1.ini", L"sub\\b.txt", nullptr};

Random::Random(uint64_t seed, uint64_t stream) : state_(seed * 0x9E3779B97F4A7C15ULL ^ (stream + 0x632BE59BD9B4E019ULL)) {
    Next();
    Next();
}

uint32_t Random::Next() {  // splitmix64
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 16);
}

Argument::Argument() : links(), handMade() {
    VariantInit(&arg);
    VariantInit(&held);
}

Argument::~Argument() {
    if (hostile) return;  // points into the fuzzer's own storage, or holds nothing valid to free
    // By-reference forms point into `held`; by-value forms own their value in `arg`.
    if (V_VT(&arg) & VT_BYREF) VariantInit(&arg);
    if (record) {
        if (V_VT(&arg) == VT_RECORD && V_RECORD(&arg) == record) {
            if (V_RECORDINFO(&arg)) V_RECORDINFO(&arg)->Release();
            VariantInit(&arg);
        }
        if (V_VT(&held) == VT_RECORD && V_RECORD(&held) == record) VariantInit(&held);
        recordInfo->RecordDestroy(record);
    }
    VariantClear(&arg);
    VariantClear(&held);
}

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Texts never hold a path separator, a drive colon or "..": whatever a member makes of them stays
// inside the scratch drive the worker runs in.
std::wstring Text(Random& rng, std::wstring& label, bool& isNull) {
    isNull = false;
    switch (rng.Below(24)) {
    case 0: isNull = true; label = L"null text"; return L"";
    case 1: case 2: label = L"\"\""; return L"";
    case 3: label = L"text[100000]"; return std::wstring(100000, L'A');
    case 4: label = L"text[300]"; return std::wstring(300, L'x');
    case 5: label = L"\"a<NUL>b<NUL>\""; return std::wstring(L"a\0b\0", 4);
    case 6: label = L"<NUL>"; return std::wstring(1, L'\0');
    case 7: label = L"non-ANSI text"; return L"\x0416\x4E2D\x20AC\xD83D\xDE00z";
    case 8: label = L"lone surrogate"; return L"\xD800x";
    case 9: label = L"\"stop\""; return L"stop";
    case 10: label = L"\"STOP\""; return L"STOP";
    case 11: label = L"\"12\""; return L"12";
    case 12: label = L"\"-7.5\""; return L"-7.5";
    case 13: label = L"\"1e400\""; return L"1e400";
    case 14: label = L"\" 42 \""; return L" 42 ";
    case 15: label = L"\"a.txt\""; return L"a.txt";
    case 16: label = L"\"1.ini\""; return L"1.ini";
    case 17: label = L"\"sub\""; return L"sub";
    case 18: label = L"\"*.*\""; return L"*.*";
    case 19: label = L"\"new.bin\""; return L"new.bin";
    case 20: label = L"\"31/12/1999\""; return L"31/12/1999";
    case 21: label = L"\"  \""; return L"  ";
    case 22: label = L"\"CR LF TAB\""; return L"\r\n\t";
    default: label = L"\"FAIL\""; return L"FAIL";
    }
}

void SetText(VARIANT* v, Random& rng, std::wstring& label) {
    bool isNull;
    std::wstring text = Text(rng, label, isNull);
    V_VT(v) = VT_BSTR;
    V_BSTR(v) = isNull ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void SetInt16(VARIANT* v, Random& rng, std::wstring& label) {
    const SHORT values[] = {0, 1, -1, 2, 4, 8, 255, 256, 32767, -32768, 100};
    V_VT(v) = VT_I2;
    V_I2(v) = values[rng.Below(sizeof values / sizeof values[0])];
    label = L"Integer " + std::to_wstring(V_I2(v));
}

void SetInt32(VARIANT* v, Random& rng, std::wstring& label, const std::vector<LONG>* named) {
    const LONG values[] = {0, 1, -1, 2, 3, 5, 255, 65536, 3000, 2147483647, -2147483647 - 1, -2147483647};
    V_VT(v) = VT_I4;
    if (named && !named->empty() && rng.Chance(70)) V_I4(v) = (*named)[rng.Below(static_cast<uint32_t>(named->size()))];
    else V_I4(v) = values[rng.Below(sizeof values / sizeof values[0])];
    label = L"Long " + std::to_wstring(V_I4(v));
}

void SetDouble(VARIANT* v, Random& rng, std::wstring& label, bool single) {
    const double values[] = {0.0, -0.0, 0.5, 1.5, 2.5, -1.0, 1e308, -1e308, kNaN, kInf, -kInf, 4.9e-324, 2147483647.5, 32767.5, 3.5e38};
    double d = values[rng.Below(sizeof values / sizeof values[0])];
    if (single) {
        V_VT(v) = VT_R4;
        V_R4(v) = static_cast<float>(d);
        label = L"Single " + std::to_wstring(V_R4(v));
    } else {
        V_VT(v) = VT_R8;
        V_R8(v) = d;
        label = L"Double " + std::to_wstring(d);
    }
}

void SetBool(VARIANT* v, Random& rng, std::wstring& label) {
    const VARIANT_BOOL values[] = {VARIANT_TRUE, VARIANT_FALSE, 1};
    V_VT(v) = VT_BOOL;
    V_BOOL(v) = values[rng.Below(3)];
    label = L"Boolean " + std::to_wstring(V_BOOL(v));
}

void SetDate(VARIANT* v, Random& rng, std::wstring& label) {
    const double values[] = {0.0, -657434.0, 2958465.0, 45000.75, 1e7, -1e7};
    V_VT(v) = VT_DATE;
    V_DATE(v) = values[rng.Below(sizeof values / sizeof values[0])];
    label = L"Date " + std::to_wstring(V_DATE(v));
}

void SetOther(VARIANT* v, Random& rng, std::wstring& label) {
    switch (rng.Below(4)) {
    case 0: V_VT(v) = VT_CY; V_CY(v).int64 = rng.Chance(50) ? 0x7FFFFFFFFFFFFFFFLL : -15000; label = L"Currency"; break;
    case 1: V_VT(v) = VT_UI1; V_UI1(v) = rng.Chance(50) ? 0 : 255; label = L"Byte " + std::to_wstring(V_UI1(v)); break;
    case 2: V_VT(v) = VT_ERROR; V_ERROR(v) = static_cast<SCODE>(0x800A0005); label = L"Error value"; break;
    default: {
        DECIMAL d;
        memset(&d, 0, sizeof d);
        d.Lo64 = 0xFFFFFFFFFFFFFFFFULL;
        d.Hi32 = 0xFFFFFFFF;
        V_DECIMAL(v) = d;
        V_VT(v) = VT_DECIMAL;
        label = L"Decimal max";
    }
    }
}

void SetObject(VARIANT* v, Random& rng, const ValueContext& context, std::wstring& label) {
    switch (rng.Below(5)) {
    case 0: V_VT(v) = VT_DISPATCH; V_DISPATCH(v) = nullptr; label = L"Nothing"; break;
    case 1: V_VT(v) = VT_UNKNOWN; V_UNKNOWN(v) = nullptr; label = L"Nothing (IUnknown)"; break;
    case 2:
        V_VT(v) = VT_DISPATCH;
        V_DISPATCH(v) = context.picture;
        if (context.picture) context.picture->AddRef();
        label = L"picture";
        break;
    default:
        V_VT(v) = VT_DISPATCH;
        V_DISPATCH(v) = context.hostDouble;
        if (context.hostDouble) context.hostDouble->AddRef();
        label = L"host double";
    }
}

void SetArray(VARIANT* v, Random& rng, const ValueContext& context, VARTYPE wanted, std::wstring& label) {
    VARTYPE vts[] = {wanted == VT_EMPTY ? static_cast<VARTYPE>(VT_BSTR) : wanted, VT_VARIANT, VT_BSTR, VT_I4, VT_UI1, VT_DISPATCH};
    VARTYPE element = rng.Chance(60) ? vts[0] : vts[rng.Below(6)];
    if (element == VT_EMPTY || element == VT_USERDEFINED) element = VT_VARIANT;
    V_VT(v) = VT_ARRAY | element;
    V_ARRAY(v) = nullptr;
    const wchar_t* shape;
    SAFEARRAYBOUND bounds[2] = {{0, 0}, {0, 0}};
    UINT dims = 1;
    switch (rng.Below(6)) {
    case 0: label = L"array without bounds"; return;  // an uninitialised dynamic array
    case 1: bounds[0] = {0, 0}; shape = L"[0 elements]"; break;
    case 2: bounds[0] = {3, 1}; shape = L"[1 to 3]"; break;
    case 3: bounds[0] = {2, 5}; shape = L"[5 to 6]"; break;
    case 4: dims = 2; bounds[0] = {2, 0}; bounds[1] = {3, 1}; shape = L"[2 x 3]"; break;
    default: bounds[0] = {200, 0}; shape = L"[0 to 199]"; break;
    }
    SAFEARRAY* array = SafeArrayCreate(element, dims, bounds);
    if (!array) { label = L"array (allocation failed)"; return; }
    ULONG total = bounds[0].cElements * (dims == 2 ? bounds[1].cElements : 1);
    void* data = nullptr;
    if (total && SUCCEEDED(SafeArrayAccessData(array, &data))) {
        for (ULONG i = 0; i < total; ++i) {
            std::wstring ignored;
            switch (element) {
            case VT_BSTR: {
                VARIANT t;
                VariantInit(&t);
                SetText(&t, rng, ignored);
                static_cast<BSTR*>(data)[i] = V_BSTR(&t);
                break;
            }
            case VT_VARIANT: {
                VARIANT* slot = static_cast<VARIANT*>(data) + i;
                switch (rng.Below(4)) {
                case 0: SetText(slot, rng, ignored); break;
                case 1: SetInt32(slot, rng, ignored, nullptr); break;
                case 2: SetObject(slot, rng, context, ignored); break;
                default: break;  // Empty
                }
                break;
            }
            case VT_I4: static_cast<LONG*>(data)[i] = static_cast<LONG>(rng.Next()); break;
            case VT_UI1: static_cast<BYTE*>(data)[i] = static_cast<BYTE>(rng.Next()); break;
            case VT_DISPATCH:
                static_cast<IDispatch**>(data)[i] = context.hostDouble;
                if (context.hostDouble) context.hostDouble->AddRef();
                break;
            default: break;
            }
        }
        SafeArrayUnaccessData(array);
    }
    V_ARRAY(v) = array;
    const wchar_t* names[] = {L"String", L"Variant", L"Long", L"Byte", L"Object"};
    const wchar_t* name = element == VT_BSTR ? names[0] : element == VT_VARIANT ? names[1] : element == VT_I4 ? names[2]
                          : element == VT_UI1 ? names[3] : names[4];
    label = std::wstring(name) + L"()" + shape;
}

// A value of any kind at all.
void SetAny(VARIANT* v, Random& rng, const ValueContext& context, std::wstring& label) {
    switch (rng.Below(12)) {
    case 0: label = L"Empty"; break;
    case 1: V_VT(v) = VT_NULL; label = L"Null"; break;
    case 2: SetInt16(v, rng, label); break;
    case 3: SetInt32(v, rng, label, nullptr); break;
    case 4: SetDouble(v, rng, label, rng.Chance(30)); break;
    case 5: SetBool(v, rng, label); break;
    case 6: SetDate(v, rng, label); break;
    case 7: case 8: SetText(v, rng, label); break;
    case 9: SetObject(v, rng, context, label); break;
    case 10: SetArray(v, rng, context, VT_VARIANT, label); break;
    default: SetOther(v, rng, label); break;
    }
}

void SetRecord(Argument& a, const Param& p, Random& rng, std::wstring& label) {
    a.recordInfo = p.record;
    a.record = p.record->RecordCreate();
    if (!a.record) { label = L"record (allocation failed)"; return; }
    ULONG size = 0;
    p.record->GetSize(&size);
    // Records of this library hold Integers and Longs only where they are filled here; fields of
    // other types (texts) keep the zeroes RecordCreate gave them.
    wx::ComPtr<ITypeInfo> info;
    p.record->GetTypeInfo(info.put());
    TYPEATTR* attr = nullptr;
    if (info && SUCCEEDED(info->GetTypeAttr(&attr))) {
        for (UINT i = 0; i < attr->cVars; ++i) {
            VARDESC* var = nullptr;
            if (FAILED(info->GetVarDesc(i, &var))) continue;
            char* field = static_cast<char*>(a.record) + var->oInst;
            const SHORT shorts[] = {0, 255, 256, -1, 32767, -32768, 128};
            if (var->elemdescVar.tdesc.vt == VT_I2) *reinterpret_cast<SHORT*>(field) = shorts[rng.Below(7)];
            else if (var->elemdescVar.tdesc.vt == VT_I4) *reinterpret_cast<LONG*>(field) = rng.Chance(50) ? 0 : -1;
            info->ReleaseVarDesc(var);
        }
        info->ReleaseTypeAttr(attr);
    }
    V_VT(&a.arg) = VT_RECORD;
    V_RECORD(&a.arg) = a.record;
    V_RECORDINFO(&a.arg) = p.record.get();
    p.record->AddRef();
    wx::Bstr name;
    p.record->GetName(name.put());
    label = std::wstring(L"record ") + (name.isNull() ? L"" : name.get());
}

// A value suited to the declared parameter most of the time, anything otherwise.
void SetFor(VARIANT* v, const Param& p, Random& rng, const ValueContext& context, std::wstring& label) {
    if (rng.Chance(30)) { SetAny(v, rng, context, label); return; }
    switch (p.kind) {
    case Kind::Text: SetText(v, rng, label); break;
    case Kind::Int16: SetInt16(v, rng, label); break;
    case Kind::Int32: SetInt32(v, rng, label, &p.enumValues); break;
    case Kind::Byte: SetOther(v, rng, label); break;
    case Kind::Single: SetDouble(v, rng, label, true); break;
    case Kind::Double: SetDouble(v, rng, label, false); break;
    case Kind::Bool: SetBool(v, rng, label); break;
    case Kind::Date: SetDate(v, rng, label); break;
    case Kind::Object: SetObject(v, rng, context, label); break;
    case Kind::Array: SetArray(v, rng, context, p.elementVt, label); break;
    default: SetAny(v, rng, context, label); break;
    }
}

// Puts the value into its calling form: by value, as a script variable (VT_VARIANT|VT_BYREF), or
// as a typed variable (VT_BYREF|type) the way compiled hosts pass it.
void ChooseForm(Argument& a, Random& rng) {
    uint32_t form = rng.Below(100);
    VARTYPE vt = V_VT(&a.arg);
    if (form < 45 || vt == VT_RECORD) return;
    a.held = a.arg;
    VariantInit(&a.arg);
    bool typedRefOk = vt != VT_EMPTY && vt != VT_NULL && vt != VT_DECIMAL;
    if (form < 80 || !typedRefOk) {
        V_VT(&a.arg) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&a.arg) = &a.held;
        a.description = L"ByRef " + a.description;
        return;
    }
    V_VT(&a.arg) = VT_BYREF | vt;
    V_BYREF(&a.arg) = (vt & VT_ARRAY) ? static_cast<void*>(&V_ARRAY(&a.held)) : static_cast<void*>(&V_I4(&a.held));
    a.description = L"typed ByRef " + a.description;
}

// Hostile values. Every VARIANT and descriptor they point into lives in the Argument.
const VARTYPE kNullReferenceTypes[] = {
    VT_I2, VT_I4, VT_R4, VT_R8, VT_CY, VT_DATE, VT_BSTR, VT_DISPATCH, VT_ERROR, VT_BOOL, VT_VARIANT, VT_UNKNOWN,
    VT_DECIMAL, VT_I1, VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT, VT_RECORD,
    VT_ARRAY | VT_BSTR, VT_ARRAY | VT_VARIANT, VT_ARRAY | VT_UI1,
};
const int kNullReferences = sizeof kNullReferenceTypes / sizeof kNullReferenceTypes[0];
// Chains null at depth 2, 3 and 4 (depth 1 is the null VT_BYREF|VT_VARIANT above), chains ending
// at a null text reference at depth 1, 2 and 3, and a chain that loops.
const int kChains = 7;
// The last: a record without its record information.
const VARTYPE kUnusableTypes[] = {
    0x7FFF, VT_TYPEMASK, VT_VECTOR | VT_I4, VT_RESERVED | VT_I4, VT_BYREF, VT_BYREF | VT_NULL, VT_VARIANT,
    VT_ARRAY | VT_EMPTY, VT_LPSTR, VT_PTR, VT_CLSID, VT_RECORD,
};
const int kUnusable = sizeof kUnusableTypes / sizeof kUnusableTypes[0];
const wchar_t* const kArrayFaults[] = {
    L"no dimensions", L"element size of another type", L"features of another type", L"element count overflow",
    L"upper bound overflow", L"no data", L"hidden type of another type", L"Variant() holding a null reference",
    L"by reference, no dimensions", L"records without their information",
};
const int kArrays = sizeof kArrayFaults / sizeof kArrayFaults[0];
const BlockFault kBlockFaults[] = {BlockFault::ArgumentsWithoutArray, BlockFault::NamesWithoutList,
                                   BlockFault::MoreNamesThanArguments, BlockFault::UnknownName, BlockFault::NamedTwice};
const int kBlocks = sizeof kBlockFaults / sizeof kBlockFaults[0];

std::wstring Hex(unsigned value) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%X", value);
    return text;
}

void Point(VARIANT& v, VARTYPE vt, void* target) {
    VariantInit(&v);
    V_VT(&v) = vt;
    V_BYREF(&v) = target;
}

void MakeChain(Argument& a, int which) {
    if (which == kChains - 1) {
        Point(a.links[0], VT_BYREF | VT_VARIANT, &a.links[0]);
        Point(a.arg, VT_BYREF | VT_VARIANT, &a.links[0]);
        a.description = L"chain of variables that loops";
        return;
    }
    bool endsInText = which >= 3;
    int depth = endsInText ? which - 2 : which + 2;  // 2..4, or 1..3
    int links = endsInText ? depth : depth - 1;
    for (int i = 0; i < links; ++i) Point(a.links[i], VT_BYREF | VT_VARIANT, i + 1 < links ? &a.links[i + 1] : nullptr);
    if (endsInText) Point(a.links[links - 1], VT_BYREF | VT_BSTR, nullptr);
    Point(a.arg, VT_BYREF | VT_VARIANT, &a.links[0]);
    a.description = L"chain null at depth " + std::to_wstring(depth) + (endsInText ? L" (a text reference)" : L"");
}

void MakeBrokenArray(Argument& a, int which) {
    HandMadeArray& m = a.handMade;
    SAFEARRAY& s = m.array;
    s.cDims = 1;
    s.fFeatures = FADF_BSTR;
    s.cbElements = sizeof(BSTR);
    s.pvData = m.data;
    s.rgsabound[0].cElements = 1;
    VARTYPE vt = VT_ARRAY | VT_BSTR;
    switch (which) {
    case 0: s.cDims = 0; break;
    case 1: s.cbElements = 1; break;
    case 2: s.fFeatures = FADF_VARIANT; break;
    case 3: s.cDims = 2; s.rgsabound[0].cElements = 0x10000; m.second.cElements = 0x10001; break;
    case 4: s.rgsabound[0].lLbound = 0x7FFFFFFF; s.rgsabound[0].cElements = 2; break;
    case 5: s.pvData = nullptr; break;
    case 6: vt = VT_ARRAY | VT_I4; s.cbElements = 4; s.fFeatures = FADF_HAVEVARTYPE; m.hidden[3] = VT_BSTR; break;
    case 7:
        vt = VT_ARRAY | VT_VARIANT;
        s.fFeatures = FADF_VARIANT;
        s.cbElements = sizeof(VARIANT);
        Point(m.data[0], VT_BYREF | VT_I4, nullptr);
        break;
    case 8:
        s.cDims = 0;
        V_VT(&a.held) = VT_ARRAY | VT_BSTR;
        V_ARRAY(&a.held) = &s;
        Point(a.arg, VT_BYREF | VT_ARRAY | VT_BSTR, &V_ARRAY(&a.held));
        a.description = std::wstring(L"broken array: ") + kArrayFaults[which];
        return;
    default: vt = VT_ARRAY | VT_RECORD; s.fFeatures = FADF_RECORD; s.cbElements = 8; break;
    }
    V_VT(&a.arg) = vt;
    V_ARRAY(&a.arg) = &s;
    a.description = std::wstring(L"broken array: ") + kArrayFaults[which];
}

// One hostile value (which < HostileValueCount()).
void MakeHostileValue(int which, Argument& a) {
    a.hostile = true;
    VariantInit(&a.arg);
    if (which < kNullReferences) {
        VARTYPE vt = kNullReferenceTypes[which];
        Point(a.arg, VT_BYREF | vt, nullptr);
        a.description = L"null reference (VT_BYREF|" + Hex(vt) + L")";
        return;
    }
    which -= kNullReferences;
    if (which < kChains) { MakeChain(a, which); return; }
    which -= kChains;
    if (which < kUnusable) {
        VARTYPE vt = kUnusableTypes[which];
        V_VT(&a.arg) = vt;
        if (vt == VT_RECORD) V_RECORD(&a.arg) = a.handMade.data;  // data, but no record information
        a.description = L"unusable type " + Hex(vt);
        return;
    }
    MakeBrokenArray(a, which - kUnusable);
}

const int kHostileValues = kNullReferences + kChains + kUnusable + kArrays;

}  // namespace

int HostileCaseCount() { return kHostileValues + kBlocks; }

BlockFault MakeHostileCase(int which, Argument& a) {
    if (which < kHostileValues) {
        MakeHostileValue(which, a);
        return BlockFault::None;
    }
    return kBlockFaults[which - kHostileValues];
}

const wchar_t* BlockFaultName(BlockFault fault) {
    switch (fault) {
    case BlockFault::ArgumentsWithoutArray: return L"arguments counted, no array";
    case BlockFault::NamesWithoutList: return L"names counted, no list";
    case BlockFault::MoreNamesThanArguments: return L"more names than arguments";
    case BlockFault::UnknownName: return L"a name of no parameter";
    case BlockFault::NamedTwice: return L"a parameter named twice";
    default: return L"";
    }
}

BlockFault MakeSweepArguments(const Member& member, int which, std::vector<std::unique_ptr<Argument>>& out) {
    out.clear();
    size_t count = member.params.empty() ? 1 : member.params.size();
    size_t target = static_cast<size_t>(which) % count;
    BlockFault fault = BlockFault::None;
    for (size_t i = 0; i < count; ++i) {
        out.emplace_back(new Argument());
        Argument& a = *out.back();
        if (i == target && which < kHostileValues) {
            MakeHostileValue(which, a);
            continue;
        }
        V_VT(&a.arg) = VT_ERROR;
        V_ERROR(&a.arg) = DISP_E_PARAMNOTFOUND;
        a.description = L"missing";
    }
    if (which >= kHostileValues) fault = kBlockFaults[which - kHostileValues];
    if (fault == BlockFault::NamedTwice && out.size() < 2) {
        out.emplace_back(new Argument());
        V_VT(&out.back()->arg) = VT_ERROR;
        V_ERROR(&out.back()->arg) = DISP_E_PARAMNOTFOUND;
        out.back()->description = L"missing";
    }
    return fault;
}

BlockFault MakeArguments(const Member& member, Random& rng, const ValueContext& context,
                         std::vector<std::unique_ptr<Argument>>& out) {
    out.clear();
    size_t count = member.params.size();
    uint32_t shape = rng.Below(100);
    if (shape < 6 && count > 0) count -= 1 + rng.Below(static_cast<uint32_t>(count));  // too few
    else if (shape < 12) count += 1 + rng.Below(2);                                    // too many
    bool trimOptional = rng.Chance(25);  // leave out trailing optional parameters
    if (trimOptional && count <= member.params.size()) {
        while (count > 0 && member.params[count - 1].optional && rng.Chance(60)) --count;
    }
    for (size_t i = 0; i < count; ++i) {
        out.emplace_back(new Argument());
        Argument& a = *out.back();
        if (rng.Chance(3)) {  // a malformed argument, which is refused whatever the rest
            MakeHostileValue(static_cast<int>(rng.Below(kHostileValues)), a);
            continue;
        }
        if (i < member.params.size()) {
            const Param& p = member.params[i];
            if (rng.Chance(8)) {
                V_VT(&a.arg) = VT_ERROR;
                V_ERROR(&a.arg) = DISP_E_PARAMNOTFOUND;
                a.description = L"missing";
                continue;
            }
            if (p.kind == Kind::Record && rng.Chance(70)) SetRecord(a, p, rng, a.description);
            else SetFor(&a.arg, p, rng, context, a.description);
        } else {
            SetAny(&a.arg, rng, context, a.description);
            a.description = L"extra " + a.description;
        }
        ChooseForm(a, rng);
    }
    if (!rng.Chance(2)) return BlockFault::None;
    // Now and then a block that contradicts itself (with an argument for the names to count).
    if (out.empty()) {
        out.emplace_back(new Argument());
        V_VT(&out.back()->arg) = VT_ERROR;
        V_ERROR(&out.back()->arg) = DISP_E_PARAMNOTFOUND;
        out.back()->description = L"missing";
    }
    return kBlockFaults[rng.Below(kBlocks)];
}

void MakeHostAnswer(Random& rng, const wchar_t* name, HWND window, HDC dc, IDispatch* self, VARIANT* out) {
    VariantInit(out);
    std::wstring n(name ? name : L"");
    for (auto& c : n) c = static_cast<wchar_t>(towlower(c));
    if (n == L"hwnd" && rng.Chance(70)) { V_VT(out) = VT_I4; V_I4(out) = static_cast<LONG>(reinterpret_cast<INT_PTR>(window)); return; }
    if (n == L"hdc" && rng.Chance(70)) { V_VT(out) = VT_I4; V_I4(out) = static_cast<LONG>(reinterpret_cast<INT_PTR>(dc)); return; }
    switch (rng.Below(10)) {
    case 0: break;  // Empty
    case 1: V_VT(out) = VT_I2; V_I2(out) = 0; break;
    case 2: V_VT(out) = VT_I4; V_I4(out) = -1; break;
    case 3: V_VT(out) = VT_I4; V_I4(out) = 15; break;
    case 4: V_VT(out) = VT_R8; V_R8(out) = 100.5; break;
    case 5: V_VT(out) = VT_BSTR; V_BSTR(out) = SysAllocString(L"12"); break;
    case 6: V_VT(out) = VT_BSTR; V_BSTR(out) = SysAllocString(L"x"); break;
    case 7: V_VT(out) = VT_NULL; break;
    case 8: V_VT(out) = VT_DISPATCH; V_DISPATCH(out) = self; self->AddRef(); break;
    default: V_VT(out) = VT_I4; V_I4(out) = 2; break;
    }
}

}  // namespace wxfuzz
