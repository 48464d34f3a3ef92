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

// `view` picks the registry view (KEY_WOW64_32KEY, KEY_WOW64_64KEY) or the process's own (0).
std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& path, REGSAM view = 0) {
    std::vector<std::wstring> names;
    wx::RegKey key;
    if (RegOpenKeyExW(root, path.empty() ? nullptr : path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS)
        return names;
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
void DumpTree(HKEY root, const std::wstring& path, Snapshot& out, REGSAM view = 0) {
    wx::RegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) return;
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
    for (const std::wstring& sub : SubkeyNames(root, path, view)) DumpTree(root, path + L"\\" + sub, out, view);
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

Snapshot Take(const Identity& id, REGSAM view = 0) {
    Snapshot s;
    for (const std::wstring& n : SubkeyNames(HKEY_CLASSES_ROOT, std::wstring(), view)) s.insert(L"HKCR\\" + n);
    for (const wchar_t* branch : {L"CLSID", L"Interface", L"TypeLib"})
        for (const std::wstring& n : SubkeyNames(HKEY_CLASSES_ROOT, branch, view))
            s.insert(std::wstring(branch) + L"\\" + n);
    for (const std::wstring& key : id.keys) DumpTree(HKEY_CLASSES_ROOT, key, s, view);
    return s;
}

// Both registry views of a 64-bit system, the 32-bit one first.
struct Views {
    Snapshot x86, x64;
    bool operator==(const Views& o) const { return x86 == o.x86 && x64 == o.x64; }
};
Views TakeViews(const Identity& id) { return {Take(id, KEY_WOW64_32KEY), Take(id, KEY_WOW64_64KEY)}; }

// The x86 build beside the x64 one (build/bin beside build/bin/x64), registered by the 32-bit
// regsvr32 as a 32-bit host would.
std::wstring X86Library() {
    std::wstring folder = LibraryPath();
    folder.resize(folder.find_last_of(L'\\'));
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"WENDRAX1.dll";
}

DWORD RunX86Regsvr32(bool unregister) {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(windows) + L"\\SysWOW64\\regsvr32.exe\" /s " +
                           (unregister ? L"/u " : L"") + L"\"" + X86Library() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError() | 0x80000000u;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::wstring ServerOf(const std::wstring& clsidKey, REGSAM view) {
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof path;
    wx::RegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (clsidKey + L"\\InprocServer32").c_str(), 0, KEY_READ | view, key.put()) ==
        ERROR_SUCCESS)
        RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size);
    return path;
}

std::string Difference(const Snapshot& a, const Snapshot& b);
std::string Difference(const Views& a, const Views& b) {
    return (a.x86 == b.x86 ? std::string() : "\n 32-bit view:" + Difference(a.x86, b.x86)) +
           (a.x64 == b.x64 ? std::string() : "\n 64-bit view:" + Difference(a.x64, b.x64));
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
    auto fn = ProcAddress<Fn>(LibraryModule(), name);
    return fn ? fn() : E_FAIL;
}

// Leaves the library registered however the test ends.
struct RegisterAgainAtEnd {
    ~RegisterAgainAtEnd() { EXPECT_EQ(CallExport("DllRegisterServer"), S_OK); }
};

bool X86BuildBeside() {
    return sizeof(void*) == 8 && GetFileAttributesW(X86Library().c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Leaves the x86 build beside registered however the test ends.
struct X86RegisteredAgainAtEnd {
    ~X86RegisteredAgainAtEnd() {
        if (X86BuildBeside()) {
            EXPECT_EQ(RunX86Regsvr32(false), 0u);
        }
    }
};

TEST(Registration, UnregisteringLeavesTheClassesRootAsItWas) {
    Identity id = LibraryIdentity();
    ASSERT_EQ(id.classNames.size(), 22u);
    RegisterAgainAtEnd guard;
    // The other build beside shares keys with this one: it is away for the round trip.
    X86RegisteredAgainAtEnd x86Guard;
    if (X86BuildBeside()) {
        ASSERT_EQ(RunX86Regsvr32(true), 0u);
    }

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

    // An installer that removed the type library's key first: the rest still goes.
    ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
    ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, id.keys[0].c_str()), ERROR_SUCCESS);
    RegDeleteKeyW(HKEY_CLASSES_ROOT, id.keys[0].c_str());
    ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
    after = Take(id);
    EXPECT_TRUE(after == before) << "left behind without the type library's key:" << Difference(before, after);
}

}  // namespace

// On a 64-bit system the two builds register side by side: either can go alone without breaking
// the other, and both going leaves both registry views as they were. Run from the x64 build.
TEST(Registration, BothBuildsSideBySide) {
    if (!X86BuildBeside()) GTEST_SKIP() << "run by the x64 build, with the x86 build beside it";
    Identity id = LibraryIdentity();
    ASSERT_EQ(id.classNames.size(), 22u);
    RegisterAgainAtEnd guard;
    X86RegisteredAgainAtEnd x86Guard;
    auto everyProgIdCreates = [&](const char* when) {
        for (const std::wstring& cls : id.classNames)
            EXPECT_TRUE(CreateByProgId((L"WENDRAX1." + cls).c_str())) << Narrow(cls) << " " << when;
    };
    // The type library's help folder is shared: the build registered first names it.
    auto withoutHelpFolder = [](Views v) {
        for (Snapshot* s : {&v.x86, &v.x64})
            for (auto it = s->begin(); it != s->end();) it = it->find(L"HELPDIR") != std::wstring::npos ? s->erase(it) : ++it;
        return v;
    };

    ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
    ASSERT_EQ(RunX86Regsvr32(true), 0u);
    Views before = TakeViews(id);
    ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
    Views onlyX64 = TakeViews(id);
    ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
    ASSERT_EQ(RunX86Regsvr32(false), 0u);
    Views onlyX86 = TakeViews(id);
    ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
    Views both = TakeViews(id);
    for (const std::wstring& key : id.keys) {
        if (key.rfind(L"CLSID\\", 0) != 0) continue;
        EXPECT_EQ(ServerOf(key, KEY_WOW64_64KEY), LibraryPath()) << Narrow(key);
        EXPECT_EQ(ServerOf(key, KEY_WOW64_32KEY), X86Library()) << Narrow(key);
    }
    everyProgIdCreates("with both registered");

    // The x64 build goes: what is left is the x86 build's registration, whole.
    ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
    EXPECT_TRUE(TakeViews(id) == onlyX86) << Difference(TakeViews(id), onlyX86);
    ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
    EXPECT_TRUE(TakeViews(id) == both) << Difference(TakeViews(id), both);
    // The x86 build goes: what is left is the x64 build's registration, whole, and it serves.
    ASSERT_EQ(RunX86Regsvr32(true), 0u);
    Views left = withoutHelpFolder(TakeViews(id));
    EXPECT_TRUE(left == withoutHelpFolder(onlyX64)) << Difference(left, withoutHelpFolder(onlyX64));
    everyProgIdCreates("after the x86 build went");
    // Both gone: the registry is as it was.
    ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
    Views after = TakeViews(id);
    EXPECT_TRUE(after == before) << "the registry differs after unregistering both:" << Difference(before, after);
}
