// The registry handler against the prefix's real registry: every type written and read back byte
// for byte, the raised errors with the keys closed, listings, and the file-type associations
// under both class roots.
#include "frame/Interfaces.h"
#include "support/Library.h"
#include "support/RegistryProbe.h"
#include <gtest/gtest.h>
#include <set>

using namespace wxtest;
using wx::SafeArrayOwner;

namespace {

const long kHkcr = static_cast<long>(0x80000000UL);
const long kHkcu = static_cast<long>(0x80000001UL);
const long kHklm = static_cast<long>(0x80000002UL);
const char kPath[] = "Software\\WENDRAX1 unit\\Handler";

struct Handler : ::testing::Test {
    ScratchKey scratch{HKEY_CURRENT_USER, kPath};
    ComPtr<_clsDorvelRegHand2A> h = Create<_clsDorvelRegHand2A>(CLSID_clsDorvelRegHand2A, IID__clsDorvelRegHand2A);

    void SetUp() override {
        ASSERT_TRUE(h);
        h->put_ClassKey(static_cast<ERegistryClassConstants>(kHkcu));
        h->put_SectionKey(Bstr(L"Software\\WENDRAX1 unit\\Handler").get());
    }
    HRESULT Write(const wchar_t* name, long type, Variant value) {
        h->put_ValueKey(Bstr(name).get());
        h->put_ValueType(static_cast<ERegistryValueTypes>(type));
        return h->put_Value(*value.get());
    }
    Variant Read(const wchar_t* name) {
        h->put_ValueKey(Bstr(name).get());
        Variant v;
        EXPECT_EQ(h->get_Value(v.get()), S_OK);
        return v;
    }
    long Type() {
        ERegistryValueTypes t;
        h->get_ValueType(&t);
        return t;
    }
    RawValue Raw(const char* name) { return ReadRaw(HKEY_CURRENT_USER, kPath, name); }
};

Variant Bytes(const std::string& bytes) {
    Variant v;
    SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    memcpy(a->pvData, bytes.data(), bytes.size());
    V_VT(v.get()) = VT_ARRAY | VT_UI1;
    V_ARRAY(v.get()) = a;
    return v;
}

std::string BytesOf(const Variant& v) {
    if (v.type() != (VT_ARRAY | VT_UI1)) return "<not bytes>";
    SAFEARRAY* a = V_ARRAY(v.get());
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(a, 1, &lower);
    SafeArrayGetUBound(a, 1, &upper);
    if (lower != 0) return "<lower bound not 0>";
    return std::string(static_cast<const char*>(a->pvData), static_cast<size_t>(upper + 1));
}

TEST_F(Handler, TextTypesAndThePercentRule) {
    ASSERT_EQ(Write(L"Plain", REG_SZ, Variant::Text(L"hello")), S_OK);
    RawValue raw = Raw("Plain");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw.bytes, std::string("hello\0", 6)) << "stored with one terminating NUL";

    ASSERT_EQ(Write(L"Expand", REG_SZ, Variant::Text(L"C:\\%WXUNITVAR%\\x")), S_OK);
    EXPECT_EQ(Raw("Expand").type, static_cast<DWORD>(REG_EXPAND_SZ));
    SetEnvironmentVariableA("WXUNITVAR", "here");
    EXPECT_EQ(TextOf(*Read(L"Expand").get()), L"C:\\here\\x");
    EXPECT_EQ(Type(), REG_EXPAND_SZ);

    const wchar_t* plain[] = {L"50%", L"%%", L"a%%b", L"%x"};
    for (const wchar_t* text : plain) {
        ASSERT_EQ(Write(L"P", REG_EXPAND_SZ, Variant::Text(text)), S_OK);
        EXPECT_EQ(Raw("P").type, static_cast<DWORD>(REG_SZ)) << "text " << static_cast<char>(text[0]);
    }
    ASSERT_EQ(Write(L"P", REG_SZ, Variant::Text(L"%a%")), S_OK);
    EXPECT_EQ(Raw("P").type, static_cast<DWORD>(REG_EXPAND_SZ));

    // Numbers are converted to text.
    ASSERT_EQ(Write(L"N", REG_SZ, Variant::Long(42)), S_OK);
    EXPECT_EQ(Raw("N").bytes, std::string("42\0", 3));
}

TEST_F(Handler, TextsReadBackWhateverStoredThem) {
    WriteRaw(HKEY_CURRENT_USER, kPath, "Multi", REG_MULTI_SZ, std::string("ab\0cd\0\0", 7));
    EXPECT_EQ(TextOf(*Read(L"Multi").get()), std::wstring(L"ab\0cd\0", 6));
    EXPECT_EQ(Type(), REG_MULTI_SZ);
    // Texts stored without a terminating NUL (as clsWinReg stores them) keep their last character.
    WriteRaw(HKEY_CURRENT_USER, kPath, "NoNul", REG_SZ, "abc");
    EXPECT_EQ(TextOf(*Read(L"NoNul").get()), L"abc");
    // A text stored with zero bytes reads as empty text.
    WriteRaw(HKEY_CURRENT_USER, kPath, "Zero", REG_SZ, "");
    Variant zero = Read(L"Zero");
    EXPECT_EQ(zero.type(), VT_BSTR);
    EXPECT_EQ(TextOf(*zero.get()), L"");
    EXPECT_EQ(Type(), REG_SZ);
}

TEST_F(Handler, UnicodeNamesAndTextsReachTheRegistryAndAnsiOnesReadAsBefore) {
    // Written through the ANSI calls (as this library and the original stored them): same names, same text.
    WriteRaw(HKEY_CURRENT_USER, kPath, "Caf\xE9", REG_SZ, std::string("Stra\xDF" "e \x80", 8) + '\0');
    WriteRaw(HKEY_CURRENT_USER, kPath, "Omega??", REG_SZ, std::string("twin", 5));
    EXPECT_EQ(TextOf(*Read(L"Caf\u00E9").get()), L"Stra\u00DFe \u20AC");
    // A name and a text the code page cannot hold are stored as they are, beside their look-alike.
    const std::wstring name = L"\u03A9mega\u4E2D\u6587", text = L"\u03A9 \u0414 \u4E2D \U0001F600";
    ASSERT_EQ(Write(name.c_str(), REG_SZ, Variant::Text(text.c_str())), S_OK);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\WENDRAX1 unit\\Handler", 0, KEY_READ, &key), ERROR_SUCCESS);
    wchar_t stored[64] = {};
    DWORD type = 0, size = sizeof stored;
    EXPECT_EQ(RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(stored), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, (text.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(std::wstring(stored), text);
    EXPECT_EQ(TextOf(*Read(name.c_str()).get()), text);
    EXPECT_EQ(Raw("Omega??").bytes, std::string("twin", 5));
    // Value names list as they are.
    SAFEARRAY* names = nullptr;
    long count = 0;
    VARIANT_BOOL ok;
    ASSERT_EQ(h->EnumerateValues(&names, &count, &ok), S_OK);
    std::set<std::wstring> found;
    for (long i = 0; i < count; ++i) found.insert(static_cast<BSTR*>(names->pvData)[i]);
    SafeArrayDestroy(names);
    names = nullptr;  // the next list would otherwise erase the destroyed array again
    EXPECT_EQ(found, (std::set<std::wstring>{L"Caf\u00E9", L"Omega??", name}));
    // A lone surrogate is a name of its own: it reaches no other value.
    const std::wstring lone(1, wchar_t(0xD800));
    ASSERT_EQ(Write(lone.c_str(), REG_SZ, Variant::Text(L"lone")), S_OK);
    EXPECT_EQ(TextOf(*Read(lone.c_str()).get()), L"lone");
    EXPECT_EQ(Raw("Omega??").bytes, std::string("twin", 5));
    // Key names too: the key made, deleted and listed is the one named, never its look-alike.
    RegCloseKey(key);
    WriteRaw(HKEY_CURRENT_USER, std::string(kPath) + "\\Omega", "v", REG_SZ, "x");
    h->put_SectionKey(Bstr(L"Software\\WENDRAX1 unit\\Handler\\\u03A9mega").get());
    ASSERT_EQ(h->CreateKey(&ok), S_OK);
    h->put_SectionKey(Bstr(L"Software\\WENDRAX1 unit\\Handler").get());
    ASSERT_EQ(h->EnumerateSections(&names, &count, &ok), S_OK);
    found.clear();
    for (long i = 0; i < count; ++i) found.insert(static_cast<BSTR*>(names->pvData)[i]);
    SafeArrayDestroy(names);
    EXPECT_EQ(found, (std::set<std::wstring>{L"Omega", L"\u03A9mega"}));
    h->put_SectionKey(Bstr(L"Software\\WENDRAX1 unit\\Handler\\\u03A9mega").get());
    ASSERT_EQ(h->DeleteKey(&ok), S_OK);
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, std::string(kPath) + "\\Omega"));
}

TEST_F(Handler, NumbersBothByteOrders) {
    ASSERT_EQ(Write(L"D", REG_DWORD, Variant::Long(0x01020304)), S_OK);
    RawValue raw = Raw("D");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw.bytes, std::string("\x04\x03\x02\x01", 4));
    Variant small;
    V_VT(small.get()) = VT_I2;
    V_I2(small.get()) = -2;
    ASSERT_EQ(Write(L"Big", REG_DWORD_BIG_ENDIAN, small), S_OK);
    EXPECT_EQ(Raw("Big").type, static_cast<DWORD>(REG_DWORD)) << "written little-endian whatever the field says";
    EXPECT_EQ(Raw("Big").bytes, std::string("\xFE\xFF\xFF\xFF", 4));

    WriteRaw(HKEY_CURRENT_USER, kPath, "Swapped", REG_DWORD_BIG_ENDIAN, std::string("\x00\x00\x01\x02", 4));
    Variant v = Read(L"Swapped");
    ASSERT_EQ(v.type(), VT_I4);
    EXPECT_EQ(V_I4(v.get()), 258);
    EXPECT_EQ(Type(), REG_DWORD_BIG_ENDIAN);

    // Anything but an Integer or a Long is skipped without complaint.
    ASSERT_EQ(Write(L"D", REG_DWORD, Variant::Double(3.5)), S_OK);
    EXPECT_EQ(Raw("D").bytes, std::string("\x04\x03\x02\x01", 4));
}

TEST_F(Handler, BinaryValuesRoundTrip) {
    std::string five("\x00\x01\xFE\x7F\x80", 5);
    ASSERT_EQ(Write(L"Bin", REG_BINARY, Bytes(five)), S_OK);
    RawValue raw = Raw("Bin");
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(raw.bytes, five);
    Variant back = Read(L"Bin");
    EXPECT_EQ(BytesOf(back), five);
    ASSERT_EQ(Write(L"Copy", REG_BINARY, back), S_OK);
    EXPECT_EQ(Raw("Copy").bytes, five);
    // Other types come back as their bytes too, an empty value as an empty array.
    WriteRaw(HKEY_CURRENT_USER, kPath, "None", REG_NONE, "");
    EXPECT_EQ(BytesOf(Read(L"None")), "");
    EXPECT_EQ(Type(), REG_NONE);
}

TEST_F(Handler, DefaultsAndMissingThings) {
    h->put_Default(*Variant::Text(L"fallback").get());
    EXPECT_EQ(TextOf(*Read(L"Nothing").get()), L"fallback");
    auto fresh = Create<_clsDorvelRegHand2A>(CLSID_clsDorvelRegHand2A, IID__clsDorvelRegHand2A);
    VARIANT_BOOL exists = VARIANT_TRUE;
    ASSERT_EQ(fresh->get_KeyExists(&exists), S_OK);
    EXPECT_EQ(exists, VARIANT_FALSE) << "root 0 is no root";
    Variant v;
    ASSERT_EQ(fresh->get_Value(v.get()), S_OK);
    EXPECT_EQ(v.type(), VT_EMPTY);
}

CallResult CallOn(_clsDorvelRegHand2A* object, const wchar_t* name, WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                  std::vector<VARIANT> args = {}) {
    auto disp = ComPtr<_clsDorvelRegHand2A>(object).as<IDispatch>(IID_IDispatch);
    return Invoke(disp.get(), name, flags, std::move(args));
}

TEST_F(Handler, ErrorsKeepTheirNumbersAndCloseTheirKeys) {
    ASSERT_EQ(Write(L"Last", REG_SZ, Variant::Text(L"kept")), S_OK);
    DWORD before = HandleCount();
    HKEY leak = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, kPath, 0, KEY_READ, &leak);
    ASSERT_EQ(HandleCount(), before + 1) << "the counter sees an open key";
    RegCloseKey(leak);

    before = HandleCount();
    for (int i = 0; i < 2000; ++i) {
        h->put_ValueType(static_cast<ERegistryValueTypes>(REG_BINARY));
        ASSERT_EQ(h->put_Value(*Variant::Text(L"no").get()), HRESULT(0x800A0000 | 26001));
        h->put_ValueType(static_cast<ERegistryValueTypes>(REG_LINK));
        ASSERT_EQ(h->put_Value(*Variant::Text(L"no").get()), HRESULT(-2147194455));
        h->put_ValueKey(Bstr(L"missing").get());
        VARIANT_BOOL ok;
        ASSERT_EQ(h->DeleteValue(&ok), HRESULT(0x800A0000 | 26001));
        Variant v;
        h->get_Value(v.get());
        h->get_KeyExists(&ok);
    }
    EXPECT_EQ(HandleCount(), before);

    h->put_ValueKey(Bstr(L"Multi").get());
    h->put_ValueType(static_cast<ERegistryValueTypes>(REG_MULTI_SZ));
    CallResult r = CallOn(h.get(), L"Value", DISPATCH_PROPERTYPUT, {*Variant::Text(L"x").get()});
    EXPECT_EQ(r.number, -2147194455);
    EXPECT_EQ(r.source, L"WENDRAX1.cRegistry");
    EXPECT_EQ(r.description,
              L"Failed to set registry value Key: '-2147483647',Section: 'Software\\WENDRAX1 unit\\Handler',Key: "
              L"'Multi' to value: 'kept'");
    EXPECT_FALSE(Raw("Multi").found);
}

TEST_F(Handler, DeleteKeyNeedsAKeyWithoutSubkeys) {
    VARIANT_BOOL ok = VARIANT_FALSE;
    h->put_SectionKey(Bstr(L"Software\\WENDRAX1 unit\\Handler\\A\\B").get());
    ASSERT_EQ(h->CreateKey(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    h->put_SectionKey(Bstr(L"Software\\WENDRAX1 unit\\Handler\\A").get());
    CallResult r = CallOn(h.get(), L"DeleteKey");
    EXPECT_EQ(r.number, 26001);
    EXPECT_EQ(r.description, L"Failed to delete registry Key: '-2147483647',Section: 'Software\\WENDRAX1 unit\\Handler\\A");
    h->put_SectionKey(Bstr(L"Software\\WENDRAX1 unit\\Handler\\A\\B").get());
    ASSERT_EQ(h->DeleteKey(&ok), S_OK);
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, "Software\\WENDRAX1 unit\\Handler\\A\\B"));
    // Without a key path the root itself is never deleted.
    h->put_SectionKey(Bstr(L"").get());
    EXPECT_EQ(CallOn(h.get(), L"DeleteKey").number, 26001);
    h->put_SectionKey(nullptr);
    EXPECT_EQ(CallOn(h.get(), L"DeleteKey").number, 26001);
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, "Software"));
}

TEST_F(Handler, ListingsOfValuesAndSubkeys) {
    VARIANT_BOOL ok;
    ASSERT_EQ(h->CreateKey(&ok), S_OK);
    for (const char* name : {"one", "two", "three"}) WriteRaw(HKEY_CURRENT_USER, std::string(kPath) + "\\" + name, "v", REG_SZ, "x");
    WriteRaw(HKEY_CURRENT_USER, kPath, "first", REG_SZ, "x");
    WriteRaw(HKEY_CURRENT_USER, kPath, "a much longer value name", REG_SZ, "x");

    SAFEARRAY* names = nullptr;
    long count = -1;
    ASSERT_EQ(h->EnumerateValues(&names, &count, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    ASSERT_EQ(count, 2);
    LONG lower = 0, upper = 0;
    SafeArrayGetLBound(names, 1, &lower);
    SafeArrayGetUBound(names, 1, &upper);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 2);
    BSTR* texts = static_cast<BSTR*>(names->pvData);
    std::set<std::wstring> found{texts[0], texts[1]};
    EXPECT_EQ(found, (std::set<std::wstring>{L"first", L"a much longer value name"}));

    ASSERT_EQ(h->EnumerateSections(&names, &count, &ok), S_OK);
    ASSERT_EQ(count, 3);
    texts = static_cast<BSTR*>(names->pvData);
    found = {texts[0], texts[1], texts[2]};
    EXPECT_EQ(found, (std::set<std::wstring>{L"one", L"two", L"three"}));

    // A subkey name of 255 characters does not fit the listing's buffer and ends it there.
    // (Made relative to the open key: a whole path that long does not pass the ANSI calls here.)
    HKEY parent = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kPath, 0, KEY_ALL_ACCESS, &parent), ERROR_SUCCESS);
    WriteRaw(parent, std::string(254, 'y'), "v", REG_SZ, "x");
    ASSERT_EQ(h->EnumerateSections(&names, &count, &ok), S_OK);
    EXPECT_EQ(count, 4) << "254 characters fit";
    WriteRaw(parent, std::string(255, 'z'), "v", REG_SZ, "x");
    ASSERT_TRUE(KeyPresent(parent, std::string(255, 'z')));
    RegCloseKey(parent);
    ASSERT_EQ(h->EnumerateSections(&names, &count, &ok), S_OK);
    EXPECT_EQ(count, 4) << "listed in name order, so the listing ends at the long name";

    h->put_SectionKey(Bstr(L"Software\\WENDRAX1 unit\\Handler\\missing").get());
    ASSERT_EQ(h->EnumerateValues(&names, &count, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(names, nullptr) << "the array is erased";
    ASSERT_EQ(h->EnumerateSections(&names, &count, &ok), S_OK);
    EXPECT_EQ(count, 0);
}

TEST_F(Handler, ListingErrorsAreReportedAsTheHandlersOwn) {
    VARIANT_BOOL ok;
    ASSERT_EQ(h->CreateKey(&ok), S_OK);
    SAFEARRAYBOUND bound = {1, 1};
    SAFEARRAY* locked = SafeArrayCreate(VT_BSTR, 1, &bound);
    SafeArrayLock(locked);
    SAFEARRAY* passed = locked;
    long count = 5;
    EXPECT_EQ(h->EnumerateSections(&passed, &count, &ok), HRESULT(-2147194454));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    Bstr source, description;
    info->GetSource(source.put());
    info->GetDescription(description.put());
    EXPECT_EQ(std::wstring(source.get()), L"WENDRAX1.cRegistry");
    EXPECT_EQ(std::wstring(description.get()), L"This array is fixed or temporarily locked");
    EXPECT_EQ(passed, locked);
    // The values listing has no such wrapping: the runtime's own error arrives.
    EXPECT_EQ(h->EnumerateValues(&passed, &count, &ok), HRESULT(0x800A000A));
    SafeArrayUnlock(locked);
    SafeArrayDestroy(locked);
}

TEST_F(Handler, NullAndEmptyNamesNeverCrash) {
    h->put_ClassKey(static_cast<ERegistryClassConstants>(0));
    h->put_SectionKey(nullptr);
    h->put_ValueKey(nullptr);
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(h->get_KeyExists(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(h->CreateKey(&ok), HRESULT(0x800A0000 | 26001));
    EXPECT_EQ(h->DeleteValue(&ok), HRESULT(0x800A0000 | 26001));
    EXPECT_EQ(h->put_Value(*Variant::Text(L"x").get()), HRESULT(0x800A0000 | 26001));
    Variant v;
    EXPECT_EQ(h->get_Value(v.get()), S_OK);
    SAFEARRAY* names = nullptr;
    long count = 0;
    EXPECT_EQ(h->EnumerateValues(&names, &count, &ok), S_OK);
    EXPECT_EQ(h->EnumerateSections(&names, &count, &ok), S_OK);
    EXPECT_EQ(count, 0);
    // A null value name is the key's default value.
    h->put_ClassKey(static_cast<ERegistryClassConstants>(kHkcu));
    h->put_SectionKey(Bstr(L"Software\\WENDRAX1 unit\\Handler").get());
    h->put_ValueType(static_cast<ERegistryValueTypes>(REG_SZ));
    ASSERT_EQ(h->put_Value(*Variant::Text(L"default").get()), S_OK);
    EXPECT_EQ(Raw(nullptr).bytes, std::string("default\0", 8));
    h->put_ValueKey(Bstr(L"").get());
    EXPECT_EQ(TextOf(*Read(L"").get()), L"default");
}

// Associations land below HKEY_CLASSES_ROOT and below HKLM\SOFTWARE\Classes.
struct Association : ::testing::Test {
    ScratchKey ext{HKEY_CLASSES_ROOT, ".wxunit"}, cls{HKEY_CLASSES_ROOT, "WxUnit.File"};
    ScratchKey extM{HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.wxunit"}, clsM{HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\WxUnit.File"};
    ComPtr<_clsDorvelRegHand2A> h = Create<_clsDorvelRegHand2A>(CLSID_clsDorvelRegHand2A, IID__clsDorvelRegHand2A);

    // The default value of a key under both roots; both must agree.
    std::string Both(const std::string& key, DWORD* type = nullptr) {
        RawValue a = ReadRaw(HKEY_CLASSES_ROOT, key, nullptr);
        RawValue b = ReadRaw(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\" + key, nullptr);
        EXPECT_EQ(a.found, b.found) << key;
        EXPECT_EQ(a.bytes, b.bytes) << key;
        EXPECT_EQ(a.type, b.type) << key;
        if (type) *type = a.type;
        if (!a.found) return "<missing>";
        return a.bytes.substr(0, a.bytes.size() - 1);  // less the terminating NUL
    }
};

TEST_F(Association, PlainRegistrationThroughIDispatch) {
    auto disp = h.as<IDispatch>(IID_IDispatch);
    CallResult r = Call(disp.get(), L"CreateEXEAssociation",
                        {*Variant::Text(L"  C:\\Apps\\wx.exe ").get(), *Variant::Text(L"WxUnit.File").get(),
                         *Variant::Text(L"Wx unit file").get(), *Variant::Text(L"wxunit").get()});
    ASSERT_EQ(r.hr, S_OK) << r.number;
    DWORD type = 0;
    EXPECT_EQ(Both(".wxunit", &type), "WxUnit.File");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Both("WxUnit.File"), "Wx unit file");
    EXPECT_EQ(Both("WxUnit.File\\shell\\open"), "&Open");
    EXPECT_EQ(Both("WxUnit.File\\shell\\open\\command"), "\"C:\\Apps\\wx.exe\" \"%1\"");
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, "WxUnit.File\\shell\\print"));
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, "WxUnit.File\\DefaultIcon"));
    // The handler's properties are as the last write left them.
    ERegistryClassConstants root;
    h->get_ClassKey(&root);
    EXPECT_EQ(static_cast<long>(root), kHklm);
    Bstr section;
    h->get_SectionKey(section.put());
    EXPECT_EQ(std::wstring(section.get()), L"WxUnit.File\\shell\\open\\command");
}

TEST_F(Association, EveryVerbAndTheIcon) {
    ASSERT_EQ(h->CreateEXEAssociation(Bstr(L"\"C:\\%WXAPPS%\\wx.exe\"").get(), Bstr(L"WxUnit.File").get(),
                                      Bstr(L"Desc").get(), Bstr(L"wxunit").get(), Bstr(L"").get(), VARIANT_TRUE,
                                      Bstr(L"Print it").get(), VARIANT_TRUE, Bstr(L"").get(), VARIANT_TRUE,
                                      Bstr(L"").get(), 0),
              S_OK);
    DWORD type = 0;
    EXPECT_EQ(Both("WxUnit.File\\shell\\open"), "&Open") << "an empty menu text is the default";
    EXPECT_EQ(Both("WxUnit.File\\shell\\open\\command", &type), "\"C:\\%WXAPPS%\\wx.exe\" \"%1\"");
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(Both("WxUnit.File\\shell\\print"), "Print it");
    EXPECT_EQ(Both("WxUnit.File\\shell\\print\\command"), "\"C:\\%WXAPPS%\\wx.exe\" /p \"%1\"");
    EXPECT_EQ(Both("WxUnit.File\\shell\\add"), "&Install wxunit");
    EXPECT_EQ(Both("WxUnit.File\\shell\\add\\command"), "\"C:\\%WXAPPS%\\wx.exe\" /a \"%1\"");
    EXPECT_EQ(Both("WxUnit.File\\shell\\new"), "&New");
    EXPECT_EQ(Both("WxUnit.File\\shell\\new\\command"), "\"C:\\%WXAPPS%\\wx.exe\" /n \"%1\"");
    EXPECT_EQ(Both("WxUnit.File\\DefaultIcon", &type), "\"C:\\%WXAPPS%\\wx.exe\",0");
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
}

SAFEARRAY* VariantList(std::initializer_list<const wchar_t*> items) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
    LONG i = 0;
    for (const wchar_t* item : items) {
        Variant v = Variant::Text(item);
        SafeArrayPutElement(a, &i, v.get());
        ++i;
    }
    return a;
}

TEST_F(Association, AdditionalVerbs) {
    SafeArrayOwner four(VariantList({L"a", L"b", L"c", L"d"}));
    SAFEARRAY* items = four.get();
    EXPECT_EQ(h->CreateAdditionalEXEAssociations(Bstr(L"WxUnit.File").get(), &items), HRESULT(-2147194452));
    SafeArrayOwner empty(SafeArrayCreateVector(VT_VARIANT, 0, 0));
    items = empty.get();
    EXPECT_EQ(h->CreateAdditionalEXEAssociations(Bstr(L"WxUnit.File").get(), &items), HRESULT(-2147194452));
    items = nullptr;
    EXPECT_EQ(h->CreateAdditionalEXEAssociations(Bstr(L"WxUnit.File").get(), &items), HRESULT(-2147194452));

    SafeArrayOwner verbs(VariantList({L"view", L"&View", L"viewer.exe \"%1\"", L"edit", L"&Edit", L"%EDITOR% %1"}));
    items = verbs.get();
    h->put_ClassKey(static_cast<ERegistryClassConstants>(kHkcr));
    EXPECT_EQ(h->CreateAdditionalEXEAssociations(Bstr(L"WxUnit.File").get(), &items), HRESULT(-2147194451))
        << "the class is not defined yet";

    ASSERT_EQ(h->CreateEXEAssociation(Bstr(L"wx.exe").get(), Bstr(L"WxUnit.File").get(), Bstr(L"D").get(),
                                      Bstr(L"wxunit").get(), nullptr, VARIANT_FALSE, nullptr, VARIANT_FALSE, nullptr,
                                      VARIANT_FALSE, nullptr, -1),
              S_OK);
    h->put_ClassKey(static_cast<ERegistryClassConstants>(kHkcr));
    ASSERT_EQ(h->CreateAdditionalEXEAssociations(Bstr(L"WxUnit.File").get(), &items), S_OK);
    EXPECT_EQ(Both("WxUnit.File\\shell\\view"), "&View");
    EXPECT_EQ(Both("WxUnit.File\\shell\\view\\command"), "viewer.exe \"%1\"");
    DWORD type = 0;
    EXPECT_EQ(Both("WxUnit.File\\shell\\edit\\command", &type), "%EDITOR% %1");
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
}

}  // namespace
