// Pictures from the library's resources: every "JPG" resource loads with its size, and the
// temporary "LRP" file is gone afterwards whether the picture loaded or not.
#include "frame/Interfaces.h"
#include "support/Library.h"
#include "support/UnicodeNames.h"
#include <gtest/gtest.h>
#include <olectl.h>
#include <shlobj.h>

using namespace wxtest;

namespace {

struct PictureResource {
    long id;
    long width, height;
};
const PictureResource kPictures[] = {
    {102, 128, 148}, {104, 1152, 864}, {105, 432, 352}, {114, 301, 340},
    {115, 296, 417}, {116, 692, 519}, {117, 1024, 768},
};

int FilesIn(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    wx::FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find) return 0;
    int n = 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
    } while (FindNextFileW(find.get(), &data));
    return n;
}

// The picture's pixel size, read from the bitmap behind it.
SIZE PixelSize(IPicture* picture) {
    SIZE size = {-1, -1};
    OLE_HANDLE handle = 0;
    SHORT type = 0;
    if (!picture || FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP ||
        FAILED(picture->get_Handle(&handle)))
        return size;
    BITMAP bitmap = {};
    if (GetObjectW(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof bitmap, &bitmap)) {
        size.cx = bitmap.bmWidth;
        size.cy = abs(bitmap.bmHeight);
    }
    return size;
}

ComPtr<_cLoadResPicture> NewLoader() { return Create<_cLoadResPicture>(CLSID_cLoadResPicture, IID__cLoadResPicture); }

}  // namespace

TEST(cLoadResPicture, EveryPictureResourceLoadsWithItsSizeAndLeavesNoTemporaryFile) {
    ScratchFolder temp;
    TempFolderOverride redirect(temp.path());
    auto loader = NewLoader();
    ASSERT_TRUE(loader);
    for (const PictureResource& resource : kPictures) {
        Variant id = Variant::Long(resource.id), format = Variant::Text(L"JPG");
        ComPtr<IPicture> picture;
        ASSERT_EQ(loader->get_LoadResPicture(*id.get(), *format.get(), picture.put()), S_OK) << resource.id;
        SIZE size = PixelSize(picture.get());
        EXPECT_EQ(size.cx, resource.width) << resource.id;
        EXPECT_EQ(size.cy, resource.height) << resource.id;
        OLE_XSIZE_HIMETRIC width = 0;
        picture->get_Width(&width);
        EXPECT_GT(width, 0) << resource.id;
        EXPECT_EQ(FilesIn(temp.path()), 0) << resource.id;
    }
}

TEST(cLoadResPicture, FailuresRaiseUnderTheClassNameAndDeleteTheTemporaryFile) {
    ScratchFolder temp;
    TempFolderOverride redirect(temp.path());
    auto loader = NewLoader();
    ComPtr<IDispatch> dispatch = loader.as<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(dispatch);

    // No such resource: the lookup fails before any file exists.
    Variant missing = Variant::Long(999), jpg = Variant::Text(L"JPG");
    CallResult r = Get(dispatch.get(), L"LoadResPicture", {Val(missing), Val(jpg)});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.number, 326);
    EXPECT_EQ(r.source, L"WENDRAX1.cLoadResPicture");
    EXPECT_FALSE(r.description.empty());
    EXPECT_EQ(FilesIn(temp.path()), 0);

    // A sound is no picture: the file was written, the loader refused it, and the file is gone.
    Variant sound = Variant::Long(108), wav = Variant::Text(L"WAV");
    r = Get(dispatch.get(), L"LoadResPicture", {Val(sound), Val(wav)});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.number, 481);
    EXPECT_EQ(r.source, L"WENDRAX1.cLoadResPicture");
    EXPECT_EQ(FilesIn(temp.path()), 0);

    // And a picture through IDispatch comes back as a picture object.
    Variant good = Variant::Long(102);
    r = Get(dispatch.get(), L"LoadResPicture", {Val(good), Val(jpg)});
    ASSERT_EQ(r.hr, S_OK);
    ASSERT_TRUE(r.value.type() == VT_UNKNOWN || r.value.type() == VT_DISPATCH);
    ComPtr<IPicture> picture;
    V_UNKNOWN(r.value.get())->QueryInterface(IID_IPicture, picture.putVoid());
    EXPECT_EQ(PixelSize(picture.get()).cx, 128);
}

TEST(cLoadResPicture, AMissingTemporaryFolderRaisesThePlatformErrorPlus10000) {
    ScratchFolder temp;
    std::wstring folder = temp.file(L"no-such-folder");
    // What the platform answers for a temporary file in a folder that is not there.
    char name[MAX_PATH] = {};
    SetLastError(0);
    ASSERT_EQ(GetTempFileNameA(std::string(folder.begin(), folder.end()).c_str(), "LRP", 0, name), 0u);
    DWORD platformError = GetLastError();
    ASSERT_NE(platformError, 0u);
    TempFolderOverride redirect(folder);
    auto loader = NewLoader();
    ComPtr<IDispatch> dispatch = loader.as<IDispatch>(IID_IDispatch);
    Variant id = Variant::Long(102), jpg = Variant::Text(L"JPG");
    CallResult r = Get(dispatch.get(), L"LoadResPicture", {Val(id), Val(jpg)});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.number, static_cast<long>(10000 | platformError));
    EXPECT_EQ(r.source, L"WENDRAX1.cLoadResPicture");
    char expected[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, platformError, 0,
                             expected, sizeof expected, nullptr);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(r.description, std::wstring(expected, expected + n));
}

// A user whose profile (and so temporary) folder holds a name the code page lacks still gets the
// pictures and sounds, and so does a host whose copy of the library lies in such a folder: the
// resources, the library's name in error sources and the toolkit beside it are all found there.
TEST(cLoadResPicture, WorksUnderAUnicodeTemporaryFolderAndFromAUnicodeLibraryFolder) {
    ScratchFolder scratch;
    const std::wstring temp = scratch.file(std::wstring(L"wx-") + kCyrillic + kEmoji);
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    TempFolderOverride redirect(temp);
    {
        auto loader = NewLoader();
        Variant id = Variant::Long(117), jpg = Variant::Text(L"JPG");
        ComPtr<IPicture> picture;
        ASSERT_EQ(loader->get_LoadResPicture(*id.get(), *jpg.get(), picture.put()), S_OK);
        EXPECT_EQ(PixelSize(picture.get()).cx, 1024);
        EXPECT_EQ(FilesIn(temp), 0);
        auto tarvik = Create<_clsResTarvik>(CLSID_clsResTarvik, IID__clsResTarvik);
        Variant small = Variant::Long(102);
        ComPtr<IPictureDisp> shown;
        ASSERT_EQ(tarvik->GetTarvikRes_Picture(small.get(), shown.put()), S_OK);
        EXPECT_TRUE(shown);
    }

    // The library and its toolkit copied into a folder named in Greek, Chinese and Cyrillic.
    const std::wstring folder = scratch.file(std::wstring(kGreek) + L" " + kChinese + L" " + kCyrillic);
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::wstring programs = LibraryPath().substr(0, LibraryPath().find_last_of(L'\\'));
    ASSERT_TRUE(CopyFileW(LibraryPath().c_str(), (folder + L"\\WENDRAX1.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((programs + L"\\vb6stkit.dll").c_str(), (folder + L"\\vb6stkit.dll").c_str(), FALSE));
    wx::LoadedModule copy(LoadLibraryW((folder + L"\\WENDRAX1.dll").c_str()));
    ASSERT_TRUE(copy);
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto get = ProcAddress<GetClassObjectFn>(copy.get(), "DllGetClassObject");
    ASSERT_TRUE(get);
    auto make = [&](REFCLSID clsid) {
        ComPtr<IClassFactory> factory;
        ComPtr<IDispatch> object;
        if (SUCCEEDED(get(clsid, IID_IClassFactory, factory.putVoid())))
            factory->CreateInstance(nullptr, IID_IDispatch, object.putVoid());
        return object;
    };
    {
        ComPtr<IDispatch> loader = make(CLSID_cLoadResPicture);
        ASSERT_TRUE(loader);
        Variant id = Variant::Long(102), jpg = Variant::Text(L"JPG"), missing = Variant::Long(999);
        CallResult r = Get(loader.get(), L"LoadResPicture", {Val(id), Val(jpg)});
        ASSERT_EQ(r.hr, S_OK);
        r = Get(loader.get(), L"LoadResPicture", {Val(missing), Val(jpg)});
        EXPECT_EQ(r.number, 326);
        EXPECT_EQ(r.source, L"WENDRAX1.cLoadResPicture");
        EXPECT_EQ(FilesIn(temp), 0);

        ComPtr<IDispatch> shortcut = make(CLSID_clSShortCut);
        ASSERT_TRUE(shortcut);
        wchar_t desktop[MAX_PATH] = {};
        SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop);
        std::wstring link = std::wstring(desktop) + L"\\wx copied library.lnk";
        DeleteFileW(link.c_str());
        Variant target = Variant::Text((folder + L"\\WENDRAX1.dll").c_str()), title = Variant::Text(L"wx copied library");
        r = Call(shortcut.get(), L"doAddShortCut", {Val(target), Val(title)});
        EXPECT_EQ(V_BOOL(r.value.get()), VARIANT_TRUE);
        EXPECT_NE(GetFileAttributesW(link.c_str()), INVALID_FILE_ATTRIBUTES);
        DeleteFileW(link.c_str());
    }
}
