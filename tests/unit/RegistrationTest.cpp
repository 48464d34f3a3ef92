// Registration of the whole catalogue, round trip: with the library unregistered, a snapshot of
// the classes root; register; every class creates by its ProgID; unregister; the snapshot must be
// what it was. The snapshot holds the names below HKCR, HKCR\CLSID, HKCR\Interface and
// HKCR\TypeLib, and the whole content (subkeys and values) of every key named after one of the
// library's identities, so a stray key anywhere there, or one left inside a shared key, shows.
// The test registers the library again at its end, since the other tests run registered.
#include "support/Library.h"
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

using namespace wxtest;

namespace {

using Snapshot = std::set<std::wstring>;

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    wx::RegKey key;
    if (RegOpenKeyExW(root, path.empty() ? nullptr : path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    wchar_t name[512];
    for (DWORD i = 0;; ++i) {
        DWORD size = 512;
        LONG status = RegEnumKeyExW(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS) names.push_back(name);
    }
    return names;
}

// Every subkey and value below `path`, as "path" and "path : name = data" lines.
void DumpTree(HKEY root, const std::wstring& path, Snapshot& out) {
    wx::RegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    out.insert(path);
    wchar_t name[512];
    BYTE data[2048];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = 512, dataSize = sizeof data, type = 0;
        LONG status = RegEnumValueW(key.get(), i, name, &nameSize, nullptr, &type, data, &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;
        std::wstring text = type == REG_SZ ? std::wstring(reinterpret_cast<wchar_t*>(data), dataSize / sizeof(wchar_t))
                                           : std::to_wstring(dataSize) + L" bytes";
        out.insert(path + L" : " + name + L" = " + text);
    }
    for (const std::wstring& sub : SubkeyNames(root, path)) DumpTree(root, path + L"\\" + sub, out);
}

struct Identity {
    std::vector<std::wstring> classNames;  // creatable classes
    std::vector<std::wstring> keys;        // HKCR paths named after the library's identities
};

Identity LibraryIdentity() {
    Identity id;
    wx::ComPtr<ITypeLib> lib;
    if (FAILED(LoadTypeLibEx(LibraryPath().c_str(), REGKIND_NONE, lib.put()))) return id;
    TLIBATTR* libAttr = nullptr;
    lib->GetLibAttr(&libAttr);
    id.keys.push_back(L"TypeLib\\" + GuidText(libAttr->guid));
    lib->ReleaseTLibAttr(libAttr);
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        wx::ComPtr<ITypeInfo> info;
        if (FAILED(lib->GetTypeInfo(i, info.put()))) continue;
        TYPEATTR* attr = nullptr;
        if (FAILED(info->GetTypeAttr(&attr))) continue;
        wx::Bstr name;
        info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
        std::wstring guid = GuidText(attr->guid);
        if (attr->typekind == TKIND_COCLASS) {
            id.keys.push_back(L"CLSID\\" + guid);
            id.keys.push_back(L"WENDRAX1." + std::wstring(name.get()));
            if (attr->wTypeFlags & TYPEFLAG_FCANCREATE) id.classNames.push_back(name.get());
        } else if (attr->typekind == TKIND_DISPATCH || attr->typekind == TKIND_INTERFACE) {
            id.keys.push_back(L"Interface\\" + guid);
        } else {
            id.keys.push_back(L"Record\\" + guid);
        }
        info->ReleaseTypeAttr(attr);
    }
    return id;
}

Snapshot Take(const Identity& id) {
    Snapshot s;
    for (const std::wstring& n : SubkeyNames(HKEY_CLASSES_ROOT, L"")) s.insert(L"HKCR\\" + n);
    for (const wchar_t* branch : {L"CLSID", L"Interface", L"TypeLib"})
        for (const std::wstring& n : SubkeyNames(HKEY_CLASSES_ROOT, branch)) s.insert(std::wstring(branch) + L"\\" + n);
    for (const std::wstring& key : id.keys) DumpTree(HKEY_CLASSES_ROOT, key, s);
    return s;
}

std::string Difference(const Snapshot& a, const Snapshot& b) {
    std::string out;
    for (const auto& x : a)
        if (!b.count(x)) out += "\n  only before: " + Narrow(x);
    for (const auto& x : b)
        if (!a.count(x)) out += "\n  only after:  " + Narrow(x);
    return out;
}

HRESULT CallExport(const char* name) {
    using Fn = HRESULT(WINAPI*)();
    auto fn = reinterpret_cast<Fn>(GetProcAddress(LibraryModule(), name));
    return fn ? fn() : E_FAIL;
}

// Leaves the library registered however the test ends.
struct RegisterAgainAtEnd {
    ~RegisterAgainAtEnd() { EXPECT_EQ(CallExport("DllRegisterServer"), S_OK); }
};

TEST(Registration, UnregisteringLeavesTheClassesRootAsItWas) {
    Identity id = LibraryIdentity();
    ASSERT_EQ(id.classNames.size(), 22u);
    RegisterAgainAtEnd guard;

    ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
    Snapshot before = Take(id);
    for (const std::wstring& key : id.keys)
        EXPECT_EQ(before.count(key), 0u) << "left by an earlier registration: " << Narrow(key);

    ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
    Snapshot registered = Take(id);
    EXPECT_NE(registered, before) << "registration wrote nothing";
    for (const std::wstring& cls : id.classNames) {
        std::wstring progId = L"WENDRAX1." + cls;
        auto object = CreateByProgId(progId.c_str());
        EXPECT_TRUE(object) << Narrow(progId) << " creates no object";
    }

    ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
    Snapshot after = Take(id);
    EXPECT_TRUE(after == before) << "the registry differs after unregistering:" << Difference(before, after);
    for (const std::wstring& cls : id.classNames) {
        CLSID clsid;
        EXPECT_NE(CLSIDFromProgID((L"WENDRAX1." + cls).c_str(), &clsid), S_OK) << Narrow(cls) << " still resolves";
    }
}

}  // namespace
