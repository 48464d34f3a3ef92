// The drawing surface a table is measured and drawn on (a host's printer or picture box), reached
// late-bound by member name. Lengths are in the surface's scale units unless a member says pixels;
// the unit codes are the host's: 1 twips, 3 pixels, 8 HIMETRIC.
#pragma once
#include "frame/HostObject.h"

namespace wx {

class TableSurface {
public:
    static const short kTwips = 1;
    static const short kPixels = 3;
    static const short kHimetric = 8;

    explicit TableSurface(IDispatch* surface) : host_(surface) {}
    IDispatch* get() const { return host_.get(); }

    ComPtr<IDispatch> Font() const;
    void SetFont(IDispatch* font) const;
    short ScaleMode() const;
    void SetScaleMode(short mode) const;
    double TextHeight(BSTR text) const;
    double ScaleX(double value, short from, short to) const;
    double ScaleY(double value, short from, short to) const;
    double ScaleHeight() const;
    double CurrentY() const;
    void SetCurrentY(double y) const;
    void SetFillStyle(short style) const;
    void SetDrawWidth(short width) const;
    // Line with the host's flag forms: 20 an outline box, 4 a straight line, both with a colour.
    void Line(long flags, double x1, double y1, double x2, double y2, long colour) const;
    // Draws the top-left width x height part of a picture at (x, y), at its natural size.
    void PaintPictureCropped(IDispatch* picture, double x, double y, double width, double height) const;
    HDC Dc() const;

private:
    Variant Get(const wchar_t* name) const;
    void Let(const wchar_t* name, const Variant& value) const;
    Variant Call(const wchar_t* name, std::initializer_list<Variant> args) const;

    HostObject host_;
};

// True when both references name the same object (COM identity), or both are Nothing.
bool SameObject(IUnknown* a, IUnknown* b);

// A picture's Width or Height (members 4 and 5 of its dispatch interface), in HIMETRIC.
double PictureExtent(IDispatch* picture, DISPID member);

// Conversion to Long the way the runtime does it: to the nearest, halves to even; 6 on overflow.
long RoundToLong(double value);

}  // namespace wx
