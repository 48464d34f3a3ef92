// clzBriCon: the 16-bit pixel arithmetic against a plain reference over a grid of inputs, the
// fixed examples, records through IDispatch, the properties-sheet request, and the brightness
// pass against the pixel-by-pixel reference.
#include "frame/Interfaces.h"
#include "support/BrightReference.h"
#include "support/FakeHostObject.h"
#include "support/Library.h"
#include "support/PlatformSeam.h"
#include <gtest/gtest.h>
#include <cmath>
#include <functional>
#include <optional>

using namespace wxtest;

namespace {

const HRESULT kOverflow = static_cast<HRESULT>(0x800A0006);
const GUID kPixelGuid = {0xA914BC59, 0xF1C7, 0x4AEB, {0xA2, 0x43, 0xB8, 0x78, 0x7C, 0x11, 0x99, 0xD2}};

ComPtr<_clzBriCon> NewBriCon() { return Create<_clzBriCon>(CLSID_clzBriCon, IID__clzBriCon); }

Pixel P(short red, short green, short blue, short trans = 0) {
    Pixel p;
    p.red = red;
    p.green = green;
    p.blue = blue;
    p.Trans = trans;
    return p;
}

bool Same(const Pixel& a, const Pixel& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.Trans == b.Trans;
}

std::string Show(const Pixel& p) {
    return "(r" + std::to_string(p.red) + " g" + std::to_string(p.green) + " b" + std::to_string(p.blue) + " t" +
           std::to_string(p.Trans) + ")";
}

// --- the reference: wide integers, rounding with the FPU's default ties-to-even ----------------
using Maybe = std::optional<long>;
Maybe Fit(long v) { return v < -32768 || v > 32767 ? Maybe() : Maybe(v); }
Maybe RoundFit(long double v) { return std::isfinite(v) ? Fit(static_cast<long>(std::nearbyintl(v))) : Maybe(); }
long High(long v) { return v > 255 ? 255 : v; }
long Low(long v) { return v < 0 ? 0 : v; }
Maybe Lin(long a, long b, float pos) {
    long double p = pos;
    return RoundFit((1 - p) * static_cast<long double>(static_cast<float>(a)) +
                    p * static_cast<long double>(static_cast<float>(b)));
}

using ChannelRule = std::function<Maybe(long, long)>;
struct BlendCase {
    const char* name;
    HRESULT (STDMETHODCALLTYPE _clzBriCon::*plain)(Pixel*, Pixel*, Pixel*);
    HRESULT (STDMETHODCALLTYPE _clzBriCon::*weighted)(Pixel*, Pixel*, float, Pixel*);
    ChannelRule rule;
};

std::vector<BlendCase> Blends() {
    return {
        {"Add", &_clzBriCon::BlendAdd, &_clzBriCon::TransAddPix,
         [](long a, long b) { Maybe s = Fit(a + b); return s ? Maybe(High(*s)) : s; }},
        {"Sub", &_clzBriCon::BlendSub, &_clzBriCon::TransSubPix,
         [](long a, long b) { Maybe s = Fit(a - b); return s ? Maybe(Low(*s)) : s; }},
        {"Light", &_clzBriCon::BlendLight, &_clzBriCon::TransLightPix, [](long a, long b) { return Maybe(a > b ? a : b); }},
        {"Dark", &_clzBriCon::BlendDark, &_clzBriCon::TransDarkPix, [](long a, long b) { return Maybe(a < b ? a : b); }},
        {"Diff", &_clzBriCon::BlendDiff, &_clzBriCon::TransDiffPix,
         [](long a, long b) { Maybe d = Fit(a - b); return d ? Fit(std::labs(*d)) : d; }},
        {"Scrn", &_clzBriCon::BlendScrn, &_clzBriCon::TransScrnPix,
         [](long a, long b) { Maybe s = RoundFit((b / 255.0 + 1) * a); return s ? Maybe(High(*s)) : s; }},
        {"Excl", &_clzBriCon::BlendExcl, &_clzBriCon::TransExclPix,
         [](long a, long b) { return Lin(a, -1 - a, static_cast<float>(b / 255.0)); }},
    };
}

// The rule per channel (red, green, blue); empty when any channel overflows.
std::optional<Pixel> PerChannel(const Pixel& a, const Pixel& b, const ChannelRule& rule) {
    Maybe r = rule(a.red, b.red), g = rule(a.green, b.green), bl = rule(a.blue, b.blue);
    if (!r || !g || !bl) return std::nullopt;
    return P(static_cast<short>(*r), static_cast<short>(*g), static_cast<short>(*bl));
}

const short kGrid[] = {-32768, -300, -1, 0, 1, 2, 10, 100, 127, 128, 200, 254, 255, 256, 1000, 32767};
const float kAmounts[] = {0.0f, 0.25f, 0.5f, 1.0f, -0.5f, 1.5f, 0.3f};

}  // namespace

TEST(clzBriCon, FixedExamples) {
    auto c = NewBriCon();
    ASSERT_TRUE(c);
    Pixel p, q, r;
    long colour = 0;
    short v = 0;
    ASSERT_EQ(c->NewPixel(1, 2, 3, &p), S_OK);
    EXPECT_TRUE(Same(p, P(1, 2, 3)));
    ASSERT_EQ(c->PixToLong(&p, &colour), S_OK);
    EXPECT_EQ(colour, 197121);
    ASSERT_EQ(c->LongToPix(197121, &q), S_OK);
    EXPECT_TRUE(Same(q, P(1, 2, 3))) << Show(q);
    ASSERT_EQ(c->LongToPix(-1, &q), S_OK);
    EXPECT_TRUE(Same(q, P(255, 0, 0))) << Show(q);
    ASSERT_EQ(c->LongToPix(-257, &q), S_OK);  // \ truncates toward zero: -257 \ 256 = -1
    EXPECT_TRUE(Same(q, P(255, 255, 0))) << Show(q);

    p = P(300, 2, 3);
    ASSERT_EQ(c->PixToLong(&p, &colour), S_OK);
    EXPECT_EQ(colour, 255 + 2 * 256 + 3 * 65536);
    p = P(-5, 256, -1);  // negative components count as 0
    ASSERT_EQ(c->PixToLong(&p, &colour), S_OK);
    EXPECT_EQ(colour, 255 * 256);

    p = P(255, 255, 255);
    ASSERT_EQ(c->GetGreyPix(&p, &v), S_OK);
    EXPECT_EQ(v, 255);
    p = P(100, 0, 0);
    ASSERT_EQ(c->GetGreyPix(&p, &v), S_OK);
    EXPECT_EQ(v, 22);
    p = P(32767, 32767, 32767);
    ASSERT_EQ(c->GetGreyPix(&p, &v), S_OK);
    EXPECT_EQ(v, 32767);

    ASSERT_EQ(c->LinearB(0, 1, 0.5f, &v), S_OK);
    EXPECT_EQ(v, 0);
    ASSERT_EQ(c->LinearB(1, 2, 0.5f, &v), S_OK);
    EXPECT_EQ(v, 2);
    ASSERT_EQ(c->LinearB(10, 20, 2.0f, &v), S_OK);  // extrapolates
    EXPECT_EQ(v, 30);
    EXPECT_EQ(c->LinearB(0, 32767, 2.0f, &v), kOverflow);
    ASSERT_EQ(c->LinearB(-32768, -32768, 1.0f, &v), S_OK);
    EXPECT_EQ(v, -32768);

    p = P(200, 100, 0);
    q = P(100, 200, 255);
    ASSERT_EQ(c->BlendAdd(&p, &q, &r), S_OK);
    EXPECT_TRUE(Same(r, P(255, 255, 255))) << Show(r);
    ASSERT_EQ(c->BlendSub(&q, &p, &r), S_OK);
    EXPECT_TRUE(Same(r, P(0, 100, 255))) << Show(r);
    ASSERT_EQ(c->BlendDiff(&p, &q, &r), S_OK);
    EXPECT_TRUE(Same(r, P(100, 100, 255))) << Show(r);

    p = P(100, 200, 0);
    q = P(255, 255, 255);
    ASSERT_EQ(c->BlendScrn(&p, &q, &r), S_OK);
    EXPECT_TRUE(Same(r, P(200, 255, 0))) << Show(r);
    ASSERT_EQ(c->BlendExcl(&p, &q, &r), S_OK);
    EXPECT_EQ(r.blue, -1);

    p = P(0, 10, 255, 7);
    ASSERT_EQ(c->InvertPix(&p, &r), S_OK);
    EXPECT_TRUE(Same(r, P(-1, -11, -256))) << Show(r);
    EXPECT_EQ(r.green & 255, 245);

    p = P(32767, 0, 0);
    EXPECT_EQ(c->LightenPix(&p, 1, &r), kOverflow);
    p = P(-32768, 0, 0);
    EXPECT_EQ(c->DarkenPix(&p, 1, &r), kOverflow);
    p = P(-20, 250, 300);
    ASSERT_EQ(c->LightenPix(&p, 10, &r), S_OK);  // only the top is clamped
    EXPECT_TRUE(Same(r, P(-10, 255, 255))) << Show(r);
    ASSERT_EQ(c->DarkenPix(&p, 10, &r), S_OK);  // only the bottom is clamped
    EXPECT_TRUE(Same(r, P(0, 240, 290))) << Show(r);

    p = P(-32768, 0, 0);
    q = P(0, 0, 0);
    EXPECT_EQ(c->BlendDiff(&p, &q, &r), kOverflow);  // |-32768| does not fit
}

TEST(clzBriCon, ClampsGreyAndExtremes) {
    auto c = NewBriCon();
    ASSERT_TRUE(c);
    for (short v : kGrid) {
        short high = 0, low = 0, both = 0, grey = 0;
        ASSERT_EQ(c->CheckHighByte(v, &high), S_OK);
        ASSERT_EQ(c->CheckLowByte(v, &low), S_OK);
        ASSERT_EQ(c->CheckByte(v, &both), S_OK);
        EXPECT_EQ(high, v > 255 ? 255 : v);
        EXPECT_EQ(low, v < 0 ? 0 : v);
        EXPECT_EQ(both, v < 0 ? 0 : (v > 255 ? 255 : v));
        Pixel g;
        ASSERT_EQ(c->GreyscalePix(v, &g), S_OK);
        EXPECT_TRUE(Same(g, P(v, v, v)));
        for (short w : kGrid) {
            short mx = 0, mn = 0;
            ASSERT_EQ(c->MaxB(v, w, &mx), S_OK);
            ASSERT_EQ(c->MinB(v, w, &mn), S_OK);
            EXPECT_EQ(mx, std::max(v, w));
            EXPECT_EQ(mn, std::min(v, w));
            Pixel p = P(v, w, v);
            // Double precision for every product and sum (no extended intermediates).
            volatile double red = p.red * 0.222, green = p.green * 0.707, blue = p.blue * 0.071;
            volatile double sum = red + green;
            sum = sum + blue;
            Maybe expected = RoundFit(static_cast<double>(sum));
            HRESULT hr = c->GetGreyPix(&p, &grey);
            if (expected) {
                ASSERT_EQ(hr, S_OK) << v << "," << w;
                EXPECT_EQ(grey, *expected) << v << "," << w;
            } else {
                EXPECT_EQ(hr, kOverflow) << v << "," << w;
            }
            VARIANT_BOOL same;
            Pixel a = P(v, w, 1, 5), b = P(v, w, 1, 9);
            ASSERT_EQ(c->SameCol(&a, &b, &same), S_OK);
            EXPECT_EQ(same, VARIANT_TRUE);  // Trans is ignored
            b.blue = 2;
            ASSERT_EQ(c->SameCol(&a, &b, &same), S_OK);
            EXPECT_EQ(same, VARIANT_FALSE);
        }
    }
}

TEST(clzBriCon, RoundingHalvesGoToEven) {
    auto c = NewBriCon();
    ASSERT_TRUE(c);
    short v = 0;
    const struct { short a, b; float pos; short expected; } cases[] = {
        {0, 5, 0.5f, 2}, {0, 7, 0.5f, 4}, {0, -5, 0.5f, -2}, {0, -7, 0.5f, -4}, {3, 4, 0.5f, 4}, {0, 1, 0.25f, 0},
        {0, 3, 0.5f, 2}, {32766, 32767, 0.5f, 32766},
    };
    for (auto& t : cases) {
        ASSERT_EQ(c->LinearB(t.a, t.b, t.pos, &v), S_OK);
        EXPECT_EQ(v, t.expected) << t.a << " " << t.b << " " << t.pos;
    }
    // 32767.5 rounds to 32768, which does not fit; -32768.5 rounds to -32768, which does.
    EXPECT_EQ(c->LinearB(32766, 32767, 1.5f, &v), kOverflow);
    ASSERT_EQ(c->LinearB(-32767, -32768, 1.5f, &v), S_OK);
    EXPECT_EQ(v, -32768);
}

TEST(clzBriCon, LightenDarkenAndEveryBlendMatchTheReferenceOnAGrid) {
    auto c = NewBriCon();
    ASSERT_TRUE(c);
    auto blends = Blends();
    int checked = 0;
    for (short a : kGrid)
        for (short b : kGrid) {
            // Different pairings per channel catch a channel mixed up with another.
            Pixel A = P(a, b, a, 3), B = P(b, a, static_cast<short>(b / 2), 4);
            for (const BlendCase& blend : blends) {
                Pixel r = P(9, 9, 9, 9);
                HRESULT hr = (c.get()->*blend.plain)(&A, &B, &r);
                auto expected = PerChannel(A, B, blend.rule);
                if (expected) {
                    ASSERT_EQ(hr, S_OK) << blend.name << " " << a << "," << b;
                    EXPECT_TRUE(Same(r, *expected)) << blend.name << " " << a << "," << b << " " << Show(r);
                } else {
                    EXPECT_EQ(hr, kOverflow) << blend.name << " " << a << "," << b;
                }
                for (float amt : kAmounts) {
                    HRESULT hw = (c.get()->*blend.weighted)(&A, &B, amt, &r);
                    std::optional<Pixel> mixed;
                    if (expected)
                        mixed = PerChannel(*expected, B, [amt](long x, long y) { return Lin(x, y, amt); });
                    if (mixed) {
                        ASSERT_EQ(hw, S_OK) << "Trans" << blend.name << " " << a << "," << b << " " << amt;
                        EXPECT_TRUE(Same(r, *mixed)) << "Trans" << blend.name << " " << a << "," << b << " " << amt;
                    } else {
                        EXPECT_EQ(hw, kOverflow) << "Trans" << blend.name << " " << a << "," << b << " " << amt;
                    }
                    ++checked;
                }
            }
            for (float amt : kAmounts) {
                Pixel r;
                HRESULT hr = c->TransPix(&A, &B, amt, &r);
                auto expected = PerChannel(A, B, [amt](long x, long y) { return Lin(x, y, amt); });
                if (expected) {
                    ASSERT_EQ(hr, S_OK);
                    EXPECT_TRUE(Same(r, *expected)) << "TransPix " << a << "," << b << " " << amt;
                } else {
                    EXPECT_EQ(hr, kOverflow);
                }
            }
            Pixel r;
            auto lighter = PerChannel(A, A, [b](long x, long) { Maybe s = Fit(x + b); return s ? Maybe(High(*s)) : s; });
            HRESULT hl = c->LightenPix(&A, b, &r);
            if (lighter) {
                ASSERT_EQ(hl, S_OK);
                EXPECT_TRUE(Same(r, *lighter)) << "Lighten " << a << "," << b;
            } else {
                EXPECT_EQ(hl, kOverflow);
            }
            auto darker = PerChannel(A, A, [b](long x, long) { Maybe s = Fit(x - b); return s ? Maybe(Low(*s)) : s; });
            HRESULT hd = c->DarkenPix(&A, b, &r);
            if (darker) {
                ASSERT_EQ(hd, S_OK);
                EXPECT_TRUE(Same(r, *darker)) << "Darken " << a << "," << b;
            } else {
                EXPECT_EQ(hd, kOverflow);
            }
            // Inputs are passed by reference but stay as they were.
            EXPECT_TRUE(Same(A, P(a, b, a, 3)));
        }
    EXPECT_GT(checked, 10000);
}

TEST(clzBriCon, WeightedBlendsAtTheEnds) {
    auto c = NewBriCon();
    ASSERT_TRUE(c);
    Pixel a = P(200, 30, 90, 5), b = P(100, 60, 250, 6), blend, weighted;
    ASSERT_EQ(c->BlendAdd(&a, &b, &blend), S_OK);
    ASSERT_EQ(c->TransAddPix(&a, &b, 0.0f, &weighted), S_OK);
    EXPECT_TRUE(Same(blend, weighted));
    ASSERT_EQ(c->TransAddPix(&a, &b, 1.0f, &weighted), S_OK);
    EXPECT_TRUE(Same(weighted, P(100, 60, 250, 0))) << Show(weighted);
}

TEST(clzBriCon, ContrastWritesIntoTheCallersPixel) {
    auto c = NewBriCon();
    ASSERT_TRUE(c);
    Pixel p = P(128, 127, 255, 42), r;
    ASSERT_EQ(c->Contrast(&p, 10, &r), S_OK);
    EXPECT_TRUE(Same(r, P(118, 137, 245, 42))) << Show(r);
    EXPECT_TRUE(Same(p, r));
    p = P(250, 5, 128, 1);
    ASSERT_EQ(c->Contrast(&p, -10, &r), S_OK);  // more contrast, clamped at the ends
    EXPECT_TRUE(Same(p, P(255, 0, 138, 1))) << Show(p);
    // Red, then blue, then green: an overflow in blue leaves red changed and green as it was.
    p = P(100, 50, -32768 + 5, 0);
    EXPECT_EQ(c->Contrast(&p, -10, &r), kOverflow);
    EXPECT_EQ(p.red, 90);
    EXPECT_EQ(p.green, 50);
}

// --- records through IDispatch ---------------------------------------------------------------

namespace {
ComPtr<IRecordInfo> PixelRecordInfo(IDispatch* object) {
    ComPtr<ITypeInfo> info, pixel;
    ComPtr<ITypeLib> lib;
    ComPtr<IRecordInfo> record;
    UINT index = 0;
    if (SUCCEEDED(object->GetTypeInfo(0, 0, info.put())) && SUCCEEDED(info->GetContainingTypeLib(lib.put(), &index)) &&
        SUCCEEDED(lib->GetTypeInfoOfGuid(kPixelGuid, pixel.put())))
        GetRecordInfoFromTypeInfo(pixel.get(), record.put());
    return record;
}

// A VT_RECORD argument over the caller's own Pixel (not owned: never cleared).
VARIANT RecordArg(Pixel& p, IRecordInfo* info) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_RECORD;
    V_RECORD(&v) = &p;
    V_RECORDINFO(&v) = info;
    return v;
}

VARIANT I2(short n) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I2;
    V_I2(&v) = n;
    return v;
}

Pixel RecordOf(const CallResult& r) {
    EXPECT_EQ(r.value.type(), VT_RECORD);
    if (r.value.type() != VT_RECORD || !V_RECORD(r.value.get())) return P(-999, -999, -999, -999);
    return *static_cast<Pixel*>(V_RECORD(r.value.get()));
}
}  // namespace

TEST(clzBriCon, RecordsTravelThroughIDispatch) {
    auto c = NewBriCon();
    ASSERT_TRUE(c);
    IDispatch* d = c.get();
    ComPtr<IRecordInfo> info = PixelRecordInfo(d);
    ASSERT_TRUE(info);

    CallResult made = Call(d, L"NewPixel", {I2(1), I2(2), I2(3)});
    ASSERT_EQ(made.hr, S_OK);
    EXPECT_TRUE(Same(RecordOf(made), P(1, 2, 3)));

    Pixel a = P(200, 100, 0), b = P(100, 200, 255);
    CallResult added = Call(d, L"BlendAdd", {RecordArg(a, info.get()), RecordArg(b, info.get())});
    ASSERT_EQ(added.hr, S_OK);
    EXPECT_TRUE(Same(RecordOf(added), P(255, 255, 255)));

    CallResult packed = Call(d, L"PixToLong", {RecordArg(a, info.get())});
    ASSERT_EQ(packed.hr, S_OK);
    EXPECT_EQ(V_I4(packed.value.get()), 200 + 100 * 256);

    Pixel p = P(128, 127, 3, 8);
    CallResult contrast = Call(d, L"Contrast", {RecordArg(p, info.get()), I2(10)});
    ASSERT_EQ(contrast.hr, S_OK);
    EXPECT_TRUE(Same(RecordOf(contrast), P(118, 137, 13, 8)));
    EXPECT_TRUE(Same(p, P(118, 137, 13, 8))) << Show(p);  // the caller's record changed

    Pixel big = P(32767, 0, 0);
    CallResult overflow = Call(d, L"LightenPix", {RecordArg(big, info.get()), I2(1)});
    EXPECT_EQ(overflow.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(overflow.number, 6);

    VARIANT pos;
    VariantInit(&pos);
    V_VT(&pos) = VT_R4;
    V_R4(&pos) = 0.5f;
    CallResult lin = Call(d, L"LinearB", {I2(1), I2(2), pos});
    ASSERT_EQ(lin.hr, S_OK);
    EXPECT_EQ(V_I2(lin.value.get()), 2);
}

// --- the properties sheet ----------------------------------------------------------------------

namespace {
struct SeenRequest {
    int calls = 0;
    SHELLEXECUTEINFOW info = {};
    std::wstring verb, file, parameters, directory;
    bool classIsNull = false;
    HANDLE processHandedOut = nullptr;
} g_seen;

BOOL WINAPI FakeShellExecuteEx(SHELLEXECUTEINFOW* info) {
    ++g_seen.calls;
    g_seen.info = *info;
    g_seen.verb = info->lpVerb ? info->lpVerb : L"<null>";
    g_seen.file = info->lpFile ? info->lpFile : L"<null>";
    g_seen.parameters = info->lpParameters ? info->lpParameters : L"<null>";
    g_seen.directory = info->lpDirectory ? info->lpDirectory : L"<null>";
    g_seen.classIsNull = info->lpClass == nullptr;
    // Hand back a process handle, as the shell may when asked to keep it.
    g_seen.processHandedOut = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    info->hProcess = g_seen.processHandedOut;
    return TRUE;
}
}  // namespace

TEST(clzBriCon, ShowPropsAsksTheShellForThePropertiesSheet) {
    PlatformOverride platform;
    ASSERT_TRUE(platform.found());
    platform.calls().shellExecuteExW = &FakeShellExecuteEx;
    auto c = CreateLinked<_clzBriCon>(CLSID_clzBriCon, IID__clzBriCon);
    ASSERT_TRUE(c);
    g_seen = SeenRequest();
    Bstr name(L"C:\\windows\\win.ini");
    ASSERT_EQ(c->ShowProps(name.get(), 0x1234), S_OK);
    ASSERT_EQ(g_seen.calls, 1);
    EXPECT_EQ(g_seen.info.cbSize, sizeof(void*) == 8 ? 112u : 60u);  // the platform's record
    EXPECT_EQ(g_seen.info.fMask, 0x44Cu);
    EXPECT_EQ(g_seen.info.hwnd, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(g_seen.verb, L"Properties");
    EXPECT_EQ(g_seen.file, L"C:\\windows\\win.ini");
    EXPECT_EQ(g_seen.parameters, L"");
    EXPECT_EQ(g_seen.directory, L"");
    EXPECT_TRUE(g_seen.classIsNull);
    EXPECT_EQ(g_seen.info.nShow, 0);
    EXPECT_EQ(g_seen.info.lpIDList, nullptr);
    EXPECT_EQ(g_seen.info.hkeyClass, nullptr);
    EXPECT_EQ(g_seen.info.dwHotKey, 0u);
    // The process handle the shell handed back has been closed.
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(g_seen.processHandedOut, &flags));

    // Null text stays a null pointer.
    g_seen = SeenRequest();
    ASSERT_EQ(c->ShowProps(nullptr, 0), S_OK);
    EXPECT_EQ(g_seen.file, L"<null>");

    // A name the code page lacks reaches the shell as it is, never as its look-alike.
    g_seen = SeenRequest();
    Bstr unicode(L"C:\\\x03A9mega \x4E2D\x6587 \xD83D\xDE00.txt");
    ASSERT_EQ(c->ShowProps(unicode.get(), 0), S_OK);
    EXPECT_EQ(g_seen.file, L"C:\\\x03A9mega \x4E2D\x6587 \xD83D\xDE00.txt");

    // Through IDispatch, as a host calls it.
    g_seen = SeenRequest();
    Variant owner = Variant::Long(77);
    EXPECT_EQ(Call(c.get(), L"ShowProps", {Val(Variant::Text(L"a.txt")), Val(owner)}).hr, S_OK);
    EXPECT_EQ(g_seen.calls, 1);
    EXPECT_EQ(g_seen.file, L"a.txt");
    EXPECT_EQ(g_seen.info.hwnd, reinterpret_cast<HWND>(77));
}

// --- the brightness pass -----------------------------------------------------------------------

namespace {
// A picture box over a surface: ScaleWidth/ScaleHeight in its own units, hDC, and a Refresh that
// counts and may run an action (a host repainting its picture).
ComPtr<FakeHostObject> PictureBox(HDC dc, double scaleWidth, double scaleHeight, int* refreshes,
                                  std::function<void(int)> onRefresh = nullptr) {
    auto box = FakeHostObject::Make();
    box->SetProperty(L"ScaleWidth", Variant::Double(scaleWidth));
    box->SetProperty(L"ScaleHeight", Variant::Double(scaleHeight));
    box->SetProperty(L"hDC", Variant::Long(static_cast<LONG>(reinterpret_cast<LONG_PTR>(dc))));
    box->SetMethod(L"Refresh", [refreshes, onRefresh](std::vector<VARIANT*>&, VARIANT*) {
        ++*refreshes;
        if (onRefresh) onRefresh(*refreshes);
        return S_OK;
    });
    return box;
}

struct BrightCase {
    int width, height;
    double scaleWidth, scaleHeight;
    short amount;
};

// Runs the library and the reference on two copies of one picture; both must end alike, with the
// same host conversation.
void ExpectSameAsReference(const BrightCase& t, int bits = 32, bool repaintOnRefresh = false) {
    auto c = NewBriCon();
    ASSERT_TRUE(c);
    DibSurface mine(t.width, t.height, bits), reference(t.width, t.height, bits);
    mine.Fill(7);
    reference.Fill(7);
    int myRefreshes = 0, theirRefreshes = 0;
    // A host that repaints part of its picture on the third Refresh.
    auto repaint = [](DibSurface& s) -> std::function<void(int)> {
        return [&s](int n) {
            if (n == 3) PatBlt(s.dc(), 0, 0, s.width() / 2, s.height() / 2, WHITENESS);
        };
    };
    auto myBox = PictureBox(mine.dc(), t.scaleWidth, t.scaleHeight, &myRefreshes,
                            repaintOnRefresh ? repaint(mine) : std::function<void(int)>());
    auto theirBox = PictureBox(reference.dc(), t.scaleWidth, t.scaleHeight, &theirRefreshes,
                               repaintOnRefresh ? repaint(reference) : std::function<void(int)>());
    ASSERT_EQ(c->Bright(t.amount, myBox.get()), S_OK);
    BrightByPixels(t.amount, theirBox.get());
    EXPECT_EQ(myRefreshes, theirRefreshes);
    EXPECT_TRUE(mine.Bytes() == reference.Bytes())
        << t.width << "x" << t.height << " scale " << t.scaleWidth << "x" << t.scaleHeight << " amount " << t.amount
        << " bits " << bits;
    // The host saw ScaleWidth once, then per column ScaleHeight, with Refresh in the same places.
    auto filtered = [](const std::vector<std::wstring>& log) {
        std::vector<std::wstring> out;
        for (auto& e : log)
            if (e != L"get hDC") out.push_back(e);
        return out;
    };
    EXPECT_TRUE(filtered(myBox->Log()) == filtered(theirBox->Log()));
}
}  // namespace

TEST(clzBriCon, BrightMatchesThePixelByPixelPassInPixelScale) {
    ExpectSameAsReference({64, 48, 64, 48, 40});
    ExpectSameAsReference({64, 48, 64, 48, -75});
    ExpectSameAsReference({33, 21, 33, 21, 0});
    ExpectSameAsReference({25, 12, 25, 12, 300});    // everything to 255
    ExpectSameAsReference({25, 12, 25, 12, 32767});  // blue clamps like red and green
    ExpectSameAsReference({25, 12, 25, 12, -32768});
    ExpectSameAsReference({40, 30, 20, 10.5, 60});   // part of the picture; 10.5 rounds to 10
    ExpectSameAsReference({40, 30, 19.5, 11.5, 60}); // 11.5 rounds to 12
}

TEST(clzBriCon, BrightMatchesThePixelByPixelPassInOtherScales) {
    // Twips: the loop runs far past the surface, which is changed only where it exists.
    ExpectSameAsReference({24, 16, 24 * 15, 16 * 15, 50});
    // A scale smaller than pixels covers only the top-left corner.
    ExpectSameAsReference({24, 16, 2.4, 1.6, -50});
    // Nothing at all: no columns, one Refresh.
    ExpectSameAsReference({8, 8, -1, 8, 50});
}

TEST(clzBriCon, BrightMatchesOnOtherSurfacesAndWithARepaintingHost) {
    ExpectSameAsReference({40, 20, 40, 20, 45}, 24);
    ExpectSameAsReference({40, 20, 40, 20, 45}, 16);
    ExpectSameAsReference({40, 20, 40, 20, -45}, 8);
    ExpectSameAsReference({64, 20, 64, 20, 45}, 32, true);
}

TEST(clzBriCon, BrightCallsRefreshAfterEveryTenthColumnAndAtTheEnd) {
    auto c = NewBriCon();
    ASSERT_TRUE(c);
    DibSurface s(30, 4);
    int refreshes = 0;
    auto box = PictureBox(s.dc(), 25, 3, &refreshes);
    ASSERT_EQ(c->Bright(10, box.get()), S_OK);
    // Columns 0..25: Refresh after 0, 10, 20, then once more.
    EXPECT_EQ(refreshes, 4);
    std::vector<std::wstring> expected{L"get ScaleWidth"};
    for (int x = 0; x <= 25; ++x) {
        expected.push_back(L"get ScaleHeight");
        if (x % 10 == 0) expected.push_back(L"call Refresh()");
    }
    expected.push_back(L"call Refresh()");
    std::vector<std::wstring> seen;
    for (auto& e : box->Log())
        if (e != L"get hDC") seen.push_back(e);
    EXPECT_TRUE(seen == expected);

    refreshes = 0;
    box = PictureBox(s.dc(), 30, 3, &refreshes);  // x = 30 is a tenth column and the last
    ASSERT_EQ(c->Bright(10, box.get()), S_OK);
    EXPECT_EQ(refreshes, 5);
}

TEST(clzBriCon, BrightSkipsWhatFailsAndRaisesNothing) {
    auto c = NewBriCon();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->Bright(10, nullptr), S_OK);
    // A picture object without hDC: nothing drawn, Refresh still called.
    int refreshes = 0;
    auto box = FakeHostObject::Make();
    box->SetProperty(L"ScaleWidth", Variant::Long(12));
    box->SetProperty(L"ScaleHeight", Variant::Long(5));
    box->SetMethod(L"Refresh", [&](std::vector<VARIANT*>&, VARIANT*) { ++refreshes; return S_OK; });
    EXPECT_EQ(c->Bright(10, box.get()), S_OK);
    EXPECT_EQ(refreshes, 3);
    // A Refresh that fails does not stop the pass.
    DibSurface s(12, 5), r(12, 5);
    s.Fill(3);
    r.Fill(3);
    auto failing = FakeHostObject::Make();
    failing->SetProperty(L"ScaleWidth", Variant::Long(12));
    failing->SetProperty(L"ScaleHeight", Variant::Long(5));
    failing->SetProperty(L"hDC", Variant::Long(static_cast<LONG>(reinterpret_cast<LONG_PTR>(s.dc()))));
    EXPECT_EQ(c->Bright(-20, failing.get()), S_OK);  // no Refresh member at all
    int ignored = 0;
    BrightByPixels(-20, PictureBox(r.dc(), 12, 5, &ignored).get());
    EXPECT_TRUE(s.Bytes() == r.Bytes());
    // ScaleHeight that does not fit in 16 bits: those columns are skipped.
    auto tall = FakeHostObject::Make();
    DibSurface t(4, 4), u(4, 4);
    t.Fill(1);
    u.Fill(1);
    tall->SetProperty(L"ScaleWidth", Variant::Long(3));
    tall->SetProperty(L"ScaleHeight", Variant::Long(40000));
    tall->SetProperty(L"hDC", Variant::Long(static_cast<LONG>(reinterpret_cast<LONG_PTR>(t.dc()))));
    EXPECT_EQ(c->Bright(50, tall.get()), S_OK);
    EXPECT_TRUE(t.Bytes() == u.Bytes());
}

namespace {
HWND PlainWindow(int width, int height) {
    static ATOM atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "WxBrightTestWindow";
        return RegisterClassA(&wc);
    }();
    (void)atom;
    return CreateWindowExA(0, "WxBrightTestWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}
}  // namespace

TEST(clzBriCon, BrightMatchesOnAWindowsOwnDeviceContext) {
    auto c = NewBriCon();
    ASSERT_TRUE(c);
    const int w = 48, h = 36;
    HWND mineWnd = PlainWindow(w, h), theirWnd = PlainWindow(w, h);
    ASSERT_TRUE(mineWnd && theirWnd);
    HDC mine = GetDC(mineWnd), theirs = GetDC(theirWnd);
    DibSurface picture(w, h);
    picture.Fill(5);
    BitBlt(mine, 0, 0, w, h, picture.dc(), 0, 0, SRCCOPY);
    BitBlt(theirs, 0, 0, w, h, picture.dc(), 0, 0, SRCCOPY);
    int a = 0, b = 0;
    ASSERT_EQ(c->Bright(-60, PictureBox(mine, w, h, &a).get()), S_OK);
    BrightByPixels(-60, PictureBox(theirs, w, h, &b).get());
    int differences = 0, changed = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            differences += GetPixel(mine, x, y) != GetPixel(theirs, x, y);
            changed += GetPixel(mine, x, y) != GetPixel(picture.dc(), x, y);
        }
    EXPECT_EQ(differences, 0);
    EXPECT_GT(changed, w * h / 2);
    ReleaseDC(mineWnd, mine);
    ReleaseDC(theirWnd, theirs);
    DestroyWindow(mineWnd);
    DestroyWindow(theirWnd);
}
