// A stand-in for a Basic form's picture box, for the reference's examples: a persistent image (a
// 32-bit memory bitmap, what a picture box with AutoRedraw keeps) shown in a real window, so that
// members that draw on a device context, capture a window or take a picture object have a
// surface to work on, and the example can save what it shows as a BMP file.
//
// Members (names as a Basic programmer writes them): Picture (get, let, set), Image, Width and
// Height (twips), ScaleMode, ScaleWidth, ScaleHeight, ScaleX, ScaleY, hDC, hWnd, AutoRedraw,
// BackColor, ForeColor, Point(x, y), PSet x, y [, color], Line x1, y1, x2, y2 [, color [, "B" |
// "BF"]], Refresh, Cls, SavePicture path.
#pragma once
#include "HostDispatch.h"

namespace wxexamples {

class PictureBox : public HostDispatch {
public:
    static HRESULT Create(REFIID riid, void** ppv);

protected:
    HRESULT Member(DISPID id, Call& call, wx::Variant& result) override;

private:
    PictureBox();
    ~PictureBox() override;
    void Resize(int width, int height);
    void Fill(COLORREF colour);
    void Show();  // copies the image to the window, as a repaint does
    double ToPixels(double value, bool vertical) const;
    double FromPixels(double value, bool vertical) const;
    void SetPicture(IDispatch* picture);
    wx::Variant Image() const;
    void Save(const std::wstring& path) const;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l);

    int width_ = 0, height_ = 0;
    long scaleMode_ = 1;
    bool autoRedraw_ = true;
    COLORREF backColor_ = RGB(255, 255, 255), foreColor_ = RGB(0, 0, 0);
    wx::MemoryDc dc_;
    wx::GdiObject bitmap_;
    HGDIOBJ original_ = nullptr;
    DWORD* bits_ = nullptr;
    HWND window_ = nullptr;
    wx::ComPtr<IDispatch> picture_;
};

}  // namespace wxexamples
