// A stand-in for a Basic form, for the reference's examples: a real top-level window whose
// placement and size Basic's members read and set in twips, with controls that it draws as framed
// boxes, so that members that save, restore, scale or capture a form have one to work on.
//
// Members: Left, Top, Width, Height (twips), Move left [, top [, width [, height]]], ScaleMode,
// ScaleWidth, ScaleHeight, ScaleX, ScaleY, WindowState (0 normal, 1 minimised, 2 maximised),
// Caption, Font, BackColor, hWnd, Count, Controls (the collection: Count, Add kind, name, Item(i);
// Controls(i) is control i), Refresh.
#pragma once
#include "HostDispatch.h"
#include <vector>

namespace wxexamples {

class Control;

class Form : public HostDispatch {
public:
    static HRESULT Create(REFIID riid, void** ppv);
    void Paint();  // draws the client area now, as a repaint does
    double ToPixels(double value, bool vertical) const;
    double FromPixels(double value, bool vertical) const;
    const std::vector<wx::ComPtr<Control>>& controls() const { return controls_; }
    wx::ComPtr<Control> Add(const std::wstring& name);

protected:
    HRESULT Member(DISPID id, Call& call, wx::Variant& result) override;

private:
    Form();
    ~Form() override;
    void Place(double left, double top, double width, double height);  // twips
    RECT Rect() const;
    void Draw(HDC dc);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l);

    HWND window_ = nullptr;
    long scaleMode_ = 1;
    COLORREF backColor_ = RGB(212, 208, 200);
    wx::ComPtr<IDispatch> font_;
    std::vector<wx::ComPtr<Control>> controls_;
};

}  // namespace wxexamples
