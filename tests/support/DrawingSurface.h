// A stand-in for a host's printer or picture box that really draws: a memory device context over a
// 32-bit top-down DIB, reached by member name like the host's own objects. It knows the members a
// drawing client uses (Font, ScaleMode with twips, pixels and HIMETRIC, ScaleX/ScaleY, ScaleHeight,
// TextHeight, CurrentX/CurrentY, FillStyle, DrawWidth, Line with its flag forms, PaintPicture with
// omitted arguments, hDC, and a printer's NewPage), records every access with its arguments, and
// can write its page as a BMP file for a person to look at.
#pragma once
#include "frame/Handles.h"
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace wxtest {

class DrawingSurface : public IDispatch {
public:
    // One access: kind is "get", "let", "set" or "call"; arguments in call order (omitted ones as
    // VT_ERROR); for Line and PaintPicture, `pixels` is the device rectangle drawn to (right and
    // bottom inclusive for Line) and `scaleMode` the unit code in force.
    struct Access {
        std::wstring kind;
        std::wstring member;
        std::vector<wx::Variant> args;
        short scaleMode = 1;
        RECT pixels = {0, 0, 0, 0};
        SIZE source = {0, 0};  // PaintPicture: the part of the picture taken, in pixels
        std::wstring text() const;
    };

    static wx::ComPtr<DrawingSurface> Make(int widthPx, int heightPx);

    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    int dpi() const { return dpi_; }
    short scaleMode() const { return scaleMode_; }
    double currentY() const { return currentY_; }
    void setCurrentY(double y) { currentY_ = y; }
    IDispatch* font() const { return font_.get(); }
    int pagesStarted() const { return static_cast<int>(pages_.size()); }

    const std::vector<Access>& log() const { return log_; }
    std::vector<Access> accesses(const std::wstring& member) const;
    void clearLog() { log_.clear(); }

    // Makes a member unknown, as a host object that lacks it.
    void hide(const std::wstring& member) { hidden_.insert(member); }
    // Replaces TextHeight's answer (in scale units) for tests that need exact heights.
    std::function<double(const std::wstring& text)> textHeight;

    // Unit conversion the surface uses (1 twips, 3 pixels, 8 HIMETRIC).
    double convert(double value, short from, short to) const;

    COLORREF pixel(int x, int y) const;
    // Dark pixels (all channels below 128) inside a rectangle of the current page.
    int darkPixels(int left, int top, int right, int bottom) const;
    void clear();
    // The printer's NewPage: keeps the finished page, starts a blank one at the top.
    void newPage();
    // The page as a BMP file (24-bit); index -1 is the page being drawn, 0.. the finished ones.
    std::string bitmapFile(int page = -1) const;
    bool save(const std::wstring& path, int page = -1) const;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override;

private:
    DrawingSurface(int widthPx, int heightPx);
    virtual ~DrawingSurface();
    void selectFont(IDispatch* font);
    HRESULT line(const std::vector<VARIANT*>& args, Access& entry);
    HRESULT paintPicture(const std::vector<VARIANT*>& args, Access& entry);
    double textHeightOf(const std::wstring& text) const;
    std::string pageBytes() const;

    volatile LONG refs_ = 1;
    int width_, height_, dpi_ = 96;
    wx::MemoryDc dc_;
    wx::GdiObject bitmap_;
    HGDIOBJ originalBitmap_ = nullptr;
    HGDIOBJ originalFont_ = nullptr;
    void* bits_ = nullptr;
    wx::ComPtr<IDispatch> font_;
    short scaleMode_ = 1;
    double currentX_ = 0, currentY_ = 0;
    short fillStyle_ = 1, drawWidth_ = 1;
    std::vector<Access> log_;
    std::set<std::wstring> hidden_;
    std::vector<std::string> pages_;  // finished pages, raw 32-bit rows
};

// A standard font object (the platform's StdFont) with a face name and a size in points.
wx::ComPtr<IDispatch> MakeFont(const wchar_t* face, double points, bool bold = false);
// A standard picture object over a new bitmap of the given size, filled with one colour and
// with a one-pixel frame in another, so its edges can be found once drawn.
wx::ComPtr<IDispatch> MakePicture(int widthPx, int heightPx, COLORREF fill, COLORREF frame);

}  // namespace wxtest
