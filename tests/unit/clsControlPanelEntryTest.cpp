// Shell namespace entries: every value written with its type and bytes, the deletion leaving
// nothing behind, and the message boxes answered by the test-side answerer.
#include "frame/Interfaces.h"
#include "support/DialogAnswerer.h"
#include "support/DialogSeries.h"
#include "support/Library.h"
#include "support/RegistryProbe.h"
#include <gtest/gtest.h>
#include <map>

using namespace wxtest;

namespace {

const char kGuid[] = "{6A1C4F00-0000-4000-8000-00000000CAFE}";
const wchar_t kGuidW[] = L"{6A1C4F00-0000-4000-8000-00000000CAFE}";
const std::string kClass = std::string("CLSID\\") + kGuid;
const std::string kExplorer = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

struct PanelEntry : ::testing::Test {
    ScratchKey cls{HKEY_CLASSES_ROOT, kClass};
    ScratchKey desktop{HKEY_LOCAL_MACHINE, kExplorer + "Desktop\\NameSpace\\" + kGuid};
    ScratchKey panel{HKEY_LOCAL_MACHINE, kExplorer + "ControlPanel\\NameSpace\\" + kGuid};
    ComPtr<_clsControlPanelEntry> entry = Create<_clsControlPanelEntry>(CLSID_clsControlPanelEntry, IID__clsControlPanelEntry);

    void SetUp() override { ASSERT_TRUE(entry); }
    std::string Text(HKEY root, const std::string& key, const char* name) {
        RawValue v = ReadRaw(root, key, name);
        EXPECT_TRUE(v.found) << key << " " << (name ? name : "(default)");
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ)) << key;
        // The member passes the text's length alone; the platform adds the NUL after it.
        EXPECT_EQ(v.bytes.empty() ? 'x' : v.bytes.back(), '\0') << key;
        return v.bytes.substr(0, v.bytes.empty() ? 0 : v.bytes.size() - 1);
    }
};

TEST_F(PanelEntry, CreateWritesEveryEntry) {
    BSTR guid = SysAllocString(kGuidW), title = SysAllocString(L"Wx Tool"), tip = SysAllocString(L""),
         icon = SysAllocString(L"C:\\wx.ico,0"), command = SysAllocString(L"C:\\wx.exe /run");
    Variant result;
    DWORD handles = HandleCount();
    ASSERT_EQ(entry->CreateEntryToSystemPanel(&guid, &title, &tip, &icon, &command, result.get()), S_OK);
    EXPECT_EQ(HandleCount(), handles) << "every key closed";
    EXPECT_EQ(result.type(), VT_EMPTY);
    EXPECT_EQ(std::wstring(tip), L" ") << "the caller's empty text became one space";
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, kClass, nullptr), "Wx Tool");
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, kClass, "InfoTip"), " ");
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, kClass + "\\DefaultIcon", nullptr), "C:\\wx.ico,0");
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, kClass + "\\InProcServer32", nullptr), "shell32.dll");
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, kClass + "\\InProcServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, kClass + "\\Shell\\Open\\Command", nullptr), "C:\\wx.exe /run");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kExplorer + "Desktop\\NameSpace\\" + kGuid, nullptr), " ");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kExplorer + "ControlPanel\\NameSpace\\" + kGuid, nullptr), " ");
    RawValue attributes = ReadRaw(HKEY_CLASSES_ROOT, kClass + "\\ShellFolder", "Attributes");
    ASSERT_TRUE(attributes.found);
    EXPECT_EQ(attributes.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(attributes.bytes, std::string(4, '\0'));
    for (BSTR s : {guid, title, tip, icon, command}) SysFreeString(s);

    // Deleting removes every key the creation wrote, children first.
    guid = SysAllocString(kGuidW);
    ASSERT_EQ(entry->DeleteEntryFromSystemPanel(&guid, result.get()), S_OK);
    SysFreeString(guid);
    EXPECT_EQ(HandleCount(), handles);
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, kClass));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, kExplorer + "Desktop\\NameSpace\\" + kGuid));
    EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, kExplorer + "ControlPanel\\NameSpace\\" + kGuid));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, kExplorer + "Desktop\\NameSpace")) << "only the entry's own keys go";
}

TEST_F(PanelEntry, ScriptStyleCallAndHostVariables) {
    auto disp = entry.as<IDispatch>(IID_IDispatch);
    Variant guid = Variant::Text(kGuidW), title = Variant::Text(L""), tip = Variant::Text(L"tip"),
            icon = Variant::Text(L"i"), command = Variant::Text(L"c");
    CallResult r = Call(disp.get(), L"CreateEntryToSystemPanel", {Ref(guid), Ref(title), Ref(tip), Ref(icon), Ref(command)});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(TextOf(*title.get()), L" ");
    EXPECT_EQ(TextOf(*tip.get()), L"tip");
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, kClass, nullptr), " ");
    ASSERT_EQ(Call(disp.get(), L"DeleteEntryFromSystemPanel", {Ref(guid)}).hr, S_OK);
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, kClass));
}

TEST_F(PanelEntry, EmptyGuidShowsTheBadPathsAndDeletesNothingElse) {
    // Creating with a GUID that names no key of its own writes nothing at all (it would otherwise
    // land on HKEY_CLASSES_ROOT\CLSID itself, or inside another class's key).
    for (const wchar_t* id : {L"", L"{6A1C4F00-0000-4000-8000-00000000CAFE}\\InProcServer32"}) {
        BSTR bad = SysAllocString(id), title = SysAllocString(L"t"), tip = SysAllocString(L"tip"),
             icon = SysAllocString(L"i.ico"), open = SysAllocString(L"o.exe");
        Variant none;
        EXPECT_EQ(entry->CreateEntryToSystemPanel(&bad, &title, &tip, &icon, &open, none.get()), S_OK);
        for (BSTR b : {bad, title, tip, icon, open}) SysFreeString(b);
    }
    EXPECT_FALSE(ReadRaw(HKEY_CLASSES_ROOT, "CLSID", "InfoTip").found);
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, "CLSID\\InProcServer32"));
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, "CLSID\\ShellFolder"));
    EXPECT_FALSE(KeyPresent(HKEY_CLASSES_ROOT, kClass + "\\InProcServer32\\InProcServer32"));

    BSTR guid = SysAllocString(L"");
    Variant result;
    DialogSeries answers(IDOK);
    ASSERT_EQ(entry->DeleteEntryFromSystemPanel(&guid, result.get()), S_OK);
    SysFreeString(guid);
    std::vector<std::string> texts = answers.Wait();
    const std::string m = "HKEY_LOCAL_MACHINE\\" + kExplorer;
    std::vector<std::string> expected = {
        "Incorrect Format:\n\nHKEY_CLASSES_ROOT\\CLSID\\\\ShellEx\\PropertySheetHandlers\\",
        "Incorrect Format:\n\nHKEY_CLASSES_ROOT\\CLSID\\",
        "Incorrect Format:\n\n" + m + "Desktop\\NameSpace\\",
        "Incorrect Format:\n\n" + m + "ControlPanel\\NameSpace\\",
    };
    EXPECT_EQ(texts, expected);
    for (const std::string& title : answers.Titles()) EXPECT_EQ(title, "WENDRAX1");
    EXPECT_TRUE(KeyPresent(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, kExplorer + "Desktop\\NameSpace"));
}

TEST_F(PanelEntry, AFailedAttributesWriteIsShown) {
    // A class identifier too long for a key name: every write fails, and the one write that
    // reports its failure shows the platform status as text.
    std::wstring longId(300, L'x');
    BSTR guid = SysAllocString(longId.c_str()), t = SysAllocString(L"t"), tip = SysAllocString(L"t"),
         icon = SysAllocString(L"t"), command = SysAllocString(L"t");
    Variant result;
    DialogAnswerer answer(IDOK);
    ASSERT_EQ(entry->CreateEntryToSystemPanel(&guid, &t, &tip, &icon, &command, result.get()), S_OK);
    ASSERT_TRUE(answer.Wait());
    EXPECT_EQ(answer.Title(), "WENDRAX1");
    // The platform's own status for opening that key, shown as its text.
    HKEY probe = nullptr;
    LONG status = RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"CLSID\\" + longId + L"\\ShellFolder").c_str(), 0, KEY_WRITE, &probe);
    ASSERT_NE(status, ERROR_SUCCESS);
    std::map<LONG, std::string> texts = {
        {2, "Bad Key Name"}, {1010, "Bad Key Name"}, {5, "Access to this key is denied"}, {87, "Invalid Parameter"},
        {234, "There is more data than the buffer has been allocated to hold."}, {1011, "Can't Open Key"}};
    std::string expected = texts.count(status) ? texts[status] : "Undefined Error Code: " + std::to_string(status);
    EXPECT_EQ(answer.Text(), expected);
    EXPECT_TRUE(answer.HadButton(IDOK));
    EXPECT_FALSE(answer.HadButton(IDCANCEL));
    for (BSTR s : {guid, t, tip, icon, command}) SysFreeString(s);
}

}  // namespace
