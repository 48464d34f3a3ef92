// The INI class through its function table and through IDispatch, with host-form doubles.
#include "frame/Interfaces.h"
#include "support/FakeHostObject.h"
#include "support/Library.h"
#include <gtest/gtest.h>
#include <cmath>

using namespace wxtest;

namespace {

class IniTest : public testing::Test {
protected:
    void SetUp() override {
        ini = Create<_cyInifINIFilesObj>(CLSID_cyInifINIFilesObj, IID__cyInifINIFilesObj);
        ASSERT_TRUE(ini);
        path = folder.file(L"test.ini");
        SetText(&_cyInifINIFilesObj::put_Path, path);
    }

    void SetText(HRESULT (STDMETHODCALLTYPE _cyInifINIFilesObj::*put)(BSTR*), const std::wstring& text) {
        BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        ASSERT_EQ((ini.get()->*put)(&value), S_OK);
        SysFreeString(value);
    }
    void Write(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
        SetText(&_cyInifINIFilesObj::put_Section, section);
        SetText(&_cyInifINIFilesObj::put_Key, key);
        SetText(&_cyInifINIFilesObj::put_Value, value);
    }
    std::wstring Read() {
        Bstr value;
        EXPECT_EQ(ini->get_Value(value.put()), S_OK);
        return value.isNull() ? L"" : std::wstring(value.get(), value.length());
    }
    std::string File() { return ReadFileBytes(path); }

    ScratchFolder folder;
    std::wstring path;
    ComPtr<_cyInifINIFilesObj> ini;
};

// A form double with the five members the placement code reads, WindowState writable and Move.
ComPtr<FakeHostObject> MakeForm(long state, long left, long top, long width, long height) {
    auto form = FakeHostObject::Make();
    form->SetProperty(L"WindowState", Variant::Long(state));
    form->SetProperty(L"Left", Variant::Long(left));
    form->SetProperty(L"Top", Variant::Long(top));
    form->SetProperty(L"Width", Variant::Long(width));
    form->SetProperty(L"Height", Variant::Long(height));
    FakeHostObject* self = form.get();
    form->SetMethod(L"Move", [self](std::vector<VARIANT*>& args, VARIANT*) {
        const wchar_t* names[] = {L"Left", L"Top", L"Width", L"Height"};
        for (size_t i = 0; i < args.size() && i < 4; ++i) {
            Variant v;
            VariantCopyInd(v.get(), args[i]);
            self->SetProperty(names[i], v);
        }
        return S_OK;
    });
    return form;
}

long LongOf(const Variant& v) {
    Variant converted;
    VariantChangeType(converted.get(), const_cast<VARIANT*>(v.get()), 0, VT_I4);
    return V_I4(converted.get());
}

}  // namespace

TEST_F(IniTest, NewInstanceAndTheNullVersusEmptyRules) {
    auto fresh = Create<_cyInifINIFilesObj>(CLSID_cyInifINIFilesObj, IID__cyInifINIFilesObj);
    long code = -1;
    VARIANT_BOOL success = VARIANT_TRUE;
    fresh->get_LastReturnCode(&code);
    fresh->get_Success(&success);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(success, VARIANT_FALSE);
    Bstr key;
    fresh->get_Key(key.put());
    EXPECT_TRUE(key.isNull()) << "never-assigned text stays null";

    Write(L"S", L"a", L"1");
    Write(L"S", L"b", L"2");
    // With the key set to empty text the key named "" is read: missing, so the (null) default.
    SetText(&_cyInifINIFilesObj::put_Key, L"");
    EXPECT_EQ(Read(), L"");
    // A missing key yields the default text.
    SetText(&_cyInifINIFilesObj::put_Key, L"nope");
    SetText(&_cyInifINIFilesObj::put_Default, L"dflt");
    EXPECT_EQ(Read(), L"dflt");
    // A never-assigned key lists the section's keys, NUL-separated.
    auto other = Create<_cyInifINIFilesObj>(CLSID_cyInifINIFilesObj, IID__cyInifINIFilesObj);
    BSTR p = SysAllocString(path.c_str()), s = SysAllocString(L"S");
    other->put_Path(&p);
    other->put_Section(&s);
    SysFreeString(p);
    SysFreeString(s);
    Bstr list;
    other->get_Value(list.put());
    EXPECT_EQ(std::wstring(list.get(), list.length()), std::wstring(L"a\0b\0", 4));
}

TEST_F(IniTest, AWriteWithoutASectionFailsQuietly) {
    auto fresh = Create<_cyInifINIFilesObj>(CLSID_cyInifINIFilesObj, IID__cyInifINIFilesObj);
    BSTR value = SysAllocString(L"x");
    EXPECT_EQ(fresh->put_Value(&value), S_OK);
    SysFreeString(value);
    VARIANT_BOOL success = VARIANT_TRUE;
    fresh->get_Success(&success);
    EXPECT_EQ(success, VARIANT_FALSE);
}

TEST_F(IniTest, TextsBeyondTheProfileFunctionsFailQuietly) {
    std::wstring huge(40000, L'x');
    SetText(&_cyInifINIFilesObj::put_Default, huge);
    SetText(&_cyInifINIFilesObj::put_Key, L"missing");
    EXPECT_EQ(Read(), std::wstring(254, L'x')) << "as for a file that cannot be read: the default";
    Write(L"S", L"k", huge);
    VARIANT_BOOL success = VARIANT_TRUE;
    ini->get_Success(&success);
    EXPECT_EQ(success, VARIANT_FALSE);
    SetText(&_cyInifINIFilesObj::put_Path, std::wstring(300, L'n'));
    SetText(&_cyInifINIFilesObj::put_Value, L"short");
    ini->get_Success(&success);
    EXPECT_EQ(success, VARIANT_FALSE) << "a file name longer than a path";
}

TEST_F(IniTest, WritesDropNulsAndLongValuesAreCut) {
    BSTR value = SysAllocStringLen(L"a\0b", 3);
    BSTR section = SysAllocString(L"S"), key = SysAllocString(L"k");
    ini->put_Section(&section);
    ini->put_Key(&key);
    ASSERT_EQ(ini->put_Value(&value), S_OK);
    EXPECT_EQ(SysStringLen(value), 2u) << "the caller's variable holds the cleaned text";
    EXPECT_STREQ(value, L"ab");
    SysFreeString(value);
    SysFreeString(section);
    SysFreeString(key);
    EXPECT_EQ(Read(), L"ab");
    VARIANT_BOOL success;
    ini->get_Success(&success);
    EXPECT_EQ(success, VARIANT_TRUE);

    Write(L"S", L"long", std::wstring(300, L'x'));
    EXPECT_EQ(Read(), std::wstring(254, L'x'));
}

TEST_F(IniTest, DeletesAndSectionLists) {
    Write(L"A", L"k1", L"1");
    Write(L"A", L"k2", L"2");
    Write(L"B", L"k3", L"3");
    SetText(&_cyInifINIFilesObj::put_Section, L"A");
    SetText(&_cyInifINIFilesObj::put_Key, L"k1");
    ASSERT_EQ(ini->DeleteKeyINI(), S_OK);
    Bstr keys;
    ini->get_INISection(keys.put());
    EXPECT_EQ(std::wstring(keys.get(), keys.length()), std::wstring(L"k2\0", 3));
    Bstr sections;
    ini->get_Sections(sections.put());
    EXPECT_EQ(std::wstring(sections.get(), sections.length()), std::wstring(L"A\0B\0", 4));
    ASSERT_EQ(ini->DeleteSectionINI(), S_OK);
    sections = Bstr();
    ini->get_Sections(sections.put());
    EXPECT_EQ(std::wstring(sections.get(), sections.length()), std::wstring(L"B\0", 2));
    // INISection Let with its null key deletes the whole section too, whatever the text: one too
    // long for the profile functions and outside the code page still deletes.
    SetText(&_cyInifINIFilesObj::put_Section, L"B");
    SetText(&_cyInifINIFilesObj::put_INISection, std::wstring(40000, L'\u4E2D'));
    sections = Bstr();
    ini->get_Sections(sections.put());
    EXPECT_EQ(sections.length(), 0u);
    VARIANT_BOOL success = VARIANT_FALSE;
    ini->get_Success(&success);
    EXPECT_EQ(success, VARIANT_TRUE);
}

TEST_F(IniTest, EnumerationsFillOneBasedArrays) {
    Write(L"A", L"x", L"1");
    Write(L"B", L"y", L"2");
    SAFEARRAY* names = nullptr;
    long count = -1;
    ASSERT_EQ(ini->EnumerateAllSections(&names, &count), S_OK);
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(count, 2);
    LONG lo = 0, hi = 0;
    SafeArrayGetLBound(names, 1, &lo);
    SafeArrayGetUBound(names, 1, &hi);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 2);
    BSTR first = nullptr;
    LONG index = 1;
    SafeArrayGetElement(names, &index, &first);
    EXPECT_STREQ(first, L"A");
    SysFreeString(first);

    // A missing file: no elements and a count of 0; the old array is erased.
    std::wstring missing = folder.file(L"missing.ini");
    SetText(&_cyInifINIFilesObj::put_Path, missing);
    ASSERT_EQ(ini->EnumerateAllSections(&names, &count), S_OK);
    EXPECT_EQ(names, nullptr);
    EXPECT_EQ(count, 0);
}

TEST_F(IniTest, SavingAFormPlacement) {
    auto normal = MakeForm(0, 100, 200, 3000, 4000);
    IDispatch* form = normal.get();
    SetText(&_cyInifINIFilesObj::put_Section, L"Form");
    SetText(&_cyInifINIFilesObj::put_Key, L"keep");
    ASSERT_EQ(ini->SaveFormPosition(&form), S_OK);
    EXPECT_EQ(File(), "[Form]\r\nMaximised=0\r\nLeft=100\r\nTop=200\r\nWidth=3000\r\nHeight=4000\r\n");
    Bstr key;
    ini->get_Key(key.put());
    EXPECT_STREQ(key.get(), L"keep") << "the current key is restored";

    DeleteFileW(path.c_str());
    auto maximized = MakeForm(2, 1, 2, 3, 4);
    form = maximized.get();
    ini->SaveFormPosition(&form);
    EXPECT_EQ(File(), "[Form]\r\nMaximised=1\r\n");

    DeleteFileW(path.c_str());
    auto minimized = MakeForm(1, 1, 2, 3, 4);
    form = minimized.get();
    ini->SaveFormPosition(&form);
    EXPECT_EQ(File(), "");

    // A form lacking a member: no error reaches the caller, Success reads False, the key is back.
    auto broken = FakeHostObject::Make();
    broken->SetProperty(L"WindowState", Variant::Long(0));
    form = broken.get();
    EXPECT_EQ(ini->SaveFormPosition(&form), S_OK);
    VARIANT_BOOL success = VARIANT_TRUE;
    ini->get_Success(&success);
    EXPECT_EQ(success, VARIANT_FALSE);
    key = Bstr();
    ini->get_Key(key.put());
    EXPECT_STREQ(key.get(), L"keep");
    // And Nothing as the form.
    form = nullptr;
    EXPECT_EQ(ini->SaveFormPosition(&form), S_OK);
}

TEST_F(IniTest, RestoringAFormPlacementKeepsItOnScreen) {
    HDC screen = GetDC(nullptr);
    const double tppX = 1440.0 / GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    double screenWidth = GetSystemMetrics(SM_CXSCREEN) * tppX;

    Write(L"Form", L"Left", L"500");
    Write(L"Form", L"Top", L"600");
    Write(L"Form", L"Width", L"1000");  // below the default minimum of 3000
    Write(L"Form", L"Height", L"4000");
    SetText(&_cyInifINIFilesObj::put_Default, L"mine");
    auto form = MakeForm(0, 0, 0, 9999, 9999);
    IDispatch* f = form.get();
    Variant missing = Variant::Missing();
    ASSERT_EQ(ini->LoadFormPosition(&f, *missing.get(), *missing.get()), S_OK);
    EXPECT_EQ(LongOf(form->Property(L"Left")), 500);
    EXPECT_EQ(LongOf(form->Property(L"Width")), 3000);
    EXPECT_EQ(LongOf(form->Property(L"Height")), 4000);
    Bstr dflt;
    ini->get_Default(dflt.put());
    EXPECT_STREQ(dflt.get(), L"mine") << "the default text is restored";

    // Too far right: the right edge ends 4 pixels inside the screen.
    Write(L"Form", L"Left", L"99999");
    Write(L"Form", L"Maximised", L"1");
    ASSERT_EQ(ini->LoadFormPosition(&f, *missing.get(), *missing.get()), S_OK);
    long left = LongOf(form->Property(L"Left"));
    long width = LongOf(form->Property(L"Width"));
    EXPECT_EQ(left, std::lrint(screenWidth - 4 * tppX - 3000));
    EXPECT_EQ(left + width, std::lrint(screenWidth - 4 * tppX));
    EXPECT_EQ(LongOf(form->Property(L"WindowState")), 2);

    // Missing entries keep the form's own values; the minimums are caller's to choose.
    DeleteFileW(path.c_str());
    auto small = MakeForm(0, 300, 400, 500, 600);
    f = small.get();
    Variant minimum = Variant::Long(100);
    ASSERT_EQ(ini->LoadFormPosition(&f, *minimum.get(), *minimum.get()), S_OK);
    EXPECT_EQ(LongOf(small->Property(L"Left")), 300);
    EXPECT_EQ(LongOf(small->Property(L"Height")), 600);
    EXPECT_EQ(small->Log().back(), L"call Move(300,400,500,600)");
}

TEST_F(IniTest, ConversionWithAFallback) {
    long result = 0;
    Bstr twelve(L"12"), fail(L"FAIL"), empty(L""), big(L"99999999999"), half(L"2.5");
    ini->CLngDefault(twelve.get(), 5, &result);
    EXPECT_EQ(result, 12);
    ini->CLngDefault(fail.get(), 5, &result);
    EXPECT_EQ(result, 5);
    ini->CLngDefault(empty.get(), 7, &result);
    EXPECT_EQ(result, 7);
    ini->CLngDefault(big.get(), 7, &result);
    EXPECT_EQ(result, 7) << "out of range falls back";
    ini->CLngDefault(half.get(), 7, &result);
    EXPECT_EQ(result, 2) << "halves round to even";
    ini->CLngDefault(nullptr, 3, &result);
    EXPECT_EQ(result, 3);
}

TEST_F(IniTest, ThroughIDispatchWithScriptStyleArguments) {
    auto object = ini.as<IDispatch>(IID_IDispatch);
    Variant section = Variant::Text(L"D"), key = Variant::Text(L"k");
    ASSERT_EQ(Put(object.get(), L"Section", Val(section)).hr, S_OK);
    ASSERT_EQ(Put(object.get(), L"Key", Val(key)).hr, S_OK);
    // A script variable passed to Value Let comes back without its NUL.
    BSTR raw = SysAllocStringLen(L"x\0y", 3);
    Variant variable = Variant::TakeText(raw);
    VARIANT ref = Ref(variable);
    ASSERT_EQ(Put(object.get(), L"Value", ref).hr, S_OK);
    EXPECT_EQ(TextOf(*variable.get()), L"xy");
    auto read = Get(object.get(), L"Value");
    EXPECT_EQ(TextOf(*read.value.get()), L"xy");

    // Enumeration into script variables: an array of Variants (script engines index only those).
    Variant names, count;
    ASSERT_EQ(Call(object.get(), L"EnumerateAllSections", {Ref(names), Ref(count)}).hr, S_OK);
    EXPECT_EQ(names.type(), VT_ARRAY | VT_VARIANT);
    EXPECT_EQ(V_I4(count.get()), 1);
    VARIANT element;
    VariantInit(&element);
    LONG index = 1;
    SafeArrayGetElement(V_ARRAY(names.get()), &index, &element);
    EXPECT_EQ(TextOf(element), L"D");
    VariantClear(&element);

    // The form passed as a script variable holding an object.
    auto form = MakeForm(0, 100, 200, 3000, 3000);
    Variant formVariable = Variant::Object(form.get());
    ASSERT_EQ(Call(object.get(), L"SaveFormPosition", {Ref(formVariable)}).hr, S_OK);
    ASSERT_EQ(Call(object.get(), L"LoadFormPosition", {Ref(formVariable)}).hr, S_OK);
    EXPECT_EQ(form->Log().back(), L"call Move(100,200,3000,3000)");
}

TEST_F(IniTest, AnsiFilesStayAnsiAndRefuseWhatTheyCannotHoldUnicodeFilesHoldAll) {
    auto success = [&] {
        VARIANT_BOOL s = VARIANT_FALSE;
        ini->get_Success(&s);
        return s == VARIANT_TRUE;
    };
    // A new file is an ANSI file: texts of the code page are stored as its bytes, as before.
    Write(L"Caf\u00E9", L"Stra\u00DFe", L"\u20AC 5");
    ASSERT_TRUE(success());
    EXPECT_NE(File().find("[Caf\xE9]"), std::string::npos) << File();
    EXPECT_NE(File().find("Stra\xDF" "e=\x80 5"), std::string::npos) << File();
    WriteFileBytes(path, File() + "[Omega]\r\nO=1\r\n");
    const std::string before = File();
    // Names and texts the code page lacks would become look-alikes ("Omega"): refused, file as it was.
    const std::wstring loneSurrogate(1, wchar_t(0xD800));
    for (const auto& entry : {std::vector<std::wstring>{L"\u03A9mega", L"O", L"2"},
                              std::vector<std::wstring>{L"Omega", L"\u03A9", L"2"},
                              std::vector<std::wstring>{L"Omega", L"O", L"\u03A9 \u4E2D \U0001F600"},
                              std::vector<std::wstring>{L"Omega", loneSurrogate, L"2"}}) {
        Write(entry[0], entry[1], entry[2]);
        EXPECT_FALSE(success()) << testing::PrintToString(entry[1]);
    }
    SetText(&_cyInifINIFilesObj::put_Section, L"\u03A9mega");
    ini->DeleteSectionINI();
    EXPECT_FALSE(success());
    EXPECT_EQ(File(), before);
    // Reading a name the file cannot hold finds nothing, not its look-alike.
    SetText(&_cyInifINIFilesObj::put_Default, L"none");
    SetText(&_cyInifINIFilesObj::put_Section, L"\u03A9mega");
    SetText(&_cyInifINIFilesObj::put_Key, L"O");
    EXPECT_EQ(Read(), L"none");
    SetText(&_cyInifINIFilesObj::put_Section, L"Omega");
    EXPECT_EQ(Read(), L"1");

    // A file that starts with a UTF-16 mark holds any text, and the path itself is Unicode: the
    // look-alike file beside it is never touched.
    std::wstring twin = folder.file(L"Omega \u00E9.ini");
    WriteFileBytes(twin, "[x]\r\nk=twin\r\n");
    SetText(&_cyInifINIFilesObj::put_Path, folder.file(L"\u03A9mega \u0119.ini"));
    WriteFileBytes(folder.file(L"\u03A9mega \u0119.ini"), std::string("\xFF\xFE[\0x\0]\0\r\0\n\0", 12));
    Write(L"\u03A9mega", L"\u4E2D\u6587", L"\U0001F600 \u0414");
    ASSERT_TRUE(success());
    SetText(&_cyInifINIFilesObj::put_Default, L"");
    EXPECT_EQ(Read(), L"\U0001F600 \u0414");
    std::string unicode = ReadFileBytes(folder.file(L"\u03A9mega \u0119.ini"));
    EXPECT_NE(unicode.find(std::string("[\0\xA9\x03m\0", 6)), std::string::npos) << "UTF-16 on disk";
    EXPECT_EQ(ReadFileBytes(twin), "[x]\r\nk=twin\r\n");
    // A path is read up to its first NUL.
    SetText(&_cyInifINIFilesObj::put_Path, folder.file(L"\u03A9mega \u0119.ini") + std::wstring(1, L'\0') + L"x");
    EXPECT_EQ(Read(), L"\U0001F600 \u0414");
}
