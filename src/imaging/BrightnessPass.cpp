#include "imaging/BrightnessPass.h"
#include "frame/Errors.h"
#include <algorithm>
#include <climits>
#include <cmath>

namespace wx {

namespace {
int Clamp(long long v) { return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v)); }

// Bits per pixel of what the DC draws on, or 0 when a block copy would not reproduce what
// GetPixel and SetPixel do there.
int TrueColourDepth(HDC dc) {
    switch (GetObjectType(dc)) {
    case OBJ_MEMDC: {
        BITMAP bm;
        HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
        if (!bitmap || GetObject(bitmap, sizeof bm, &bm) != sizeof bm) return 0;
        return bm.bmBitsPixel * bm.bmPlanes;
    }
    case OBJ_DC:
        if (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) return 0;
        return GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    default:
        return 0;
    }
}
}  // namespace

Variant BrightnessPass::Ask(const wchar_t* member, bool call) const {
    return call ? picture_.Call(member) : picture_.Get(member);
}

BrightnessPass::BrightnessPass(short amount, IDispatch* picture) : picture_(picture), amount_(amount) {
    // Every channel of a pixel read from the surface is 0..255, so one table holds the answer.
    for (int c = 0; c < 256; ++c) lift_[c] = static_cast<uint8_t>(Clamp(static_cast<long long>(c) + amount));
}

BrightnessPass::~BrightnessPass() {
    if (previous_) SelectObject(memory_.get(), previous_);
}

void BrightnessPass::Run() {
    double width = -1;
    Quietly([&] { width = ToDouble(*Ask(L"ScaleWidth").get()); });
    std::vector<Column> group;
    for (long long x = 0; static_cast<double>(x) <= width; ++x) {
        Column column{x, -1};
        Quietly([&] { column.lastRow = ToInteger(*Ask(L"ScaleHeight").get()); });
        group.push_back(column);
        bool refresh = x % 10 == 0;
        // A Refresh may repaint the surface, so the columns before it are finished before it runs.
        if (refresh || static_cast<double>(x + 1) > width) {
            Quietly([&] { Paint(group); });
            group.clear();
        }
        if (refresh) Quietly([&] { Ask(L"Refresh", true); });
    }
    Quietly([&] { Ask(L"Refresh", true); });
}

void BrightnessPass::Paint(const std::vector<Column>& columns) {
    HDC dc = HandleOfLong<HDC>(ToLong(*Ask(L"hDC").get()));
    if (!GetObjectType(dc)) return;  // no surface: every pixel call would fail
    if (GetMapMode(dc) == MM_TEXT && TrueColourDepth(dc) >= 24 && PaintBlock(dc, columns)) return;
    PaintPixels(dc, columns);
}

// Pixels outside the DC's clip box cannot be read (GetPixel answers CLR_INVALID) nor written, so
// the block is the part of the columns inside it.
bool BrightnessPass::PaintBlock(HDC dc, const std::vector<Column>& columns) {
    RECT clip;
    int kind = GetClipBox(dc, &clip);
    if (kind == ERROR) return false;
    if (kind == NULLREGION) return true;
    long long lastRow = -1;
    for (const Column& c : columns) lastRow = std::max<long long>(lastRow, c.lastRow);
    long long left = std::max<long long>(columns.front().x, clip.left);
    long long right = std::min<long long>(columns.back().x, clip.right - 1);
    long long top = std::max<long long>(0, clip.top);
    long long bottom = std::min<long long>(lastRow, clip.bottom - 1);
    if (left > right || top > bottom) return true;
    int width = static_cast<int>(right - left + 1), height = static_cast<int>(bottom - top + 1);
    if (!EnsureBuffer(dc, width, height)) return false;

    HDC memory = memory_.get();
    if (!BitBlt(memory, 0, 0, width, height, dc, static_cast<int>(left), static_cast<int>(top), SRCCOPY)) return false;
    GdiFlush();
    for (const Column& c : columns) {
        if (c.x < left || c.x > right) continue;
        uint32_t* p = bits_ + (c.x - left);
        long long last = std::min<long long>(c.lastRow, bottom);
        for (long long y = top; y <= last; ++y, p += bufferWidth_) {
            uint32_t v = *p;
            // 0x00RRGGBB; the unused top byte ends up 0, as SetPixel leaves it.
            *p = lift_[v & 0xFF] | (lift_[(v >> 8) & 0xFF] << 8) | (static_cast<uint32_t>(lift_[(v >> 16) & 0xFF]) << 16);
        }
    }
    BitBlt(dc, static_cast<int>(left), static_cast<int>(top), width, height, memory, 0, 0, SRCCOPY);
    return true;
}

void BrightnessPass::PaintPixels(HDC dc, const std::vector<Column>& columns) {
    for (const Column& c : columns) {
        if (c.x > INT_MAX) break;
        int x = static_cast<int>(c.x);
        for (int y = 0; y <= c.lastRow; ++y) SetPixel(dc, x, y, Lift(GetPixel(dc, x, y)));
    }
}

// The colour split as the pixel-by-pixel definition splits it, which also gives an answer for
// CLR_INVALID (a surface that cannot be read but can be written).
COLORREF BrightnessPass::Lift(COLORREF colour) const {
    long long c = static_cast<LONG>(colour);
    long long r = c % 256;
    long long b = static_cast<long long>(std::floor(static_cast<double>(c) / 65536.0));
    long long g = (c - 65536 * b - r) / 256;
    return RGB(Clamp(r + amount_), Clamp(g + amount_), Clamp(b + amount_));
}

bool BrightnessPass::EnsureBuffer(HDC dc, int width, int height) {
    if (bits_ && width <= bufferWidth_ && height <= bufferHeight_) return true;
    width = std::max(width, bufferWidth_);
    height = std::max(height, bufferHeight_);
    if (!memory_) {
        memory_.reset(CreateCompatibleDC(dc));
        if (!memory_) return false;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject bitmap(CreateDIBSection(memory_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return false;
    HGDIOBJ old = SelectObject(memory_.get(), bitmap.get());
    if (!previous_) previous_ = old;
    bitmap_ = std::move(bitmap);  // the one it replaces is no longer selected
    bits_ = static_cast<uint32_t*>(bits);
    bufferWidth_ = width;
    bufferHeight_ = height;
    return true;
}

}  // namespace wx
