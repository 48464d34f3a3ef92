#include "media/clsResolu.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/FloatingPoint.h"
#include "frame/HostObject.h"
#include "frame/Runtime.h"

namespace wx {

namespace {

// The host runtime's built-in control kinds that keep their own height: scaling moves them and
// sets their width, never their height.
const IID kHeightKeepingA = {0x33AD4F09, 0x6699, 0x11CF, {0xB7, 0x0C, 0x00, 0xAA, 0x00, 0x60, 0xD3, 0x93}};
const IID kHeightKeepingB = {0x33AD4EE1, 0x6699, 0x11CF, {0xB7, 0x0C, 0x00, 0xAA, 0x00, 0x60, 0xD3, 0x93}};

const short kDesignWidth = 800;
const short kDesignHeight = 600;

bool KeepsHeight(IDispatch* control) {
    for (const IID* iid : {&kHeightKeepingA, &kHeightKeepingB}) {
        ComPtr<IUnknown> found;
        if (SUCCEEDED(control->QueryInterface(*iid, found.putVoid())) && found) return true;
    }
    return false;
}

// The real arithmetic of this class runs in these helpers, each in the library's own
// floating-point state; the host's members are read and written outside it, under the host's.

// A host member's value times a factor, with the runtime's Variant arithmetic deciding the result
// type (a Single stays Single, a Long becomes Double); the host rounds when it stores it.
Variant Product(const Variant& value, float factor) {
    FloatingPointScope realArithmetic;
    VARIANT f;
    VariantInit(&f);
    V_VT(&f) = VT_R4;
    V_R4(&f) = factor;
    Variant out;
    HRESULT hr = VarMul(const_cast<VARIANT*>(value.get()), &f, out.get());
    if (hr == DISP_E_OVERFLOW) RaiseRuntime(6);
    if (FAILED(hr)) RaiseRuntime(13);
    return out;
}

// value / divisor as the runtime's "/" does it, then stored in a Single.
float Quotient(const Variant& value, long divisor) {
    FloatingPointScope realArithmetic;
    VARIANT d;
    VariantInit(&d);
    V_VT(&d) = VT_I4;
    V_I4(&d) = divisor;
    Variant out;
    HRESULT hr = VarDiv(const_cast<VARIANT*>(value.get()), &d, out.get());
    if (hr == DISP_E_DIVBYZERO) RaiseRuntime(11);
    if (hr == DISP_E_OVERFLOW) RaiseRuntime(6);
    if (FAILED(hr)) RaiseRuntime(13);
    return ToSingle(*out.get());
}

// Conversions that round to nearest, halves to even, and raise 6 when out of range.
short RoundInteger(double value) {
    FloatingPointScope realArithmetic;
    return ToInteger(*Variant::Double(value).get());
}
long RoundLong(const Variant& value) {
    FloatingPointScope realArithmetic;
    return ToLong(*value.get());
}
short RoundQuotient(double value, short divisor) {
    FloatingPointScope realArithmetic;
    if (divisor == 0) RaiseRuntime(value == 0 ? 6 : 11);
    return RoundInteger(value / divisor);
}
float Factor(short pixels, short design) {
    FloatingPointScope realArithmetic;
    return static_cast<float>(static_cast<double>(pixels) / design);
}

// The control at a form's index, looked up afresh on every use, as late-bound host code does.
HostObject ControlAt(const HostObject& form, long index) {
    Variant item = form.Get(L"Controls", {Variant::Long(index)});
    IUnknown* unknown = nullptr;
    if (!HoldsObject(ReadArgument(*item.get()), &unknown)) RaiseRuntime(424);
    if (!unknown) RaiseRuntime(91);
    ComPtr<IDispatch> control;
    if (FAILED(unknown->QueryInterface(IID_IDispatch, control.putVoid())) || !control) RaiseRuntime(438);
    return HostObject(control.get());
}

void MoveScaled(const HostObject& target, float sfx, float sfy) {
    Variant left = Product(target.Get(L"Left"), sfx);
    Variant top = Product(target.Get(L"Top"), sfy);
    Variant width = Product(target.Get(L"Width"), sfx);
    Variant height = Product(target.Get(L"Height"), sfy);
    target.Call(L"Move", {left, top, width, height});
}

// A step whose failure the member ignores; the callee's error info goes with it.
void Ignore(HRESULT) { SetErrorInfo(0, nullptr); }

}  // namespace

clsResolu::clsResolu() : Dispatchable(IID__clsResolu) {}
clsResolu::~clsResolu() = default;

#define WX_SIMPLE_PROPERTY(Name, Type, field, ToField, FromField)                                  \
    STDMETHODIMP clsResolu::get_##Name(Type* result) {                                             \
        return Returning(result, [&] { return FromField(field); });          \
    }                                                                                              \
    STDMETHODIMP clsResolu::put_##Name(Type value) {                                               \
        return Guarded([&] { field = ToField(value); });                                           \
    }

static short Same(short v) { return v; }
static bool FromVariantBool(VARIANT_BOOL v) { return v != VARIANT_FALSE; }
static VARIANT_BOOL ToVariantBool(bool v) { return v ? VARIANT_TRUE : VARIANT_FALSE; }

WX_SIMPLE_PROPERTY(Xtwips, short, xTwips_, Same, Same)
WX_SIMPLE_PROPERTY(Ytwips, short, yTwips_, Same, Same)
WX_SIMPLE_PROPERTY(Xpixels, short, xPixels_, Same, Same)
WX_SIMPLE_PROPERTY(Ypixels, short, yPixels_, Same, Same)
WX_SIMPLE_PROPERTY(RePosForm, VARIANT_BOOL, rePosForm_, FromVariantBool, ToVariantBool)
WX_SIMPLE_PROPERTY(DoResize, VARIANT_BOOL, doResize_, FromVariantBool, ToVariantBool)

#undef WX_SIMPLE_PROPERTY

// No error handling of its own: the first control lacking a member stops the pass with the host's
// error, leaving the controls after it and the form as they were.
void clsResolu::ScaleControls(float sfx, float sfy, IDispatch* formObject) {
    HostObject form(formObject);
    long last = RoundLong(form.Get(L"Count")) - 1;
    for (long i = 0; i <= last; ++i) {
        if (KeepsHeight(ControlAt(form, i).get())) {
            ControlAt(form, i).Let(L"Left", Product(ControlAt(form, i).Get(L"Left"), sfx));
            ControlAt(form, i).Let(L"Top", Product(ControlAt(form, i).Get(L"Top"), sfy));
            ControlAt(form, i).Let(L"Width", Product(ControlAt(form, i).Get(L"Width"), sfx));
        } else {
            Variant left = Product(ControlAt(form, i).Get(L"Left"), sfx);
            Variant top = Product(ControlAt(form, i).Get(L"Top"), sfy);
            Variant width = Product(ControlAt(form, i).Get(L"Width"), sfx);
            Variant height = Product(ControlAt(form, i).Get(L"Height"), sfy);
            ControlAt(form, i).Call(L"Move", {left, top, width, height});
        }
    }
    if (rePosForm_) MoveScaled(form, sfx, sfy);
}

STDMETHODIMP clsResolu::Resize_For_Resolution(float SFX, float SFY, IDispatch** MyForm) {
    return Guarded([&] { ScaleControls(SFX, SFY, MyForm ? *MyForm : nullptr); });
}

STDMETHODIMP clsResolu::AdjustForm(IDispatch** TheForm) {
    return Guarded([&] {
        IDispatch* form = TheForm ? *TheForm : nullptr;
        designWidth_ = kDesignWidth;
        designHeight_ = kDesignHeight;
        rePosForm_ = true;
        doResize_ = false;
        ScreenMetrics screen;
        {
            FloatingPointScope realArithmetic;
            screen = Screen();
        }
        Quietly([&] { xTwips_ = RoundInteger(screen.twipsPerPixelX); });
        Quietly([&] { yTwips_ = RoundInteger(screen.twipsPerPixelY); });
        Quietly([&] { yPixels_ = RoundQuotient(screen.height, yTwips_); });
        Quietly([&] { xPixels_ = RoundQuotient(screen.width, xTwips_); });
        factorX_ = Factor(xPixels_, designWidth_);
        factorY_ = Factor(yPixels_, designHeight_);
        Quietly([&] { HostObject(form).Let(L"ScaleMode", Variant::Long(3)); });
        Ignore(Resize_For_Resolution(factorX_, factorY_, &form));
        Quietly([&] { lastSize_.Height = RoundLong(Variant::Double(screen.height)); });
        Quietly([&] { lastSize_.Width = RoundLong(Variant::Double(screen.width)); });
    });
}

STDMETHODIMP clsResolu::FormResize(IDispatch** TheForm) {
    return Guarded([&] {
        if (!doResize_) {
            doResize_ = true;
            return;
        }
        IDispatch* form = TheForm ? *TheForm : nullptr;
        rePosForm_ = false;
        float fx = 0, fy = 0;  // a size that cannot be divided leaves its factor at 0
        Quietly([&] { fx = Quotient(HostObject(form).Get(L"Width"), lastSize_.Width); });
        Quietly([&] { fy = Quotient(HostObject(form).Get(L"Height"), lastSize_.Height); });
        Ignore(Resize_For_Resolution(fx, fy, &form));
        Quietly([&] { lastSize_.Height = RoundLong(HostObject(form).Get(L"Height")); });
        Quietly([&] { lastSize_.Width = RoundLong(HostObject(form).Get(L"Width")); });
    });
}

HRESULT Create_clsResolu(REFIID riid, void** ppv) { return CreateAndQuery<clsResolu>(riid, ppv); }

}  // namespace wx
