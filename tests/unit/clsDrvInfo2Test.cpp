// clsDrvInfo2 as hosts meet it: path texts, existence tests and drive details, file operations with
// their message boxes (answered by a second thread), folder walks with a C++ event sink, text
// search, totals and disk space (the last through the platform seam where sizes near 2 GB matter).
#include "frame/Interfaces.h"
#include "frame/Platform.h"
#include "support/DialogAnswerer.h"
#include "support/Library.h"
#include "support/WineDrive.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>

using namespace wxtest;

namespace {

ComPtr<IDispatch> MakeObject() { return Create<IDispatch>(CLSID_clsDrvInfo2, IID_IDispatch); }
ComPtr<_clsDrvInfo2> MakeTyped() { return Create<_clsDrvInfo2>(CLSID_clsDrvInfo2, IID__clsDrvInfo2); }

Variant T(const std::wstring& text) { return Variant::Text(text.c_str()); }
std::wstring S(const CallResult& r) { return TextOf(*r.value.get()); }
bool B(const CallResult& r) { return V_VT(r.value.get()) == VT_BOOL && V_BOOL(r.value.get()) == VARIANT_TRUE; }

// Calls a member with every argument by value.
CallResult CallWith(IDispatch* o, const wchar_t* name, std::vector<Variant> args) {
    std::vector<VARIANT> raw;
    for (Variant& a : args) raw.push_back(Val(a));
    return Call(o, name, raw);
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t at) {
    std::vector<std::wstring> parts;
    size_t start = 0, found;
    while ((found = text.find(at, start)) != std::wstring::npos) {
        parts.push_back(text.substr(start, found - start));
        start = found + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::vector<std::wstring> TextArray(const VARIANT& v) {
    std::vector<std::wstring> items;
    if (V_VT(&v) != (VT_ARRAY | VT_BSTR)) return items;
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(V_ARRAY(&v), 1, &lo);
    SafeArrayGetUBound(V_ARRAY(&v), 1, &hi);
    EXPECT_EQ(lo, 0);
    for (LONG i = lo; i <= hi; ++i) {
        BSTR item = nullptr;
        SafeArrayGetElement(V_ARRAY(&v), &i, &item);
        items.push_back(item ? item : L"");
        SysFreeString(item);
    }
    return items;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A sink for the class's events that records them and may act on them.
class EventSink : public IDispatch {
public:
    struct Event { DISPID id; double count; std::wstring text; };
    std::vector<Event> events;
    std::function<void(DISPID, VARIANT* count, VARIANT* text)> action;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID___clsDrvInfo2)) {
            *ppv = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }   // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
        if (p->cArgs != 2) return DISP_E_BADPARAMCOUNT;
        // Arguments arrive last first, each the raiser's own variable.
        VARIANT* count = &p->rgvarg[1];
        VARIANT* text = &p->rgvarg[0];
        if (V_VT(count) != (VT_BYREF | VT_VARIANT) || V_VT(text) != (VT_BYREF | VT_VARIANT)) return DISP_E_TYPEMISMATCH;
        count = V_VARIANTREF(count);
        text = V_VARIANTREF(text);
        events.push_back({id, V_VT(count) == VT_R8 ? V_R8(count) : -1, TextOf(*text)});
        if (action) action(id, count, text);
        return S_OK;
    }
};

// Connects a sink for the length of a test.
class Connection {
public:
    Connection(IUnknown* source, IDispatch* sink) {
        auto container = ComPtr<IUnknown>(source).as<IConnectionPointContainer>(IID_IConnectionPointContainer);
        EXPECT_TRUE(container);
        if (container) container->FindConnectionPoint(DIID___clsDrvInfo2, point_.put());
        EXPECT_TRUE(point_);
        if (point_) EXPECT_EQ(point_->Advise(sink, &cookie_), S_OK);
    }
    ~Connection() { if (point_) point_->Unadvise(cookie_); }

private:
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

// The platform's disk-size calls replaced for one test.
class DiskSeam {
public:
    DiskSeam() : saved_(wx::Platform()) {}
    ~DiskSeam() { wx::Platform() = saved_; }

private:
    wx::PlatformCalls saved_;
};

}  // namespace

// ---- path texts ------------------------------------------------------------------------------

TEST(clsDrvInfo2, TrailingSlashesAndNulls) {
    auto o = MakeObject();
    ASSERT_TRUE(o);
    EXPECT_EQ(S(CallWith(o.get(), L"Add_Trailing_Slash", {T(L"")})), L"\\");
    EXPECT_EQ(S(CallWith(o.get(), L"Add_Trailing_Slash", {T(L"  C:\\dir  ")})), L"C:\\dir\\");
    EXPECT_EQ(S(CallWith(o.get(), L"Add_Trailing_Slash", {T(L"C:\\dir\\")})), L"C:\\dir\\");
    EXPECT_EQ(S(CallWith(o.get(), L"Remove_Trailing_Slash", {T(L"C:\\dir\\\\")})), L"C:\\dir\\");
    EXPECT_EQ(S(CallWith(o.get(), L"Remove_Trailing_Slash", {T(L" C:\\dir ")})), L"C:\\dir");
    Variant withNul = Variant::TakeText(SysAllocStringLen(L"abc\0def", 7));
    EXPECT_EQ(S(Call(o.get(), L"Remove_Nulls", {Ref(withNul)})), L"abc");
    EXPECT_EQ(S(CallWith(o.get(), L"Remove_Nulls", {T(L"plain")})), L"plain");
}

TEST(clsDrvInfo2, ShrinkToFitCutsWholeLeadingFolders) {
    auto o = MakeObject();
    auto shrink = [&](const wchar_t* path, short max) {
        return S(CallWith(o.get(), L"Shrink_2_Fit", {T(path), Variant::Long(max)}));
    };
    EXPECT_EQ(shrink(L"C:\\Program Files\\Common Files\\System\\foo.dll", 30), L"C:\\...\\System\\foo.dll");
    EXPECT_EQ(shrink(L"C:\\Program Files\\Common Files\\System\\foo.dll", 20), L"C:\\...\\foo.dll");
    EXPECT_EQ(shrink(L"\\\\server\\share\\folder\\sub\\file.txt", 25), L"\\\\server\\...\\file.txt");
    EXPECT_EQ(shrink(L"D:\\a\\b\\c.txt", 8), L"D:\\...\\b\\c.txt");
    EXPECT_EQ(shrink(L"relative\\folder\\and\\file.txt", 5), L"relative\\folder\\and\\file.txt");
    EXPECT_EQ(shrink(L"  C:\\short  ", 30), L"C:\\short");
    // A server name longer than the room and nothing after it: returns instead of looping forever.
    EXPECT_EQ(shrink(L"\\\\averyveryverylongservername", 10), L"...\\\\averyveryverylongservername");
}

TEST(clsDrvInfo2, PathPartsAndVersion) {
    auto o = MakeObject();
    EXPECT_EQ(S(CallWith(o.get(), L"Get_Extension", {T(L"C:\\dir.x\\file.Txt")})), L"Txt");
    EXPECT_EQ(S(CallWith(o.get(), L"Get_Extension", {T(L"C:\\dir.x\\readme")})), L"");
    EXPECT_EQ(S(CallWith(o.get(), L"Get_Filename", {T(L"C:\\dir\\file.txt")})), L"file.txt");
    EXPECT_EQ(S(CallWith(o.get(), L"Get_Path", {T(L"C:\\dir\\file.txt")})), L"C:\\dir");
    EXPECT_EQ(S(CallWith(o.get(), L"Get_Path", {T(L"C:\\dir")})), L"C:\\");
    EXPECT_EQ(S(CallWith(o.get(), L"Get_Path", {T(L"\\\\server\\share\\x.txt")})), L"\\\\server\\share");

    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring version = S(CallWith(o.get(), L"Get_Version", {T(std::wstring(system) + L"\\kernel32.dll")}));
    EXPECT_EQ(Split(version, L'.').size(), 4u) << "got " << std::string(version.begin(), version.end());
    ScratchFolder scratch;
    WriteFileBytes(scratch.file(L"plain.txt"), "no version here");
    EXPECT_EQ(S(CallWith(o.get(), L"Get_Version", {T(scratch.file(L"plain.txt"))})), L"");
    EXPECT_EQ(S(CallWith(o.get(), L"Get_Version", {T(scratch.file(L"missing.dll"))})), L"");
}

TEST(clsDrvInfo2, AttributeStringFollowsTheLettersOfEachBit) {
    auto o = MakeTyped();
    auto code = [&](long value) {
        Bstr r;
        EXPECT_EQ(o->Attribute_String(value, r.put()), S_OK);
        return std::wstring(r.get());
    };
    EXPECT_EQ(code(1), L"R");
    EXPECT_EQ(code(7), L"RHS");
    EXPECT_EQ(code(23), L"DRHS");
    EXPECT_EQ(code(32), L"A");
    EXPECT_EQ(code(36), L"SA");
    EXPECT_EQ(code(39), L"RHSA");
    EXPECT_EQ(code(55), L"DRHSA");
    EXPECT_EQ(code(64), L"Alias");
    for (long none : {0L, 21L, 22L, 37L, 38L, 128L, -1L}) EXPECT_EQ(code(none), L"") << none;
}

// ---- drives, folders, files ------------------------------------------------------------------

TEST(clsDrvInfo2, DriveExistRecordsTheDriveAndHandsOutAReadableDriveObject) {
    auto o = MakeObject();
    Variant type = Variant::Long(7);
    EXPECT_FALSE(B(Call(o.get(), L"Drive_Exist", {Val(T(L"C")), Ref(type)})));
    EXPECT_EQ(V_I4(type.get()), 0);
    EXPECT_EQ(Get(o.get(), L"DIObject").value.type(), VT_DISPATCH);
    EXPECT_EQ(V_DISPATCH(Get(o.get(), L"DIObject").value.get()), nullptr);

    EXPECT_TRUE(B(Call(o.get(), L"Drive_Exist", {Val(T(L"c:\\anything")), Ref(type)})));
    EXPECT_EQ(V_I4(type.get()), 2);
    CallResult drive = Get(o.get(), L"DIObject");
    ASSERT_EQ(drive.value.type(), VT_DISPATCH);
    IDispatch* d = V_DISPATCH(drive.value.get());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(S(Get(d, L"Path")), L"C:");
    EXPECT_EQ(S(Get(d, L"driveletter")), L"C");
    EXPECT_EQ(S(Get(d, L"RootFolder")), L"C:\\");
    EXPECT_EQ(S(Get(d, L"ShareName")), L"");
    EXPECT_TRUE(B(Get(d, L"IsReady")));
    EXPECT_EQ(V_I4(Get(d, L"DriveType").value.get()), 2);
    DWORD serial = 0;
    GetVolumeInformationW(L"C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(V_I4(Get(d, L"SerialNumber").value.get()), static_cast<LONG>(serial));
    EXPECT_GT(V_R8(Get(d, L"TotalSize").value.get()), 0);
    EXPECT_GE(V_R8(Get(d, L"TotalSize").value.get()), V_R8(Get(d, L"FreeSpace").value.get()));
    EXPECT_FALSE(S(Get(d, L"FileSystem")).empty());
    EXPECT_EQ(Get(d, L"NoSuchMember").hr, DISP_E_UNKNOWNNAME);

    // No drive with that letter: False, and the drive found before stays.
    EXPECT_FALSE(B(Call(o.get(), L"Drive_Exist", {Val(T(L"Q:")), Ref(type)})));
    EXPECT_EQ(S(Get(V_DISPATCH(Get(o.get(), L"DIObject").value.get()), L"Path")), L"C:");
    // The host may put any object there.
    EXPECT_EQ(Invoke(o.get(), L"DIObject", DISPATCH_PROPERTYPUTREF, {Val(Variant::Object(nullptr))}).hr, S_OK);
    EXPECT_EQ(V_DISPATCH(Get(o.get(), L"DIObject").value.get()), nullptr);
}

TEST(clsDrvInfo2, DriveExistReportsArrangedCdRomWithItsSerial) {
    ScratchFolder disc;
    WineDrive::WriteSerial(disc.path(), 0x00AB12CDu);
    WineDrive cd(disc.path(), DRIVE_CDROM);
    ASSERT_TRUE(cd);
    auto o = MakeObject();
    Variant type = Variant::Long(0);
    ASSERT_TRUE(B(Call(o.get(), L"Drive_Exist", {Val(T(cd.Root())), Ref(type)})));
    EXPECT_EQ(V_I4(type.get()), 4);
    Variant drive = Get(o.get(), L"DIObject").value;
    EXPECT_EQ(V_I4(Get(V_DISPATCH(drive.get()), L"SerialNumber").value.get()), 0x00AB12CD);
    EXPECT_EQ(V_I4(Get(V_DISPATCH(drive.get()), L"DriveType").value.get()), 4);
}

TEST(clsDrvInfo2, IsDriveReadyChecksTheLetter) {
    auto o = MakeObject();
    EXPECT_TRUE(B(CallWith(o.get(), L"IsDriveReady", {T(L"c:\\windows")})));
    EXPECT_FALSE(B(CallWith(o.get(), L"IsDriveReady", {T(L"1:")})));
    CallResult empty = CallWith(o.get(), L"IsDriveReady", {T(L"")});
    EXPECT_EQ(empty.number, 5);
    CallResult missing = CallWith(o.get(), L"IsDriveReady", {T(L"Q")});
    EXPECT_EQ(missing.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(missing.number, 68);
    EXPECT_EQ(missing.description, L"Device unavailable");
}

TEST(clsDrvInfo2, FileAndFolderExistence) {
    ScratchFolder scratch;
    CreateDirectoryW(scratch.file(L"sub.dir").c_str(), nullptr);
    WriteFileBytes(scratch.file(L"readme"), "x");
    WriteFileBytes(scratch.file(L"a.txt"), "x");
    WriteFileBytes(scratch.file(L"archive.longext"), "x");
    WriteFileBytes(scratch.file(L"sub.dir\\inner"), "x");
    auto o = MakeObject();
    auto fileExists = [&](const std::wstring& p) {
        Variant v = T(p);
        return B(Call(o.get(), L"File_Exist", {Ref(v)}));
    };
    EXPECT_TRUE(fileExists(scratch.file(L"a.txt")));
    EXPECT_TRUE(fileExists(scratch.file(L"readme")));           // no extension
    EXPECT_TRUE(fileExists(scratch.file(L"archive.longext")));  // a long one
    EXPECT_TRUE(fileExists(scratch.file(L"sub.dir\\inner")));
    EXPECT_FALSE(fileExists(scratch.file(L"missing.txt")));
    EXPECT_FALSE(fileExists(scratch.file(L"sub.dir")));          // a folder is no file
    EXPECT_FALSE(fileExists(L"   "));
    EXPECT_FALSE(fileExists(L"Q:\\a.txt"));
    // The drive test inside leaves the drive behind.
    EXPECT_EQ(S(Get(V_DISPATCH(Get(o.get(), L"DIObject").value.get()), L"Path")), std::wstring(scratch.path(), 0, 2));

    auto folderExists = [&](const std::wstring& p) { return B(CallWith(o.get(), L"Folder_Exist", {T(p)})); };
    EXPECT_TRUE(folderExists(scratch.path()));
    EXPECT_TRUE(folderExists(scratch.path() + L"\\"));
    EXPECT_TRUE(folderExists(scratch.file(L"nothing.ext")));  // a file name: its folder is tested
    EXPECT_FALSE(folderExists(scratch.file(L"nothing")));
    EXPECT_TRUE(folderExists(L"C:\\my.dir"));                  // tests "C:"
}

TEST(clsDrvInfo2, IsThisRestrictedProbesAndLeavesNothing) {
    ScratchFolder scratch;
    auto o = MakeObject();
    auto restricted = [&](const std::wstring& p) {
        Variant v = T(p);
        return B(Call(o.get(), L"IsThisRestricted", {Ref(v)}));
    };
    EXPECT_TRUE(restricted(L""));
    EXPECT_FALSE(restricted(scratch.path()));
    EXPECT_FALSE(Exists(scratch.file(L"_Test.$$$")));
    EXPECT_TRUE(restricted(scratch.file(L"no such folder")));
    // A probe that exists read-only cannot be replaced: restricted, and the old probe is the
    // caller's own file, left as it was.
    WriteFileBytes(scratch.file(L"_Test.$$$"), "mine");
    SetFileAttributesW(scratch.file(L"_Test.$$$").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(restricted(scratch.path()));
    SetFileAttributesW(scratch.file(L"_Test.$$$").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(clsDrvInfo2, AvailableDrivesListsTheRoots) {
    auto o = MakeObject();
    CallResult r = Call(o.get(), L"Available_Drives");
    ASSERT_EQ(r.hr, S_OK);
    std::vector<std::wstring> roots = TextArray(*r.value.get());
    char buffer[300] = {};
    DWORD n = GetLogicalDriveStringsA(sizeof buffer, buffer);
    std::vector<std::wstring> expected;
    for (const char* p = buffer; p < buffer + n && *p; p += strlen(p) + 1) expected.push_back(std::wstring(p, p + strlen(p)));
    EXPECT_EQ(roots, expected);
    EXPECT_NE(std::find(roots.begin(), roots.end(), L"C:\\"), roots.end());
}
