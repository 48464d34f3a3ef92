// The brightness pass of clzBriCon.Bright over a host picture object (ScaleWidth, ScaleHeight,
// hDC, Refresh). Columns x = 0..ScaleWidth and rows y = 0..ScaleHeight (inclusive, rounded per
// column) are lifted by the amount, each channel clamped to 0..255, with a Refresh after every
// column whose x is a multiple of 10 and once at the end. Every step that fails is skipped.
//
// Pixels are not touched one platform call at a time: the columns between two Refresh calls are
// copied into a 32-bit device-independent bitmap, changed there and copied back in one go. Each
// pixel depends only on itself, so the result is the same as reading and writing pixel by pixel;
// surfaces where a block copy would not be exact (palettes, fewer than 24 bits, scaled mapping
// modes) are still done pixel by pixel.
#pragma once
#include "frame/Handles.h"
#include "frame/HostObject.h"
#include <cstdint>
#include <vector>

namespace wx {

class BrightnessPass {
public:
    BrightnessPass(short amount, IDispatch* picture);
    ~BrightnessPass();
    BrightnessPass(const BrightnessPass&) = delete;
    BrightnessPass& operator=(const BrightnessPass&) = delete;
    void Run();

private:
    struct Column {
        long long x;
        int lastRow;  // -1 when the column has no rows (or its height could not be read)
    };
    Variant Ask(const wchar_t* member, bool call = false) const;
    void Paint(const std::vector<Column>& columns);
    bool PaintBlock(HDC dc, const std::vector<Column>& columns);
    void PaintPixels(HDC dc, const std::vector<Column>& columns);
    bool EnsureBuffer(HDC dc, int width, int height);
    COLORREF Lift(COLORREF colour) const;

    HostObject picture_;
    short amount_;
    uint8_t lift_[256];
    // The working bitmap, reused from block to block.
    MemoryDc memory_;
    GdiObject bitmap_;
    HGDIOBJ previous_ = nullptr;
    uint32_t* bits_ = nullptr;
    int bufferWidth_ = 0, bufferHeight_ = 0;
};

}  // namespace wx
