// Shortcuts made through the setup toolkit beside the library (vb6stkit.dll), read back through the
// shell's own link object; the Windows folders.
#include "frame/Interfaces.h"
#include "support/Library.h"
#include "support/UnicodeNames.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <string>

using namespace wxtest;

namespace {

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path);
    return p.substr(0, p.find_last_of('\\'));
}

std::string ProgramsFolder() {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// Where a link lands, given its folder relative to the Start menu's programs folder.
std::string LinkFile(const std::string& relativeFolder, const std::string& title) {
    char canonical[MAX_PATH] = {};
    PathCanonicalizeA(canonical, (ProgramsFolder() + "\\" + relativeFolder).c_str());
    return std::string(canonical) + "\\" + title + ".lnk";
}

// The user's desktop as the shell knows it.
std::string DesktopLink(const std::string& title) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::string(path) + "\\" + title + ".lnk";
}

bool UnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

// What the shell makes of a link: the program it resolves to (not the raw text stored).
std::wstring ResolvedTarget(const std::string& file) {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())))
        return L"(no shell link object)";
    auto persist = link.as<IPersistFile>(IID_IPersistFile);
    std::wstring wide(file.begin(), file.end());
    if (!persist || FAILED(persist->Load(wide.c_str(), STGM_READ))) return L"(not loaded)";
    wchar_t path[MAX_PATH] = {};
    WIN32_FIND_DATAW found;
    if (FAILED(link->GetPath(path, MAX_PATH, &found, 0))) return L"(no path)";
    return path;
}

struct LinkContents {
    bool loaded = false;
    std::string target, arguments;
};

LinkContents ReadLink(const std::string& file) {
    LinkContents contents;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putVoid())))
        return contents;
    auto persist = link.as<IPersistFile>(IID_IPersistFile);
    std::wstring wide(file.begin(), file.end());
    if (!persist || FAILED(persist->Load(wide.c_str(), STGM_READ))) return contents;
    char text[MAX_PATH * 2] = {};
    link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
    contents.target = text;
    text[0] = 0;
    link->GetArguments(text, sizeof text);
    contents.arguments = text;
    contents.loaded = true;
    return contents;
}

// Takes the toolkit away from beside the library for one test.
class ToolkitRemoved {
public:
    ToolkitRemoved() : path_(ProgramFolder() + "\\vb6stkit.dll") {
        moved_ = MoveFileA(path_.c_str(), (path_ + ".away").c_str()) != FALSE;
    }
    ~ToolkitRemoved() { if (moved_) MoveFileA((path_ + ".away").c_str(), path_.c_str()); }
    bool moved() const { return moved_; }

private:
    std::string path_;
    bool moved_;
};

TEST(ShortCut, LinkOnTheDesktopResolvesToTheTrimmedProgramAndArguments) {
    auto shortcut = Create<_clSShortCut>(CLSID_clSShortCut, IID__clSShortCut);
    ASSERT_TRUE(shortcut);
    std::string program = ProgramFolder() + "\\wendrax1_unit.exe";
    std::string file = DesktopLink("wx test link");
    // Where "..\..\Desktop" points in today's layout: a folder that is not the desktop.
    std::string literal = LinkFile("..\\..\\Desktop", "wx test link");
    ASSERT_STRCASENE(file.c_str(), literal.c_str());
    DeleteFileA(file.c_str());
    DeleteFileA(literal.c_str());
    Bstr target(std::wstring(L"  " + std::wstring(program.begin(), program.end()) + L" ").c_str());
    Bstr title(L" wx test link  ");
    Bstr arguments(L"  --list one ");
    VARIANT_BOOL made = VARIANT_FALSE;
    ASSERT_EQ(shortcut->doAddShortCut(target.get(), title.get(), arguments.get(), &made), S_OK);
    EXPECT_EQ(made, VARIANT_TRUE);
    LinkContents link = ReadLink(file);
    ASSERT_TRUE(link.loaded) << file;
    EXPECT_STREQ(link.target.c_str(), program.c_str());
    EXPECT_EQ(link.arguments, "--list one");
    EXPECT_EQ(ResolvedTarget(file), std::wstring(program.begin(), program.end()));
    EXPECT_EQ(GetFileAttributesA(literal.c_str()), INVALID_FILE_ATTRIBUTES) << literal;
    if (UnderWine()) {
        char user[256] = {};
        DWORD size = sizeof user;
        GetUserNameA(user, &size);
        EXPECT_STRCASEEQ(file.c_str(), (std::string("C:\\users\\") + user + "\\Desktop\\wx test link.lnk").c_str());
    }
    DeleteFileA(file.c_str());
}

TEST(ShortCut, OmittedArgumentsThroughDispatch) {
    auto shortcut = Create<IDispatch>(CLSID_clSShortCut, IID_IDispatch);
    std::string program = ProgramFolder() + "\\WENDRAX1.dll";
    std::string file = DesktopLink("wx plain link");
    DeleteFileA(file.c_str());
    std::wstring wide(program.begin(), program.end());
    auto r = Call(shortcut.get(), L"doAddShortCut", {Val(Variant::Text(wide.c_str())), Val(Variant::Text(L"wx plain link"))});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(V_BOOL(r.value.get()), VARIANT_TRUE);
    LinkContents link = ReadLink(file);
    ASSERT_TRUE(link.loaded);
    EXPECT_STREQ(link.target.c_str(), program.c_str());
    EXPECT_EQ(link.arguments, "");
    DeleteFileA(file.c_str());
}

TEST(ShortCut, WithoutTheToolkitNoShortcutIsMade) {
    auto shortcut = Create<_clSShortCut>(CLSID_clSShortCut, IID__clSShortCut);
    ToolkitRemoved away;
    ASSERT_TRUE(away.moved());
    std::string file = DesktopLink("wx missing toolkit");
    Bstr target(L"C:\\windows\\notepad.exe"), title(L"wx missing toolkit");
    VARIANT_BOOL made = VARIANT_TRUE;
    ASSERT_EQ(shortcut->doAddShortCut(target.get(), title.get(), nullptr, &made), S_OK);
    EXPECT_EQ(made, VARIANT_FALSE);
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ShortCut, ToolkitMakesItsFolderAndRefusesANamelessLink) {
    HMODULE toolkit = LoadLibraryA((ProgramFolder() + "\\vb6stkit.dll").c_str());
    ASSERT_TRUE(toolkit);
    using CreateFn = long(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR, long, LPCSTR);
    auto create = ProcAddress<CreateFn>(toolkit, "fCreateShellLink");
    ASSERT_TRUE(create);
    std::string program = ProgramFolder() + "\\wendrax1_unit.exe";
    std::string file = LinkFile("wx group\\inner", "tool");
    EXPECT_NE(create("inner", "tool", program.c_str(), "/a", -1, "$(Programs)\\wx group"), 0);
    LinkContents link = ReadLink(file);
    EXPECT_TRUE(link.loaded) << file;
    EXPECT_EQ(link.arguments, "/a");
    EXPECT_EQ(create("inner", "", program.c_str(), "", -1, "$(Programs)"), 0);
    DeleteFileA(file.c_str());
    RemoveDirectoryA((ProgramsFolder() + "\\wx group\\inner").c_str());
    RemoveDirectoryA((ProgramsFolder() + "\\wx group").c_str());

    // A folder below the desktop named from the programs group lands below the user's desktop;
    // a folder beside the programs group stays where it is named.
    std::string onDesktop = DesktopLink("wx folder\\tool");
    EXPECT_NE(create("..\\..\\desktop\\wx folder", "tool", program.c_str(), "", -1, "$(Programs)"), 0);
    EXPECT_NE(GetFileAttributesA(onDesktop.c_str()), INVALID_FILE_ATTRIBUTES) << onDesktop;
    std::string beside = LinkFile("..\\wx beside", "tool");
    EXPECT_NE(create("..\\wx beside", "tool", program.c_str(), "", -1, "$(Programs)"), 0);
    EXPECT_NE(GetFileAttributesA(beside.c_str()), INVALID_FILE_ATTRIBUTES) << beside;
    DeleteFileA(onDesktop.c_str());
    DeleteFileA(beside.c_str());
    RemoveDirectoryA(onDesktop.substr(0, onDesktop.find_last_of('\\')).c_str());
    RemoveDirectoryA(beside.substr(0, beside.find_last_of('\\')).c_str());
    FreeLibrary(toolkit);
}

// What the shell reads from a link file in Unicode: its target and arguments.
bool ReadLinkW(const std::wstring& file, std::wstring& target, std::wstring& arguments) {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())))
        return false;
    auto persist = link.as<IPersistFile>(IID_IPersistFile);
    if (!persist || FAILED(persist->Load(file.c_str(), STGM_READ))) return false;
    // The target as the link's item list holds it (Wine writes the link's location block in ANSI
    // only, so its raw path text shows question marks where the item list has the real name).
    ITEMIDLIST* items = nullptr;
    wchar_t text[MAX_PATH * 2] = {};
    if (FAILED(link->GetIDList(&items)) || !items) return false;
    SHGetPathFromIDListW(items, text);
    CoTaskMemFree(items);
    target = text;
    text[0] = 0;
    link->GetArguments(text, MAX_PATH * 2);
    arguments = text;
    return true;
}

// A title or target the code page lacks makes its own link (through the shell's link object),
// never the look-alike's: the existing "Omega" link beside it keeps its bytes.
TEST(ShortCut, UnicodeNamesMakeTheirOwnLinkAndLeaveTheLookAlikeAlone) {
    auto shortcut = Create<_clSShortCut>(CLSID_clSShortCut, IID__clSShortCut);
    ASSERT_TRUE(shortcut);
    wchar_t desktop[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop);
    const std::wstring title = std::wstring(kGreek) + L" wxuni";
    const std::wstring link = std::wstring(desktop) + L"\\" + title + L".lnk";
    const std::wstring twin = std::wstring(desktop) + L"\\" + kGreekTwin + L" wxuni.lnk";
    DeleteFileW(link.c_str());
    WriteFileBytes(twin, "the look-alike's own link");
    ScratchFolder scratch;
    const std::wstring program = scratch.file(std::wstring(kCyrillic) + L"\\" + kChinese + kEmoji + L".exe");
    ASSERT_TRUE(CreateDirectoryW(scratch.file(kCyrillic).c_str(), nullptr));
    WriteFileBytes(program, "MZ");
    const std::wstring arguments = std::wstring(L"/name ") + kGreek;

    Bstr target((L" " + program + L" ").c_str()), name((L"  " + title).c_str()), args(arguments.c_str());
    VARIANT_BOOL made = VARIANT_FALSE;
    ASSERT_EQ(shortcut->doAddShortCut(target.get(), name.get(), args.get(), &made), S_OK);
    EXPECT_EQ(made, VARIANT_TRUE);
    std::wstring storedTarget, storedArguments;
    ASSERT_TRUE(ReadLinkW(link, storedTarget, storedArguments));
    EXPECT_EQ(storedTarget, program);
    EXPECT_EQ(storedArguments, arguments);
    EXPECT_EQ(ReadFileBytes(twin), "the look-alike's own link");
    DeleteFileW(link.c_str());

    // A title longer than the platform allows: no link, False. One with a lone surrogate is the
    // file system's business (Wine's refuses it, NTFS stores it as it is), never the look-alike's.
    Bstr longTitle((std::wstring(kGreek) + std::wstring(300, L'x')).c_str());
    made = VARIANT_TRUE;
    ASSERT_EQ(shortcut->doAddShortCut(target.get(), longTitle.get(), nullptr, &made), S_OK);
    EXPECT_EQ(made, VARIANT_FALSE);
    const std::wstring lone = std::wstring(kGreek) + L"\xD800 wxuni";
    Bstr loneTitle(lone.c_str());
    ASSERT_EQ(shortcut->doAddShortCut(target.get(), loneTitle.get(), nullptr, &made), S_OK);
    if (made) DeleteFileW((std::wstring(desktop) + L"\\" + lone + L".lnk").c_str());
    EXPECT_EQ(ReadFileBytes(twin), "the look-alike's own link");
    DeleteFileW(twin.c_str());
}

TEST(ShortCut, WindowsFolders) {
    auto shortcut = Create<IDispatch>(CLSID_clSShortCut, IID_IDispatch);
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::wstring expected(windows, windows + strlen(windows));
    EXPECT_EQ(TextOf(*Call(shortcut.get(), L"GetWinDir").value.get()), expected);
    EXPECT_EQ(TextOf(*Call(shortcut.get(), L"GetWinSysDir").value.get()), expected + L"\\System\\");
    EXPECT_EQ(Call(shortcut.get(), L"dojobsstart").hr, S_OK);
}

}  // namespace

namespace {

// As a C++ host that found the class through the registry meets it.
TEST(ShortCut, CreatedByProgId) {
    auto shortcut = CreateByProgId(L"WENDRAX1.clSShortCut");
    ASSERT_TRUE(shortcut) << "is the library registered?";
    auto typed = shortcut.as<_clSShortCut>(IID__clSShortCut);
    ASSERT_TRUE(typed);
    Bstr folder;
    ASSERT_EQ(typed->GetWinSysDir(folder.put()), S_OK);
    EXPECT_EQ(std::wstring(folder.get()).substr(folder.length() - 8), L"\\System\\");
}

}  // namespace
