// Writes the descriptions of every interface of the built type libraries as a C++ source of the
// library (see src/frame/InterfaceDescription.h), read the way the library would read them at run
// time, so that a process's first late-bound call needs no type library. Each member of an
// interface with a function table gets its typed call (frame/TypedCall.h): the instantiation for
// the C++ types of its parameters, which widl gives the member from the same type description.
// Runs under Wine in the build, once per tree (its own bitness: function-table slots differ).
// usage: MakeDispatchTables OUT.cpp LIBRARY.tlb...
#include "frame/InterfaceDescription.h"
#include "frame/Handles.h"
#include <windows.h>
#include <oleauto.h>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

using namespace wx;

namespace {

std::string GuidLiteral(const GUID& g) {
    char text[128];
    std::snprintf(text, sizeof text, "{0x%08lX, 0x%04X, 0x%04X, {0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X}}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

// A wide literal; anything but plain printable ASCII as a hex escape that ends its own piece.
std::string TextLiteral(const wchar_t* text) {
    if (!text) return "nullptr";
    std::string out = "L\"";
    for (const wchar_t* c = text; *c; ++c) {
        if (*c >= 0x20 && *c < 0x7F && *c != L'"' && *c != L'\\' && *c != L'?') {
            out += static_cast<char>(*c);
        } else {
            char escape[32];
            std::snprintf(escape, sizeof escape, "\\x%04X\" L\"", static_cast<unsigned>(*c));
            out += escape;
        }
    }
    return out + "\"";
}

// The C++ type a member's function takes for a parameter of this type, as widl declares it (an
// enumeration as the LONG it is passed as, an interface and a record by their pointer); empty when
// the library has no typed call for it.
std::string CppType(const ParamDescription& p) {
    const bool byRef = (p.flags & kParamByRef) != 0;
    if (p.vt & VT_ARRAY) return byRef ? "SAFEARRAY**" : "SAFEARRAY*";
    if (p.vt == VT_RECORD) return byRef ? "void*" : "";  // a record by value: no member takes one
    const char* type = nullptr;
    switch (p.vt) {
    case VT_I1: type = "CHAR"; break;
    case VT_UI1: type = "BYTE"; break;
    case VT_I2: type = "SHORT"; break;
    case VT_UI2: type = "USHORT"; break;
    case VT_I4: type = "LONG"; break;
    case VT_UI4: type = "ULONG"; break;
    case VT_I8: type = "LONGLONG"; break;
    case VT_UI8: type = "ULONGLONG"; break;
    case VT_R4: type = "FLOAT"; break;
    case VT_R8: type = "DOUBLE"; break;
    case VT_CY: type = "CY"; break;
    case VT_DATE: type = "DATE"; break;
    case VT_BSTR: type = "BSTR"; break;
    case VT_ERROR: type = "SCODE"; break;
    case VT_BOOL: type = "VARIANT_BOOL"; break;
    case VT_VARIANT: type = "VARIANT"; break;
    case VT_DISPATCH: type = "IDispatch*"; break;
    case VT_UNKNOWN: type = "IUnknown*"; break;
    default: return "";  // DECIMAL and the rest: no member takes one
    }
    return std::string(type) + (byRef ? "*" : "");
}

class Writer {
public:
    // Pointers to GUIDs become names of constants made once per distinct GUID.
    std::string GuidRef(const GUID* g) {
        if (!g) return "nullptr";
        std::string literal = GuidLiteral(*g);
        for (size_t i = 0; i < guids_.size(); ++i)
            if (guids_[i] == literal) return "&g" + std::to_string(i);
        guids_.push_back(literal);
        return "&g" + std::to_string(guids_.size() - 1);
    }

    // False when a member of an interface with a function table has a type no typed call takes.
    bool Add(const InterfaceDescription& d, bool hasFunctionTable, const wchar_t* interfaceName) {
        size_t index = interfaces_.size();
        std::string members = "const MemberDescription m" + std::to_string(index) + "[] = {\n";
        for (USHORT i = 0; i < d.count; ++i) {
            const MemberDescription& m = d.members[i];
            std::string params = "nullptr";
            if (m.count) {
                params = "p" + std::to_string(index) + "_" + std::to_string(i);
                body_ += "const ParamDescription " + params + "[] = {\n";
                for (USHORT p = 0; p < m.count; ++p) {
                    const ParamDescription& pd = m.params[p];
                    char line[160];
                    std::snprintf(line, sizeof line, "    {0x%04X, 0x%X, ", pd.vt, pd.flags);
                    body_ += line + GuidRef(pd.iid) + ", " + GuidRef(pd.record) + ", ";
                    std::snprintf(line, sizeof line, "0x%04X, 0x%llXull, ", pd.defaultVt, pd.defaultBits);
                    body_ += line + TextLiteral(pd.defaultText) + "},\n";
                }
                body_ += "};\n";
            }
            std::string call = "nullptr";
            if (hasFunctionTable) {
                std::string types;
                for (USHORT p = 0; p < m.count; ++p) {
                    std::string type = CppType(m.params[p]);
                    if (type.empty()) {
                        std::fprintf(stderr, "MakeDispatchTables: %ls.%ls: parameter %u (type 0x%04X) has no typed call\n",
                                     interfaceName, m.name ? m.name : L"?", p + 1u, m.params[p].vt);
                        return false;
                    }
                    types += (p ? ", " : "") + type;
                }
                call = "&TypedCall<" + types + ">::Call";
            }
            char line[160];
            std::snprintf(line, sizeof line, ", %ld, static_cast<INVOKEKIND>(%d), %d, %s, %u, ", static_cast<long>(m.id),
                          static_cast<int>(m.kind), m.slot, m.hasResult ? "true" : "false", m.count);
            members += "    {" + TextLiteral(m.name) + line + params + ", " + call + "},\n";
        }
        members += "};\n";
        body_ += members;
        interfaces_.push_back("    {" + GuidRef(d.iid) + ", " + std::to_string(d.count) + ", m" + std::to_string(index) + "},\n");
        return true;
    }

    std::string Source() const {
        std::string out =
            "// Made by tools/dispatch-tables/MakeDispatchTables from the built type libraries: do not edit.\n"
            "#include \"frame/InterfaceDescription.h\"\n\nnamespace wx {\n\nnamespace {\n\n";
        for (size_t i = 0; i < guids_.size(); ++i) out += "const GUID g" + std::to_string(i) + " = " + guids_[i] + ";\n";
        out += "\n" + body_ + "\n}  // namespace\n\nconst InterfaceDescription kGeneratedInterfaces[] = {\n";
        for (const std::string& line : interfaces_) out += line;
        out += "};\nconst size_t kGeneratedInterfaceCount = " + std::to_string(interfaces_.size()) + ";\n\n}  // namespace wx\n";
        return out;
    }

private:
    std::vector<std::string> guids_;
    std::string body_;
    std::vector<std::string> interfaces_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: MakeDispatchTables OUT.cpp LIBRARY.tlb...\n");
        return 2;
    }
    Writer writer;
    std::set<std::string> seen;
    std::vector<ReadInterface> kept;
    for (int a = 2; a < argc; ++a) {
        ComPtr<ITypeLib> lib;
        if (FAILED(LoadTypeLibEx(argv[a], REGKIND_NONE, lib.put()))) {
            std::fprintf(stderr, "MakeDispatchTables: cannot load %ls\n", argv[a]);
            return 1;
        }
        for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
            TYPEKIND kind;
            if (FAILED(lib->GetTypeInfoType(i, &kind)) || (kind != TKIND_DISPATCH && kind != TKIND_INTERFACE)) continue;
            ComPtr<ITypeInfo> info;
            if (FAILED(lib->GetTypeInfo(i, info.put()))) return 1;
            ReadInterface read;
            HRESULT hr = read.Read(info.get());
            if (FAILED(hr)) {
                // The library cannot call it late-bound either: left to fail the same way at run time.
                Bstr name;
                info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
                std::fprintf(stderr, "MakeDispatchTables: %ls left out (0x%08lX)\n", name.get(), static_cast<unsigned long>(hr));
                continue;
            }
            // The first library that describes an interface is the one the library asks first.
            if (!seen.insert(GuidLiteral(*read.description().iid)).second) continue;
            // A dispatch-only interface (an event interface) has no function table to call.
            TypeAttr attr(info.get());
            bool hasFunctionTable = attr && !(attr->typekind == TKIND_DISPATCH && !(attr->wTypeFlags & TYPEFLAG_FDUAL));
            Bstr name;
            info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
            if (!writer.Add(read.description(), hasFunctionTable, name.get())) return 1;
        }
    }
    std::string source = writer.Source();
    FILE* out = _wfopen(argv[1], L"wb");
    if (!out) return 1;
    bool ok = std::fwrite(source.data(), 1, source.size(), out) == source.size();
    ok = std::fclose(out) == 0 && ok;
    if (!ok) DeleteFileW(argv[1]);
    return ok ? 0 : 1;
}
