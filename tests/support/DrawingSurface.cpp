#include "support/DrawingSurface.h"
#include <olectl.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace wxtest {

namespace {

enum Member : DISPID {
    kFont = 1, kScaleMode, kTextHeight, kScaleX, kScaleY, kScaleHeight, kScaleWidth, kCurrentX, kCurrentY,
    kFillStyle, kDrawWidth, kLine, kPaintPicture, kHdc, kNewPage
};

struct Name { const wchar_t* name; DISPID id; };
const Name kNames[] = {
    {L"Font", kFont}, {L"ScaleMode", kScaleMode}, {L"TextHeight", kTextHeight}, {L"ScaleX", kScaleX},
    {L"ScaleY", kScaleY}, {L"ScaleHeight", kScaleHeight}, {L"ScaleWidth", kScaleWidth},
    {L"CurrentX", kCurrentX}, {L"CurrentY", kCurrentY}, {L"FillStyle", kFillStyle}, {L"DrawWidth", kDrawWidth},
    {L"Line", kLine}, {L"PaintPicture", kPaintPicture}, {L"hDC", kHdc}, {L"NewPage", kNewPage},
};

const wchar_t* NameOf(DISPID id) {
    for (const Name& n : kNames)
        if (n.id == id) return n.name;
    return L"?";
}

const VARIANT* Deref(const VARIANT* v) {
    while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
    return v;
}

bool Missing(const VARIANT* v) {
    v = Deref(v);
    return V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND;
}

bool Number(const VARIANT* v, double& out) {
    VARIANT d;
    VariantInit(&d);
    if (FAILED(VariantChangeType(&d, const_cast<VARIANT*>(Deref(v)), 0, VT_R8))) return false;
    out = V_R8(&d);
    return true;
}

std::wstring Text(const VARIANT* v) {
    v = Deref(v);
    if (V_VT(v) == VT_BSTR) return V_BSTR(v) ? std::wstring(V_BSTR(v), SysStringLen(V_BSTR(v))) : std::wstring();
    VARIANT t;
    VariantInit(&t);
    if (FAILED(VariantChangeType(&t, const_cast<VARIANT*>(v), 0, VT_BSTR))) return std::wstring();
    std::wstring s = V_BSTR(&t) ? V_BSTR(&t) : L"";
    VariantClear(&t);
    return s;
}

// The runtime's "Invalid property value" as the host raises it.
HRESULT InvalidValue(EXCEPINFO* info) {
    if (info) {
        memset(info, 0, sizeof *info);
        info->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 380);
        info->bstrSource = SysAllocString(L"DrawingSurface");
        info->bstrDescription = SysAllocString(L"Invalid property value");
    }
    return DISP_E_EXCEPTION;
}

void Result(VARIANT* result, double value) {
    if (!result) return;
    VariantClear(result);
    V_VT(result) = VT_R4;
    V_R4(result) = static_cast<float>(value);
}

long Px(double v) { return static_cast<long>(std::lround(v)); }

void PutLe(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Where pixel (x, y) sits in a surface `width` pixels wide, counted in pixels (none negative).
size_t PixelIndex(int x, int y, int width) {
    return static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
}

}  // namespace

std::wstring DrawingSurface::Access::text() const {
    std::wstring s = kind + L" " + member;
    if (kind == L"call") s += L"(";
    else if (!args.empty()) s += L"=";
    for (size_t i = 0; i < args.size(); ++i) {
        if (i && kind == L"call") s += L",";
        const VARIANT* v = args[i].get();
        if (Missing(v)) continue;
        if ((V_VT(v) & ~VT_BYREF) == VT_DISPATCH) s += L"<object>";
        else s += Text(v);
    }
    if (kind == L"call") s += L")";
    return s;
}

wx::ComPtr<DrawingSurface> DrawingSurface::Make(int widthPx, int heightPx) {
    return wx::ComPtr<DrawingSurface>::Attach(new DrawingSurface(widthPx, heightPx));
}

DrawingSurface::DrawingSurface(int widthPx, int heightPx) : width_(widthPx), height_(heightPx) {
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    dc_.reset(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    if (dpi_ <= 0) dpi_ = 96;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = widthPx;
    info.bmiHeader.biHeight = -heightPx;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
    originalBitmap_ = SelectObject(dc_.get(), bitmap_.get());
    SetBkMode(dc_.get(), TRANSPARENT);
    SetTextColor(dc_.get(), RGB(0, 0, 0));
    clear();
    selectFont(MakeFont(L"Arial", 10).get());
}

DrawingSurface::~DrawingSurface() {
    // The DC gives back what it was made with before it goes, and before the objects go.
    if (originalFont_) SelectObject(dc_.get(), originalFont_);
    if (originalBitmap_) SelectObject(dc_.get(), originalBitmap_);
    dc_.reset();
}

void DrawingSurface::selectFont(IDispatch* font) {
    if (!font) return;  // a surface keeps drawing with its font when handed Nothing
    wx::ComPtr<IFont> f = wx::ComPtr<IDispatch>(font).as<IFont>(IID_IFont);
    HFONT handle = nullptr;
    if (!f || FAILED(f->get_hFont(&handle)) || !handle) return;
    HGDIOBJ previous = SelectObject(dc_.get(), handle);
    if (!originalFont_) originalFont_ = previous;
    font_ = wx::ComPtr<IDispatch>(font);
}

double DrawingSurface::convert(double value, short from, short to) const {
    auto toPixels = [&](double v, short unit) {
        switch (unit) {
        case 1: return v * dpi_ / 1440.0;
        case 8: return v * dpi_ / 2540.0;
        default: return v;
        }
    };
    double px = toPixels(value, from);
    switch (to) {
    case 1: return px * 1440.0 / dpi_;
    case 8: return px * 2540.0 / dpi_;
    default: return px;
    }
}

double DrawingSurface::textHeightOf(const std::wstring& text) const {
    if (textHeight) return textHeight(text);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc_.get(), &metrics);
    int lines = 1;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == L'\n') ++lines;
    return convert(static_cast<double>(lines) * metrics.tmHeight, 3, scaleMode_);
}

std::vector<DrawingSurface::Access> DrawingSurface::accesses(const std::wstring& member) const {
    std::vector<Access> found;
    for (const Access& a : log_)
        if (a.member == member) found.push_back(a);
    return found;
}

COLORREF DrawingSurface::pixel(int x, int y) const {
    GdiFlush();
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    uint32_t v = static_cast<const uint32_t*>(bits_)[PixelIndex(x, y, width_)];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

int DrawingSurface::darkPixels(int left, int top, int right, int bottom) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            COLORREF c = pixel(x, y);
            if (c != CLR_INVALID && GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128) ++n;
        }
    return n;
}

void DrawingSurface::clear() {
    GdiFlush();
    memset(bits_, 0xFF, PixelIndex(0, height_, width_) * 4);
}

std::string DrawingSurface::pageBytes() const {
    GdiFlush();
    return std::string(static_cast<const char*>(bits_), PixelIndex(0, height_, width_) * 4);
}

void DrawingSurface::newPage() {
    pages_.push_back(pageBytes());
    clear();
    currentX_ = currentY_ = 0;
}

std::string DrawingSurface::bitmapFile(int page) const {
    std::string raw = page < 0 || page >= static_cast<int>(pages_.size()) ? pageBytes() : pages_[static_cast<size_t>(page)];
    const uint32_t rowBytes = (static_cast<uint32_t>(width_) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height_);
    std::string file;
    file += "BM";
    PutLe(file, 14 + 40 + imageBytes, 4);
    PutLe(file, 0, 4);
    PutLe(file, 14 + 40, 4);
    PutLe(file, 40, 4);
    PutLe(file, static_cast<uint32_t>(width_), 4);
    PutLe(file, static_cast<uint32_t>(height_), 4);  // bottom-up rows
    PutLe(file, 1, 2);
    PutLe(file, 24, 2);
    PutLe(file, 0, 4);
    PutLe(file, imageBytes, 4);
    PutLe(file, 3780, 4);
    PutLe(file, 3780, 4);
    PutLe(file, 0, 4);
    PutLe(file, 0, 4);
    for (int y = height_ - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width_; ++x) row.append(raw, PixelIndex(x, y, width_) * 4, 3);
        row.resize(rowBytes, '\0');
        file += row;
    }
    return file;
}

bool DrawingSurface::save(const std::wstring& path, int page) const {
    std::string bytes = bitmapFile(page);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

HRESULT DrawingSurface::line(const std::vector<VARIANT*>& args, Access& entry) {
    double flags = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0, colour = 0;
    if (args.size() < 5 || !Number(args[0], flags) || !Number(args[1], x1) || !Number(args[2], y1) ||
        !Number(args[3], x2) || !Number(args[4], y2))
        return DISP_E_TYPEMISMATCH;
    long f = static_cast<long>(flags);
    if (!(f & 4) || args.size() < 6 || Missing(args[5]) || !Number(args[5], colour)) colour = 0;
    long l = Px(convert(x1, scaleMode_, 3)), t = Px(convert(y1, scaleMode_, 3));
    long r = Px(convert(x2, scaleMode_, 3)), b = Px(convert(y2, scaleMode_, 3));
    entry.pixels = {l, t, r, b};
    HPEN pen = CreatePen(PS_SOLID, drawWidth_ > 0 ? drawWidth_ : 1, static_cast<COLORREF>(colour));
    HGDIOBJ oldPen = SelectObject(dc_.get(), pen);
    if (f & 16) {
        // Line ... , B (and BF when 32 is set): a box with both corners inside it.
        HBRUSH fill = (f & 32) ? CreateSolidBrush(static_cast<COLORREF>(colour)) : nullptr;
        HGDIOBJ oldBrush = SelectObject(dc_.get(), fill ? static_cast<HGDIOBJ>(fill) : GetStockObject(NULL_BRUSH));
        if (fillStyle_ == 0 && !fill) SelectObject(dc_.get(), GetStockObject(BLACK_BRUSH));
        Rectangle(dc_.get(), std::min(l, r), std::min(t, b), std::max(l, r) + 1, std::max(t, b) + 1);
        SelectObject(dc_.get(), oldBrush);
        if (fill) DeleteObject(fill);
    } else {
        MoveToEx(dc_.get(), l, t, nullptr);
        LineTo(dc_.get(), r, b);
        LineTo(dc_.get(), r + 1, b);  // the host's line includes its end point
    }
    SelectObject(dc_.get(), oldPen);
    DeleteObject(pen);
    currentX_ = x2;
    currentY_ = y2;
    return S_OK;
}

HRESULT DrawingSurface::paintPicture(const std::vector<VARIANT*>& args, Access& entry) {
    if (args.size() < 3) return DISP_E_BADPARAMCOUNT;
    const VARIANT* p = Deref(args[0]);
    if ((V_VT(p) & ~VT_BYREF) != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    IDispatch* object = (V_VT(p) & VT_BYREF) ? *V_DISPATCHREF(p) : V_DISPATCH(p);
    wx::ComPtr<IPicture> picture = wx::ComPtr<IDispatch>(object).as<IPicture>(IID_IPicture);
    if (!picture) return DISP_E_TYPEMISMATCH;
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    picture->get_Width(&hmWidth);
    picture->get_Height(&hmHeight);
    double value[9] = {0};
    bool given[9] = {false};
    for (size_t i = 1; i < args.size() && i < 9; ++i)
        if (!Missing(args[i])) {
            if (!Number(args[i], value[i])) return DISP_E_TYPEMISMATCH;
            given[i] = true;
        }
    auto px = [&](int i) { return Px(convert(value[i], scaleMode_, 3)); };
    long fullW = Px(convert(hmWidth, 8, 3)), fullH = Px(convert(hmHeight, 8, 3));
    long sx = given[5] ? px(5) : 0, sy = given[6] ? px(6) : 0;
    long sw = given[7] ? px(7) : fullW, sh = given[8] ? px(8) : fullH;
    long dx = px(1), dy = px(2);
    long dw = given[3] ? px(3) : sw, dh = given[4] ? px(4) : sh;
    entry.pixels = {dx, dy, dx + dw, dy + dh};
    entry.source = {sw, sh};
    short type = 0;
    picture->get_Type(&type);
    if (type == PICTYPE_BITMAP) {
        OLE_HANDLE handle = 0;
        picture->get_Handle(&handle);
        wx::MemoryDc source(CreateCompatibleDC(dc_.get()));
        HGDIOBJ old = SelectObject(source.get(), reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(handle)));
        StretchBlt(dc_.get(), dx, dy, dw, dh, source.get(), sx, sy, sw, sh, SRCCOPY);
        SelectObject(source.get(), old);
        return S_OK;
    }
    return picture->Render(dc_.get(), dx, dy, dw, dh, Px(convert(sx, 3, 8)), hmHeight - Px(convert(sy, 3, 8)),
                           Px(convert(sw, 3, 8)), -Px(convert(sh, 3, 8)), nullptr);
}

STDMETHODIMP DrawingSurface::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
STDMETHODIMP_(ULONG) DrawingSurface::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
STDMETHODIMP_(ULONG) DrawingSurface::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}
STDMETHODIMP DrawingSurface::GetTypeInfoCount(UINT* count) { *count = 0; return S_OK; }
STDMETHODIMP DrawingSurface::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

STDMETHODIMP DrawingSurface::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (i == 0) {
            for (const Name& n : kNames)
                if (_wcsicmp(n.name, names[0]) == 0 && !hidden_.count(n.name)) ids[i] = n.id;
        }
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP DrawingSurface::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO* excepInfo, UINT*) {
    std::vector<VARIANT*> args;
    UINT positional = params ? params->cArgs - params->cNamedArgs : 0;
    for (UINT i = 0; i < positional; ++i) args.push_back(&params->rgvarg[params->cArgs - 1 - i]);
    bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    VARIANT* value = put && params && params->cArgs > 0 ? &params->rgvarg[0] : nullptr;

    Access entry;
    entry.member = NameOf(id);
    entry.kind = put ? ((flags & DISPATCH_PROPERTYPUTREF) ? L"set" : L"let") : L"get";
    entry.scaleMode = scaleMode_;
    bool method = id == kTextHeight || id == kScaleX || id == kScaleY || id == kLine || id == kPaintPicture ||
                  id == kNewPage;
    if (method) entry.kind = L"call";
    for (VARIANT* a : args) {
        wx::Variant copy;
        VariantCopyInd(copy.get(), const_cast<VARIANT*>(Deref(a)));
        entry.args.push_back(copy);
    }
    if (value) {
        wx::Variant copy;
        VariantCopyInd(copy.get(), const_cast<VARIANT*>(Deref(value)));
        entry.args.push_back(copy);
    }

    HRESULT hr = S_OK;
    double number = 0;
    auto numberOf = [&](VARIANT* v) { return v && Number(v, number); };
    switch (id) {
    case kFont:
        if (put) {
            const VARIANT* v = Deref(value);
            if ((V_VT(v) & ~VT_BYREF) != VT_DISPATCH && V_VT(v) != VT_EMPTY) { hr = DISP_E_TYPEMISMATCH; break; }
            IDispatch* font = V_VT(v) == VT_DISPATCH ? V_DISPATCH(v) : V_VT(v) == VT_EMPTY ? nullptr : *V_DISPATCHREF(v);
            selectFont(font);
        } else if (result) {
            VariantClear(result);
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = font_.get();
            if (font_) font_->AddRef();
        }
        break;
    case kScaleMode:
        if (put) {
            if (!numberOf(value) || (number != 1 && number != 3 && number != 8)) { hr = InvalidValue(excepInfo); break; }
            scaleMode_ = static_cast<short>(number);
        } else if (result) {
            VariantClear(result);
            V_VT(result) = VT_I2;
            V_I2(result) = scaleMode_;
        }
        break;
    case kTextHeight:
        Result(result, textHeightOf(args.empty() ? std::wstring() : Text(args[0])));
        break;
    case kScaleX:
    case kScaleY: {
        double v = 0, from = 8, to = scaleMode_;
        if (args.empty() || !Number(args[0], v)) { hr = DISP_E_TYPEMISMATCH; break; }
        if (args.size() > 1 && !Missing(args[1]) && !Number(args[1], from)) { hr = DISP_E_TYPEMISMATCH; break; }
        if (args.size() > 2 && !Missing(args[2]) && !Number(args[2], to)) { hr = DISP_E_TYPEMISMATCH; break; }
        Result(result, convert(v, static_cast<short>(from), static_cast<short>(to)));
        break;
    }
    case kScaleHeight:
        if (put) { hr = DISP_E_MEMBERNOTFOUND; break; }
        Result(result, convert(height_, 3, scaleMode_));
        break;
    case kScaleWidth:
        if (put) { hr = DISP_E_MEMBERNOTFOUND; break; }
        Result(result, convert(width_, 3, scaleMode_));
        break;
    case kCurrentX:
    case kCurrentY: {
        double& target = id == kCurrentX ? currentX_ : currentY_;
        if (put) {
            if (!numberOf(value)) { hr = DISP_E_TYPEMISMATCH; break; }
            target = number;
        } else {
            Result(result, target);
        }
        break;
    }
    case kFillStyle:
    case kDrawWidth: {
        short& target = id == kFillStyle ? fillStyle_ : drawWidth_;
        if (put) {
            if (!numberOf(value)) { hr = DISP_E_TYPEMISMATCH; break; }
            target = static_cast<short>(number);
        } else if (result) {
            VariantClear(result);
            V_VT(result) = VT_I2;
            V_I2(result) = target;
        }
        break;
    }
    case kLine:
        hr = line(args, entry);
        break;
    case kPaintPicture:
        hr = paintPicture(args, entry);
        break;
    case kHdc:
        if (result) {
            VariantClear(result);
            V_VT(result) = VT_I4;
            V_I4(result) = static_cast<LONG>(reinterpret_cast<INT_PTR>(dc_.get()));
        }
        break;
    case kNewPage:
        newPage();
        break;
    default:
        hr = DISP_E_MEMBERNOTFOUND;
    }
    log_.push_back(entry);
    return hr;
}

wx::ComPtr<IDispatch> MakeFont(const wchar_t* face, double points, bool bold) {
    FONTDESC desc = {};
    desc.cbSizeofstruct = sizeof desc;
    desc.lpstrName = const_cast<LPOLESTR>(face);
    desc.cySize.int64 = static_cast<LONGLONG>(points * 10000);
    desc.sWeight = bold ? FW_BOLD : FW_NORMAL;
    desc.sCharset = DEFAULT_CHARSET;
    wx::ComPtr<IDispatch> font;
    OleCreateFontIndirect(&desc, IID_IFontDisp, font.putVoid());
    return font;
}

wx::ComPtr<IDispatch> MakePicture(int widthPx, int heightPx, COLORREF fill, COLORREF frame) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, widthPx, heightPx);
    {
        wx::MemoryDc dc(CreateCompatibleDC(screen));
        HGDIOBJ old = SelectObject(dc.get(), bitmap);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT all = {0, 0, widthPx, heightPx};
        FillRect(dc.get(), &all, brush);
        DeleteObject(brush);
        HBRUSH edge = CreateSolidBrush(frame);
        FrameRect(dc.get(), &all, edge);
        DeleteObject(edge);
        SelectObject(dc.get(), old);
    }
    ReleaseDC(nullptr, screen);
    PICTDESC desc = {};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = bitmap;
    wx::ComPtr<IDispatch> picture;
    // The picture object owns the bitmap from here on.
    if (FAILED(OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.putVoid()))) DeleteObject(bitmap);
    return picture;
}

}  // namespace wxtest
