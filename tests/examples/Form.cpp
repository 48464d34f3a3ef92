#include "Form.h"
#include "Control.h"
#include <olectl.h>
#include <cmath>
#include <new>

namespace wxexamples {

namespace {

enum : DISPID {
    kLeft = 1, kTop, kWidth, kHeight, kMove, kScaleMode, kScaleWidth, kScaleHeight, kScaleX, kScaleY, kWindowState,
    kCaption, kFont, kBackColor, kHwnd, kCount, kControls, kRefresh
};

const HostDispatch::Name kNames[] = {
    {L"Left", kLeft}, {L"Top", kTop}, {L"Width", kWidth}, {L"Height", kHeight}, {L"Move", kMove},
    {L"ScaleMode", kScaleMode}, {L"ScaleWidth", kScaleWidth}, {L"ScaleHeight", kScaleHeight},
    {L"ScaleX", kScaleX}, {L"ScaleY", kScaleY}, {L"WindowState", kWindowState}, {L"Caption", kCaption},
    {L"Font", kFont}, {L"BackColor", kBackColor}, {L"hWnd", kHwnd}, {L"Count", kCount},
    {L"Controls", kControls}, {L"Refresh", kRefresh},
};

const wchar_t kWindowClass[] = L"WxExamplesForm";

// The form's Controls collection: Count, Item(index) (its default member) and Add(kind, name).
class FormControls : public HostDispatch {
public:
    explicit FormControls(Form* form) : HostDispatch(kListNames, 3), form_(form) { source_ = L"WxExamples.Controls"; }

protected:
    HRESULT Member(DISPID id, Call& call, wx::Variant& result) override {
        const auto& controls = form_->controls();
        switch (id) {
        case DISPID_VALUE: {
            long index = call.whole(0);
            if (index < 0 || index >= static_cast<long>(controls.size())) throw HostError{9};
            result = Object(static_cast<IDispatch*>(controls[static_cast<size_t>(index)].get()));
            return S_OK;
        }
        case 1:
            result = Whole(static_cast<long>(controls.size()));
            return S_OK;
        case 2:
            result = Object(static_cast<IDispatch*>(form_->Add(call.missing(1) ? L"" : call.text(1)).get()));
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    static const Name kListNames[3];
    wx::ComPtr<Form> form_;
};
const HostDispatch::Name FormControls::kListNames[3] = {{L"Item", DISPID_VALUE}, {L"Count", 1}, {L"Add", 2}};

}  // namespace

HRESULT Form::Create(REFIID riid, void** ppv) {
    Form* form = new (std::nothrow) Form();
    if (!form) return E_OUTOFMEMORY;
    HRESULT hr = form->QueryInterface(riid, ppv);
    form->Release();
    return hr;
}

// A new form: 4800 x 3600 twips at the screen's top left corner, captioned "Form1".
Form::Form() : HostDispatch(kNames, sizeof kNames / sizeof kNames[0]) {
    source_ = L"WxExamples.Form";
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ServerModule();
    wc.lpszClassName = kWindowClass;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, kWindowClass, L"Form1", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240, nullptr,
                              nullptr, ServerModule(), nullptr);
    if (window_) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    FONTDESC desc = {sizeof desc, const_cast<LPOLESTR>(L"MS Sans Serif"), {80000, 0}, FW_NORMAL, ANSI_CHARSET,
                     FALSE, FALSE, FALSE};
    OleCreateFontIndirect(&desc, IID_IDispatch, font_.putVoid());
    Place(0, 0, 4800, 3600);
}

Form::~Form() {
    for (auto& control : controls_) control->Detach();
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (form) form->Draw(dc);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcW(window, message, w, l);
}

wx::ComPtr<Control> Form::Add(const std::wstring& name) {
    std::wstring given = name.empty() ? L"Control" + std::to_wstring(controls_.size() + 1) : name;
    wx::ComPtr<Control> control = wx::ComPtr<Control>::Attach(new Control(this, given));
    controls_.push_back(control);
    Paint();
    return control;
}

double Form::ToPixels(double value, bool vertical) const { return value / UnitsPerPixel(scaleMode_, vertical); }
double Form::FromPixels(double value, bool vertical) const { return value * UnitsPerPixel(scaleMode_, vertical); }

RECT Form::Rect() const {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(window_, &r);
    return r;
}

void Form::Place(double left, double top, double width, double height) {
    auto px = [](double twips, bool vertical) { return static_cast<int>(std::lround(twips / UnitsPerPixel(1, vertical))); };
    if (width < 0 || height < 0) throw HostError{380};
    SetWindowPos(window_, nullptr, px(left, false), px(top, true), px(width, false), px(height, true),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    Paint();
}

// The client area in the back colour, each visible control a white box with a black frame.
void Form::Draw(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    wx::GdiObject back(CreateSolidBrush(backColor_));
    FillRect(dc, &client, static_cast<HBRUSH>(back.get()));
    wx::SelectedObject pen(dc, GetStockObject(BLACK_PEN));
    wx::SelectedObject brush(dc, GetStockObject(WHITE_BRUSH));
    for (const auto& control : controls_) {
        if (!control->visible()) continue;
        RECT r = control->Pixels();
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
}

void Form::Paint() {
    if (!window_) return;
    wx::WindowDc dc = wx::WindowDc::Client(window_);
    if (dc) Draw(dc.get());
    GdiFlush();
    ValidateRect(window_, nullptr);
}

HRESULT Form::Member(DISPID id, Call& call, wx::Variant& result) {
    RECT r = Rect();
    double left = r.left * UnitsPerPixel(1, false), top = r.top * UnitsPerPixel(1, true);
    double width = (r.right - r.left) * UnitsPerPixel(1, false), height = (r.bottom - r.top) * UnitsPerPixel(1, true);
    switch (id) {
    case kLeft:
    case kTop:
    case kWidth:
    case kHeight: {
        double* field = id == kLeft ? &left : id == kTop ? &top : id == kWidth ? &width : &height;
        if (call.put()) {
            *field = call.valueNumber();
            Place(left, top, width, height);
        } else {
            result = Number(*field);
        }
        return S_OK;
    }
    case kMove: {
        double values[4] = {left, top, width, height};
        for (size_t i = 0; i < 4; ++i)
            if (!call.missing(i)) values[i] = call.number(i);
        Place(values[0], values[1], values[2], values[3]);
        return S_OK;
    }
    case kScaleMode:
        if (call.put()) {
            long mode = static_cast<long>(call.valueNumber());
            UnitsPerPixel(mode, false);
            scaleMode_ = mode;
        } else {
            result = Whole(scaleMode_);
        }
        return S_OK;
    case kScaleWidth:
    case kScaleHeight: {
        if (call.put()) throw HostError{383};
        RECT client;
        GetClientRect(window_, &client);
        result = Number(id == kScaleWidth ? FromPixels(client.right, false) : FromPixels(client.bottom, true));
        return S_OK;
    }
    case kScaleX:
    case kScaleY: {
        bool vertical = id == kScaleY;
        long from = call.missing(1) ? 8 : call.whole(1);
        long to = call.missing(2) ? scaleMode_ : call.whole(2);
        result = Number(call.number(0) / UnitsPerPixel(from, vertical) * UnitsPerPixel(to, vertical));
        return S_OK;
    }
    case kWindowState:
        if (call.put()) {
            long state = static_cast<long>(call.valueNumber());
            if (state < 0 || state > 2) throw HostError{380};
            ShowWindow(window_, state == 2 ? SW_MAXIMIZE : state == 1 ? SW_MINIMIZE : SW_RESTORE);
            Paint();
        } else {
            result = Whole(IsZoomed(window_) ? 2 : IsIconic(window_) ? 1 : 0);
        }
        return S_OK;
    case kCaption:
        if (call.put()) {
            SetWindowTextW(window_, call.valueText().c_str());
        } else {
            wchar_t text[512] = {};
            GetWindowTextW(window_, text, 512);
            result = Text(text);
        }
        return S_OK;
    case kFont:
        if (call.put()) {
            IDispatch* font = call.valueObject();
            if (!font) throw HostError{380};
            font_ = wx::ComPtr<IDispatch>(font);
        } else {
            result = Object(font_.get());
        }
        return S_OK;
    case kBackColor:
        if (call.put()) {
            backColor_ = static_cast<COLORREF>(call.valueNumber()) & 0xFFFFFF;
            Paint();
        } else {
            result = Whole(static_cast<long>(backColor_));
        }
        return S_OK;
    case kHwnd:
        if (call.put()) throw HostError{383};
        result = Whole(wx::LongOfHandle(window_));
        return S_OK;
    case kCount:
        if (call.put()) throw HostError{383};
        result = Whole(static_cast<long>(controls_.size()));
        return S_OK;
    case kControls: {
        if (call.put()) throw HostError{383};
        if (call.count() > 0) {  // Controls(index) asks the collection for one control
            long index = call.whole(0);
            if (index < 0 || index >= static_cast<long>(controls_.size())) throw HostError{9};
            result = Object(static_cast<IDispatch*>(controls_[static_cast<size_t>(index)].get()));
            return S_OK;
        }
        wx::ComPtr<IDispatch> list = wx::ComPtr<IDispatch>::Attach(new FormControls(this));
        result = Object(list.get());
        return S_OK;
    }
    case kRefresh:
        Paint();
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

}  // namespace wxexamples
