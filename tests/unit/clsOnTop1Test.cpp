// The window and desktop helpers on real windows under Wine's null display driver: the banner draws
// on a window's device context and is stopped from a timer on the same thread; message boxes are
// answered by a second thread.
#include "frame/Interfaces.h"
#include "support/DialogAnswerer.h"
#include "support/FakeHostObject.h"
#include "support/Library.h"
#include "support/PlatformSeam.h"
#include <gtest/gtest.h>
#include <winioctl.h>
#include <cstring>
#include <string>
#include <vector>

using namespace wxtest;

namespace {

ComPtr<IDispatch> NewOnTop() { return Create<IDispatch>(CLSID_clsOnTop1, IID_IDispatch); }

HWND NewWindow(int x, int y, int width, int height) {
    return CreateWindowExW(0, L"STATIC", L"wx window", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                           nullptr, nullptr);
}

TEST(OnTop1, ShutdownOnlyAsks) {
    auto object = NewOnTop();
    ASSERT_TRUE(object);
    for (int answer : {IDYES, IDNO}) {
        DialogAnswerer answerer(answer);
        auto r = Call(object.get(), L"Shutdowncomputerpro", {Val(Variant::Long(3))});
        ASSERT_TRUE(answerer.Wait());
        EXPECT_EQ(r.hr, S_OK);
        EXPECT_EQ(V_I4(r.value.get()), 0);
        EXPECT_EQ(answerer.Title(), "Shutdown Computer...");
        EXPECT_EQ(answerer.Text(), "Are you sure?");
        EXPECT_TRUE(answerer.HadButton(IDYES) && answerer.HadButton(IDNO));
    }
}

TEST(OnTop1, BannerTextFromAFile) {
    auto object = NewOnTop();
    ScratchFolder folder;
    WriteFileBytes(folder.file(L"banner.txt"), "  a\r\nb\r\n");
    auto r = Call(object.get(), L"ScrollTextFromFile", {Val(Variant::Text(folder.file(L"banner.txt").c_str()))});
    EXPECT_EQ(TextOf(*r.value.get()), L"a\r\nb\r\n");
    WriteFileBytes(folder.file(L"last.txt"), "one  \r\n  two");  // no line end after the last line
    r = Call(object.get(), L"ScrollTextFromFile", {Val(Variant::Text(folder.file(L"last.txt").c_str()))});
    EXPECT_EQ(TextOf(*r.value.get()), L"one  \r\n  two\r\n");
    r = Call(object.get(), L"ScrollTextFromFile", {Val(Variant::Text(folder.file(L"missing.txt").c_str()))});
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(TextOf(*r.value.get()), L"Advertisement Scroll1.txt file not found!");
}

TEST(OnTop1, OnTopAndBackKeepsPlaceAndSize) {
    HWND window = NewWindow(30, 40, 200, 100);
    ASSERT_TRUE(window);
    auto form = FakeHostObject::Make();
    form->SetProperty(L"hWnd", Variant::Long(static_cast<LONG>(reinterpret_cast<LONG_PTR>(window))));
    auto object = NewOnTop();
    RECT before, after;
    GetWindowRect(window, &before);
    ASSERT_EQ(Call(object.get(), L"OnTop", {Val(Variant::Object(form.get())), Val(Variant::Bool(true))}).hr, S_OK);
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    GetWindowRect(window, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    ASSERT_EQ(Call(object.get(), L"OnTop", {Val(Variant::Object(form.get())), Val(Variant::Bool(false))}).hr, S_OK);
    EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    GetWindowRect(window, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    DestroyWindow(window);
}

// ---- The scrolling banner ---------------------------------------------------------------------

// A host picture box over a real window: Cls paints it white, Refresh notes where the ink of the
// text starts (its first row holding a dark pixel, -1 when none is visible).
class Banner : public testing::Test {
protected:
    static constexpr int kWidth = 120;
    void SetUp() override {
        window_ = NewWindow(0, 0, kWidth, 60);
        ASSERT_TRUE(window_);
        dc_ = GetDC(window_);
        picture_ = FakeHostObject::Make();
        picture_->SetProperty(L"hDC", Variant::Long(static_cast<LONG>(reinterpret_cast<LONG_PTR>(dc_))));
        picture_->SetProperty(L"ScaleWidth", Variant::Long(kWidth));
        picture_->SetProperty(L"ScaleHeight", Variant::Long(60));
        picture_->SetMethod(L"Cls", [this](std::vector<VARIANT*>&, VARIANT*) {
            RECT all = {0, 0, kWidth, height_};
            FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            return S_OK;
        });
        picture_->SetMethod(L"Refresh", [this](std::vector<VARIANT*>&, VARIANT*) {
            inkTops_.push_back(InkTop());
            times_.push_back(GetTickCount());
            // A banner nobody stops would hang the test: end it as a failing host would.
            return inkTops_.size() > 3000 ? E_FAIL : S_OK;
        });
        object_ = NewOnTop();
        current_ = this;
    }
    void TearDown() override {
        current_ = nullptr;
        if (dc_) ReleaseDC(window_, dc_);
        if (window_) DestroyWindow(window_);
    }
    void SetHeight(int height) {
        height_ = height;
        picture_->SetProperty(L"ScaleHeight", Variant::Long(height));
        SetWindowPos(window_, nullptr, 0, 0, kWidth, height, SWP_NOMOVE | SWP_NOZORDER);
    }
    int InkTop() {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < kWidth; x += 1)
                if ((GetPixel(dc_, x, y) & 0xFFFFFF) == 0) return y;
        return -1;
    }
    // Runs a banner that a timer on this thread stops after `stopAfterMs`.
    CallResult Run(const wchar_t* text, long interval, UINT stopAfterMs) {
        UINT_PTR timer = SetTimer(nullptr, 0, stopAfterMs, &Banner::StopFromTimer);
        started_ = GetTickCount();
        auto r = Call(object_.get(), L"ScrollAdvertisement",
                      {Val(Variant::Object(picture_.get())), Val(Variant::Text(text)), Val(Variant::Long(interval))});
        KillTimer(nullptr, timer);
        return r;
    }
    static void CALLBACK StopFromTimer(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        Banner* self = current_;
        if (!self) return;
        self->stopResult_ = Call(self->object_.get(), L"ScrollAdvertisement",
                                 {Val(Variant::Object(self->picture_.get())), Val(Variant::Text(L"Stop"))}).hr;
    }

    static Banner* current_;
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    int height_ = 60;
    ComPtr<FakeHostObject> picture_;
    ComPtr<IDispatch> object_;
    std::vector<int> inkTops_;
    std::vector<DWORD> times_;
    DWORD started_ = 0;
    HRESULT stopResult_ = E_PENDING;
};
Banner* Banner::current_ = nullptr;

TEST_F(Banner, FirstStepAtOnceThenOnePerInterval) {
    auto r = Run(L"WWW", 400, 600);
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(stopResult_, S_OK);
    ASSERT_EQ(times_.size(), 2u) << "one step at once, one after the interval, then the stop";
    EXPECT_LT(times_[0] - started_, 200u);
    EXPECT_GE(times_[1] - times_[0], 390u);
}

TEST_F(Banner, TextClimbsOneRowPerStepAndEntersAgainFromTheBottom) {
    SetHeight(30);
    // A full round (about 50 steps) needs room for a machine busy with other tests beside.
    auto r = Run(L"WWW", 0, 3000);
    EXPECT_EQ(r.hr, S_OK);
    // Every visible step sits one row above the one before, except where the text has left the
    // top and comes back in at the bottom.
    int climbs = 0, reentries = 0, last = -1;
    for (size_t i = 0; i < inkTops_.size(); ++i) {
        int top = inkTops_[i];
        if (top < 0) continue;  // out of sight (below the bottom, or wholly above the top)
        if (last >= 0) {
            if (top == last - 1) ++climbs;
            else if (top > last) ++reentries;
            else if (top != 0) ADD_FAILURE() << "step " << i << " went from " << last << " to " << top;
        }
        last = top;
    }
    EXPECT_GT(climbs, 10);
    EXPECT_GE(reentries, 1) << "the text never came back from the bottom in " << inkTops_.size() << " steps";
    ASSERT_FALSE(inkTops_.empty());
    EXPECT_EQ(inkTops_[0], -1) << "the first step draws just below the bottom edge";
}

TEST_F(Banner, StopAnyCaseReturnsAtOnceAndANewBannerRunsAgain) {
    auto untouched = FakeHostObject::Make();  // has no members: touching it would fail
    auto r = Call(object_.get(), L"ScrollAdvertisement", {Val(Variant::Object(untouched.get())), Val(Variant::Text(L"STOP"))});
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_TRUE(untouched->Log().empty());
    // A stop left from before does not end the next banner before its first step.
    r = Run(L"WWW", 30000, 300);
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(times_.size(), 1u);
}

TEST_F(Banner, HostErrorEndsTheBanner) {
    picture_->SetMethod(L"Refresh", [](std::vector<VARIANT*>&, VARIANT*) { return E_ACCESSDENIED; });
    auto r = Run(L"WWW", 0, 5000);
    EXPECT_NE(r.hr, S_OK);
    EXPECT_EQ(stopResult_, E_PENDING) << "the banner ended before the stop";
}

int WINAPI RefuseToMeasure(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format) {
    return (format & DT_CALCRECT) ? 0 : DrawTextW(dc, text, count, rect, format);
}

TEST_F(Banner, FailedMeasurementReportsAndDrawsNothing) {
    PlatformOverride seam;
    ASSERT_TRUE(seam);
    seam.calls().drawTextW = &RefuseToMeasure;
    object_ = CreateLinked<IDispatch>(CLSID_clsOnTop1, IID_IDispatch);
    DialogAnswerer answerer(IDOK);
    auto r = Run(L"WWW", 0, 5000);
    ASSERT_TRUE(answerer.Wait());
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(answerer.Text(), "Error scrolling text");
    EXPECT_EQ(answerer.Title(), "WENDRAX1");
    EXPECT_TRUE(times_.empty());
    for (const auto& entry : picture_->Log()) EXPECT_EQ(entry.find(L"call"), std::wstring::npos) << entry.c_str();
    // The failure stopped that banner only: the next one on the instance runs.
    seam.calls().drawTextW = &DrawTextW;
    r = Run(L"WWW", 30000, 300);
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_EQ(times_.size(), 1u);
}

// A clock that runs 5 ms per reading from just below the point where the tick count turns negative
// as a signed number (24.8 days of uptime).
DWORD g_clock;
DWORD WINAPI FakeTicks() { return g_clock += 5; }

TEST_F(Banner, KeepsRunningWhenTheTickCountPassesHalfItsRange) {
    PlatformOverride seam;
    ASSERT_TRUE(seam);
    g_clock = 0x7FFFFFF0u;
    seam.calls().getTickCount = &FakeTicks;
    object_ = CreateLinked<IDispatch>(CLSID_clsOnTop1, IID_IDispatch);
    auto r = Run(L"WWW", 3, 400);
    EXPECT_EQ(r.hr, S_OK) << "error " << r.number;
    EXPECT_EQ(stopResult_, S_OK);
    EXPECT_GT(g_clock, 0x80000010u);
    EXPECT_GT(times_.size(), 4u);
}

}  // namespace

// ---- The first CD-ROM drive --------------------------------------------------------------------

namespace {

// The request of Wine's mount manager that defines or removes a drive letter (its own layout).
struct WineUnixDrive {
    ULONG size;
    ULONG type;
    ULONG fs_type;
    DWORD serial;
    ULONGLONG unix_dev;
    WCHAR letter;
    USHORT mount_point_offset;
    USHORT device_offset;
    USHORT label_offset;
};
const DWORD kDefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// A CD-ROM drive letter defined for one test through Wine's mount manager (as its configuration
// tool does), over a scratch folder; removed again afterwards.
class CdromDrive {
public:
    CdromDrive(wchar_t letter, const std::wstring& folder) : letter_(letter) {
        using UnixNameFn = char*(CDECL*)(LPCWSTR);
        auto unixName = ProcAddress<UnixNameFn>(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name");
        if (!unixName) return;
        char* path = unixName(folder.c_str());
        if (!path) return;
        defined_ = Send(DRIVE_CDROM, path);
        HeapFree(GetProcessHeap(), 0, path);
    }
    ~CdromDrive() { if (defined_) Send(DRIVE_NO_ROOT_DIR, nullptr); }
    bool defined() const { return defined_; }

private:
    bool Send(ULONG type, const char* mountPoint) {
        std::string buffer(sizeof(WineUnixDrive), '\0');
        auto* request = reinterpret_cast<WineUnixDrive*>(&buffer[0]);
        request->type = type;
        request->letter = letter_;
        if (mountPoint) {
            request->mount_point_offset = static_cast<USHORT>(buffer.size());
            buffer.append(mountPoint, strlen(mountPoint) + 1);
            request = reinterpret_cast<WineUnixDrive*>(&buffer[0]);
        }
        request->size = static_cast<ULONG>(buffer.size());
        HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (manager == INVALID_HANDLE_VALUE) return false;
        DWORD returned = 0;
        BOOL ok = DeviceIoControl(manager, kDefineUnixDrive, &buffer[0], static_cast<DWORD>(buffer.size()),
                                  nullptr, 0, &returned, nullptr);
        CloseHandle(manager);
        return ok != FALSE;
    }
    wchar_t letter_;
    bool defined_ = false;
};

TEST(OnTop1, FirstCdromDriveOfSeveral) {
    auto object = NewOnTop();
    if (GetDriveTypeW(L"D:\\") != DRIVE_NO_ROOT_DIR || GetDriveTypeW(L"F:\\") != DRIVE_NO_ROOT_DIR)
        GTEST_SKIP() << "D: or F: is already in use in this prefix";
    std::wstring before = TextOf(*Call(object.get(), L"GetCDRomLetter").value.get());
    ASSERT_EQ(before, L"") << "a CD-ROM drive exists already";
    ScratchFolder disc1, disc2;
    CdromDrive f(L'f', disc2.path());
    CdromDrive d(L'd', disc1.path());
    ASSERT_TRUE(d.defined() && f.defined());
    ASSERT_EQ(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_CDROM));
    EXPECT_EQ(TextOf(*Call(object.get(), L"GetCDRomLetter").value.get()), L"D:\\");
}

}  // namespace
