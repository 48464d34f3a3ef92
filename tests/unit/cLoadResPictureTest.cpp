// Pictures from the library's resources: every "JPG" resource loads with its size, and the
// temporary "LRP" file is gone afterwards whether the picture loaded or not.
#include "frame/Interfaces.h"
#include "support/Library.h"
#include <gtest/gtest.h>
#include <olectl.h>

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

// Points TMP (where the platform's temporary folder comes from) at another folder for a while.
class TempFolderOverride {
public:
    explicit TempFolderOverride(const std::wstring& folder) {
        wchar_t old[MAX_PATH] = {};
        had_ = GetEnvironmentVariableW(L"TMP", old, MAX_PATH) > 0;
        old_ = old;
        SetEnvironmentVariableW(L"TMP", (folder + L"\\").c_str());
    }
    ~TempFolderOverride() { SetEnvironmentVariableW(L"TMP", had_ ? old_.c_str() : nullptr); }

private:
    bool had_;
    std::wstring old_;
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
