#include "printing/clsCapture.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/FloatingPoint.h"
#include "frame/HostObject.h"
#include "frame/Runtime.h"

namespace wx {

namespace {

const int kPixels = 3, kTwips = 1, kHimetric = 8;

// A picture that owns the bitmap and the palette; empty when the platform refuses.
ComPtr<IPictureDisp> PictureOf(HBITMAP bitmap, HPALETTE palette) {
    PICTDESC desc;
    ZeroMemory(&desc, sizeof desc);
    desc.cbSizeofstruct = sizeof desc;  // 20
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap;
    desc.bmp.hpal = palette;
    ComPtr<IDispatch> object;
    if (FAILED(OleCreatePictureIndirect(&desc, IID_IDispatch, TRUE, object.putVoid())) || !object) return {};
    return object.as<IPictureDisp>(IID_IPictureDisp);
}

// The system palette as a logical palette, for 256-colour displays.
struct SystemPalette {
    WORD version = 0x300;
    WORD count = 256;
    PALETTEENTRY entries[256];
};

ComPtr<IPictureDisp> Capture(HWND source, bool client, long left, long top, long width, long height) {
    WindowDc window = client ? WindowDc::Client(source) : WindowDc::Whole(source);
    MemoryDc memory(CreateCompatibleDC(window.get()));
    GdiObject bitmap(CreateCompatibleBitmap(window.get(), width, height));
    HGDIOBJ previousBitmap = SelectObject(memory.get(), bitmap.get());

    bool hasPalette = (GetDeviceCaps(window.get(), RASTERCAPS) & RC_PALETTE) != 0;
    int paletteSize = GetDeviceCaps(window.get(), SIZEPALETTE);
    GdiObject palette;
    HPALETTE previousPalette = nullptr;
    if (hasPalette && paletteSize == 256) {
        SystemPalette logical;
        ZeroMemory(logical.entries, sizeof logical.entries);
        GetSystemPaletteEntries(window.get(), 0, 256, logical.entries);
        palette.reset(CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical)));
        previousPalette = SelectPalette(memory.get(), static_cast<HPALETTE>(palette.get()), FALSE);
        RealizePalette(memory.get());
    }

    BitBlt(memory.get(), 0, 0, width, height, window.get(), left, top, SRCCOPY);

    // Both objects come back out of the memory context before it goes, so the picture gets
    // handles that are selected nowhere.
    SelectObject(memory.get(), previousBitmap);
    if (palette) SelectPalette(memory.get(), previousPalette, FALSE);
    memory.reset();
    window.reset();

    ComPtr<IPictureDisp> picture =
        PictureOf(static_cast<HBITMAP>(bitmap.get()), static_cast<HPALETTE>(palette.get()));
    if (picture) {
        bitmap.release();
        palette.release();
    }
    return picture;  // without a picture the bitmap and palette are deleted here
}

ComPtr<IPictureDisp> CaptureWhole(HWND window) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(window, &r);
    return Capture(window, false, 0, 0, r.right - r.left, r.bottom - r.top);
}


// The sizes' real arithmetic runs in these helpers, each in the library's own floating-point
// state; the host's members are called outside it, under the host's.

// Whole numbers as the runtime rounds them (halves to even; overflow raises 6).
long Rounded(const Variant& value) {
    FloatingPointScope realArithmetic;
    return ToLong(*value.get());
}
long Rounded(double value) { return Rounded(Variant::Double(value)); }

// Floating-point division as the runtime does it: 0/0 overflows, anything else over 0 is 11.
double Divide(double a, double b) {
    FloatingPointScope realArithmetic;
    if (b == 0) RaiseRuntime(a == 0 ? 6 : 11);
    return a / b;
}

double Times(double a, double b) {
    FloatingPointScope realArithmetic;
    return a * b;
}

double Number(const Variant& value) {
    FloatingPointScope realArithmetic;
    return ToDouble(*value.get());
}

void Hand(ComPtr<IPictureDisp> picture, IPictureDisp** result) { Required(result) = picture.detach(); }

HostObject ObjectOf(IDispatch** object) {
    IDispatch* given = Required(object);
    if (!given) RaiseRuntime(91);
    return HostObject(given);
}

// Width and Height of a picture (HIMETRIC): members 4 and 5 of IPictureDisp.
double PictureExtent(IDispatch* picture, DISPID member) {
    if (!picture) RaiseRuntime(91);
    Variant value;
    if (FAILED(HostObject(picture).ReadById(member, value))) RaiseRuntime(438);
    return Number(value);
}

double Scaled(const HostObject& object, const wchar_t* method, const Variant& value, const Variant& from,
              const Variant& to) {
    return Number(object.Call(method, {value, from, to}));
}

}  // namespace

clsCapture::clsCapture() : Dispatchable(IID__clsCapture) {}

STDMETHODIMP clsCapture::CreateBitmapPicture(LONG hBmp, LONG hPal, IPictureDisp** result) {
    return Guarded([&] {
        // When the platform refuses, the handles stay the caller's.
        Hand(PictureOf(HandleOfLong<HBITMAP>(hBmp),
                       HandleOfLong<HPALETTE>(hPal)),
             result);
    });
}

STDMETHODIMP clsCapture::CaptureWindow(LONG hWndSrc, VARIANT_BOOL Client, LONG LeftSrc, LONG TopSrc, LONG WidthSrc,
                                       LONG HeightSrc, IPictureDisp** result) {
    return Guarded([&] {
        Hand(Capture(HandleOfLong<HWND>(hWndSrc), Client != VARIANT_FALSE, LeftSrc, TopSrc, WidthSrc, HeightSrc), result);
    });
}

STDMETHODIMP clsCapture::CaptureScreen(IPictureDisp** result) {
    return Guarded([&] {
        FloatingPointScope realArithmetic;  // no host code runs here
        ScreenMetrics screen = Screen();
        auto whole = [](double twips, double perPixel) {
            long d = Rounded(perPixel);
            if (d == 0) RaiseRuntime(11);
            return Rounded(twips) / d;
        };
        long width = whole(screen.width, screen.twipsPerPixelX);
        long height = whole(screen.height, screen.twipsPerPixelY);
        Hand(Capture(GetDesktopWindow(), false, 0, 0, width, height), result);
    });
}

STDMETHODIMP clsCapture::CaptureForm(IDispatch** frmSrc, IPictureDisp** result) {
    return Guarded([&] {
        HostObject form = ObjectOf(frmSrc);
        long width = Rounded(Scaled(form, L"ScaleX", form.Get(L"Width"), Variant::Long(kTwips), Variant::Long(kPixels)));
        long height = Rounded(Scaled(form, L"ScaleY", form.Get(L"Height"), Variant::Long(kTwips), Variant::Long(kPixels)));
        HWND window = HandleOfLong<HWND>(Rounded(form.Get(L"hWnd")));
        Hand(Capture(window, false, 0, 0, width, height), result);
    });
}

STDMETHODIMP clsCapture::CaptureClient(IDispatch** frmSrc, IPictureDisp** result) {
    return Guarded([&] {
        HostObject form = ObjectOf(frmSrc);
        Variant scaleWidth = form.Get(L"ScaleWidth");
        long width = Rounded(Scaled(form, L"ScaleX", scaleWidth, form.Get(L"ScaleMode"), Variant::Long(kPixels)));
        Variant scaleHeight = form.Get(L"ScaleHeight");
        long height = Rounded(Scaled(form, L"ScaleY", scaleHeight, form.Get(L"ScaleMode"), Variant::Long(kPixels)));
        HWND window = HandleOfLong<HWND>(Rounded(form.Get(L"hWnd")));
        Hand(Capture(window, true, 0, 0, width, height), result);
    });
}

STDMETHODIMP clsCapture::CaptureAnyWindow(LONG* lHandle, IPictureDisp** result) {
    return Guarded([&] {
        Require(lHandle);
        Hand(CaptureWhole(HandleOfLong<HWND>(*lHandle)), result);
    });
}

STDMETHODIMP clsCapture::CaptureActiveWindow(IPictureDisp** result) {
    return Guarded([&] { Hand(CaptureWhole(GetForegroundWindow()), result); });
}

STDMETHODIMP clsCapture::PrintPictureToFitPage(IDispatch** Prn, IPictureDisp** Pic) {
    return Guarded([&] {
        HostObject printer = ObjectOf(Prn);
        Require(Pic);
        IPictureDisp* picture = *Pic;
        double pictureWidth = PictureExtent(picture, DISPID_PICT_WIDTH);
        double pictureHeight = PictureExtent(picture, DISPID_PICT_HEIGHT);

        // The orientation comes first, so the page read below is the page in that orientation.
        printer.Let(L"Orientation", Variant::Long(pictureHeight >= pictureWidth ? 1 : 2));
        double pictureRatio = Divide(pictureWidth, pictureHeight);

        Variant himetric = Variant::Long(kHimetric);
        Variant scaleWidth = printer.Get(L"ScaleWidth");
        double pageWidth = Scaled(printer, L"ScaleX", scaleWidth, printer.Get(L"ScaleMode"), himetric);
        Variant scaleHeight = printer.Get(L"ScaleHeight");
        double pageHeight = Scaled(printer, L"ScaleY", scaleHeight, printer.Get(L"ScaleMode"), himetric);
        double pageRatio = Divide(pageWidth, pageHeight);

        double printedWidth, printedHeight;
        if (pictureRatio >= pageRatio) {
            printedWidth = Scaled(printer, L"ScaleX", Variant::Double(pageWidth), himetric, printer.Get(L"ScaleMode"));
            printedHeight = Scaled(printer, L"ScaleY", Variant::Double(Divide(pageWidth, pictureRatio)), himetric,
                                   printer.Get(L"ScaleMode"));
        } else {
            printedHeight = Scaled(printer, L"ScaleY", Variant::Double(pageHeight), himetric, printer.Get(L"ScaleMode"));
            printedWidth = Scaled(printer, L"ScaleX", Variant::Double(Times(pageHeight, pictureRatio)), himetric,
                                  printer.Get(L"ScaleMode"));
        }
        printer.Call(L"PaintPicture", {Variant::Object(picture), Variant::Long(0), Variant::Long(0),
                                       Variant::Double(printedWidth), Variant::Double(printedHeight)});
    });
}

HRESULT Create_clsCapture(REFIID riid, void** ppv) { return CreateAndQuery<clsCapture>(riid, ppv); }

}  // namespace wx
