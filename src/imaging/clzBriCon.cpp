#include "imaging/clzBriCon.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/FloatingPoint.h"
#include "frame/Platform.h"
#include "frame/Text.h"
#include "imaging/BrightnessPass.h"
#include <cmath>

namespace wx {

namespace {

// --- 16-bit arithmetic as the runtime's Integer type does it ---------------------------------

short Checked(long value) {
    if (value < -32768 || value > 32767) RaiseRuntime(6);
    return static_cast<short>(value);
}

// Nearest integer, halves to the even neighbour; a result outside 16 bits overflows.
template <class Real>
short Round16(Real value) {
    if (!(value > -32769 && value < 32768)) RaiseRuntime(6);  // also refuses NaN
    Real whole = std::floor(value);
    Real rest = value - whole;
    if (rest > Real(0.5) || (rest == Real(0.5) && std::fmod(whole, Real(2)) != 0)) whole += 1;
    return Checked(static_cast<long>(whole));
}

short HighByte(short v) { return v > 255 ? 255 : v; }
short LowByte(short v) { return v < 0 ? 0 : v; }
short Byte(short v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
short Larger(short a, short b) { return a > b ? a : b; }
short Smaller(short a, short b) { return a < b ? a : b; }

// (1 - pos) * a + pos * b with the integers taken as singles and the sum formed in extended
// precision, then rounded. The caller's precision control would cut the sum short: members that
// get here run in a FloatingPointScope.
short Linear(short a, short b, float pos) {
    long double p = pos;
    long double sum = (1.0L - p) * static_cast<long double>(static_cast<float>(a)) +
                      p * static_cast<long double>(static_cast<float>(b));
    return Round16(sum);
}

short ScreenOf(short a, short b) {
    // Double precision throughout; the stores keep the x87 unit from carrying extra bits.
    volatile double quotient = b / 255.0;
    volatile double factor = quotient + 1.0;
    volatile double product = factor * a;
    return HighByte(Round16(static_cast<double>(product)));
}

short ExclusionOf(short a, short b) {
    float pos = static_cast<float>(b / 255.0);
    return Linear(a, static_cast<short>(-1 - a), pos);
}

short AddOf(short a, short b) { return HighByte(Checked(long(a) + b)); }
short SubOf(short a, short b) { return LowByte(Checked(long(a) - b)); }
short DiffOf(short a, short b) {
    short d = Checked(long(a) - b);
    return Checked(d < 0 ? -long(d) : long(d));
}

Pixel Make(short red, short green, short blue) {
    Pixel p;
    p.red = red;
    p.green = green;
    p.blue = blue;
    p.Trans = 0;
    return p;
}

// A per-channel rule applied to red, then green, then blue.
template <class Rule>
Pixel PerChannel(const Pixel& a, const Pixel& b, Rule rule) {
    short red = rule(a.red, b.red);
    short green = rule(a.green, b.green);
    short blue = rule(a.blue, b.blue);
    return Make(red, green, blue);
}

Pixel Mix(const Pixel& a, const Pixel& b, float amount) {
    return PerChannel(a, b, [amount](short x, short y) { return Linear(x, y, amount); });
}

// A blend and its weighted form share the shape of their bodies; screen, exclusion and every
// weighted mix compute with reals.
template <class Rule>
HRESULT Blend(Pixel* a, Pixel* b, Pixel* result, Rule rule) {
    return Guarded([&] {
        FloatingPointScope realArithmetic;
        Required(result) = PerChannel(Required(a), Required(b), rule);
    });
}
template <class Rule>
HRESULT WeightedBlend(Pixel* a, Pixel* b, float amount, Pixel* result, Rule rule) {
    return Guarded([&] {
        FloatingPointScope realArithmetic;
        const Pixel& second = Required(b);
        Required(result) = Mix(PerChannel(Required(a), second, rule), second, amount);
    });
}

template <class Rule>
HRESULT Scalar(short* result, Rule rule) {
    return Guarded([&] { Required(result) = rule(); });
}

// SHELLEXECUTEINFO's mask for the properties sheet: invoke the item's ID list (0xC), keep the
// process handle (0x40), no error UI (0x400).
const ULONG kPropertiesMask = 0x44C;

}  // namespace

clzBriCon::clzBriCon() : Dispatchable(IID__clzBriCon) {}

STDMETHODIMP clzBriCon::NewPixel(short inRed, short inGreen, short inBlue, Pixel* result) {
    return Guarded([&] { Required(result) = Make(inRed, inGreen, inBlue); });
}

STDMETHODIMP clzBriCon::PixToLong(Pixel* inPix, LONG* result) {
    return Guarded([&] {
        const Pixel& p = Required(inPix);
        // A component above 255 counts as 255; a negative one counts as 0, so the result is
        // always a colour the platform accepts.
        auto part = [](short c) -> LONG { return Byte(c); };
        Required(result) = part(p.red) + 256 * part(p.green) + 65536 * part(p.blue);
    });
}

STDMETHODIMP clzBriCon::LongToPix(LONG inCol, Pixel* result) {
    return Guarded([&] {
        // Integer division truncates toward zero, as the runtime's "\" does.
        Required(result) = Make(static_cast<short>(inCol & 255), static_cast<short>((inCol / 256) & 255),
                                static_cast<short>((inCol / 65536) & 255));
    });
}

STDMETHODIMP clzBriCon::GreyscalePix(short inVal, Pixel* result) {
    return Guarded([&] { Required(result) = Make(inVal, inVal, inVal); });
}

STDMETHODIMP clzBriCon::InvertPix(Pixel* inPix, Pixel* result) {
    return Guarded([&] {
        const Pixel& p = Required(inPix);
        Required(result) = Make(static_cast<short>(~p.red), static_cast<short>(~p.green), static_cast<short>(~p.blue));
    });
}

STDMETHODIMP clzBriCon::SameCol(Pixel* inPixA, Pixel* inPixB, VARIANT_BOOL* result) {
    return Guarded([&] {
        const Pixel& a = Required(inPixA);
        const Pixel& b = Required(inPixB);
        bool same = a.red == b.red && a.green == b.green && a.blue == b.blue;
        Required(result) = same ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

STDMETHODIMP clzBriCon::GetGreyPix(Pixel* inPix, short* result) {
    return Guarded([&] {
        FloatingPointScope realArithmetic;
        const Pixel& p = Required(inPix);
        volatile double red = p.red * 0.222;
        volatile double green = p.green * 0.707;
        volatile double blue = p.blue * 0.071;
        volatile double sum = red + green;
        sum = sum + blue;
        Required(result) = Round16(static_cast<double>(sum));
    });
}

STDMETHODIMP clzBriCon::LightenPix(Pixel* inCol, short inAmt, Pixel* result) {
    return Guarded([&] {
        const Pixel& p = Required(inCol);
        auto lift = [inAmt](short c) { return HighByte(Checked(long(c) + inAmt)); };
        short red = lift(p.red), green = lift(p.green), blue = lift(p.blue);
        Required(result) = Make(red, green, blue);
    });
}

STDMETHODIMP clzBriCon::DarkenPix(Pixel* inCol, short inAmt, Pixel* result) {
    return Guarded([&] {
        const Pixel& p = Required(inCol);
        auto lower = [inAmt](short c) { return LowByte(Checked(long(c) - inAmt)); };
        short red = lower(p.red), green = lower(p.green), blue = lower(p.blue);
        Required(result) = Make(red, green, blue);
    });
}

STDMETHODIMP clzBriCon::TransPix(Pixel* PixA, Pixel* PixB, float inAmt, Pixel* result) {
    return Guarded([&] {
        FloatingPointScope realArithmetic;
        Required(result) = Mix(Required(PixA), Required(PixB), inAmt);
    });
}

STDMETHODIMP clzBriCon::TransAddPix(Pixel* a, Pixel* b, float amt, Pixel* result) { return WeightedBlend(a, b, amt, result, AddOf); }
STDMETHODIMP clzBriCon::TransSubPix(Pixel* a, Pixel* b, float amt, Pixel* result) { return WeightedBlend(a, b, amt, result, SubOf); }
STDMETHODIMP clzBriCon::TransLightPix(Pixel* a, Pixel* b, float amt, Pixel* result) { return WeightedBlend(a, b, amt, result, Larger); }
STDMETHODIMP clzBriCon::TransDarkPix(Pixel* a, Pixel* b, float amt, Pixel* result) { return WeightedBlend(a, b, amt, result, Smaller); }
STDMETHODIMP clzBriCon::TransDiffPix(Pixel* a, Pixel* b, float amt, Pixel* result) { return WeightedBlend(a, b, amt, result, DiffOf); }
STDMETHODIMP clzBriCon::TransScrnPix(Pixel* a, Pixel* b, float amt, Pixel* result) { return WeightedBlend(a, b, amt, result, ScreenOf); }
STDMETHODIMP clzBriCon::TransExclPix(Pixel* a, Pixel* b, float amt, Pixel* result) { return WeightedBlend(a, b, amt, result, ExclusionOf); }

STDMETHODIMP clzBriCon::BlendAdd(Pixel* a, Pixel* b, Pixel* result) { return Blend(a, b, result, AddOf); }
STDMETHODIMP clzBriCon::BlendSub(Pixel* a, Pixel* b, Pixel* result) { return Blend(a, b, result, SubOf); }
STDMETHODIMP clzBriCon::BlendLight(Pixel* a, Pixel* b, Pixel* result) { return Blend(a, b, result, Larger); }
STDMETHODIMP clzBriCon::BlendDark(Pixel* a, Pixel* b, Pixel* result) { return Blend(a, b, result, Smaller); }
STDMETHODIMP clzBriCon::BlendDiff(Pixel* a, Pixel* b, Pixel* result) { return Blend(a, b, result, DiffOf); }
STDMETHODIMP clzBriCon::BlendScrn(Pixel* a, Pixel* b, Pixel* result) { return Blend(a, b, result, ScreenOf); }
STDMETHODIMP clzBriCon::BlendExcl(Pixel* a, Pixel* b, Pixel* result) { return Blend(a, b, result, ExclusionOf); }

STDMETHODIMP clzBriCon::LinearB(short inValA, short inValB, float inPos, short* result) {
    return Scalar(result, [&] {
        FloatingPointScope realArithmetic;
        return Linear(inValA, inValB, inPos);
    });
}
STDMETHODIMP clzBriCon::CheckHighByte(short inVal, short* result) { return Scalar(result, [&] { return HighByte(inVal); }); }
STDMETHODIMP clzBriCon::CheckLowByte(short inVal, short* result) { return Scalar(result, [&] { return LowByte(inVal); }); }
STDMETHODIMP clzBriCon::CheckByte(short inVal, short* result) { return Scalar(result, [&] { return Byte(inVal); }); }
STDMETHODIMP clzBriCon::MaxB(short a, short b, short* result) { return Scalar(result, [&] { return Larger(a, b); }); }
STDMETHODIMP clzBriCon::MinB(short a, short b, short* result) { return Scalar(result, [&] { return Smaller(a, b); }); }

STDMETHODIMP clzBriCon::ShowProps(BSTR FileName, LONG OwnerhWnd) {
    return Guarded([&] {
        SHELLEXECUTEINFOW info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;  // 60 bytes, 112 on x64
        info.fMask = kPropertiesMask;
        info.hwnd = HandleOfLong<HWND>(OwnerhWnd);
        info.lpVerb = L"Properties";
        info.lpFile = FileName;  // read to its first NUL; null text stays null
        info.lpParameters = L"";
        info.lpDirectory = L"";
        info.nShow = 0;
        Platform().shellExecuteExW(&info);
        // The mask asks the shell to hand back any process it started; nobody else will close
        // that handle, so it is closed here rather than left open for the life of the host.
        if (info.hProcess) CloseHandle(info.hProcess);
    });
}

STDMETHODIMP clzBriCon::Contrast(Pixel* pix, short iAmnt, Pixel* result) {
    return Guarded([&] {
        Pixel& p = Required(pix);
        Pixel& r = Required(result);
        // Written straight into the caller's record, channel by channel: red, blue, green.
        auto apply = [iAmnt](short c) -> short {
            return c >= 128 ? HighByte(Checked(long(c) - iAmnt)) : LowByte(Checked(long(c) + iAmnt));
        };
        p.red = apply(p.red);
        p.blue = apply(p.blue);
        p.green = apply(p.green);
        r = p;
    });
}

STDMETHODIMP clzBriCon::Bright(short val, IDispatch* oPic) {
    return Guarded([&] {
        FloatingPointScope realArithmetic;  // the pass hands the caller's state back around host calls
        BrightnessPass(val, oPic).Run();
    });
}

HRESULT Create_clzBriCon(REFIID riid, void** ppv) { return CreateAndQuery<clzBriCon>(riid, ppv); }

}  // namespace wx
