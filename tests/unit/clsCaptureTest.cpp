// clsCapture: real windows captured under the display driver in use (the null driver keeps them
// off screen), the pictures' sizes and pixels checked; fitting a picture on a printer double;
// and no device context or GDI object left behind after many captures.
#include "frame/Interfaces.h"
#include "support/FakeHostObject.h"
#include "support/Library.h"
#include <gtest/gtest.h>
#include <cmath>

using namespace wxtest;

namespace {

const COLORREF kBackground = RGB(200, 30, 40);
const COLORREF kMarker = RGB(10, 20, 250);

LRESULT CALLBACK TestWindowProc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT client;
        GetClientRect(wnd, &client);
        HBRUSH back = CreateSolidBrush(kBackground), mark = CreateSolidBrush(kMarker);
        FillRect(dc, &client, back);
        RECT corner = {0, 0, 10, 10};
        FillRect(dc, &corner, mark);
        DeleteObject(back);
        DeleteObject(mark);
        EndPaint(wnd, &ps);
        return 0;
    }
    return DefWindowProcA(wnd, msg, w, l);
}

// A 300 x 200 top-level window with a title bar, its client area painted background-coloured with
// a 10 x 10 marker in the client's top-left corner.
class TestWindow {
public:
    TestWindow(int width = 300, int height = 200) {
        static ATOM atom = [] {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = TestWindowProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "WxCaptureTestWindow";
            wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
            return RegisterClassA(&wc);
        }();
        (void)atom;
        wnd_ = CreateWindowExA(0, "WxCaptureTestWindow", "Capture test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 50,
                               width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        Paint();
    }
    ~TestWindow() { DestroyWindow(wnd_); }
    HWND get() const { return wnd_; }
    LONG handle() const { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(wnd_)); }
    // Paints again (the window's surface may have been left unpainted).
    void Paint() {
        RedrawWindow(wnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    // Where the client area's corner lies inside the whole window.
    POINT ClientOffset() const {
        RECT window;
        GetWindowRect(wnd_, &window);
        POINT p = {0, 0};
        ClientToScreen(wnd_, &p);
        return {p.x - window.left, p.y - window.top};
    }

private:
    HWND wnd_;
};

struct Picture {
    bool valid = false;
    int width = 0, height = 0;
    OLE_HANDLE palette = 1;
    HBITMAP bitmap = nullptr;
    std::vector<COLORREF> pixels;  // row by row
    COLORREF at(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] & 0xFFFFFF;
    }
};

Picture Inspect(IPictureDisp* disp) {
    Picture p;
    if (!disp) return p;
    ComPtr<IPicture> picture;
    disp->QueryInterface(IID_IPicture, picture.putVoid());
    if (!picture) return p;
    OLE_HANDLE handle = 0;
    SHORT type = 0;
    picture->get_Type(&type);
    picture->get_Handle(&handle);
    picture->get_hPal(&p.palette);
    p.bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP bm;
    if (type != PICTYPE_BITMAP || GetObject(p.bitmap, sizeof bm, &bm) != sizeof bm) return p;
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    p.pixels.resize(static_cast<size_t>(p.width) * static_cast<size_t>(p.height));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = p.width;
    info.bmiHeader.biHeight = -p.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    int rows = p.height ? GetDIBits(screen, p.bitmap, 0, static_cast<UINT>(p.height), p.pixels.data(), &info, DIB_RGB_COLORS) : 0;
    ReleaseDC(nullptr, screen);
    // GetDIBits gives 0x00RRGGBB; turn it into COLORREF order.
    for (auto& v : p.pixels) v = RGB((v >> 16) & 255, (v >> 8) & 255, v & 255);
    p.valid = rows == p.height;
    return p;
}

ComPtr<_clsCapture> NewCapture() { return Create<_clsCapture>(CLSID_clsCapture, IID__clsCapture); }

double PerInch(long unit) {
    switch (unit) {
    case 1: return 1440;   // twips
    case 3: return 96;     // pixels
    case 8: return 2540;   // HIMETRIC
    default: return 0;
    }
}

// ScaleX / ScaleY as a host's form or printer converts between its units.
FakeHostObject::Method Scaler() {
    return [](std::vector<VARIANT*>& args, VARIANT* result) {
        if (args.size() != 3) return DISP_E_BADPARAMCOUNT;
        Variant value, from, to;
        VariantChangeType(value.get(), args[0], 0, VT_R8);
        VariantChangeType(from.get(), args[1], 0, VT_I4);
        VariantChangeType(to.get(), args[2], 0, VT_I4);
        double f = PerInch(V_I4(from.get())), t = PerInch(V_I4(to.get()));
        if (!f || !t) return DISP_E_TYPEMISMATCH;
        V_VT(result) = VT_R4;  // the host answers Single
        V_R4(result) = static_cast<float>(V_R8(value.get()) / f * t);
        return S_OK;
    };
}

}  // namespace

TEST(clsCapture, CaptureWindowFromTheClientCornerOrTheWindowCorner) {
    auto cap = NewCapture();
    ASSERT_TRUE(cap);
    TestWindow window;
    ASSERT_TRUE(window.get());
    ComPtr<IPictureDisp> client, whole;
    ASSERT_EQ(cap->CaptureWindow(window.handle(), VARIANT_TRUE, 0, 0, 40, 30, client.put()), S_OK);
    Picture c = Inspect(client.get());
    ASSERT_TRUE(c.valid);
    EXPECT_EQ(c.width, 40);
    EXPECT_EQ(c.height, 30);
    EXPECT_EQ(c.at(0, 0), kMarker);
    EXPECT_EQ(c.at(9, 9), kMarker);
    EXPECT_EQ(c.at(10, 10), kBackground);
    EXPECT_EQ(c.at(39, 29), kBackground);
    EXPECT_EQ(c.palette, 0u);  // a true-colour display has no palette to hand over

    // An offset inside the client area.
    ComPtr<IPictureDisp> shifted;
    ASSERT_EQ(cap->CaptureWindow(window.handle(), VARIANT_TRUE, 5, 5, 10, 10, shifted.put()), S_OK);
    Picture s = Inspect(shifted.get());
    ASSERT_TRUE(s.valid);
    EXPECT_EQ(s.at(4, 4), kMarker);
    EXPECT_EQ(s.at(5, 5), kBackground);

    // The whole window starts at the frame: the marker lies at the client area's offset.
    POINT offset = window.ClientOffset();
    ASSERT_GT(offset.y, 0);  // a title bar
    ASSERT_EQ(cap->CaptureWindow(window.handle(), VARIANT_FALSE, 0, 0, 100, 100, whole.put()), S_OK);
    Picture w = Inspect(whole.get());
    ASSERT_TRUE(w.valid);
    EXPECT_EQ(w.at(offset.x, offset.y), kMarker);
    EXPECT_EQ(w.at(offset.x + 10, offset.y + 10), kBackground);
    EXPECT_NE(w.at(offset.x, offset.y - 1), kMarker);
}

TEST(clsCapture, CaptureAnyWindowHasTheWindowsSize) {
    auto cap = NewCapture();
    ASSERT_TRUE(cap);
    TestWindow window(300, 200);
    LONG handle = window.handle();
    ComPtr<IPictureDisp> picture;
    ASSERT_EQ(cap->CaptureAnyWindow(&handle, picture.put()), S_OK);
    Picture p = Inspect(picture.get());
    ASSERT_TRUE(p.valid);
    EXPECT_EQ(p.width, 300);
    EXPECT_EQ(p.height, 200);
    POINT offset = window.ClientOffset();
    EXPECT_EQ(p.at(offset.x + 2, offset.y + 2), kMarker);
    EXPECT_EQ(handle, window.handle());

    // Through IDispatch, with the handle in a script-style variable.
    Variant variable = Variant::Long(window.handle());
    CallResult r = Call(cap.get(), L"CaptureAnyWindow", {Ref(variable)});
    ASSERT_EQ(r.hr, S_OK);
    ASSERT_EQ(r.value.type(), VT_DISPATCH);
    ComPtr<IPictureDisp> viaDispatch;
    V_DISPATCH(r.value.get())->QueryInterface(IID_IPictureDisp, viaDispatch.putVoid());
    Picture q = Inspect(viaDispatch.get());
    EXPECT_EQ(q.width, 300);
    EXPECT_EQ(q.height, 200);
    // The picture's own size, in HIMETRIC, as a host reads it.
    CallResult width = Get(V_DISPATCH(r.value.get()), L"Width");
    ASSERT_EQ(width.hr, S_OK);
    HDC screen = GetDC(nullptr);
    double dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    Variant w;
    VariantChangeType(w.get(), width.value.get(), 0, VT_R8);
    EXPECT_NEAR(V_R8(w.get()), 300 * 2540.0 / dpi, 2);
}

TEST(clsCapture, CaptureFormAndClientUseTheFormsOwnUnits) {
    auto cap = NewCapture();
    ASSERT_TRUE(cap);
    TestWindow window(300, 200);
    RECT client;
    GetClientRect(window.get(), &client);
    auto form = FakeHostObject::Make();
    form->SetProperty(L"hWnd", Variant::Long(window.handle()));
    form->SetProperty(L"Width", Variant::Double(300 * 15));
    form->SetProperty(L"Height", Variant::Double(200 * 15));
    form->SetProperty(L"ScaleMode", Variant::Long(8));  // HIMETRIC inside
    form->SetProperty(L"ScaleWidth", Variant::Double(client.right * 2540.0 / 96));
    form->SetProperty(L"ScaleHeight", Variant::Double(client.bottom * 2540.0 / 96));
    form->SetMethod(L"ScaleX", Scaler());
    form->SetMethod(L"ScaleY", Scaler());
    IDispatch* formVar = form.get();

    ComPtr<IPictureDisp> whole, inner;
    ASSERT_EQ(cap->CaptureForm(&formVar, whole.put()), S_OK);
    Picture w = Inspect(whole.get());
    ASSERT_TRUE(w.valid);
    EXPECT_EQ(w.width, 300);
    EXPECT_EQ(w.height, 200);
    POINT offset = window.ClientOffset();
    EXPECT_EQ(w.at(offset.x, offset.y), kMarker);

    ASSERT_EQ(cap->CaptureClient(&formVar, inner.put()), S_OK);
    Picture c = Inspect(inner.get());
    ASSERT_TRUE(c.valid);
    EXPECT_EQ(c.width, client.right);
    EXPECT_EQ(c.height, client.bottom);
    EXPECT_EQ(c.at(0, 0), kMarker);
    EXPECT_EQ(c.at(c.width - 1, c.height - 1), kBackground);
    EXPECT_EQ(formVar, form.get());

    // A form without hWnd: the host's error reaches the caller.
    auto broken = FakeHostObject::Make();
    broken->SetProperty(L"Width", Variant::Double(15));
    broken->SetProperty(L"Height", Variant::Double(15));
    broken->SetMethod(L"ScaleX", Scaler());
    broken->SetMethod(L"ScaleY", Scaler());
    IDispatch* brokenVar = broken.get();
    ComPtr<IPictureDisp> none;
    EXPECT_EQ(cap->CaptureForm(&brokenVar, none.put()), HRESULT(0x800A01B6));  // 438
    IDispatch* nothing = nullptr;
    EXPECT_EQ(cap->CaptureClient(&nothing, none.put()), HRESULT(0x800A005B));  // 91
}

TEST(clsCapture, CaptureScreenAndActiveWindow) {
    auto cap = NewCapture();
    ASSERT_TRUE(cap);
    ComPtr<IPictureDisp> screen;
    ASSERT_EQ(cap->CaptureScreen(screen.put()), S_OK);
    Picture s = Inspect(screen.get());
    ASSERT_TRUE(s.valid);
    EXPECT_EQ(s.width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(s.height, GetSystemMetrics(SM_CYSCREEN));

    TestWindow window(220, 140);
    SetForegroundWindow(window.get());
    HWND active = GetForegroundWindow();
    RECT r = {0, 0, 0, 0};
    GetWindowRect(active, &r);
    ComPtr<IPictureDisp> picture;
    ASSERT_EQ(cap->CaptureActiveWindow(picture.put()), S_OK);
    Picture a = Inspect(picture.get());
    ASSERT_TRUE(a.valid);
    EXPECT_EQ(a.width, r.right - r.left);
    EXPECT_EQ(a.height, r.bottom - r.top);
    if (active == window.get()) {
        POINT offset = window.ClientOffset();
        EXPECT_EQ(a.at(offset.x, offset.y), kMarker);
    }
}

TEST(clsCapture, CreateBitmapPictureOwnsTheBitmap) {
    auto cap = NewCapture();
    ASSERT_TRUE(cap);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 30, 20);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(bitmap);
    ComPtr<IPictureDisp> picture;
    ASSERT_EQ(cap->CreateBitmapPicture(static_cast<LONG>(reinterpret_cast<LONG_PTR>(bitmap)), 0, picture.put()), S_OK);
    Picture p = Inspect(picture.get());
    EXPECT_EQ(p.bitmap, bitmap);
    EXPECT_EQ(p.width, 30);
    EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    picture.reset();
    EXPECT_EQ(GetObjectType(bitmap), 0u);  // deleted with the picture
}

namespace {
// GDI objects of this process: the platform's count where it keeps one, else the highest handle
// slot in use, found by filling the free slots with probes (a leak shows as slots never freed).
long GdiHighWater() {
    std::vector<HGDIOBJ> probes;
    long highest = 0;
    for (int i = 0; i < 4000; ++i) {
        HGDIOBJ pen = CreatePen(PS_SOLID, 1, RGB(i & 255, 0, 0));
        if (!pen) break;
        probes.push_back(pen);
        highest = std::max<long>(highest, static_cast<long>(reinterpret_cast<UINT_PTR>(pen) & 0xFFFF));
    }
    for (HGDIOBJ p : probes) DeleteObject(p);
    return highest;
}
long GdiObjects() {
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return count ? static_cast<long>(count) : GdiHighWater();
}
}  // namespace

TEST(clsCapture, AThousandCapturesLeaveNoGdiObjectsBehind) {
    auto cap = NewCapture();
    ASSERT_TRUE(cap);
    TestWindow window(60, 50);
    LONG handle = window.handle();
    for (int i = 0; i < 20; ++i) {  // warm up the platform's own caches
        ComPtr<IPictureDisp> p;
        cap->CaptureAnyWindow(&handle, p.put());
    }
    long before = GdiObjects();
    // The measure itself sees objects left behind.
    {
        std::vector<HGDIOBJ> kept;
        for (int i = 0; i < 300; ++i) kept.push_back(CreateSolidBrush(RGB(i & 255, 1, 2)));
        long withLeak = GdiObjects();
        for (HGDIOBJ b : kept) DeleteObject(b);
        ASSERT_GE(withLeak, before + 250) << "the GDI measure does not see 300 brushes";
        before = GdiObjects();
    }
    for (int i = 0; i < 1000; ++i) {
        ComPtr<IPictureDisp> p;
        HRESULT hr = i % 2 ? cap->CaptureAnyWindow(&handle, p.put())
                           : cap->CaptureWindow(handle, VARIANT_TRUE, 0, 0, 20, 20, p.put());
        ASSERT_EQ(hr, S_OK);
        ASSERT_TRUE(p);
    }
    long after = GdiObjects();
    EXPECT_LE(after, before + 10) << "before " << before << ", after " << after;
}

// --- fitting a picture on a printer page ---------------------------------------------------------

namespace {
struct Printed {
    double width = -1, height = -1, left = -1, top = -1;
    bool pictureIsTheOneGiven = false;
};

// A printer whose page is `shortSide` x `longSide` twips in portrait and turns with Orientation;
// ScaleWidth/ScaleHeight are given in `scaleMode` units.
ComPtr<FakeHostObject> PrinterDouble(double shortSide, double longSide, long scaleMode, Printed* printed,
                                     IDispatch* expectedPicture) {
    auto printer = FakeHostObject::Make();
    printer->SetProperty(L"Orientation", Variant::Long(1));
    printer->SetProperty(L"ScaleMode", Variant::Long(scaleMode));
    FakeHostObject* self = printer.get();
    auto side = [self, shortSide, longSide, scaleMode](bool horizontal) {
        return [=](std::vector<VARIANT*>&, VARIANT* result) {
            Variant o = self->Property(L"Orientation");
            bool portrait = V_I4(o.get()) == 1;
            double twips = horizontal == portrait ? shortSide : longSide;
            V_VT(result) = VT_R4;
            V_R4(result) = static_cast<float>(twips / 1440 * PerInch(scaleMode));
            return S_OK;
        };
    };
    printer->SetMethod(L"ScaleWidth", side(true));
    printer->SetMethod(L"ScaleHeight", side(false));
    printer->SetMethod(L"ScaleX", Scaler());
    printer->SetMethod(L"ScaleY", Scaler());
    printer->SetMethod(L"PaintPicture", [printed, expectedPicture](std::vector<VARIANT*>& args, VARIANT*) {
        if (args.size() != 5) return DISP_E_BADPARAMCOUNT;
        printed->pictureIsTheOneGiven = V_VT(args[0]) == VT_DISPATCH && V_DISPATCH(args[0]) == expectedPicture;
        double* out[] = {nullptr, &printed->left, &printed->top, &printed->width, &printed->height};
        for (size_t i = 1; i < 5; ++i) {
            Variant v;
            VariantChangeType(v.get(), args[i], 0, VT_R8);
            *out[i] = V_R8(v.get());
        }
        return S_OK;
    });
    return printer;
}

ComPtr<IPictureDisp> BitmapPicture(int width, int height) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    PICTDESC desc = {};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap;
    ComPtr<IPictureDisp> picture;
    OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.putVoid());
    return picture;
}

struct FitCase {
    int pictureWidth, pictureHeight;
    double shortSide, longSide;
    long scaleMode;
    long orientation;
    double width, height;  // twips
};
}  // namespace

TEST(clsCapture, PrintPictureToFitPageFillsThePageKeepingTheShape) {
    auto cap = NewCapture();
    ASSERT_TRUE(cap);
    const FitCase cases[] = {
        {100, 100, 10000, 14000, 1, 1, 10000, 10000},  // square, portrait: fills the width
        {200, 100, 10000, 14000, 1, 2, 14000, 7000},   // 2:1, landscape of ratio 1.4: fills the width
        {100, 200, 10000, 14000, 1, 1, 7000, 14000},   // tall: fills the height
        {150, 100, 10000, 14000, 1, 2, 14000, 14000 / 1.5},
        {130, 100, 10000, 14000, 1, 2, 10000 * 1.3, 10000},  // wider than square but not as wide as the page
        {200, 100, 10000, 14000, 3, 2, 14000, 7000},   // a printer counting in pixels
    };
    for (const FitCase& t : cases) {
        ComPtr<IPictureDisp> picture = BitmapPicture(t.pictureWidth, t.pictureHeight);
        ASSERT_TRUE(picture);
        Printed printed;
        auto printer = PrinterDouble(t.shortSide, t.longSide, t.scaleMode, &printed, picture.get());
        IDispatch* prn = printer.get();
        IPictureDisp* pic = picture.get();
        ASSERT_EQ(cap->PrintPictureToFitPage(&prn, &pic), S_OK) << t.pictureWidth << "x" << t.pictureHeight;
        Variant o = printer->Property(L"Orientation");
        EXPECT_EQ(V_I4(o.get()), t.orientation);
        double unit = 1440 / PerInch(t.scaleMode);  // twips per printer unit
        EXPECT_NEAR(printed.width * unit, t.width, 20) << t.pictureWidth << "x" << t.pictureHeight;
        EXPECT_NEAR(printed.height * unit, t.height, 20) << t.pictureWidth << "x" << t.pictureHeight;
        EXPECT_EQ(printed.left, 0);
        EXPECT_EQ(printed.top, 0);
        EXPECT_TRUE(printed.pictureIsTheOneGiven);
        EXPECT_EQ(pic, picture.get());
        // The orientation is written before the page is measured.
        const auto& log = printer->Log();
        ASSERT_FALSE(log.empty());
        size_t let = 0, firstWidth = log.size();
        for (size_t i = 0; i < log.size(); ++i) {
            if (log[i].rfind(L"let Orientation", 0) == 0) let = i;
            if (log[i] == L"call ScaleWidth()" && firstWidth == log.size()) firstWidth = i;
        }
        EXPECT_LT(let, firstWidth);
        EXPECT_EQ(log.back().rfind(L"call PaintPicture(", 0), 0u);
    }
}

TEST(clsCapture, PrintPictureToFitPageReportsHostAndArithmeticErrors) {
    auto cap = NewCapture();
    ASSERT_TRUE(cap);
    ComPtr<IPictureDisp> picture = BitmapPicture(10, 10);
    Printed printed;
    auto flat = PrinterDouble(0, 0, 1, &printed, picture.get());  // a page of height 0
    IDispatch* prn = flat.get();
    IPictureDisp* pic = picture.get();
    EXPECT_EQ(cap->PrintPictureToFitPage(&prn, &pic), HRESULT(0x800A0006));  // 0 / 0
    auto noOrientation = FakeHostObject::Make();
    prn = noOrientation.get();
    EXPECT_EQ(cap->PrintPictureToFitPage(&prn, &pic), HRESULT(0x800A01B6));
    IPictureDisp* nothing = nullptr;
    EXPECT_EQ(cap->PrintPictureToFitPage(&prn, &nothing), HRESULT(0x800A005B));
}
