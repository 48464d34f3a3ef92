// clsDrvInfo2 as hosts meet it: path texts, existence tests and drive details, file operations with
// their message boxes (answered by a second thread), folder walks with a C++ event sink, text
// search, totals and disk space (the last through the platform seam where sizes near 2 GB matter).
#include "frame/Interfaces.h"
#include "support/DialogAnswerer.h"
#include "support/Library.h"
#include "support/PlatformSeam.h"
#include "support/UnicodeNames.h"
#include "support/WineDrive.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>

using namespace wxtest;

namespace {

ComPtr<IDispatch> MakeObject() { return Create<IDispatch>(CLSID_clsDrvInfo2, IID_IDispatch); }
ComPtr<_clsDrvInfo2> MakeTyped() { return Create<_clsDrvInfo2>(CLSID_clsDrvInfo2, IID__clsDrvInfo2); }

Variant T(const std::wstring& text) { return Variant::Text(text.c_str()); }
Variant T(const wchar_t* text) { return Variant::Text(text); }
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

// A text as a host's fixed-length buffer leaves it: `before`, a NUL, then `after`.
Variant WithNul(const std::wstring& before, const std::wstring& after) {
    std::wstring text = before + L'\0' + after;
    return Variant::TakeText(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

// The process's current folder for the length of a test, where relative paths land.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::wstring& path) {
        GetCurrentDirectoryW(MAX_PATH, old_);
        SetCurrentDirectoryW(path.c_str());
    }
    ~CurrentFolder() { SetCurrentDirectoryW(old_); }

private:
    wchar_t old_[MAX_PATH] = {};
};

// A plain sink for the class's events: it reads the arguments as they come, records them and may
// change them.
class EventSink : public IDispatch {
public:
    struct Event { DISPID id; double count; std::wstring text; VARTYPE countType, textType; };
    std::vector<Event> events;
    std::function<void(DISPID, double& count, BSTR& text)> action;

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
        // Arguments arrive last first: a double and a text by reference, in whatever form.
        VARIANT* count = &p->rgvarg[1];
        VARIANT* text = &p->rgvarg[0];
        double* number = V_VT(count) == (VT_BYREF | VT_R8) ? V_R8REF(count)
                         : V_VT(count) == (VT_BYREF | VT_VARIANT) && V_VT(V_VARIANTREF(count)) == VT_R8 ? &V_R8(V_VARIANTREF(count))
                         : nullptr;
        BSTR* words = V_VT(text) == (VT_BYREF | VT_BSTR) ? V_BSTRREF(text)
                      : V_VT(text) == (VT_BYREF | VT_VARIANT) && V_VT(V_VARIANTREF(text)) == VT_BSTR ? &V_BSTR(V_VARIANTREF(text))
                      : nullptr;
        if (!number || !words) return DISP_E_TYPEMISMATCH;
        events.push_back({id, *number, *words ? *words : L"", V_VT(count), V_VT(text)});
        if (action) action(id, *number, *words);
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
        if (point_) {
            EXPECT_EQ(point_->Advise(sink, &cookie_), S_OK);
        }
    }
    ~Connection() { if (point_) point_->Unadvise(cookie_); }

private:
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
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
    EXPECT_EQ(S(CallWith(o.get(), L"Get_Path", {T(L"C:\\")})), L"");
    EXPECT_EQ(S(CallWith(o.get(), L"Get_Path", {T(L"C:")})), L"");
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
    Variant rootFolder = Get(d, L"RootFolder").value;
    ASSERT_EQ(rootFolder.type(), VT_DISPATCH);
    EXPECT_EQ(S(Get(V_DISPATCH(rootFolder.get()), L"Path")), L"C:\\");
    EXPECT_TRUE(B(Get(V_DISPATCH(rootFolder.get()), L"IsRootFolder")));
    Variant rootText;
    ASSERT_EQ(VariantChangeType(rootText.get(), rootFolder.get(), 0, VT_BSTR), S_OK);  // its default value
    EXPECT_EQ(TextOf(*rootText.get()), L"C:\\");
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
    // A volume name the code page lacks (Wine reads the label file as UTF-8).
    WineDrive::WriteLabel(disc.path(), "\xCE\xA9mega \xE4\xB8\xAD\xE6\x96\x87");
    WineDrive cd(disc.path(), DRIVE_CDROM);
    ASSERT_TRUE(cd);
    auto o = MakeObject();
    Variant type = Variant::Long(0);
    ASSERT_TRUE(B(Call(o.get(), L"Drive_Exist", {Val(T(cd.Root())), Ref(type)})));
    EXPECT_EQ(V_I4(type.get()), 4);
    Variant drive = Get(o.get(), L"DIObject").value;
    EXPECT_EQ(V_I4(Get(V_DISPATCH(drive.get()), L"SerialNumber").value.get()), 0x00AB12CD);
    EXPECT_EQ(V_I4(Get(V_DISPATCH(drive.get()), L"DriveType").value.get()), 4);
    EXPECT_EQ(TextOf(*Get(V_DISPATCH(drive.get()), L"VolumeName").value.get()),
              std::wstring(kGreek) + L" " + kChinese);
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
    EXPECT_TRUE(restricted(std::wstring()));
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

// ---- file operations -------------------------------------------------------------------------

TEST(clsDrvInfo2, CreateDirStructMakesEveryMissingFolder) {
    ScratchFolder scratch;
    auto o = MakeObject();
    std::wstring deep = scratch.file(L"a\\b\\c");
    EXPECT_TRUE(B(CallWith(o.get(), L"Create_Dir_Struct", {T(deep)})));
    EXPECT_TRUE(Exists(deep));
    EXPECT_TRUE(B(CallWith(o.get(), L"Create_Dir_Struct", {T(deep + L"\\")})));
    EXPECT_FALSE(B(CallWith(o.get(), L"Create_Dir_Struct", {T(L"  ")})));

    // A file in the way: the failure is shown and the part named.
    WriteFileBytes(scratch.file(L"blocked"), "x");
    DialogAnswerer answer(IDOK);
    EXPECT_FALSE(B(CallWith(o.get(), L"Create_Dir_Struct", {T(scratch.file(L"blocked\\x"))})));
    ASSERT_TRUE(answer.Wait());
    EXPECT_EQ(answer.Title(), "Error creating folder");
    std::wstring blocked = scratch.file(L"blocked");
    std::string part(blocked.begin(), blocked.end());
    EXPECT_EQ(answer.Text(), "Error: 58  File already exists\r\n\r\nAn error occured while trying to create " + part);
    EXPECT_TRUE(answer.HadButton(IDOK));
    EXPECT_FALSE(answer.HadButton(IDNO));
}

TEST(clsDrvInfo2, MoveOntoExistingTargetAsksFirst) {
    ScratchFolder scratch;
    std::wstring source = scratch.file(L"source.txt"), target = scratch.file(L"target.txt");
    WriteFileBytes(source, "new content");
    WriteFileBytes(target, "old");
    auto o = MakeObject();
    // The prompt describes the file the last Get_FileInfo examined.
    Variant examined = T(target), missing = T(scratch.file(L"missing.txt"));
    ASSERT_TRUE(B(Call(o.get(), L"Get_FileInfo", {Ref(examined)})));
    EXPECT_FALSE(B(Call(o.get(), L"Get_FileInfo", {Ref(missing)})));  // leaves the details as they were
    Variant from = T(source), to = T(target);
    {
        DialogAnswerer answer(IDNO);
        EXPECT_FALSE(B(Call(o.get(), L"Move_File", {Ref(from), Ref(to)})));
        ASSERT_TRUE(answer.Wait());
        EXPECT_EQ(answer.Title(), "Replace File?");
        std::string text = answer.Text();
        std::string targetA(target.begin(), target.end());
        EXPECT_EQ(text.substr(0, 21 + 2 + targetA.size() + 2), "File already exist at\r\n" + targetA + "\r\n");
        EXPECT_NE(text.find("\r\n3\r\n\r\nDo you want to replace it?"), std::string::npos) << text;
        EXPECT_TRUE(answer.HadButton(IDYES));
        EXPECT_TRUE(answer.HadButton(IDNO));
    }
    EXPECT_EQ(ReadFileBytes(source), "new content");
    EXPECT_EQ(ReadFileBytes(target), "old");

    SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        DialogAnswerer answer(IDYES);
        EXPECT_TRUE(B(Call(o.get(), L"Move_File", {Ref(from), Ref(to)})));
        EXPECT_TRUE(answer.Wait());
    }
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(ReadFileBytes(target), "new content");
    EXPECT_TRUE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(TextOf(*from.get()), source);  // by-reference arguments stay as they were
}

TEST(clsDrvInfo2, CopyReplacesOnYesAndReportsAMissingSource) {
    ScratchFolder scratch;
    std::wstring source = scratch.file(L"s.bin"), target = scratch.file(L"t.bin");
    WriteFileBytes(source, "copy me");
    auto o = MakeObject();
    Variant from = T(source), to = T(target);
    EXPECT_TRUE(B(Call(o.get(), L"Copy_File", {Ref(from), Ref(to)})));  // no target: no question
    EXPECT_EQ(ReadFileBytes(target), "copy me");
    WriteFileBytes(source, "second");
    {
        DialogAnswerer answer(IDYES);
        EXPECT_TRUE(B(Call(o.get(), L"Copy_File", {Ref(from), Ref(to)})));
        EXPECT_TRUE(answer.Wait());
        EXPECT_EQ(answer.Title(), "Replace File?");
    }
    EXPECT_EQ(ReadFileBytes(target), "second");
    EXPECT_EQ(ReadFileBytes(source), "second");

    Variant missing = T(scratch.file(L"missing.bin")), other = T(scratch.file(L"other.bin"));
    DialogAnswerer answer(IDOK);
    EXPECT_FALSE(B(Call(o.get(), L"Copy_File", {Ref(missing), Ref(other)})));
    ASSERT_TRUE(answer.Wait());
    EXPECT_EQ(answer.Title(), "Error Detected");
    std::wstring mw = scratch.file(L"missing.bin"), tw = scratch.file(L"other.bin");
    std::string m(mw.begin(), mw.end()), t(tw.begin(), tw.end());
    EXPECT_EQ(answer.Text(), "Error: 53  File not found\r\n\r\nError while copying a file\r\n\r\nFROM: " + m + "\r\nTO: " + t);
}

TEST(clsDrvInfo2, MoveFailureHasItsOwnMessage) {
    ScratchFolder scratch;
    auto o = MakeObject();
    Variant from = T(scratch.file(L"gone.txt")), to = T(scratch.file(L"x.txt"));
    DialogAnswerer answer(IDOK);
    EXPECT_FALSE(B(Call(o.get(), L"Move_File", {Ref(from), Ref(to)})));
    ASSERT_TRUE(answer.Wait());
    EXPECT_EQ(answer.Title(), "Errors detected");
    EXPECT_NE(answer.Text().find("\r\n\r\nError while moving a file\r\n\r\nFROM: "), std::string::npos);
}

TEST(clsDrvInfo2, DelTreeRemovesEverythingOrSaysWhy) {
    ScratchFolder scratch;
    std::wstring tree = scratch.file(L"tree");
    CreateDirectoryW(tree.c_str(), nullptr);
    CreateDirectoryW((tree + L"\\sub").c_str(), nullptr);
    WriteFileBytes(tree + L"\\sub\\locked.txt", "x");
    SetFileAttributesW((tree + L"\\sub\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    auto o = MakeObject();
    Variant path = T(tree);
    EXPECT_TRUE(B(Call(o.get(), L"DelTree32", {Ref(path)})));
    EXPECT_FALSE(Exists(tree));

    DialogAnswerer answer(IDOK);
    EXPECT_FALSE(B(Call(o.get(), L"DelTree32", {Ref(path)})));
    ASSERT_TRUE(answer.Wait());
    EXPECT_EQ(answer.Title(), "Error Detected");
    EXPECT_EQ(answer.Text(), "Error: 76  Path not found\r\n\r\nError while deleting path \r\n" +
                                 std::string(tree.begin(), tree.end()));
}

// A long fuzz run found it: "a<NUL>b<NUL>" made the folder "a", and deleting it listed
// "a<NUL>b<NUL>\*", which the platform reads as "a", found "a" inside itself and went on until
// the stack ran out.
TEST(clsDrvInfo2, DelTreeOfTheFuzzedNulTextAfterCreateDirStructMadeIt) {
    ScratchFolder scratch;
    CurrentFolder inScratch(scratch.path());
    auto o = MakeObject();
    Variant fuzzed = Variant::TakeText(SysAllocStringLen(L"a\0b\0", 4));
    EXPECT_TRUE(B(Call(o.get(), L"Create_Dir_Struct", {Val(fuzzed)})));
    ASSERT_TRUE(Exists(scratch.file(L"a")));
    EXPECT_TRUE(B(Call(o.get(), L"DelTree32", {Val(fuzzed)})));
    EXPECT_FALSE(Exists(scratch.file(L"a")));

    EXPECT_TRUE(B(Call(o.get(), L"Create_Dir_Struct", {Val(fuzzed)})));
    WriteFileBytes(scratch.file(L"a\\inside.txt"), "x");
    EXPECT_TRUE(B(Call(o.get(), L"DelTree32", {Ref(fuzzed)})));
    EXPECT_FALSE(Exists(scratch.file(L"a")));
    EXPECT_EQ(SysStringLen(V_BSTR(fuzzed.get())), 4u);
}

// A path means what lies before its first NUL, for every member that reaches the file system.
TEST(clsDrvInfo2, PathsAreReadUpToTheirFirstNul) {
    ScratchFolder scratch;
    auto o = MakeObject();
    std::wstring folder = scratch.file(L"x\\a");
    CreateDirectoryW(scratch.file(L"x").c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\a").c_str(), nullptr);
    WriteFileBytes(folder + L"\\a\\f.txt", "x");
    Variant tree = WithNul(folder, L"b");
    EXPECT_TRUE(B(Call(o.get(), L"DelTree32", {Ref(tree)})));
    EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(Exists(scratch.file(L"x")));

    // The write probe below a file's name never reaches the file itself (it used to empty it and
    // delete it).
    WriteFileBytes(scratch.file(L"keep.txt"), "mine");
    Variant file = WithNul(scratch.file(L"keep.txt"), std::wstring());
    EXPECT_TRUE(B(Call(o.get(), L"IsThisRestricted", {Ref(file)})));
    EXPECT_EQ(ReadFileBytes(scratch.file(L"keep.txt")), "mine");

    // A buffer of NULs names no folder: the temporary folder is used and handed back.
    std::wstring nuls(260, L'\0');
    Variant buffer = Variant::TakeText(SysAllocStringLen(nuls.data(), 260));
    std::wstring made = S(Call(o.get(), L"Create_Tmp_Filename", {Ref(buffer)}));
    std::wstring temp = TextOf(*buffer.get());
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), L'\\');
    EXPECT_EQ(made.compare(0, temp.size(), temp), 0) << std::string(made.begin(), made.end());
    EXPECT_TRUE(Exists(made));
    DeleteFileW(made.c_str());
}

TEST(clsDrvInfo2, TemporaryNamesFilesAndFolders) {
    auto o = MakeObject();
    auto name = [&](short n) { return S(CallWith(o.get(), L"Create_Tmp_Name", {Variant::Long(n)})); };
    EXPECT_EQ(name(0), L"");
    EXPECT_EQ(name(-3), L"");
    EXPECT_EQ(name(1), L"_");
    std::wstring eight = name(8);
    ASSERT_EQ(eight.size(), 8u);
    EXPECT_EQ(eight[0], L'_');
    for (wchar_t c : eight.substr(1)) EXPECT_TRUE((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z')) << int(c);

    Variant five = Variant::Double(5);
    CallResult r = CallWith(o.get(), L"Rnd2", {Variant::Double(5), Variant::Double(5)});
    EXPECT_EQ(V_R4(r.value.get()), 5.0f);
    float low = 2, high = 3, got = 0;
    auto typed = MakeTyped();
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(typed->Rnd2(&low, &high, &got), S_OK);
        EXPECT_GE(got, 2.0f);
        EXPECT_LE(got, 3.0f);
    }

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    Variant folder = T(L"");
    std::wstring file = S(Call(o.get(), L"Create_Tmp_Filename", {Ref(folder)}));
    EXPECT_EQ(TextOf(*folder.get()), std::wstring(temp));
    EXPECT_EQ(file.substr(0, wcslen(temp)), std::wstring(temp));
    std::wstring fileName = file.substr(wcslen(temp));
    EXPECT_EQ(fileName[0], L'_');
    EXPECT_EQ(_wcsicmp(fileName.substr(fileName.size() - 4).c_str(), L".TMP"), 0);  // Wine spells it ".tmp"
    EXPECT_TRUE(Exists(file));
    EXPECT_EQ(ReadFileBytes(file), "");
    DeleteFileW(file.c_str());

    // Omitted: the temporary folder.
    std::wstring another = S(Call(o.get(), L"Create_Tmp_Filename"));
    EXPECT_EQ(another.substr(0, wcslen(temp)), std::wstring(temp));
    DeleteFileW(another.c_str());
    // A folder that cannot hold the file: empty text, no error.
    ScratchFolder scratch;
    Variant nowhere = T(scratch.file(L"missing"));
    CallResult none = Call(o.get(), L"Create_Tmp_Filename", {Ref(nowhere)});
    EXPECT_EQ(none.hr, S_OK);
    EXPECT_EQ(S(none), L"");

    std::wstring made = S(Call(o.get(), L"Create_Tmp_Folder"));
    EXPECT_EQ(made.substr(0, wcslen(temp) + 1), std::wstring(temp) + L"_");
    EXPECT_EQ(made.size(), wcslen(temp) + 9);
    EXPECT_EQ(made.back(), L'\\');
    EXPECT_TRUE(Exists(made));
    RemoveDirectoryW(made.c_str());
}

// Names the code page lacks reach their own folders and files, never their look-alike twins, and
// the temporary folder may itself hold such a name (a profile folder like C:\users\<name>).
TEST(clsDrvInfo2, TemporaryFilesReachUnicodeFoldersAndLeaveTheTwinsAlone) {
    ScratchFolder scratch;
    auto o = MakeObject();
    const std::wstring greek = scratch.file(kGreek), twin = scratch.file(kGreekTwin);
    ASSERT_TRUE(CreateDirectoryW(greek.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(twin.c_str(), nullptr));
    for (const std::wstring& name : {std::wstring(kCyrillic), std::wstring(kChinese) + kEmoji}) {
        std::wstring folder = scratch.file(name);
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        Variant where = T(folder + L"\\");
        std::wstring made = S(Call(o.get(), L"Create_Tmp_Filename", {Ref(where)}));
        EXPECT_EQ(made.compare(0, folder.size() + 1, folder + L"\\"), 0) << name.size();
        EXPECT_TRUE(Exists(made));
    }
    Variant where = T(greek + L"\\");
    std::wstring made = S(Call(o.get(), L"Create_Tmp_Filename", {Ref(where)}));
    EXPECT_EQ(made.compare(0, greek.size() + 1, greek + L"\\"), 0);
    EXPECT_TRUE(Exists(made));
    EXPECT_TRUE(RemoveDirectoryW(twin.c_str())) << "the twin folder received a file";

    // Bad names: the member's own failure (empty text), and nothing made anywhere else.
    std::wstring lone = scratch.file(std::wstring(kGreek) + L"\xD800");
    for (const std::wstring& name : {lone, scratch.file(std::wstring(300, L'x'))}) {
        Variant bad = T(name + L"\\");
        CallResult r = Call(o.get(), L"Create_Tmp_Filename", {Ref(bad)});
        EXPECT_EQ(r.hr, S_OK);
        EXPECT_EQ(S(r), L"");
    }
    ASSERT_TRUE(CreateDirectoryW(twin.c_str(), nullptr));

    // The temporary folder under a name the code page lacks.
    const std::wstring temp = scratch.file(std::wstring(L"wx-") + kCyrillic);
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    TempFolderOverride redirect(temp);
    Variant none = T(L"");
    std::wstring file = S(Call(o.get(), L"Create_Tmp_Filename", {Ref(none)}));
    EXPECT_EQ(TextOf(*none.get()), temp + L"\\");
    EXPECT_EQ(file.compare(0, temp.size() + 1, temp + L"\\"), 0);
    EXPECT_TRUE(Exists(file));
    std::wstring folder = S(Call(o.get(), L"Create_Tmp_Folder"));
    EXPECT_EQ(folder.compare(0, temp.size() + 1, temp + L"\\"), 0);
    EXPECT_TRUE(Exists(folder));

    // A text search for a name the code page lacks never finds its look-alike; one it holds is found.
    WriteFileBytes(twin + L"\\twin.txt", "Omega and Dmitrij");
    WriteFileBytes(twin + L"\\ansi.txt", "a fa\xE7" "ade");
    Variant path = T(twin), wanted = T(kGreek), held = T(L"FA\x00C7" L"ADE");
    EXPECT_EQ(TextArray(*Call(o.get(), L"TextSearch", {Ref(path), Ref(wanted)}).value.get()),
              (std::vector<std::wstring>{L"N/A", std::wstring()}));
    EXPECT_EQ(TextArray(*Call(o.get(), L"TextSearch", {Ref(path), Ref(held)}).value.get()),
              (std::vector<std::wstring>{twin + L"\\ansi.txt"}));
}

TEST(clsDrvInfo2, BrowseForFolderCancelledGivesEmptyText) {
    auto o = MakeObject();
    DialogAnswerer answer(IDCANCEL);
    CallResult r = CallWith(o.get(), L"BrowseForFolder", {Variant::Object(nullptr), T(L"Pick one")});
    EXPECT_TRUE(answer.Wait());
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(S(r), L"");
}

// ---- walks, events, search, totals -----------------------------------------------------------

namespace {

// a.TXT, b.txt, c.doc at the top; sub\d.txt (10 bytes) and sub\deeper\e.TxT below.
struct Tree {
    ScratchFolder scratch;
    Tree() {
        WriteFileBytes(scratch.file(L"a.TXT"), "0123456789");
        WriteFileBytes(scratch.file(L"b.txt"), "01234567890123456789");
        WriteFileBytes(scratch.file(L"c.doc"), "Needle in here");
        CreateDirectoryW(scratch.file(L"sub").c_str(), nullptr);
        CreateDirectoryW(scratch.file(L"sub\\deeper").c_str(), nullptr);
        WriteFileBytes(scratch.file(L"sub\\d.txt"), "abcdefghij");
        WriteFileBytes(scratch.file(L"sub\\deeper\\e.TxT"), "x");
    }
    std::wstring path(const wchar_t* name = nullptr) const { return name ? scratch.file(name) : scratch.path(); }
};

std::vector<std::wstring> Sorted(std::vector<std::wstring> items) {
    std::sort(items.begin(), items.end());
    return items;
}

// The entries of a file list text, which ends with ";".
std::vector<std::wstring> Entries(const std::wstring& list) {
    EXPECT_TRUE(list.empty() || list.back() == L';');
    std::vector<std::wstring> parts = Split(list, L';');
    parts.pop_back();
    return parts;
}

}  // namespace

TEST(clsDrvInfo2, FileListFiltersByExtensionCountsAndRaisesCountFiles) {
    Tree tree;
    auto o = MakeObject();
    EventSink sink;
    Connection connection(o.get(), &sink);
    ASSERT_EQ(Put(o.get(), L"Count", Val(Variant::Double(10))).hr, S_OK);

    Variant pattern = T(L"*.txt");
    CallResult r = Call(o.get(), L"Get_FileList", {Val(T(tree.path())), Val(Variant::Bool(false)), Ref(pattern)});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(Sorted(Entries(S(r))), Sorted({tree.path(L"a.TXT"), tree.path(L"b.txt")}));
    EXPECT_EQ(V_R8(Get(o.get(), L"Count").value.get()), 12);
    ASSERT_EQ(sink.events.size(), 2u);
    EXPECT_EQ(sink.events[0].id, 1);
    EXPECT_EQ(sink.events[0].count, 11);
    EXPECT_EQ(sink.events[1].count, 12);
    EXPECT_EQ(Sorted({sink.events[0].text, sink.events[1].text}), Sorted({tree.path(L"a.TXT"), tree.path(L"b.txt")}));
    // The types the event interface declares, by reference.
    EXPECT_EQ(sink.events[0].countType, VT_BYREF | VT_R8);
    EXPECT_EQ(sink.events[0].textType, VT_BYREF | VT_BSTR);
    EXPECT_EQ(TextOf(*pattern.get()), L"*.txt");

    // Everything, sub-folders after the folder's own files, no counting and no events.
    sink.events.clear();
    CallResult all = Call(o.get(), L"Get_FileList", {Val(T(tree.path()))});
    std::vector<std::wstring> entries = Entries(S(all));
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(Sorted({entries[0], entries[1], entries[2]}),
              Sorted({tree.path(L"a.TXT"), tree.path(L"b.txt"), tree.path(L"c.doc")}));
    EXPECT_EQ(entries[3], tree.path(L"sub\\d.txt"));
    EXPECT_EQ(entries[4], tree.path(L"sub\\deeper\\e.TxT"));
    EXPECT_EQ(V_R8(Get(o.get(), L"Count").value.get()), 12);
    EXPECT_TRUE(sink.events.empty());

    // Only the extension of the pattern counts.
    Variant prefixed = T(L"zz*.TXT");
    CallResult deep = Call(o.get(), L"Get_FileList", {Val(T(tree.path(L"sub"))), Val(Variant::Bool(true)), Ref(prefixed)});
    EXPECT_EQ(Entries(S(deep)), (std::vector<std::wstring>{tree.path(L"sub\\d.txt"), tree.path(L"sub\\deeper\\e.TxT")}));
}

TEST(clsDrvInfo2, CountFilesHandlerThatChangesTheCountChangesCount) {
    Tree tree;
    auto o = MakeObject();
    EventSink sink;
    Connection connection(o.get(), &sink);
    sink.action = [](DISPID id, double& count, BSTR&) {
        if (id == 1) count *= 10;
    };
    Variant pattern = T(L"*.txt");
    ASSERT_EQ(Call(o.get(), L"Get_FileList", {Val(T(tree.path())), Val(Variant::Bool(false)), Ref(pattern)}).hr, S_OK);
    ASSERT_EQ(sink.events.size(), 2u);
    EXPECT_EQ(sink.events[1].count, 11);  // 1 made 10 by the handler, then one more
    EXPECT_EQ(V_R8(Get(o.get(), L"Count").value.get()), 110);
}

// A Basic host's event handlers: plain methods, reached through the platform's type-driven
// invoker over type information made from the class's own event interface, the way such hosts
// sink events. Arguments of other types than the declared ones never reach them.
struct BasicHandlers {
    virtual HRESULT STDMETHODCALLTYPE CountFiles(double* count, BSTR* path) {
        seen.push_back(path && *path ? *path : L"");
        *count *= 10;
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE CountTotals(double* count, BSTR*) {
        *count += 1000;
        return S_OK;
    }
    std::vector<std::wstring> seen;
};

// The dispatch object a type-driven host puts in front of its handlers.
ComPtr<IDispatch> TypeDrivenSink(IUnknown* source, BasicHandlers* handlers) {
    auto provider = ComPtr<IUnknown>(source).as<IProvideClassInfo>(IID_IProvideClassInfo);
    ComPtr<ITypeInfo> coclass, events;
    if (!provider || FAILED(provider->GetClassInfo(coclass.put()))) return {};
    HREFTYPE ref = 0;
    int flags = 0;
    if (FAILED(coclass->GetImplTypeFlags(1, &flags)) || flags != (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE) ||
        FAILED(coclass->GetRefTypeOfImplType(1, &ref)) || FAILED(coclass->GetRefTypeInfo(ref, events.put())))
        return {};
    // Each event becomes a method of the handlers' function table, with the declared parameter types.
    static PARAMDATA params[2][2];
    static METHODDATA methods[2];
    static BSTR names[2][3];
    for (UINT i = 0; i < 2; ++i) {
        FUNCDESC* fd = nullptr;
        if (FAILED(events->GetFuncDesc(i, &fd))) return {};
        UINT got = 0;
        events->GetNames(fd->memid, names[i], 3, &got);
        for (int p = 0; p < 2; ++p) {
            const TYPEDESC& t = fd->lprgelemdescParam[p].tdesc;
            params[i][p] = {names[i][p + 1], static_cast<VARTYPE>(t.vt == VT_PTR ? VT_BYREF | t.lptdesc->vt : t.vt)};
        }
        methods[i] = {names[i][0], params[i], fd->memid, i, CC_STDCALL, 2, DISPATCH_METHOD, VT_HRESULT};
        events->ReleaseFuncDesc(fd);
    }
    INTERFACEDATA data = {methods, 2};
    ComPtr<ITypeInfo> made, table;
    if (FAILED(CreateDispTypeInfo(&data, LOCALE_SYSTEM_DEFAULT, made.put())) ||
        FAILED(made->GetRefTypeOfImplType(0, &ref)) || FAILED(made->GetRefTypeInfo(ref, table.put())))
        return {};
    ComPtr<IUnknown> standard;
    if (FAILED(CreateStdDispatch(nullptr, handlers, table.get(), standard.put()))) return {};
    return standard.as<IDispatch>(IID_IDispatch);
}

TEST(clsDrvInfo2, EventsReachATypeDrivenSinkWithTheirDeclaredTypes) {
    Tree tree;
    auto o = MakeObject();
    BasicHandlers handlers;
    ComPtr<IDispatch> sink = TypeDrivenSink(o.get(), &handlers);
    ASSERT_TRUE(sink);
    Connection connection(o.get(), sink.get());
    Variant pattern = T(L"*.txt");
    ASSERT_EQ(Call(o.get(), L"Get_FileList", {Val(T(tree.path())), Val(Variant::Bool(false)), Ref(pattern)}).hr, S_OK);
    EXPECT_EQ(Sorted(handlers.seen), Sorted({tree.path(L"a.TXT"), tree.path(L"b.txt")}));
    // Each handler made the running count ten times larger: 1 -> 10, 11 -> 110.
    EXPECT_EQ(V_R8(Get(o.get(), L"Count").value.get()), 110);
    Variant type = Variant::Long(1);
    EXPECT_EQ(S(Call(o.get(), L"Get_Totals", {Val(T(tree.path())), Ref(type), Ref(pattern), Val(Variant::Bool(false))})),
              L"2030");
}

// The enumerators of connections and connection points hold a reference to everything they hand
// out for as long as they live (a clone its own), and keep the library loaded meanwhile.
TEST(clsDrvInfo2, EventEnumeratorsHoldTheirSinksAndTheLibrary) {
    struct CountingSink : EventSink {
        LONG refs = 0;
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
            HRESULT hr = EventSink::QueryInterface(riid, ppv);
            if (SUCCEEDED(hr)) AddRef();
            return hr;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
        STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
    } sink;
    using CanUnloadFn = HRESULT(WINAPI*)();
    auto canUnload = ProcAddress<CanUnloadFn>(LibraryModule(), "DllCanUnloadNow");
    ASSERT_TRUE(canUnload);
    ComPtr<IEnumConnections> connections, clone;
    {
        auto o = MakeObject();
        auto container = ComPtr<IUnknown>(o.get()).as<IConnectionPointContainer>(IID_IConnectionPointContainer);
        ASSERT_TRUE(container);
        ComPtr<IConnectionPoint> point;
        ASSERT_EQ(container->FindConnectionPoint(DIID___clsDrvInfo2, point.put()), S_OK);
        DWORD cookie = 0;
        ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
        const LONG connected = sink.refs;
        ASSERT_EQ(point->EnumConnections(connections.put()), S_OK);
        EXPECT_EQ(sink.refs, connected + 1);
        ASSERT_EQ(connections->Clone(clone.put()), S_OK);
        EXPECT_EQ(sink.refs, connected + 2);
        CONNECTDATA data[2] = {};
        ULONG fetched = 9;
        EXPECT_EQ(clone->Next(2, data, &fetched), S_FALSE);
        ASSERT_EQ(fetched, 1u);
        EXPECT_EQ(data[0].dwCookie, cookie);
        EXPECT_EQ(sink.refs, connected + 3);
        data[0].pUnk->Release();
        EXPECT_EQ(clone->Next(1, nullptr, nullptr), E_POINTER);
        ComPtr<IEnumConnectionPoints> points;
        ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
        ComPtr<IConnectionPoint> listed;
        EXPECT_EQ(points->Next(1, listed.put(), &fetched), S_OK);
        EXPECT_EQ(listed.get(), point.get());
        EXPECT_EQ(point->Unadvise(cookie), S_OK);
    }
    // The object is gone; what the enumerators hold is not.
    EXPECT_EQ(sink.refs, 2) << "the enumerator and its clone";
    EXPECT_EQ(canUnload(), S_FALSE) << "an enumerator keeps the library";
    connections.reset();
    clone.reset();
    EXPECT_EQ(sink.refs, 0);
    EXPECT_EQ(canUnload(), S_OK);
}

TEST(clsDrvInfo2, FileListOfEmptyFoldersAndMissingFolders) {
    ScratchFolder scratch;
    auto o = MakeObject();
    CallResult empty = Call(o.get(), L"Get_FileList", {Val(T(scratch.path()))});
    EXPECT_EQ(empty.value.type(), VT_EMPTY);
    CreateDirectoryW(scratch.file(L"inner").c_str(), nullptr);
    CallResult walked = Call(o.get(), L"Get_FileList", {Val(T(scratch.path()))});
    EXPECT_EQ(walked.value.type(), VT_BSTR);  // a sub-folder was walked
    EXPECT_EQ(S(walked), L"");
    CallResult missing = Call(o.get(), L"Get_FileList", {Val(T(scratch.file(L"nope")))});
    EXPECT_EQ(missing.number, 76);
    EXPECT_EQ(missing.description, L"Path not found");
}

TEST(clsDrvInfo2, CancelProcessingStopsWalks) {
    Tree tree;
    auto o = MakeObject();
    ASSERT_EQ(Put(o.get(), L"CancelProcessing", Val(Variant::Bool(true))).hr, S_OK);
    EXPECT_TRUE(B(Get(o.get(), L"CancelProcessing")));
    // Set before the call: Empty at once, even for a folder that does not exist.
    EXPECT_EQ(Call(o.get(), L"Get_FileList", {Val(T(tree.path(L"nope")))}).value.type(), VT_EMPTY);
    EXPECT_EQ(S(Call(o.get(), L"Get_DirList", {Val(T(tree.path()))})), L"");
    ASSERT_EQ(Put(o.get(), L"CancelProcessing", Val(Variant::Bool(false))).hr, S_OK);

    // Set by a handler: the walk stops; the folder being listed gives up its entries.
    EventSink sink;
    Connection connection(o.get(), &sink);
    sink.action = [&](DISPID, double&, BSTR&) { Put(o.get(), L"CancelProcessing", Val(Variant::Bool(true))); };
    Variant pattern = T(L"*.txt");
    CallResult r = Call(o.get(), L"Get_FileList", {Val(T(tree.path())), Val(Variant::Bool(true)), Ref(pattern)});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.value.type(), VT_BSTR);
    EXPECT_EQ(S(r), L"");
    EXPECT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(V_R8(Get(o.get(), L"Count").value.get()), 1);
}

TEST(clsDrvInfo2, HandlerMayCallBackIntoTheObjectDuringAWalk) {
    Tree tree;
    auto o = MakeObject();
    EventSink sink;
    Connection connection(o.get(), &sink);
    int nested = 0;
    sink.action = [&](DISPID, double&, BSTR& text) {
        Variant file = Variant::Text(text);
        nested += B(Call(o.get(), L"File_Exist", {Ref(file)})) ? 1 : 0;
    };
    Variant pattern = T(L"*.txt");
    CallResult r = Call(o.get(), L"Get_FileList", {Val(T(tree.path())), Val(Variant::Bool(true)), Ref(pattern)});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(Entries(S(r)).size(), 4u);
    EXPECT_EQ(nested, 4);
}

TEST(clsDrvInfo2, DirListNamesTheDirectSubFolders) {
    Tree tree;
    CreateDirectoryW(tree.path(L"other").c_str(), nullptr);
    auto o = MakeObject();
    std::wstring list = S(Call(o.get(), L"Get_DirList", {Val(T(tree.path()))}));
    EXPECT_EQ(Sorted(Split(list, L';')), Sorted({tree.path(L"sub"), tree.path(L"other")}));
    EXPECT_EQ(S(Call(o.get(), L"Get_DirList", {Val(T(tree.path(L"sub\\deeper")))})), L"");
}

TEST(clsDrvInfo2, TextSearchIgnoresCaseAndSaysNAWhenNothingMatches) {
    Tree tree;
    WriteFileBytes(tree.path(L"empty.txt"), "");
    auto o = MakeObject();
    Variant path = T(tree.path()), text = T(L"nEEDLE");
    CallResult r = Call(o.get(), L"TextSearch", {Ref(path), Ref(text)});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.value.type(), VT_ARRAY | VT_BSTR);
    EXPECT_EQ(TextArray(*r.value.get()), (std::vector<std::wstring>{tree.path(L"c.doc")}));
    Variant digits = T(L"0123");
    EXPECT_EQ(Sorted(TextArray(*Call(o.get(), L"TextSearch", {Ref(path), Ref(digits)}).value.get())),
              Sorted({tree.path(L"a.TXT"), tree.path(L"b.txt")}));
    Variant absent = T(L"not there at all");
    EXPECT_EQ(TextArray(*Call(o.get(), L"TextSearch", {Ref(path), Ref(absent)}).value.get()),
              (std::vector<std::wstring>{L"N/A", std::wstring()}));
    Variant nowhere = T(tree.path(L"nope"));
    EXPECT_EQ(Call(o.get(), L"TextSearch", {Ref(nowhere), Ref(text)}).number, 76);
}

TEST(clsDrvInfo2, TotalsOfSizesRaiseCountTotalsAndFollowTheHandler) {
    Tree tree;
    auto o = MakeObject();
    EventSink sink;
    Connection connection(o.get(), &sink);
    Variant type = Variant::Long(1), pattern = T(L"*.txt");
    CallResult r = Call(o.get(), L"Get_Totals", {Val(T(tree.path())), Ref(type), Ref(pattern), Val(Variant::Bool(false))});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(S(r), L"30");
    std::vector<EventSink::Event> totals;
    for (auto& e : sink.events) if (e.id == 2) totals.push_back(e);
    ASSERT_EQ(totals.size(), 2u);
    EXPECT_EQ(totals[1].count, 30);

    // A handler that changes the count changes the running total.
    sink.events.clear();
    sink.action = [](DISPID id, double& count, BSTR&) {
        if (id == 2) count += 1000;
    };
    EXPECT_EQ(S(Call(o.get(), L"Get_Totals", {Val(T(tree.path())), Ref(type), Ref(pattern), Val(Variant::Bool(false))})),
              L"2030");
    sink.action = nullptr;
    // Defaults: sizes of every file, sub-folders included.
    EXPECT_EQ(S(Call(o.get(), L"Get_Totals", {Val(T(tree.path()))})), L"55");
}

TEST(clsDrvInfo2, TotalsByDateCountFilesOnOrAfterTheDay) {
    Tree tree;
    auto o = MakeObject();
    SYSTEMTIME now;
    GetLocalTime(&now);
    DATE today = 0;
    SystemTimeToVariantTime(&now, &today);
    auto dayText = [](DATE d) {
        Bstr text;
        VarBstrFromDate(d, LOCALE_USER_DEFAULT, VAR_DATEVALUEONLY, text.put());
        return std::wstring(text.get());
    };
    for (long kind : {2L, 3L, 4L}) {
        Variant type = Variant::Long(kind);
        Variant yesterday = T(dayText(today - 1)), tomorrow = T(dayText(today + 1));
        EXPECT_EQ(S(Call(o.get(), L"Get_Totals", {Val(T(tree.path())), Ref(type), Ref(yesterday)})), L"5") << kind;
        EXPECT_EQ(S(Call(o.get(), L"Get_Totals", {Val(T(tree.path())), Ref(type), Ref(tomorrow)})), L"0") << kind;
    }
    Variant bad = T(L"not a date"), two = Variant::Long(2);
    {
        DialogAnswerer answer(IDOK);
        EXPECT_EQ(S(Call(o.get(), L"Get_Totals", {Val(T(tree.path())), Ref(two), Ref(bad)})), L"0");
        ASSERT_TRUE(answer.Wait());
        EXPECT_EQ(answer.Title(), "Invalid date format");
        EXPECT_EQ(answer.Text(), "An invalid date was passed.");
    }
    for (long kind : {0L, 5L}) {
        Variant type = Variant::Long(kind);
        EXPECT_EQ(S(Call(o.get(), L"Get_Totals", {Val(T(tree.path())), Ref(type), Ref(bad)})), L"0");
    }
    EXPECT_EQ(S(Call(o.get(), L"Get_Totals", {Val(T(L"  "))})), L"0");
}

TEST(clsDrvInfo2, TotalsOfAMissingFolderShowTheErrorAndGiveZero) {
    ScratchFolder scratch;
    auto o = MakeObject();
    DialogAnswerer answer(IDOK);
    CallResult r = Call(o.get(), L"Get_Totals", {Val(T(scratch.file(L"nope")))});
    ASSERT_TRUE(answer.Wait());
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(S(r), L"0");
    EXPECT_EQ(answer.Title(), "Errors detected");
    EXPECT_EQ(answer.Text(),
              "Error: 76  Path not found\r\n\r\nFile: \r\nSize: \r\nCreated:  \r\nModified: \r\nAccessed: ");
}

namespace {
ULONGLONG g_total, g_free;
std::wstring g_root;
BOOL WINAPI FakeDiskEx(LPCWSTR root, PULARGE_INTEGER available, PULARGE_INTEGER total, PULARGE_INTEGER free) {
    g_root = root ? root : L"";
    available->QuadPart = g_free / 2;
    total->QuadPart = g_total;
    free->QuadPart = g_free;
    return TRUE;
}
BOOL WINAPI FailingDiskEx(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER) { return FALSE; }
DWORD g_clusters, g_freeClusters;
BOOL WINAPI FakeDisk(LPCWSTR root, LPDWORD sectors, LPDWORD bytes, LPDWORD freeClusters, LPDWORD clusters) {
    g_root = root ? root : L"";
    *sectors = 8;
    *bytes = 512;
    *freeClusters = g_freeClusters;
    *clusters = g_clusters;
    return TRUE;
}

struct Space { bool ok; double total, free, used; };
Space DiskSpace(IDispatch* o, const wchar_t* path) {
    Variant t = Variant::Double(-1), f = Variant::Double(-1), u = Variant::Double(-1);
    CallResult r = Call(o, L"Get_Disk_Space", {Val(T(path)), Ref(t), Ref(f), Ref(u)});
    EXPECT_EQ(r.hr, S_OK);
    return {B(r), V_R8(t.get()), V_R8(f.get()), V_R8(u.get())};
}
}  // namespace

TEST(clsDrvInfo2, DiskSpaceFromTheSixtyFourBitQueryWhateverTheSize) {
    auto o = CreateLinked<IDispatch>(CLSID_clsDrvInfo2, IID_IDispatch);
    Space none = DiskSpace(o.get(), L"  ");
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.total, 0);
    EXPECT_EQ(none.free, 0);
    EXPECT_EQ(none.used, 0);

    Space real = DiskSpace(o.get(), L"c:\\windows");
    EXPECT_TRUE(real.ok);
    EXPECT_GT(real.total, 0);
    EXPECT_EQ(real.used, real.total - real.free);

    PlatformOverride seam;
    ASSERT_TRUE(seam) << "the library's platform table was not found";
    seam.calls().getDiskFreeSpaceExW = &FakeDiskEx;
    seam.calls().getDiskFreeSpaceW = &FakeDisk;
    g_total = 2150000000ULL;  // between 2^31 and 2,200,000,000
    g_free = 150000000ULL;
    Space mid = DiskSpace(o.get(), L"c");
    EXPECT_EQ(g_root, L"c:");
    EXPECT_TRUE(mid.ok);
    EXPECT_EQ(mid.total, 2150000000.0);
    EXPECT_EQ(mid.free, 150000000.0);
    EXPECT_EQ(mid.used, 2000000000.0);
    g_total = 5000000000000ULL;
    EXPECT_EQ(DiskSpace(o.get(), L"D:\\x").total, 5000000000000.0);
    EXPECT_EQ(g_root, L"D:");
}

TEST(clsDrvInfo2, DiskSpaceFallsBackToTheThirtyTwoBitQueryWithItsOverflowRule) {
    auto o = CreateLinked<IDispatch>(CLSID_clsDrvInfo2, IID_IDispatch);
    PlatformOverride seam;
    ASSERT_TRUE(seam) << "the library's platform table was not found";
    seam.calls().getDiskFreeSpaceExW = &FailingDiskEx;
    seam.calls().getDiskFreeSpaceW = &FakeDisk;
    g_clusters = 100000;  // 409,600,000 bytes
    g_freeClusters = 25000;
    Space small = DiskSpace(o.get(), L"c");
    EXPECT_TRUE(small.ok);
    EXPECT_EQ(small.total, 409600000.0);
    EXPECT_EQ(small.free, 102400000.0);
    EXPECT_EQ(small.used, 307200000.0);
    g_clusters = 600000;  // 2,457,600,000 bytes: the total does not fit
    Space big = DiskSpace(o.get(), L"c");
    EXPECT_FALSE(big.ok);
    EXPECT_EQ(big.free, 102400000.0);
    EXPECT_EQ(big.total, 0);
    EXPECT_EQ(big.used, 0);
    g_freeClusters = 600000;
    Space both = DiskSpace(o.get(), L"c");
    EXPECT_FALSE(both.ok);
    EXPECT_EQ(both.free, 0);
}

TEST(clsDrvInfo2, FieldsStartClearAndTheEventInterfaceIsAdvertised) {
    auto o = MakeObject();
    EXPECT_FALSE(B(Get(o.get(), L"CancelProcessing")));
    EXPECT_EQ(V_R8(Get(o.get(), L"Count").value.get()), 0);
    auto info = o.as<IProvideClassInfo2>(IID_IProvideClassInfo2);
    ASSERT_TRUE(info);
    GUID events = {};
    EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
    EXPECT_TRUE(IsEqualGUID(events, DIID___clsDrvInfo2));
}

namespace {
IDispatch* g_walker = nullptr;
LRESULT CALLBACK CancelOnMessage(HWND wnd, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_APP && g_walker) Put(g_walker, L"CancelProcessing", Val(Variant::Bool(true)));
    return DefWindowProcW(wnd, message, w, l);
}
}  // namespace

TEST(clsDrvInfo2, WalksLetTheHostsMessageLoopRun) {
    Tree tree;
    auto o = MakeObject();
    WNDCLASSW type = {};
    type.lpfnWndProc = &CancelOnMessage;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"wxtest-walk-host";
    RegisterClassW(&type);
    HWND host = CreateWindowW(L"wxtest-walk-host", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
    ASSERT_NE(host, nullptr);
    g_walker = o.get();
    Sleep(20);  // past the walk's pause between turns of the loop
    PostMessageW(host, WM_APP, 0, 0);
    CallResult r = Call(o.get(), L"Get_FileList", {Val(T(tree.path()))});
    g_walker = nullptr;
    DestroyWindow(host);
    UnregisterClassW(L"wxtest-walk-host", type.hInstance);
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.value.type(), VT_EMPTY);  // the handler ran before the first folder was read
    EXPECT_TRUE(B(Get(o.get(), L"CancelProcessing")));
}
