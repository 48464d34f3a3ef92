// clsWinReg against the prefix's real registry: what each member writes, byte for byte, what it
// reads back, the statuses of the open-key members, the startup list, and no key left open.
#include "frame/Interfaces.h"
#include "support/Library.h"
#include "support/RegistryProbe.h"
#include <gtest/gtest.h>

using namespace wxtest;

namespace {

const long kHkcu = static_cast<long>(0x80000001UL);
const long kHklm = static_cast<long>(0x80000002UL);
const char kRun[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\";

struct WinReg : ::testing::Test {
    ScratchKey scratch{HKEY_CURRENT_USER, "Software\\WENDRAX1 unit\\WinReg"};
    ComPtr<_clsWinReg> reg = Create<_clsWinReg>(CLSID_clsWinReg, IID__clsWinReg);
    long root = kHkcu;
    Bstr key{L"Software\\WENDRAX1 unit\\WinReg"};

    void SetUp() override { ASSERT_TRUE(reg); }

    void MakeKey() {
        BSTR k = key.get();
        Variant r;
        ASSERT_EQ(reg->CreateNewKey(&root, &k, r.get()), S_OK);
        EXPECT_EQ(r.type(), VT_EMPTY);
    }
    HRESULT SetKeyValue(const wchar_t* name, Variant value, long type) {
        BSTR k = key.get();
        Bstr n(name);
        BSTR nb = n.get();
        Variant r;
        return reg->SetKeyValue(&root, &k, &nb, value.get(), &type, r.get());
    }
    Variant QueryValue(const wchar_t* name) {
        BSTR k = key.get();
        Bstr n(name);
        BSTR nb = n.get();
        Variant r;
        EXPECT_EQ(reg->QueryValue(&root, &k, &nb, r.get()), S_OK);
        return r;
    }
    HKEY Open() {
        HKEY h = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, scratch.path().c_str(), 0, KEY_ALL_ACCESS, &h);
        return h;
    }
};

TEST_F(WinReg, TextIsStoredWithItsLengthAndReadsBackWithANul) {
    MakeKey();
    ASSERT_EQ(SetKeyValue(L"Text", Variant::Text(L"abc"), REG_SZ), S_OK);
    RawValue raw = ReadRaw(HKEY_CURRENT_USER, scratch.path(), "Text");
    ASSERT_TRUE(raw.found);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    // The member passes the text's length alone; the platform itself adds the NUL a text's
    // count leaves out when the byte after the data is one (as NT does).
    EXPECT_EQ(raw.bytes, std::string("abc\0", 4));

    HKEY h = Open();
    Variant value;
    long status = -99;
    ASSERT_EQ(reg->QueryValueEx(static_cast<long>(reinterpret_cast<LONG_PTR>(h)), Bstr(L"Text").get(), value.get(), &status), S_OK);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(TextOf(*value.get()), std::wstring(L"abc\0", 4));
    RegCloseKey(h);
}

TEST_F(WinReg, NumbersAreFourLittleEndianBytes) {
    MakeKey();
    ASSERT_EQ(SetKeyValue(L"Number", Variant::Text(L"258"), REG_DWORD), S_OK);
    RawValue raw = ReadRaw(HKEY_CURRENT_USER, scratch.path(), "Number");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw.bytes, std::string("\x02\x01\x00\x00", 4));
    Variant back = QueryValue(L"Number");
    ASSERT_EQ(back.type(), VT_I4);
    EXPECT_EQ(V_I4(back.get()), 258);
}

TEST_F(WinReg, SetValueExStatusesAndUnwrittenTypes) {
    MakeKey();
    HKEY h = Open();
    long handle = static_cast<long>(reinterpret_cast<LONG_PTR>(h));
    Bstr name(L"Bin");
    BSTR nb = name.get();
    long type = REG_BINARY, status = -1;
    Variant value = Variant::Text(L"x");
    ASSERT_EQ(reg->SetValueEx(handle, &nb, &type, value.get(), &status), S_OK);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, scratch.path(), "Bin").found);

    type = REG_DWORD;
    Variant notNumber = Variant::Text(L"many");
    EXPECT_EQ(reg->SetValueEx(handle, &nb, &type, notNumber.get(), &status), HRESULT(0x800A000D));
    Variant huge = Variant::Double(3e9);
    EXPECT_EQ(reg->SetValueEx(handle, &nb, &type, huge.get(), &status), HRESULT(0x800A0006));
    RegCloseKey(h);

    type = REG_SZ;
    ASSERT_EQ(reg->SetValueEx(12345678, &nb, &type, value.get(), &status), S_OK);
    EXPECT_EQ(status, ERROR_INVALID_HANDLE);
}

TEST_F(WinReg, QueryValueExStatuses) {
    MakeKey();
    WriteRaw(HKEY_CURRENT_USER, scratch.path(), "Expand", REG_EXPAND_SZ, std::string("%PATH%\0", 7));
    HKEY h = Open();
    long handle = static_cast<long>(reinterpret_cast<LONG_PTR>(h));
    Variant value = Variant::Long(7);
    long status = 0;
    ASSERT_EQ(reg->QueryValueEx(handle, Bstr(L"Expand").get(), value.get(), &status), S_OK);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(V_I4(value.get()), 7) << "an unhandled type leaves the variable as it was";
    ASSERT_EQ(reg->QueryValueEx(handle, Bstr(L"Missing").get(), value.get(), &status), S_OK);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(V_I4(value.get()), 7);
    // A DWORD value of another size is never read past the Long.
    WriteRaw(HKEY_CURRENT_USER, scratch.path(), "Long8", REG_DWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    ASSERT_EQ(reg->QueryValueEx(handle, Bstr(L"Long8").get(), value.get(), &status), S_OK);
    EXPECT_EQ(status, ERROR_MORE_DATA);
    RegCloseKey(h);
}

TEST_F(WinReg, MissingKeysAndValuesAreQuiet) {
    Bstr missing(L"Software\\WENDRAX1 unit\\WinReg\\None");
    BSTR k = missing.get();
    Bstr n(L"v");
    BSTR nb = n.get();
    long type = REG_SZ;
    Variant value = Variant::Text(L"x"), r;
    EXPECT_EQ(reg->SetKeyValue(&root, &k, &nb, value.get(), &type, r.get()), S_OK);
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, "Software\\WENDRAX1 unit\\WinReg\\None")) << "SetKeyValue creates no key";
    EXPECT_EQ(reg->QueryValue(&root, &k, &nb, r.get()), S_OK);
    EXPECT_EQ(r.type(), VT_EMPTY);
    EXPECT_EQ(reg->DeleteValue(&root, &k, &nb, r.get()), S_OK);
    long zero = 0;
    EXPECT_EQ(reg->CreateNewKey(&zero, &k, r.get()), S_OK);
    EXPECT_EQ(reg->DeleteKey(&zero, &k, r.get()), S_OK);
    // An empty or null key name never deletes the root itself.
    Bstr empty(L"");
    BSTR e = empty.get();
    BSTR none = nullptr;
    EXPECT_EQ(reg->DeleteKey(&root, &e, r.get()), S_OK);
    EXPECT_EQ(reg->DeleteKey(&root, &none, r.get()), S_OK);
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, "Software"));
}

TEST_F(WinReg, NullNamesNeverCrash) {
    MakeKey();
    BSTR none = nullptr, k = key.get();
    long type = REG_SZ, status = 0;
    Variant value = Variant::Text(L"d"), r;
    EXPECT_EQ(reg->SetKeyValue(&root, &k, &none, value.get(), &type, r.get()), S_OK);
    EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, scratch.path(), nullptr).bytes, std::string("d\0", 2)) << "the default value";
    EXPECT_EQ(reg->QueryValue(&root, &k, &none, r.get()), S_OK);
    EXPECT_EQ(TextOf(*r.get()), std::wstring(L"d\0", 2));
    EXPECT_EQ(reg->QueryValueEx(0, nullptr, value.get(), &status), S_OK);
    EXPECT_EQ(status, ERROR_INVALID_HANDLE);
    long zero = 0;
    EXPECT_EQ(reg->CreateNewKey(&zero, &none, r.get()), S_OK);
    EXPECT_EQ(reg->QueryValue(&zero, &none, &none, r.get()), S_OK);
    EXPECT_EQ(r.type(), VT_EMPTY);
    EXPECT_EQ(reg->DeleteValue(&zero, &none, &none, r.get()), S_OK);
    EXPECT_EQ(reg->SetKeyValue(&zero, &none, &none, value.get(), &type, r.get()), S_OK);
}

TEST_F(WinReg, DeleteValueAndDeleteKey) {
    MakeKey();
    ASSERT_EQ(SetKeyValue(L"Gone", Variant::Text(L"x"), REG_SZ), S_OK);
    BSTR k = key.get();
    Bstr n(L"Gone");
    BSTR nb = n.get();
    Variant r;
    ASSERT_EQ(reg->DeleteValue(&root, &k, &nb, r.get()), S_OK);
    EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, scratch.path(), "Gone").found);
    ASSERT_EQ(reg->DeleteKey(&root, &k, r.get()), S_OK);
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, scratch.path()));
}

TEST_F(WinReg, StartupListUsesTheLibraryFolder) {
    Bstr program(L"WxUnitStartup.exe");
    BSTR p = program.get();
    ASSERT_EQ(reg->ShowAtStartup(&p), S_OK);
    RawValue raw = ReadRaw(HKEY_LOCAL_MACHINE, kRun, "WxUnitStartup.exe");
    ASSERT_TRUE(raw.found);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    std::wstring folder = LibraryPath().substr(0, LibraryPath().rfind(L'\\'));
    std::string expected;
    for (wchar_t c : folder + L"\\WxUnitStartup.exe") expected += static_cast<char>(c);
    expected += '\0';  // added by the platform, see above
    EXPECT_EQ(raw.bytes, expected);
    ASSERT_EQ(reg->DontShowAtStartup(&p), S_OK);
    EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, kRun, "WxUnitStartup.exe").found);
}

TEST(WinRegInstalled, StartupListUnderAFolderAndANameTheCodePageCannotHold) {
    // A per-user installation for a user called Dmitriy: the library's own folder is Unicode.
    ScratchFolder scratch;
    std::wstring folder = scratch.file(L"\u0414\u043C\u0438\u0442\u0440\u0438\u0439 \u03A9");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::wstring copy = folder + L"\\WENDRAX1.dll";
    ASSERT_TRUE(CopyFileW(LibraryPath().c_str(), copy.c_str(), FALSE));
    HMODULE module = LoadLibraryW(copy.c_str());
    ASSERT_TRUE(module);
    {
        using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
        auto get = ProcAddress<GetClassObjectFn>(module, "DllGetClassObject");
        ComPtr<IClassFactory> factory;
        ComPtr<_clsWinReg> reg;
        ASSERT_EQ(get(CLSID_clsWinReg, IID_IClassFactory, factory.putVoid()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID__clsWinReg, reg.putVoid()), S_OK);
        const std::wstring name = L"\u03A9mega \u4E2D.exe";
        Bstr program(name.c_str());
        BSTR p = program.get();
        ASSERT_EQ(reg->ShowAtStartup(&p), S_OK);
        HKEY run = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN", 0, KEY_READ, &run),
                  ERROR_SUCCESS);
        wchar_t stored[1024] = {};
        DWORD size = sizeof stored;
        EXPECT_EQ(RegQueryValueExW(run, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size), ERROR_SUCCESS);
        EXPECT_EQ(std::wstring(stored), folder + L"\\" + name);
        EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, kRun, "Omega ?.exe").found) << "no look-alike value";
        ASSERT_EQ(reg->DontShowAtStartup(&p), S_OK);
        size = sizeof stored;
        EXPECT_EQ(RegQueryValueExW(run, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size),
                  ERROR_FILE_NOT_FOUND);
        RegCloseKey(run);
    }
    FreeLibrary(module);
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST_F(WinReg, ScriptStyleCallsThroughIDispatch) {
    auto disp = reg.as<IDispatch>(IID_IDispatch);
    MakeKey();
    Variant r = Variant::Long(kHkcu), k = Variant::Text(L"Software\\WENDRAX1 unit\\WinReg"), n = Variant::Text(L"D"),
            v = Variant::Long(-5), t = Variant::Long(REG_DWORD);
    ASSERT_EQ(Call(disp.get(), L"SetKeyValue", {Ref(r), Ref(k), Ref(n), Ref(v), Ref(t)}).hr, S_OK);
    CallResult q = Call(disp.get(), L"QueryValue", {Ref(r), Ref(k), Ref(n)});
    ASSERT_EQ(q.hr, S_OK);
    EXPECT_EQ(V_I4(q.value.get()), -5);
    Variant bad = Variant::Text(L"x5");
    CallResult e = Call(disp.get(), L"SetKeyValue", {Ref(r), Ref(k), Ref(n), Ref(bad), Ref(t)});
    EXPECT_EQ(e.number, 13);
}

TEST_F(WinReg, NoKeyIsLeftOpen) {
    MakeKey();
    ASSERT_EQ(SetKeyValue(L"Text", Variant::Text(L"abc"), REG_SZ), S_OK);
    // The counter itself must see a key left open, or the loop below proves nothing. (The first
    // use of a root opens and keeps the root's own handle, so warm up first.)
    RegCloseKey(Open());
    DWORD before = HandleCount();
    HKEY leak = Open();
    ASSERT_EQ(HandleCount(), before + 1);
    RegCloseKey(leak);

    before = HandleCount();
    BSTR k = key.get();
    Bstr missing(L"Software\\WENDRAX1 unit\\WinReg\\None"), text(L"Text"), none(L"None");
    BSTR m = missing.get(), t = text.get(), nn = none.get();
    long zero = 0, sz = REG_SZ, dw = REG_DWORD;
    for (int i = 0; i < 10000 / 6; ++i) {  // 10,000 calls
        Variant r, v = Variant::Text(L"abc"), bad = Variant::Text(L"zz");
        reg->QueryValue(&root, &k, &t, r.get());
        reg->QueryValue(&root, &m, &t, r.get());
        reg->SetKeyValue(&root, &k, &t, v.get(), &sz, r.get());
        reg->SetKeyValue(&root, &k, &nn, bad.get(), &dw, r.get());  // raises 13 with the key open
        reg->DeleteValue(&zero, &m, &nn, r.get());
        reg->CreateNewKey(&root, &k, r.get());
    }
    EXPECT_EQ(HandleCount(), before);
}

}  // namespace
