// The brightness pass written the plain way, pixel by pixel, as the reference the library's block
// pass must match: ScaleWidth read once, ScaleHeight read (and rounded to 16 bits) per column,
// hDC read for every GetPixel and SetPixel, Refresh after each column whose x is a multiple of 10
// and once at the end, every failing step skipped.
//
// One deliberate difference from a 16-bit Basic version: blue + amount is not limited to 16 bits.
// There an amount near 32767 overflowed for blue only, the statement was skipped and blue stayed
// as it was while red and green went to 255; here all three channels clamp alike.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <vector>

namespace wxtest {

void BrightByPixels(short amount, IDispatch* picture);

// A 32-bit top-down DIB selected into a memory DC: a surface whose pixels a test can read back.
class DibSurface {
public:
    DibSurface(int width, int height, int bitsPerPixel = 32);
    ~DibSurface();
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;
    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Fills the surface with a deterministic pattern of colours (seed varies it).
    void Fill(unsigned seed);
    // Every pixel's COLORREF, row by row.
    std::vector<COLORREF> Pixels() const;
    // The raw bytes of the bitmap.
    std::vector<BYTE> Bytes() const;

private:
    int width_, height_, bits_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    void* data_ = nullptr;
};

}  // namespace wxtest
