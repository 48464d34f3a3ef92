// Writes down what the library's type library says about every class, as the platform's
// type-information interfaces report it to a host: per class its interfaces, members (method,
// property get, let or set), parameters (name, type as a Basic programmer writes it, by reference
// or by value, optional, default), results, one-line summaries and help contexts; the records and
// enumerations; the library's help file. The reference's generator (tools/docs/make-reference)
// turns the record of each build into the pages and the help file, so no member list is ever
// written by hand.
//
// usage: TypeLibFacts LIBRARY OUTPUT.json
#include "frame/Handles.h"
#include <cstdio>
#include <string>
#include <vector>

namespace {

using wx::Bstr;
using wx::ComPtr;
using wx::FuncDesc;
using wx::TypeAttr;

struct Apartment {
    HRESULT hr = CoInitialize(nullptr);
    ~Apartment() { if (SUCCEEDED(hr)) CoUninitialize(); }
};

struct Output {
    FILE* file = nullptr;
    ~Output() { if (file) fclose(file); }
};

// A variable description a type info lends out, given back on every path.
struct VarDesc {
    ITypeInfo* info;
    VARDESC* desc = nullptr;
    VarDesc(ITypeInfo* i, UINT index) : info(i) { if (FAILED(info->GetVarDesc(index, &desc))) desc = nullptr; }
    ~VarDesc() { if (desc) info->ReleaseVarDesc(desc); }
    VarDesc(const VarDesc&) = delete;
    VarDesc& operator=(const VarDesc&) = delete;
};

std::string Utf8(const wchar_t* text, size_t length) {
    if (!text || length == 0) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &out[0], size, nullptr, nullptr);
    return out;
}
std::string Utf8(const Bstr& text) { return Utf8(text.get(), text.length()); }
std::string Utf8(const std::wstring& text) { return Utf8(text.c_str(), text.size()); }

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buffer[8];
                snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

// A JSON object written field by field.
class Fields {
public:
    Fields& add(const char* name, const std::string& json) {
        text_ += (text_.empty() ? "{" : ", ") + Quoted(name) + ": " + json;
        return *this;
    }
    Fields& text(const char* name, const std::string& value) { return add(name, Quoted(value)); }
    Fields& number(const char* name, long long value) { return add(name, std::to_string(value)); }
    Fields& flag(const char* name, bool value) { return add(name, value ? "true" : "false"); }
    std::string str() const { return text_.empty() ? "{}" : text_ + "}"; }

private:
    std::string text_;
};

std::string List(const std::vector<std::string>& items, const char* indent) {
    if (items.empty()) return "[]";
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += std::string(i ? "," : "") + "\n" + indent + items[i];
    return out + "]";
}

struct Documentation {
    Bstr name, summary, helpFile;
    DWORD context = 0;
};
Documentation DocumentationOf(ITypeInfo* info, MEMBERID member) {
    Documentation d;
    info->GetDocumentation(member, d.name.put(), d.summary.put(), &d.context, d.helpFile.put());
    return d;
}

std::string GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return Utf8(std::wstring(text));
}

// The names Basic gives the automation types.
const char* BasicName(VARTYPE vt) {
    switch (vt) {
    case VT_I2: return "Integer";
    case VT_I4: case VT_INT: return "Long";
    case VT_I8: return "LongLong";
    case VT_R4: return "Single";
    case VT_R8: return "Double";
    case VT_CY: return "Currency";
    case VT_DATE: return "Date";
    case VT_BSTR: return "String";
    case VT_DISPATCH: return "Object";
    case VT_ERROR: return "SCODE";
    case VT_BOOL: return "Boolean";
    case VT_VARIANT: return "Variant";
    case VT_UNKNOWN: return "IUnknown";
    case VT_UI1: return "Byte";
    case VT_HRESULT: return "HRESULT";
    case VT_VOID: return "";
    default: return nullptr;
    }
}

// A type as Basic writes it after "As", and how many pointer levels stand for passing by
// reference (an interface or object type carries one level of its own).
struct BasicType {
    std::string name;
    std::string kind;  // "value", "object", "record", "enum", "array"
    int references = 0;
};

BasicType Describe(ITypeInfo* owner, const TYPEDESC& type);

BasicType DescribeUserDefined(ITypeInfo* owner, HREFTYPE ref) {
    ComPtr<ITypeInfo> target;
    if (FAILED(owner->GetRefTypeInfo(ref, target.put())) || !target) return {"?", "value", 0};
    Documentation doc = DocumentationOf(target.get(), MEMBERID_NIL);
    TypeAttr attr(target.get());
    std::string name = Utf8(doc.name);
    if (!attr) return {name, "value", 0};
    switch (attr->typekind) {
    case TKIND_ALIAS: return Describe(target.get(), attr->tdescAlias);  // Basic sees the target type
    case TKIND_ENUM: return {name, "enum", 0};
    case TKIND_RECORD: return {name, "record", 0};
    case TKIND_INTERFACE:
    case TKIND_DISPATCH:
    case TKIND_COCLASS:
        // The host runtime's collection interface is the Collection object to a Basic programmer.
        if (name == "_Collection") name = "Collection";
        return {name, "object", -1};
    default: return {name, "value", 0};
    }
}

BasicType Describe(ITypeInfo* owner, const TYPEDESC& type) {
    switch (type.vt) {
    case VT_PTR: {
        BasicType inner = Describe(owner, *type.lptdesc);
        inner.references += 1;
        return inner;
    }
    case VT_SAFEARRAY: {
        BasicType inner = Describe(owner, *type.lptdesc);
        return {inner.name + "()", "array", 0};
    }
    case VT_USERDEFINED: return DescribeUserDefined(owner, type.hreftype);
    case VT_DISPATCH: return {"Object", "object", 0};
    case VT_UNKNOWN: return {"IUnknown", "object", 0};
    default: {
        const char* name = BasicName(type.vt);
        return {name ? name : "VT" + std::to_string(type.vt), "value", 0};
    }
    }
}

std::string TypeFields(const BasicType& type) {
    return Fields().text("type", type.name).text("kind", type.kind).str();
}

// A default value as Basic writes it in a declaration.
std::string DefaultText(const VARIANT& value) {
    switch (V_VT(&value)) {
    case VT_BSTR: {
        std::string text = Utf8(V_BSTR(&value), SysStringLen(V_BSTR(&value)));
        std::string out = "\"";
        for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
        return out + "\"";
    }
    case VT_BOOL: return V_BOOL(&value) ? "True" : "False";
    case VT_DISPATCH:
    case VT_UNKNOWN: return V_UNKNOWN(&value) ? "(an object)" : "Nothing";
    case VT_EMPTY: return "Empty";
    case VT_NULL: return "Null";
    default: {
        wx::Variant text;
        if (SUCCEEDED(VariantChangeTypeEx(text.get(), const_cast<VARIANT*>(&value), MAKELCID(0x409, SORT_DEFAULT), 0,
                                          VT_BSTR)))
            return Utf8(V_BSTR(text.get()), SysStringLen(V_BSTR(text.get())));
        return "?";
    }
    }
}

const char* KindOf(const FUNCDESC& f) {
    switch (f.invkind) {
    case INVOKE_PROPERTYGET: return "get";
    case INVOKE_PROPERTYPUT: return "let";
    case INVOKE_PROPERTYPUTREF: return "set";
    default: return "method";
    }
}

std::string Member(ITypeInfo* info, UINT index) {
    FuncDesc func(info, index);
    if (!func) return Fields().text("error", "no description").str();
    const FUNCDESC& f = *func.get();
    std::vector<BSTR> names(static_cast<size_t>(f.cParams) + 1, nullptr);
    UINT count = 0;
    info->GetNames(f.memid, names.data(), static_cast<UINT>(names.size()), &count);
    std::vector<Bstr> owned;
    for (BSTR n : names) owned.push_back(Bstr::Attach(n));
    Documentation doc = DocumentationOf(info, f.memid);

    std::vector<std::string> params;
    std::string result = "null";
    for (SHORT i = 0; i < f.cParams; ++i) {
        const ELEMDESC& element = f.lprgelemdescParam[i];
        USHORT flags = element.paramdesc.wParamFlags;
        BasicType type = Describe(info, element.tdesc);
        if (flags & PARAMFLAG_FRETVAL) {
            type.references -= 1;  // the result's own pointer
            result = TypeFields(type);
            continue;
        }
        // The value a property assignment takes has no name in a type library (the compilers store
        // none), and the platform reports the names of a member id's first half for all its halves:
        // so it stays unnamed here, and the reference names it after its source.
        bool assigned = (f.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) && i == f.cParams - 1;
        const UINT place = static_cast<UINT>(i) + 1;  // the first name is the member's own
        std::string name = !assigned && place < count ? Utf8(owned[place]) : "";
        Fields p;
        p.text("name", name)
            .flag("assigned", assigned)
            .text("type", type.name)
            .text("kind", type.kind)
            .flag("byRef", type.references > 0)
            .flag("optional", (flags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT)) != 0)
            .flag("in", (flags & PARAMFLAG_FIN) != 0)
            .flag("out", (flags & PARAMFLAG_FOUT) != 0);
        if ((flags & PARAMFLAG_FHASDEFAULT) && element.paramdesc.pparamdescex)
            p.text("default", DefaultText(element.paramdesc.pparamdescex->varDefaultValue));
        params.push_back(p.str());
    }
    // A dispatch interface's own result (events, and a dual interface seen as dispatch).
    if (result == "null" && f.elemdescFunc.tdesc.vt != VT_HRESULT && f.elemdescFunc.tdesc.vt != VT_VOID)
        result = TypeFields(Describe(info, f.elemdescFunc.tdesc));
    return Fields()
        .text("name", Utf8(owned.empty() ? Bstr() : owned[0]))
        .text("kind", KindOf(f))
        .number("dispid", f.memid)
        .text("summary", Utf8(doc.summary))
        .number("helpContext", doc.context)
        .flag("hidden", (f.wFuncFlags & FUNCFLAG_FHIDDEN) != 0)
        .flag("restricted", (f.wFuncFlags & FUNCFLAG_FRESTRICTED) != 0)
        .add("params", List(params, "        "))
        .add("result", result)
        .str();
}

std::string Interface(ITypeInfo* info) {
    ComPtr<ITypeInfo> own(info);
    TypeAttr attr(info);
    if (!attr) return "null";
    // A dual interface lists its members in its function-table half, without those it inherits.
    if (attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL)) {
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> vtable;
        if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
            SUCCEEDED(info->GetRefTypeInfo(ref, vtable.put())) && vtable)
            own = vtable;
    }
    TypeAttr ownAttr(own.get());
    Documentation doc = DocumentationOf(own.get(), MEMBERID_NIL);
    std::vector<std::string> members;
    bool dispatchOnly = ownAttr->typekind == TKIND_DISPATCH;
    for (UINT i = 0; i < ownAttr->cFuncs; ++i) {
        FuncDesc func(own.get(), i);
        // A pure dispatch interface repeats IUnknown's and IDispatch's members (restricted).
        if (dispatchOnly && func && (func->wFuncFlags & FUNCFLAG_FRESTRICTED) && func->memid >= 0x60000000)
            continue;
        members.push_back(Member(own.get(), i));
    }
    return Fields()
        .text("name", Utf8(doc.name))
        .text("iid", GuidText(ownAttr->guid))
        .text("summary", Utf8(doc.summary))
        .number("helpContext", doc.context)
        .flag("dual", (attr->wTypeFlags & TYPEFLAG_FDUAL) != 0)
        .add("members", List(members, "      "))
        .str();
}

std::string Class(ITypeInfo* info, const TYPEATTR& attr) {
    Documentation doc = DocumentationOf(info, MEMBERID_NIL);
    std::string primary = "null", events = "null";
    for (UINT i = 0; i < attr.cImplTypes; ++i) {
        INT flags = 0;
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> implemented;
        if (FAILED(info->GetImplTypeFlags(i, &flags)) || FAILED(info->GetRefTypeOfImplType(i, &ref)) ||
            FAILED(info->GetRefTypeInfo(ref, implemented.put())) || !implemented)
            continue;
        if (!(flags & IMPLTYPEFLAG_FDEFAULT)) continue;
        (flags & IMPLTYPEFLAG_FSOURCE ? events : primary) = Interface(implemented.get());
    }
    return Fields()
        .text("name", Utf8(doc.name))
        .text("clsid", GuidText(attr.guid))
        .text("summary", Utf8(doc.summary))
        .number("helpContext", doc.context)
        .flag("appObject", (attr.wTypeFlags & TYPEFLAG_FAPPOBJECT) != 0)
        .flag("predeclared", (attr.wTypeFlags & TYPEFLAG_FPREDECLID) != 0)
        .flag("creatable", (attr.wTypeFlags & TYPEFLAG_FCANCREATE) != 0)
        .add("interface", primary)
        .add("events", events)
        .str();
}

// Records and enumerations: their fields or constants in order.
std::string Type(ITypeInfo* info, const TYPEATTR& attr) {
    Documentation doc = DocumentationOf(info, MEMBERID_NIL);
    std::vector<std::string> items;
    for (UINT i = 0; i < attr.cVars; ++i) {
        VarDesc var(info, i);
        if (!var.desc) continue;
        Documentation item = DocumentationOf(info, var.desc->memid);
        Fields f;
        f.text("name", Utf8(item.name));
        if (attr.typekind == TKIND_ENUM && var.desc->lpvarValue)
            f.text("value", DefaultText(*var.desc->lpvarValue));
        else
            f.add("type", TypeFields(Describe(info, var.desc->elemdescVar.tdesc)));
        items.push_back(f.str());
    }
    return Fields()
        .text("name", Utf8(doc.name))
        .text("kind", attr.typekind == TKIND_ENUM ? "enum" : "record")
        .text("guid", GuidText(attr.guid))
        .text("summary", Utf8(doc.summary))
        .number("helpContext", doc.context)
        .add("items", List(items, "      "))
        .str();
}

int Run(const wchar_t* library, const wchar_t* output) {
    Apartment apartment;
    ComPtr<ITypeLib> lib;
    HRESULT hr = LoadTypeLibEx(library, REGKIND_NONE, lib.put());
    if (FAILED(hr) || !lib) {
        fwprintf(stderr, L"TypeLibFacts: cannot load the type library of %ls (0x%08lx)\n", library,
                 static_cast<unsigned long>(hr));
        return 1;
    }
    TLIBATTR* libAttr = nullptr;
    if (FAILED(lib->GetLibAttr(&libAttr))) return 1;
    SYSKIND syskind = libAttr->syskind;
    std::string libid = GuidText(libAttr->guid);
    std::string version = std::to_string(libAttr->wMajorVerNum) + "." + std::to_string(libAttr->wMinorVerNum);
    lib->ReleaseTLibAttr(libAttr);
    Documentation doc;
    lib->GetDocumentation(-1, doc.name.put(), doc.summary.put(), &doc.context, doc.helpFile.put());

    std::vector<std::string> classes, types;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        ComPtr<ITypeInfo> info;
        if (FAILED(lib->GetTypeInfo(i, info.put())) || !info) continue;
        TypeAttr attr(info.get());
        if (!attr) continue;
        if (attr->typekind == TKIND_COCLASS) classes.push_back(Class(info.get(), *attr.get()));
        if (attr->typekind == TKIND_ENUM || attr->typekind == TKIND_RECORD)
            types.push_back(Type(info.get(), *attr.get()));
    }
    std::string text = Fields()
                           .text("name", Utf8(doc.name))
                           .text("libid", libid)
                           .text("version", version)
                           .text("syskind", syskind == SYS_WIN64 ? "win64" : syskind == SYS_WIN32 ? "win32" : "other")
                           .text("summary", Utf8(doc.summary))
                           .text("helpFile", Utf8(doc.helpFile))
                           .number("helpContext", doc.context)
                           .add("classes", List(classes, "  "))
                           .add("types", List(types, "  "))
                           .str();
    Output out;
    if (_wfopen_s(&out.file, output, L"wb") != 0 || !out.file) {
        fwprintf(stderr, L"TypeLibFacts: cannot write %ls\n", output);
        return 1;
    }
    fputs(text.c_str(), out.file);
    fputs("\n", out.file);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fwprintf(stderr, L"usage: TypeLibFacts LIBRARY OUTPUT.json\n");
        return 2;
    }
    return Run(argv[1], argv[2]);
}
