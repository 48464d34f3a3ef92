// Real-valued results whatever the caller's floating-point state: every member that computes with
// reals, called with the caller's x87 unit at 24, 53 and 64 bits in each rounding mode (and with
// exceptions unmasked), through the function table and IDispatch, gives the results it gives a
// caller in the default state, and hands the caller's state back as it found it.
#include "frame/Interfaces.h"
#include "support/CallerFloatingPoint.h"
#include "support/HostFormDouble.h"
#include "support/Library.h"
#include <gtest/gtest.h>

using namespace wxtest;

namespace {

Pixel P(short red, short green, short blue) {
    Pixel p;
    p.red = red;
    p.green = green;
    p.blue = blue;
    p.Trans = 0;
    return p;
}

Variant Integer(short v) {
    Variant x;
    V_VT(x.get()) = VT_I2;
    V_I2(x.get()) = v;
    return x;
}

Variant Single(float v) {
    Variant x;
    V_VT(x.get()) = VT_R4;
    V_R4(x.get()) = v;
    return x;
}

// Sums whose exact value lies a hair from a half: a sum cut to 53 bits rounds the other way.
struct LinearCase {
    short a, b;
    float pos;
    short expected;
};
const LinearCase kNearHalves[] = {
    {-26939, 30398, 8.72037253e-06f, -26939},  // exactly -26938.5000000000009
    {26993, -30344, 8.72037253e-06f, 26993},
    {-31906, 31821, 7.84596796e-06f, -31905},
    {1, 2, 0.5f, 2},  // a true half goes to the even neighbour
};

}  // namespace

TEST(FloatingPoint, PixelArithmeticIsTheSameWhateverTheCallersState) {
    auto bricon = Create<_clzBriCon>(CLSID_clzBriCon, IID__clzBriCon);
    auto late = Create<IDispatch>(CLSID_clzBriCon, IID_IDispatch);
    ASSERT_TRUE(bricon && late);
    for (const FloatingPointState& state : EveryCallerState()) {
        SCOPED_TRACE(Describe(state));
        short table[4] = {}, dispatched[4] = {}, grey = 0;
        Pixel mixed = {}, excluded = {};
        HRESULT failures = S_OK;
        FloatingPointState after = UnderCallerState(state, [&] {
            for (int i = 0; i < 4; ++i) {
                const LinearCase& c = kNearHalves[i];
                failures |= bricon->LinearB(c.a, c.b, c.pos, &table[i]);
                auto r = Call(late.get(), L"LinearB", {Val(Integer(c.a)), Val(Integer(c.b)), Val(Single(c.pos))});
                failures |= r.hr;
                if (V_VT(r.value.get()) == VT_I2) dispatched[i] = V_I2(r.value.get());
            }
            Pixel a = P(-26939, 26993, 100), b = P(30398, -30344, 200);
            failures |= bricon->TransPix(&a, &b, 8.72037253e-06f, &mixed);
            // 144 x 0.707 + 52 x 0.071 is a hair below 105.5 in double precision.
            Pixel g = P(0, 144, 52);
            failures |= bricon->GetGreyPix(&g, &grey);
            Pixel x = P(10, 20, 30), y = P(255, 128, 0);
            failures |= bricon->TransExclPix(&x, &y, 0.25f, &excluded);
        });
        ASSERT_EQ(failures, S_OK);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(table[i], kNearHalves[i].expected) << "function table, case " << i;
            EXPECT_EQ(dispatched[i], kNearHalves[i].expected) << "IDispatch, case " << i;
        }
        EXPECT_EQ(mixed.red, -26939);
        EXPECT_EQ(mixed.green, 26993);
        EXPECT_EQ(mixed.blue, 100);
        EXPECT_EQ(grey, 105);
        // Exclusion (-11, -1, 30) mixed a quarter toward B: 55.5, 31.25 and 22.5, halves to even.
        EXPECT_EQ(excluded.red, 56);
        EXPECT_EQ(excluded.green, 31);
        EXPECT_EQ(excluded.blue, 22);
        EXPECT_EQ(after, state) << "afterwards: " << Describe(after);
    }
}

TEST(FloatingPoint, ScalingCaptureAndRandomNumbersHandTheStateBack) {
    auto resolu = Create<_clsResolu>(CLSID_clsResolu, IID__clsResolu);
    auto capture = Create<_clsCapture>(CLSID_clsCapture, IID__clsCapture);
    auto files = Create<_clsDrvInfo2>(CLSID_clsDrvInfo2, IID__clsDrvInfo2);
    ASSERT_TRUE(resolu && capture && files);
    // A factor that is not exact in single precision: the products' last bits follow the rounding.
    auto scaled = [&](IDispatch** form) { return resolu->Resize_For_Resolution(1.28f, 0.3f, form); };
    auto control = MakeControl({1000, 333, 77, 1});
    auto form = MakeForm({0, 0, 8000, 6000}, {ComPtr<IDispatch>(control.get())});
    IDispatch* f = form.get();
    ASSERT_EQ(scaled(&f), S_OK);
    Placement expected = PlacementOf(control.get());
    ComPtr<IPictureDisp> screen;
    ASSERT_EQ(capture->CaptureScreen(screen.put()), S_OK);
    OLE_XSIZE_HIMETRIC screenWidth = 0;
    screen.as<IPicture>(IID_IPicture)->get_Width(&screenWidth);

    for (const FloatingPointState& state : EveryCallerState()) {
        SCOPED_TRACE(Describe(state));
        auto c = MakeControl({1000, 333, 77, 1});
        auto fm = MakeForm({0, 0, 8000, 6000}, {ComPtr<IDispatch>(c.get())});
        IDispatch* formArg = fm.get();
        HRESULT failures = S_OK;
        ComPtr<IPictureDisp> picture;
        float low = 5, high = 5, random = 0;
        FloatingPointState after = UnderCallerState(state, [&] {
            failures |= scaled(&formArg);
            failures |= capture->CaptureScreen(picture.put());
            failures |= files->Rnd2(&low, &high, &random);
        });
        ASSERT_EQ(failures, S_OK);
        Placement got = PlacementOf(c.get());
        EXPECT_EQ(got.left, expected.left);
        EXPECT_EQ(got.top, expected.top);
        EXPECT_EQ(got.width, expected.width);
        EXPECT_EQ(got.height, expected.height);
        OLE_XSIZE_HIMETRIC width = 0;
        picture.as<IPicture>(IID_IPicture)->get_Width(&width);
        EXPECT_EQ(width, screenWidth);
        EXPECT_EQ(random, 5.0f);
        // The host doubles format numbers for their logs: the flags that raises are theirs.
        EXPECT_TRUE(SameControls(after, state)) << "afterwards: " << Describe(after);
    }
}
