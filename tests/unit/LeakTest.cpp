// Leak checks: a member called many times must leave the process's kernel handles, GDI objects and
// windows where they were, and once its object is released the library must report that nothing
// of it is alive (DllCanUnloadNow). The checks are a table of (class, member, arguments) rows;
// each class adds the rows of its main members.
//
// Wine answers GetProcessHandleCount and GetGuiResources with 0. The counters then fall back to
// the system handle table (NtQuerySystemInformation) and to Wine's GDI handle table, which it
// shares with the process through the PEB; the first test proves that each counter sees a leak.
#include "frame/Interfaces.h"
#include "support/FakeHostObject.h"
#include "support/Library.h"
#include <gtest/gtest.h>
#include <winternl.h>
#include <string>
#include <vector>

using namespace wxtest;

namespace {

struct Counters {
    long handles = -1;
    long gdi = -1;
    long windows = -1;
};

long SystemHandleCount() {
    struct Entry { ULONG pid; BYTE type; BYTE flags; USHORT value; PVOID object; ULONG access; };
    struct Table { ULONG count; Entry entries[1]; };
    using Query = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = ProcAddress<Query>(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation");
    if (!query) return -1;
    std::vector<char> buffer(1 << 16);
    ULONG needed = 0;
    LONG status;
    while ((status = query(16 /* SystemHandleInformation */, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<LONG>(0xC0000004))
        buffer.resize(buffer.size() * 2);
    if (status != 0) return -1;
    auto* table = reinterpret_cast<Table*>(buffer.data());
    long mine = 0;
    for (ULONG i = 0; i < table->count; ++i)
        if (table->entries[i].pid == GetCurrentProcessId()) ++mine;
    return mine;
}

long HandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return static_cast<long>(count);
    return SystemHandleCount();
}

// The process's PEB, as ntdll reports it (GCC 12 takes the thread block's segment read that
// NtCurrentTeb makes for an access out of bounds).
void* ProcessEnvironmentBlock() {
    using Query = LONG(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = ProcAddress<Query>(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION info = {};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) != 0) return nullptr;
    return info.PebBaseAddress;
}

// Wine's GDI handle table (GDI_SHARED_MEMORY), reached through PEB.GdiSharedHandleTable.
long WineGdiCount() {
    struct Entry { ULONGLONG object; ULONG owner; USHORT unique; UCHAR type; UCHAR flags; ULONGLONG user; };
    static_assert(sizeof(Entry) == 24, "Wine's GDI handle entry");
    void* peb = ProcessEnvironmentBlock();
    if (!peb) return -1;
    const size_t gdiSharedHandleTable = sizeof(void*) == 8 ? 0xF8 : 0x94;  // its place in the PEB
    auto* table = *reinterpret_cast<Entry**>(static_cast<char*>(peb) + gdiSharedHandleTable);
    if (!table) return -1;
    long used = 0;
    for (int i = 0; i < 65536; ++i)
        if (table[i].type) ++used;
    return used;
}

long GdiCount() {
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count > 0) return static_cast<long>(count);
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") ? WineGdiCount() : -1;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM counter) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId()) ++*reinterpret_cast<long*>(counter);
    return TRUE;
}

Counters Measure() {
    Counters c;
    c.handles = HandleCount();
    c.gdi = GdiCount();
    c.windows = 0;
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&c.windows));
    return c;
}

HRESULT CanUnloadNow() {
    using Fn = HRESULT(WINAPI*)();
    auto fn = ProcAddress<Fn>(LibraryModule(), "DllCanUnloadNow");
    return fn ? fn() : E_FAIL;
}

// One argument of a row. "{ini}" in a text stands for the row's scratch INI file.
struct Arg {
    enum Kind { Text, Long, ArrayRef, LongRef, Form } kind;
    const wchar_t* text = L"";
    long number = 0;
};
Arg T(const wchar_t* s) { return Arg{Arg::Text, s, 0}; }
Arg L(long n) { return Arg{Arg::Long, L"", n}; }
Arg ArrayRef() { return Arg{Arg::ArrayRef, L"", 0}; }
Arg LongRef() { return Arg{Arg::LongRef, L"", 0}; }
Arg Form() { return Arg{Arg::Form, L"", 0}; }

struct Step {
    const wchar_t* member;
    WORD flags;
    std::vector<Arg> args;
};

struct LeakRow {
    const wchar_t* className;
    const CLSID* clsid;
    std::vector<Step> setup;  // run once before the measured calls
    Step call;                // the member under test
};

const WORD Let = DISPATCH_PROPERTYPUT;
const WORD GetProp = DISPATCH_PROPERTYGET;
const WORD Method = DISPATCH_METHOD;

std::vector<LeakRow> Rows() {
    std::vector<Step> ini = {{L"Path", Let, {T(L"{ini}")}}, {L"Section", Let, {T(L"A")}}, {L"Key", Let, {T(L"k")}}};
    return {
        {L"cyInifINIFilesObj", &CLSID_cyInifINIFilesObj, ini, {L"Value", Let, {T(L"some value")}}},
        {L"cyInifINIFilesObj", &CLSID_cyInifINIFilesObj, ini, {L"Value", GetProp, {}}},
        {L"cyInifINIFilesObj", &CLSID_cyInifINIFilesObj, ini, {L"INISection", GetProp, {}}},
        {L"cyInifINIFilesObj", &CLSID_cyInifINIFilesObj, ini, {L"Sections", GetProp, {}}},
        {L"cyInifINIFilesObj", &CLSID_cyInifINIFilesObj, ini, {L"EnumerateAllSections", Method, {ArrayRef(), LongRef()}}},
        {L"cyInifINIFilesObj", &CLSID_cyInifINIFilesObj, ini, {L"SaveFormPosition", Method, {Form()}}},
        {L"cyInifINIFilesObj", &CLSID_cyInifINIFilesObj, ini, {L"LoadFormPosition", Method, {Form()}}},
        {L"cyInifINIFilesObj", &CLSID_cyInifINIFilesObj, ini, {L"CLngDefault", Method, {T(L"12"), L(5)}}},
        {L"clsWinReg", &CLSID_clsWinReg, {}, {L"QueryValue", Method, {L(-2147483647), T(L"Control Panel\\Desktop"), T(L"Wallpaper")}}},
        {L"clsDorvelRegHand2A", &CLSID_clsDorvelRegHand2A,
         {{L"ClassKey", Let, {L(-2147483647)}}, {L"SectionKey", Let, {T(L"Control Panel\\Desktop")}}, {L"ValueKey", Let, {T(L"Wallpaper")}}},
         {L"Value", GetProp, {}}},
        {L"classMRU", &CLSID_classMRU, {{L"Parent", Let, {T(L"WENDRAX1 leak check")}}}, {L"Save", Method, {T(L"file.txt")}}},
        {L"clsResTarvik", &CLSID_clsResTarvik, {}, {L"GetTarvikRes_Picture", Method, {L(102)}}},
        {L"clzBriCon", &CLSID_clzBriCon, {}, {L"CheckHighByte", Method, {L(300)}}},
        {L"clSShortCut", &CLSID_clSShortCut, {}, {L"GetWinSysDir", Method, {}}},
        {L"clsOnTop1", &CLSID_clsOnTop1, {}, {L"GetCDRomLetter", Method, {}}},
        {L"clsCrypto", &CLSID_clsCrypto, {}, {L"StringCryptography", Method, {L(0), T(L"secret text"), T(L"pw"), L(21)}}},
        {L"clsDrvInfo2", &CLSID_clsDrvInfo2, {}, {L"File_Exist", Method, {T(L"{ini}")}}},
        {L"clsDrvInfo2", &CLSID_clsDrvInfo2, {}, {L"Folder_Exist", Method, {T(L"C:\\windows")}}},
        {L"clsDriveInfo", &CLSID_clsDriveInfo, {}, {L"GetSerialNumber", Method, {T(L"C:\\")}}},
        {L"clsCapture", &CLSID_clsCapture, {}, {L"CaptureScreen", Method, {}}},
        {L"cLoadResPicture", &CLSID_cLoadResPicture, {}, {L"LoadResPicture", GetProp, {L(102), T(L"JPG")}}},
        {L"clsSecretFiles", &CLSID_clsSecretFiles, {}, {L"WriteSecretFile", Method, {T(L"{ini}"), T(L"a"), T(L"b"), T(L"c"), T(L"d")}}},
        {L"clsNetw", &CLSID_clsNetw, {}, {L"EnumDomains", Method, {}}},
        {L"clsEnetAdd", &CLSID_clsEnetAdd, {}, {L"EthernetAddress", Method, {L(0)}}},
        {L"clsResolu", &CLSID_clsResolu, {}, {L"AdjustForm", Method, {Form()}}},
        {L"clsControlPanelEntry", &CLSID_clsControlPanelEntry, {},
         {L"DeleteEntryFromSystemPanel", Method, {T(L"{5E0F2A31-7C11-4D5B-9D0E-3B1F6A2C4D77}")}}},
    };
}

// A leak of one handle, GDI object or window a call is 300 against a tolerance of 8 (and an
// object left alive fails DllCanUnloadNow after a single call); WX_LEAK_CALLS makes a longer run.
int Calls() {
    wchar_t text[16] = {};
    if (GetEnvironmentVariableW(L"WX_LEAK_CALLS", text, 16)) return _wtoi(text);
    return 300;
}

// Runs one step; false (with the reason) when the call fails.
bool RunStep(IDispatch* object, const Step& step, const std::wstring& iniPath, std::wstring& why) {
    std::vector<Variant> storage(step.args.size());
    std::vector<VARIANT> args;
    wx::ComPtr<FakeHostObject> form;
    for (size_t i = 0; i < step.args.size(); ++i) {
        const Arg& a = step.args[i];
        switch (a.kind) {
        case Arg::Text: {
            std::wstring text = a.text;
            if (text == L"{ini}") text = iniPath;
            storage[i] = Variant::Text(text.c_str());
            args.push_back(Ref(storage[i]));  // script hosts pass variables by reference
            break;
        }
        case Arg::Long: storage[i] = Variant::Long(a.number); args.push_back(Val(storage[i])); break;
        case Arg::ArrayRef: args.push_back(Ref(storage[i])); break;
        case Arg::LongRef: storage[i] = Variant::Long(0); args.push_back(Ref(storage[i])); break;
        case Arg::Form:
            form = FakeHostObject::Make();
            form->SetProperty(L"WindowState", Variant::Long(0));
            form->SetProperty(L"Left", Variant::Long(600));
            form->SetProperty(L"Top", Variant::Long(450));
            form->SetProperty(L"Width", Variant::Long(4000));
            form->SetProperty(L"Height", Variant::Long(3000));
            form->SetMethod(L"Move", [](std::vector<VARIANT*>&, VARIANT*) { return S_OK; });
            storage[i] = Variant::Object(form.get());
            args.push_back(Ref(storage[i]));
            break;
        }
    }
    CallResult r = Invoke(object, step.member, step.flags, args);
    if (SUCCEEDED(r.hr)) return true;
    wchar_t text[64];
    swprintf(text, 64, L"0x%08lX (%ld) ", static_cast<unsigned long>(r.hr), r.number);
    why = std::wstring(step.member) + L": " + text + r.description;
    return false;
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// Calls the row's member `calls` times and reports what grew.
void CheckRow(const LeakRow& row, int calls) {
    SCOPED_TRACE(Narrow(std::wstring(row.className) + L"." + row.call.member));
    ScratchFolder folder;
    std::wstring ini = folder.file(L"leak.ini");
    WriteFileBytes(ini, "[A]\r\nk=v\r\nLeft=100\r\nTop=200\r\nWidth=5000\r\nHeight=4000\r\n[B]\r\nx=1\r\n");
    Counters before, after;
    {
        auto object = Create<IDispatch>(*row.clsid, IID_IDispatch);
        ASSERT_TRUE(object) << "the class cannot be created";
        std::wstring why;
        for (const Step& step : row.setup) ASSERT_TRUE(RunStep(object.get(), step, ini, why)) << Narrow(why);
        // Warm-up: first calls may load code and caches that stay for the life of the process.
        for (int i = 0; i < 50; ++i) ASSERT_TRUE(RunStep(object.get(), row.call, ini, why)) << Narrow(why);
        before = Measure();
        int failures = 0;
        for (int i = 0; i < calls; ++i)
            if (!RunStep(object.get(), row.call, ini, why)) ++failures;
        EXPECT_EQ(failures, 0) << Narrow(why);
        after = Measure();
    }
    // A few handles come and go with the system's own work; a leak of one per call is thousands.
    EXPECT_LE(after.handles, before.handles + 8) << "kernel handles grew";
    EXPECT_LE(after.gdi, before.gdi + 8) << "GDI objects grew";
    EXPECT_LE(after.windows, before.windows) << "windows were left behind";
    EXPECT_EQ(CanUnloadNow(), S_OK) << "library objects are still alive";
}

TEST(Leak, CountersSeeDeliberateLeaks) {
    // A thread's windows bring a helper window of the input system along, which lives as long as
    // one of them does: keep one window for the whole test so that the counts are the probe's.
    HWND anchor = CreateWindowExW(0, L"STATIC", L"anchor", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Counters start = Measure();
    ASSERT_GE(start.handles, 0);
    ASSERT_GE(start.gdi, 0);
    std::vector<HANDLE> events;
    for (int i = 0; i < 20; ++i) events.push_back(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    std::vector<HGDIOBJ> brushes;
    for (int i = 0; i < 20; ++i) brushes.push_back(CreateSolidBrush(RGB(i, 0, 0)));
    HWND window = CreateWindowExW(0, L"STATIC", L"leak probe", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Counters grown = Measure();
    EXPECT_GE(grown.handles, start.handles + 20);
    EXPECT_GE(grown.gdi, start.gdi + 20);
    EXPECT_EQ(grown.windows, start.windows + 1);
    for (HANDLE e : events) CloseHandle(e);
    for (HGDIOBJ b : brushes) DeleteObject(b);
    DestroyWindow(window);
    Counters back = Measure();
    EXPECT_LE(back.handles, start.handles + 4);
    EXPECT_LE(back.gdi, start.gdi + 4);
    EXPECT_EQ(back.windows, start.windows);
    DestroyWindow(anchor);
}

TEST(Leak, MainMembersLeaveNothingBehind) {
    int calls = Calls();
    for (const LeakRow& row : Rows()) CheckRow(row, calls);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\WENDRAX1 leak check");
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\WENDRAX1 leak check");
}

}  // namespace
