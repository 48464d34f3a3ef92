// Real-valued results whatever the caller's floating-point state: the pixel arithmetic and form
// scaling, called with the caller's x87 unit at 24, 53 and 64 bits in each rounding mode (and with
// exceptions unmasked), through the function table and IDispatch, give the results a caller in
// the default state gets, and the caller's state comes back as it was. (The table printer's
// check lives with its own tests.)
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
        short table[4] = {}, dispatched[4] = {}, grey = 0, fromDouble = 0;
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
            // A Double for the Single parameter: the dispatch base's conversion rounds it.
            auto d = Call(late.get(), L"LinearB", {Val(Integer(0)), Val(Integer(10000)), Val(Variant::Double(0.00015))});
            failures |= d.hr;
            if (V_VT(d.value.get()) == VT_I2) fromDouble = V_I2(d.value.get());
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
        EXPECT_EQ(fromDouble, 2);  // 0.00015 rounds up to the nearest Single: 1.5000001
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

TEST(FloatingPoint, FormScalingIsTheSameWhateverTheCallersState) {
    auto resolu = Create<_clsResolu>(CLSID_clsResolu, IID__clsResolu);
    ASSERT_TRUE(resolu);
    // Factors that are not exact in single precision: the products' last bits follow the rounding.
    auto scaledControl = [&] {
        auto control = MakeControl({1000, 333, 77, 1});
        auto form = MakeForm({0, 0, 8000, 6000}, {ComPtr<IDispatch>(control.get())});
        IDispatch* f = form.get();
        EXPECT_EQ(resolu->Resize_For_Resolution(1.28f, 0.3f, &f), S_OK);
        return control;
    };
    Placement expected = PlacementOf(scaledControl().get());
    for (const FloatingPointState& state : EveryCallerState()) {
        SCOPED_TRACE(Describe(state));
        ComPtr<FakeHostObject> control;
        FloatingPointState after = UnderCallerState(state, [&] { control = scaledControl(); });
        Placement got = PlacementOf(control.get());
        EXPECT_EQ(got.left, expected.left);
        EXPECT_EQ(got.top, expected.top);
        EXPECT_EQ(got.width, expected.width);
        EXPECT_EQ(got.height, expected.height);
        // The host doubles format numbers for their logs: the flags that raises are theirs.
        EXPECT_TRUE(SameControls(after, state)) << "afterwards: " << Describe(after);
    }
}
