// The most-recently-used list: its order rules, its limit, two instances sharing one list, and
// the list as a host sees it in the per-user settings store.
#include "frame/Interfaces.h"
#include "support/Library.h"
#include "support/RegistryProbe.h"
#include <gtest/gtest.h>

using namespace wxtest;
using wx::SafeArrayOwner;

namespace {

const char kStore[] = "Software\\VB and VBA Program Settings\\WxUnitMRU";

// What a host's GetSetting reads.
std::wstring Setting(const wchar_t* section, const wchar_t* key) {
    std::wstring path = L"Software\\VB and VBA Program Settings\\WxUnitMRU\\" + std::wstring(section);
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return L"<none>";
    wchar_t buffer[512] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    LONG status = RegQueryValueExW(h, key, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(h);
    return status == ERROR_SUCCESS ? std::wstring(buffer) : L"<none>";
}

// What a host's SaveSetting writes.
void PutSetting(const wchar_t* section, const wchar_t* key, const wchar_t* text) {
    std::wstring path = L"Software\\VB and VBA Program Settings\\WxUnitMRU\\" + std::wstring(section);
    HKEY h = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr);
    RegSetValueExW(h, key, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
}

struct Mru : ::testing::Test {
    ScratchKey store{HKEY_CURRENT_USER, kStore};
    ComPtr<_classMRU> a = Make(), b = Make();

    static ComPtr<_classMRU> Make() {
        auto m = Create<_classMRU>(CLSID_classMRU, IID__classMRU);
        if (m) m->put_Parent(Bstr(L"WxUnitMRU").get());
        return m;
    }
    void SetUp() override { ASSERT_TRUE(a && b); }
    void Save(_classMRU* m, const wchar_t* text) { ASSERT_EQ(m->Save(Bstr(text).get()), S_OK); }
    // The stored list, most recent first, as "x,y,z".
    std::wstring List(_classMRU* m) {
        SAFEARRAY* array = nullptr;
        EXPECT_EQ(m->GetArray(&array), S_OK);
        if (!array) return L"<unchanged>";
        SafeArrayOwner owner(array);
        LONG lower = 0, upper = 0;
        SafeArrayGetLBound(array, 1, &lower);
        SafeArrayGetUBound(array, 1, &upper);
        EXPECT_EQ(lower, 1);
        std::wstring joined;
        for (LONG i = 0; i <= upper - lower; ++i) {
            if (i) joined += L",";
            joined += static_cast<BSTR*>(array->pvData)[i];
        }
        return joined;
    }
    short Num(_classMRU* m) {
        short n = -1;
        EXPECT_EQ(m->get_Num(&n), S_OK);
        return n;
    }
};

TEST_F(Mru, StartValues) {
    auto fresh = Create<_classMRU>(CLSID_classMRU, IID__classMRU);
    short max = 0;
    fresh->get_MaxNum(&max);
    EXPECT_EQ(max, 10);
    for (auto get : {&_classMRU::get_Parent, &_classMRU::get_Child, &_classMRU::get_Prefix}) {
        Bstr text;
        ((fresh.get())->*get)(text.put());
        EXPECT_EQ(std::wstring(text.get()), L"MRU");
    }
}

TEST_F(Mru, OrderRules) {
    Save(a.get(), L"A");
    EXPECT_EQ(Setting(L"MRU", L"MRUNum"), L"1");
    EXPECT_EQ(Setting(L"MRU", L"MRU1"), L"A");
    Save(a.get(), L"B");
    Save(a.get(), L"C");
    EXPECT_EQ(List(a.get()), L"C,B,A");
    Save(a.get(), L"A");
    EXPECT_EQ(List(a.get()), L"A,C,B");
    EXPECT_EQ(Num(a.get()), 3);
    Save(a.get(), L"A");
    EXPECT_EQ(List(a.get()), L"A,C,B") << "the first entry saved again changes nothing";
    Save(a.get(), L"a");
    EXPECT_EQ(List(a.get()), L"a,A,C,B") << "letter case makes a new entry";
    Bstr last;
    a->get_Last(last.put());
    EXPECT_EQ(std::wstring(last.get()), L"a");
}

TEST_F(Mru, FullListDropsTheOldest) {
    a->put_MaxNum(3);
    for (const wchar_t* t : {L"A", L"B", L"C", L"D"}) Save(a.get(), t);
    EXPECT_EQ(List(a.get()), L"D,C,B");
    EXPECT_EQ(Setting(L"MRU", L"MRUNum"), L"3");
    Save(a.get(), L"B");
    EXPECT_EQ(List(a.get()), L"B,D,C");
    // Ten entries: the tenth key is MRU10.
    b->put_Child(Bstr(L"Ten").get());
    for (int i = 1; i <= 11; ++i) Save(b.get(), std::to_wstring(i).c_str());
    EXPECT_EQ(Setting(L"Ten", L"MRUNum"), L"10");
    EXPECT_EQ(Setting(L"Ten", L"MRU10"), L"2");
}

TEST_F(Mru, LoweredMaxNumKeepsTheNewestEntries) {
    for (const wchar_t* t : {L"A", L"B", L"C", L"D", L"E"}) Save(a.get(), t);
    a->put_MaxNum(2);
    Save(a.get(), L"F");
    EXPECT_EQ(List(a.get()), L"F,E");
    Save(a.get(), L"E");
    EXPECT_EQ(List(a.get()), L"E,F");
    a->put_MaxNum(0);
    EXPECT_EQ(a->Save(Bstr(L"G").get()), HRESULT(0x800A0009));
    a->put_MaxNum(-3);
    EXPECT_EQ(a->Save(Bstr(L"G").get()), HRESULT(0x800A0009));
    EXPECT_EQ(List(a.get()), L"E,F") << "nothing written";
}

TEST_F(Mru, InstancesAndHostShareOneList) {
    Save(a.get(), L"one");
    Save(b.get(), L"two");
    EXPECT_EQ(List(a.get()), L"two,one");
    // The host writes the list with its own settings functions; the class reads it.
    PutSetting(L"MRU", L"MRUNum", L" 3 entries");
    PutSetting(L"MRU", L"MRU3", L"three");
    EXPECT_EQ(Num(b.get()), 3) << "the count is read as its leading number";
    EXPECT_EQ(List(b.get()), L"two,one,three");
    BSTR top = SysAllocString(L"top");
    ASSERT_EQ(b->put_Last(&top), S_OK);
    SysFreeString(top);
    EXPECT_EQ(List(a.get()), L"top,one,three") << "Last replaces entry 1 only";
    // A different prefix is a different list in the same section.
    a->put_Prefix(Bstr(L"File").get());
    EXPECT_EQ(Num(a.get()), 0);
    Save(a.get(), L"x");
    EXPECT_EQ(Setting(L"MRU", L"FileNum"), L"1");
    EXPECT_EQ(Setting(L"MRU", L"File1"), L"x");
}

TEST_F(Mru, CountsThatAreNoNumbersOrTooLarge) {
    PutSetting(L"MRU", L"MRUNum", L"none");
    EXPECT_EQ(Num(a.get()), 0);
    Save(a.get(), L"A");
    EXPECT_EQ(List(a.get()), L"A");
    PutSetting(L"MRU", L"MRUNum", L"40000");
    short n = 0;
    EXPECT_EQ(a->get_Num(&n), HRESULT(0x800A0006));
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(a->GetArray(&array), HRESULT(0x800A0006));
    EXPECT_EQ(a->Save(Bstr(L"B").get()), HRESULT(0x800A0006));
}

TEST_F(Mru, EmptyStoreAndClearing) {
    SAFEARRAYBOUND bound = {2, 0};
    SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 1, &bound);
    SAFEARRAY* passed = array;
    ASSERT_EQ(a->GetArray(&passed), S_OK);
    EXPECT_EQ(passed, array) << "an empty store leaves the array as it was";
    SafeArrayDestroy(array);
    Bstr last;
    ASSERT_EQ(a->get_Last(last.put()), S_OK);
    EXPECT_EQ(std::wstring(last.get()), L"");

    EXPECT_EQ(a->Clear(), S_OK) << "clearing a missing section never raises";
    EXPECT_EQ(a->ClearParent(), S_OK);
    Save(a.get(), L"A");
    b->put_Child(Bstr(L"Other").get());
    Save(b.get(), L"B");
    ASSERT_EQ(a->Clear(), S_OK);
    EXPECT_EQ(Num(a.get()), 0);
    EXPECT_EQ(Num(b.get()), 1) << "other sections stay";
    ASSERT_EQ(b->ClearParent(), S_OK);
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kStore));
    // An empty application name never clears the whole store.
    b->put_Parent(Bstr(L"").get());
    EXPECT_EQ(b->ClearParent(), S_OK);
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings"));
}

}  // namespace
