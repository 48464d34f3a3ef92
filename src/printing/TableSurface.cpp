#include "printing/TableSurface.h"
#include "frame/Errors.h"
#include <cstring>

namespace wx {

namespace {
Variant Single(double value) {
    Variant v;
    V_VT(v.get()) = VT_R4;
    V_R4(v.get()) = static_cast<float>(value);
    return v;
}
Variant Integer(short value) {
    Variant v;
    V_VT(v.get()) = VT_I2;
    V_I2(v.get()) = value;
    return v;
}
}  // namespace

Variant TableSurface::Get(const wchar_t* name) const { return host_.Get(name); }
void TableSurface::Let(const wchar_t* name, const Variant& value) const { host_.Let(name, value); }
Variant TableSurface::Call(const wchar_t* name, std::initializer_list<Variant> args) const {
    return host_.Call(name, args);
}

ComPtr<IDispatch> TableSurface::Font() const {
    Variant font = Get(L"Font");
    const VARIANT* v = font.get();
    if (V_VT(v) == VT_DISPATCH) return ComPtr<IDispatch>(V_DISPATCH(v));
    if (V_VT(v) == VT_EMPTY) return ComPtr<IDispatch>();
    RaiseRuntime(13);
}

void TableSurface::SetFont(IDispatch* font) const { host_.Set(L"Font", font); }

short TableSurface::ScaleMode() const { return ToInteger(*Get(L"ScaleMode").get()); }
void TableSurface::SetScaleMode(short mode) const { Let(L"ScaleMode", Integer(mode)); }

double TableSurface::TextHeight(BSTR text) const {
    Variant argument;
    V_VT(argument.get()) = VT_BSTR;
    V_BSTR(argument.get()) = text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
    return ToDouble(*Call(L"TextHeight", {argument}).get());
}

double TableSurface::ScaleX(double value, short from, short to) const {
    return ToDouble(*Call(L"ScaleX", {Single(value), Integer(from), Integer(to)}).get());
}

double TableSurface::ScaleY(double value, short from, short to) const {
    return ToDouble(*Call(L"ScaleY", {Single(value), Integer(from), Integer(to)}).get());
}

double TableSurface::ScaleHeight() const { return ToDouble(*Get(L"ScaleHeight").get()); }
double TableSurface::CurrentY() const { return ToDouble(*Get(L"CurrentY").get()); }
void TableSurface::SetCurrentY(double y) const { Let(L"CurrentY", Single(y)); }
void TableSurface::SetFillStyle(short style) const { Let(L"FillStyle", Integer(style)); }
void TableSurface::SetDrawWidth(short width) const { Let(L"DrawWidth", Integer(width)); }

void TableSurface::Line(long flags, double x1, double y1, double x2, double y2, long colour) const {
    Call(L"Line", {Variant::Long(flags), Single(x1), Single(y1), Single(x2), Single(y2), Variant::Long(colour)});
}

void TableSurface::PaintPictureCropped(IDispatch* picture, double x, double y, double width, double height) const {
    Call(L"PaintPicture", {Variant::Object(picture), Single(x), Single(y), Variant::Missing(), Variant::Missing(),
                                 Variant::Missing(), Variant::Missing(), Single(width), Single(height)});
}

HDC TableSurface::Dc() const {
    return HandleOfLong<HDC>(ToLong(*Get(L"hDC").get()));
}

bool SameObject(IUnknown* a, IUnknown* b) {
    if (a == b) return true;
    if (!a || !b) return false;
    ComPtr<IUnknown> ia, ib;
    a->QueryInterface(IID_IUnknown, ia.putVoid());
    b->QueryInterface(IID_IUnknown, ib.putVoid());
    return ia.get() == ib.get() && ia;
}

double PictureExtent(IDispatch* picture, DISPID member) {
    if (!picture) RaiseRuntime(91);
    Variant result;
    HRESULT hr = HostObject(picture).ReadById(member, result);  // a picture may be the host's own object
    if (hr == DISP_E_EXCEPTION) RaiseRuntime(481);
    ThrowIfFailed(hr);
    return ToDouble(*result.get());
}

long RoundToLong(double value) {
    LONG result = 0;
    HRESULT hr = VarI4FromR8(value, &result);
    if (FAILED(hr)) RaiseRuntime(6);
    return result;
}

}  // namespace wx
