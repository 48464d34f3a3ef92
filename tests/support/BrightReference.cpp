#include "support/BrightReference.h"
#include "support/Library.h"
#include <cmath>
#include <cstring>

namespace wxtest {

namespace {
bool ReadAs(IDispatch* object, const wchar_t* name, VARTYPE type, VARIANT& out) {
    CallResult r = Get(object, name);
    if (FAILED(r.hr)) return false;
    VariantInit(&out);
    return SUCCEEDED(VariantChangeType(&out, r.value.get(), 0, type));
}

HDC DcOf(IDispatch* picture) {
    VARIANT v;
    if (!ReadAs(picture, L"hDC", VT_I4, v)) return nullptr;
    return reinterpret_cast<HDC>(static_cast<LONG_PTR>(V_I4(&v)));
}

long Clamp(long v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
}  // namespace

void BrightByPixels(short amount, IDispatch* picture) {
    VARIANT width, height;
    bool haveWidth = ReadAs(picture, L"ScaleWidth", VT_R8, width);
    for (long x = 0; haveWidth && x <= V_R8(&width); ++x) {
        // VT_I2 conversion rounds halves to even, as the runtime's Integer conversion does.
        if (ReadAs(picture, L"ScaleHeight", VT_I2, height)) {
            for (long y = 0; y <= V_I2(&height); ++y) {
                long c = static_cast<LONG>(GetPixel(DcOf(picture), x, y));
                long r = c % 256;
                double b = std::floor(c / 65536.0);
                long g = static_cast<long>((c - 65536 * b - r) / 256);
                r += amount;
                b += amount;
                g += amount;
                SetPixel(DcOf(picture), x, y, RGB(Clamp(r), Clamp(g), Clamp(static_cast<long>(b))));
            }
        }
        if (x % 10 == 0) Call(picture, L"Refresh");
    }
    Call(picture, L"Refresh");
}

DibSurface::DibSurface(int width, int height, int bitsPerPixel) : width_(width), height_(height), bits_(bitsPerPixel) {
    // Room for a full colour table; palette surfaces get a fixed 6x6x6 cube plus greys.
    std::vector<BYTE> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto info = reinterpret_cast<BITMAPINFO*>(storage.data());
    info->bmiHeader.biSize = sizeof info->bmiHeader;
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = -height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info->bmiHeader.biCompression = BI_RGB;
    if (bitsPerPixel <= 8) {
        for (int i = 0; i < 256; ++i) {
            RGBQUAD& q = info->bmiColors[i];
            if (i < 216) {
                q.rgbRed = static_cast<BYTE>(i / 36 * 51);
                q.rgbGreen = static_cast<BYTE>(i / 6 % 6 * 51);
                q.rgbBlue = static_cast<BYTE>(i % 6 * 51);
            } else {
                q.rgbRed = q.rgbGreen = q.rgbBlue = static_cast<BYTE>((i - 216) * 6);
            }
        }
        info->bmiHeader.biClrUsed = 256;
    }
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, info, DIB_RGB_COLORS, &data_, nullptr, 0);
    previous_ = SelectObject(dc_, bitmap_);
}

DibSurface::~DibSurface() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

void DibSurface::Fill(unsigned seed) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            unsigned v = (static_cast<unsigned>(x) * 2654435761u) ^ (static_cast<unsigned>(y) * 40503u) ^ (seed * 97u);
            SetPixel(dc_, x, y, RGB(v & 255, (v >> 8) & 255, (v >> 16) & 255));
        }
    // Corners of the range every channel can reach.
    SetPixel(dc_, 0, 0, RGB(0, 0, 0));
    SetPixel(dc_, 1, 0, RGB(255, 255, 255));
    SetPixel(dc_, 2, 0, RGB(255, 0, 128));
}

std::vector<COLORREF> DibSurface::Pixels() const {
    GdiFlush();
    std::vector<COLORREF> out;
    out.reserve(static_cast<size_t>(width_) * static_cast<size_t>(height_));
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) out.push_back(GetPixel(dc_, x, y));
    return out;
}

std::vector<BYTE> DibSurface::Bytes() const {
    GdiFlush();
    size_t stride = ((static_cast<size_t>(width_) * static_cast<size_t>(bits_) + 31) / 32) * 4;
    const BYTE* p = static_cast<const BYTE*>(data_);
    return std::vector<BYTE>(p, p + stride * static_cast<size_t>(height_));
}

}  // namespace wxtest
