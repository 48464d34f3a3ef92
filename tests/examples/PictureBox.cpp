#include "PictureBox.h"
#include <olectl.h>
#include <cmath>
#include <new>
#include <string>

namespace wxexamples {

namespace {

enum : DISPID {
    kPicture = 1, kImage, kWidth, kHeight, kScaleMode, kScaleWidth, kScaleHeight, kScaleX, kScaleY, kHdc, kHwnd,
    kAutoRedraw, kBackColor, kForeColor, kPoint, kPSet, kLine, kRefresh, kCls, kSavePicture
};

const HostDispatch::Name kNames[] = {
    {L"Picture", kPicture}, {L"Image", kImage}, {L"Width", kWidth}, {L"Height", kHeight},
    {L"ScaleMode", kScaleMode}, {L"ScaleWidth", kScaleWidth}, {L"ScaleHeight", kScaleHeight},
    {L"ScaleX", kScaleX}, {L"ScaleY", kScaleY}, {L"hDC", kHdc}, {L"hWnd", kHwnd},
    {L"AutoRedraw", kAutoRedraw}, {L"BackColor", kBackColor}, {L"ForeColor", kForeColor}, {L"Point", kPoint},
    {L"PSet", kPSet}, {L"Line", kLine}, {L"Refresh", kRefresh}, {L"Cls", kCls}, {L"SavePicture", kSavePicture},
};

const wchar_t kWindowClass[] = L"WxExamplesPictureBox";
const int kLargest = 4096;  // pixels either way: enough for any example, small enough for memory

int Pixels(double value) {
    if (!(value >= 1)) return 1;
    return value > kLargest ? kLargest : static_cast<int>(std::lround(value));
}

// A colour as Basic passes it: a Long, with system colours (&H80000000 + index) resolved.
COLORREF Colour(long value) {
    if (value < 0 && (value & 0x7FFFFF00) == 0) return GetSysColor(value & 0xFF);
    return static_cast<COLORREF>(value) & 0xFFFFFF;
}

}  // namespace

HRESULT PictureBox::Create(REFIID riid, void** ppv) {
    PictureBox* box = new (std::nothrow) PictureBox();
    if (!box) return E_OUTOFMEMORY;
    HRESULT hr = box->QueryInterface(riid, ppv);
    box->Release();
    return hr;
}

PictureBox::PictureBox() : HostDispatch(kNames, sizeof kNames / sizeof kNames[0]) {
    source_ = L"WxExamples.PictureBox";
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ServerModule();
    wc.lpszClassName = kWindowClass;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassW(&wc);  // fails harmlessly when already registered
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                              nullptr, ServerModule(), nullptr);
    if (window_) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Resize(100, 100);
}

PictureBox::~PictureBox() {
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    if (dc_ && original_) SelectObject(dc_.get(), original_);
}

LRESULT CALLBACK PictureBox::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        auto* box = reinterpret_cast<PictureBox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (box && box->dc_) BitBlt(dc, 0, 0, box->width_, box->height_, box->dc_.get(), 0, 0, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcW(window, message, w, l);
}

// A new image of the given size keeps what fits of the old one, the rest in the back colour.
void PictureBox::Resize(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    wx::GdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    wx::MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!bitmap || !dc) throw HostError{7};
    HGDIOBJ original = SelectObject(dc.get(), bitmap.get());
    wx::GdiObject brush(CreateSolidBrush(backColor_));
    RECT all = {0, 0, width, height};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(brush.get()));
    if (dc_) BitBlt(dc.get(), 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
    if (dc_ && original_) SelectObject(dc_.get(), original_);
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    original_ = original;
    bits_ = static_cast<DWORD*>(bits);
    width_ = width;
    height_ = height;
    if (window_) SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Show();
}

void PictureBox::Fill(COLORREF colour) {
    wx::GdiObject brush(CreateSolidBrush(colour));
    RECT all = {0, 0, width_, height_};
    FillRect(dc_.get(), &all, static_cast<HBRUSH>(brush.get()));
}

void PictureBox::Show() {
    if (!window_) return;
    wx::WindowDc screen = wx::WindowDc::Client(window_);
    if (screen) BitBlt(screen.get(), 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
    GdiFlush();
    ValidateRect(window_, nullptr);
}

double PictureBox::ToPixels(double value, bool vertical) const { return value / UnitsPerPixel(scaleMode_, vertical); }
double PictureBox::FromPixels(double value, bool vertical) const { return value * UnitsPerPixel(scaleMode_, vertical); }

// A picture box given a picture takes its size (as with AutoSize) and shows it.
void PictureBox::SetPicture(IDispatch* picture) {
    if (!picture) {
        picture_.reset();
        Fill(backColor_);
        Show();
        return;
    }
    wx::ComPtr<IPicture> pic = wx::ComPtr<IDispatch>(picture).as<IPicture>(IID_IPicture);
    if (!pic) throw HostError{481};
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    pic->get_Width(&width);
    pic->get_Height(&height);
    Resize(Pixels(width / UnitsPerPixel(8, false)), Pixels(height / UnitsPerPixel(8, true)));
    Fill(backColor_);
    pic->Render(dc_.get(), 0, 0, width_, height_, 0, height, width, -height, nullptr);
    picture_ = wx::ComPtr<IDispatch>(picture);
    Show();
}

// What the box shows, as a new picture object of its own.
wx::Variant PictureBox::Image() const {
    wx::MemoryDc copyDc(CreateCompatibleDC(dc_.get()));
    wx::GdiObject bitmap(CreateCompatibleBitmap(dc_.get(), width_, height_));
    if (!copyDc || !bitmap) throw HostError{7};
    {
        wx::SelectedObject selected(copyDc.get(), bitmap.get());
        BitBlt(copyDc.get(), 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
    }
    PICTDESC desc = {};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = static_cast<HBITMAP>(bitmap.get());
    wx::ComPtr<IDispatch> picture;
    if (FAILED(OleCreatePictureIndirect(&desc, IID_IDispatch, TRUE, picture.putVoid())) || !picture) throw HostError{7};
    bitmap.release();  // the picture owns it now
    return Object(picture.get());
}

// A 24-bit bottom-up BMP of what the box shows.
void PictureBox::Save(const std::wstring& path) const {
    GdiFlush();
    const size_t width = static_cast<size_t>(width_), height = static_cast<size_t>(height_);
    const size_t stride = (width * 3 + 3) & ~size_t{3};
    std::string file(54 + stride * height, '\0');
    auto put16 = [&](size_t at, unsigned v) { file[at] = char(v & 0xFF); file[at + 1] = char(v >> 8); };
    auto put32 = [&](size_t at, unsigned long v) { for (size_t i = 0; i < 4; ++i) file[at + i] = char((v >> (8 * i)) & 0xFF); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<unsigned long>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<unsigned long>(width));
    put32(22, static_cast<unsigned long>(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, static_cast<unsigned long>(file.size() - 54));
    put32(38, 3780);  // 96 dots per inch
    put32(42, 3780);
    for (size_t y = 0; y < height; ++y) {
        const DWORD* row = bits_ + (height - 1 - y) * width;
        char* out = &file[54 + y * stride];
        for (size_t x = 0; x < width; ++x) {
            out[3 * x] = char(row[x] & 0xFF);
            out[3 * x + 1] = char((row[x] >> 8) & 0xFF);
            out[3 * x + 2] = char((row[x] >> 16) & 0xFF);
        }
    }
    wx::FileHandle handle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!handle || !WriteFile(handle.get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr) ||
        written != file.size())
        throw HostError{75};
}

HRESULT PictureBox::Member(DISPID id, Call& call, wx::Variant& result) {
    switch (id) {
    case kPicture:
        if (call.put()) {
            SetPicture(call.valueObject());
        } else {
            result = Object(picture_.get());
        }
        return S_OK;
    case kImage:
        if (call.put()) throw HostError{383};
        result = Image();
        return S_OK;
    case kWidth:
    case kHeight: {
        bool vertical = id == kHeight;
        if (call.put()) {
            int pixels = Pixels(call.valueNumber() / UnitsPerPixel(1, vertical));
            Resize(vertical ? width_ : pixels, vertical ? pixels : height_);
        } else {
            result = Number((vertical ? height_ : width_) * UnitsPerPixel(1, vertical));
        }
        return S_OK;
    }
    case kScaleMode:
        if (call.put()) {
            long mode = static_cast<long>(call.valueNumber());
            UnitsPerPixel(mode, false);  // refuses a mode it cannot scale by
            scaleMode_ = mode;
        } else {
            result = Whole(scaleMode_);
        }
        return S_OK;
    case kScaleWidth:
    case kScaleHeight:
        if (call.put()) throw HostError{383};
        result = Number(FromPixels(id == kScaleHeight ? height_ : width_, id == kScaleHeight));
        return S_OK;
    case kScaleX:
    case kScaleY: {
        bool vertical = id == kScaleY;
        long from = call.missing(1) ? 8 : call.whole(1);
        long to = call.missing(2) ? scaleMode_ : call.whole(2);
        result = Number(call.number(0) / UnitsPerPixel(from, vertical) * UnitsPerPixel(to, vertical));
        return S_OK;
    }
    case kHdc:
        if (call.put()) throw HostError{383};
        result = Whole(wx::LongOfHandle(dc_.get()));
        return S_OK;
    case kHwnd:
        if (call.put()) throw HostError{383};
        result = Whole(wx::LongOfHandle(window_));
        return S_OK;
    case kAutoRedraw:
        if (call.put()) autoRedraw_ = call.valueBool();
        else result = Flag(autoRedraw_);
        return S_OK;
    case kBackColor:
    case kForeColor: {
        COLORREF& colour = id == kBackColor ? backColor_ : foreColor_;
        if (call.put()) colour = Colour(static_cast<long>(call.valueNumber()));
        else result = Whole(static_cast<long>(colour));
        return S_OK;
    }
    case kPoint: {
        COLORREF c = GetPixel(dc_.get(), static_cast<int>(std::floor(ToPixels(call.number(0), false))),
                              static_cast<int>(std::floor(ToPixels(call.number(1), true))));
        result = Whole(c == CLR_INVALID ? -1 : static_cast<long>(c));
        return S_OK;
    }
    case kPSet:
        SetPixel(dc_.get(), static_cast<int>(std::floor(ToPixels(call.number(0), false))),
                 static_cast<int>(std::floor(ToPixels(call.number(1), true))),
                 call.missing(2) ? foreColor_ : Colour(call.whole(2)));
        return S_OK;
    case kLine: {
        int x1 = static_cast<int>(std::floor(ToPixels(call.number(0), false)));
        int y1 = static_cast<int>(std::floor(ToPixels(call.number(1), true)));
        int x2 = static_cast<int>(std::floor(ToPixels(call.number(2), false)));
        int y2 = static_cast<int>(std::floor(ToPixels(call.number(3), true)));
        COLORREF colour = call.missing(4) ? foreColor_ : Colour(call.whole(4));
        std::wstring box = call.missing(5) ? L"" : call.text(5);
        if (x2 < x1) std::swap(x1, x2);
        if (y2 < y1) std::swap(y1, y2);
        wx::GdiObject pen(CreatePen(PS_SOLID, 1, colour));
        if (box == L"BF" || box == L"bf") {
            wx::GdiObject brush(CreateSolidBrush(colour));
            RECT r = {x1, y1, x2 + 1, y2 + 1};
            FillRect(dc_.get(), &r, static_cast<HBRUSH>(brush.get()));
        } else if (box == L"B" || box == L"b") {
            wx::SelectedObject selectedPen(dc_.get(), pen.get());
            wx::SelectedObject hollow(dc_.get(), GetStockObject(NULL_BRUSH));
            Rectangle(dc_.get(), x1, y1, x2 + 1, y2 + 1);
        } else {
            wx::SelectedObject selectedPen(dc_.get(), pen.get());
            MoveToEx(dc_.get(), x1, y1, nullptr);
            LineTo(dc_.get(), x2, y2);
            SetPixel(dc_.get(), x2, y2, colour);  // a Basic line includes its end point
        }
        return S_OK;
    }
    case kRefresh:
        Show();
        return S_OK;
    case kCls:
        Fill(backColor_);
        Show();
        return S_OK;
    case kSavePicture:
        Save(call.text(0));
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

}  // namespace wxexamples
