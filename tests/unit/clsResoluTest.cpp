// Form scaling on host form and control doubles: products go back unrounded, the two
// height-keeping control kinds keep their height, a control without a member stops the pass, and
// AdjustForm/FormResize keep the size the next resize compares with.
#include "frame/Interfaces.h"
#include "support/HostFormDouble.h"
#include "support/Library.h"
#include <gtest/gtest.h>
#include <cmath>

using namespace wxtest;

namespace {

const IID kHeightKeepingA = {0x33AD4F09, 0x6699, 0x11CF, {0xB7, 0x0C, 0x00, 0xAA, 0x00, 0x60, 0xD3, 0x93}};
const IID kHeightKeepingB = {0x33AD4EE1, 0x6699, 0x11CF, {0xB7, 0x0C, 0x00, 0xAA, 0x00, 0x60, 0xD3, 0x93}};

ComPtr<_clsResolu> NewResolu() { return Create<_clsResolu>(CLSID_clsResolu, IID__clsResolu); }

ComPtr<IDispatch> AsDispatch(FakeHostObject* object) { return ComPtr<IDispatch>(object); }

void ExpectPlacement(FakeHostObject* object, Placement expected, const char* what) {
    Placement got = PlacementOf(object);
    EXPECT_NEAR(got.left, expected.left, 1e-3) << what;
    EXPECT_NEAR(got.top, expected.top, 1e-3) << what;
    EXPECT_NEAR(got.width, expected.width, 1e-3) << what;
    EXPECT_NEAR(got.height, expected.height, 1e-3) << what;
}

bool Logged(FakeHostObject* object, const std::wstring& entry) {
    for (const auto& e : object->Log())
        if (e == entry) return true;
    return false;
}

// A form with a plain control, one of each height-keeping kind, and a second plain control.
struct TestForm {
    ComPtr<FakeHostObject> plain = MakeControl({100, 200, 300, 400});
    ComPtr<FakeHostObject> keepA = MakeControl({10, 20, 30, 40});
    ComPtr<FakeHostObject> keepB = MakeControl({50, 60, 70, 80});
    ComPtr<FakeHostObject> last = MakeControl({1, 2, 3, 4});
    ComPtr<FakeHostObject> form;
    TestForm(bool lastHasMove = true) {
        if (!lastHasMove) last = MakeControl({1, 2, 3, 4}, false);
        form = MakeForm({1000, 2000, 8000, 6000},
                        {AsDispatch(plain.get()), WithInterface(keepA.get(), kHeightKeepingA),
                         WithInterface(keepB.get(), kHeightKeepingB), AsDispatch(last.get())});
    }
};

}  // namespace

TEST(clsResolu, ResizeScalesControlsAndKeepsTheHeightOfTheTwoKinds) {
    TestForm t;
    auto resolu = NewResolu();
    IDispatch* form = t.form.get();
    ASSERT_EQ(resolu->Resize_For_Resolution(2.0f, 0.5f, &form), S_OK);
    EXPECT_EQ(form, t.form.get());
    ExpectPlacement(t.plain.get(), {200, 100, 600, 200}, "plain");
    ExpectPlacement(t.keepA.get(), {20, 10, 60, 40}, "height-keeping A");
    ExpectPlacement(t.keepB.get(), {100, 30, 140, 80}, "height-keeping B");
    ExpectPlacement(t.last.get(), {2, 1, 6, 2}, "last");
    EXPECT_TRUE(Logged(t.plain.get(), L"call Move(200,100,600,200)"));
    EXPECT_FALSE(Logged(t.keepA.get(), L"call Move(20,10,60,40)"));
    EXPECT_TRUE(Logged(t.keepA.get(), L"let Width=60"));
    ExpectPlacement(t.form.get(), {1000, 2000, 8000, 6000}, "form stays without RePosForm");
    EXPECT_FALSE(Logged(t.form.get(), L"call Move(2000,1000,16000,3000)"));

    // With RePosForm the form moves too.
    resolu->put_RePosForm(VARIANT_TRUE);
    ASSERT_EQ(resolu->Resize_For_Resolution(0.5f, 2.0f, &form), S_OK);
    ExpectPlacement(t.form.get(), {500, 4000, 4000, 12000}, "form");
    ExpectPlacement(t.plain.get(), {100, 200, 300, 400}, "plain back");
}

TEST(clsResolu, ProductsGoBackUnroundedInTheRuntimesResultType) {
    auto control = MakeControl({0, 0, 0, 0});
    control->SetProperty(L"Left", Variant::Long(3));        // a Long times a Single is a Double
    control->SetProperty(L"Top", Variant::Double(2.5));
    auto form = MakeForm({0, 0, 0, 0}, {AsDispatch(control.get())});
    auto resolu = NewResolu();
    ComPtr<IDispatch> dispatch = resolu.as<IDispatch>(IID_IDispatch);
    Variant formVar = Variant::Object(form.get());
    CallResult r = Call(dispatch.get(), L"Resize_For_Resolution",
                        {Val(Variant::Double(0.5)), Val(Variant::Double(0.3)), Ref(formVar)});
    ASSERT_EQ(r.hr, S_OK);
    Variant left = control->Property(L"Left"), top = control->Property(L"Top");
    EXPECT_EQ(left.type(), VT_R8);
    EXPECT_DOUBLE_EQ(V_R8(left.get()), 1.5);
    EXPECT_EQ(top.type(), VT_R8);
    EXPECT_DOUBLE_EQ(V_R8(top.get()), 2.5 * static_cast<double>(0.3f));
}

TEST(clsResolu, AControlWithoutMoveStopsThePassWithTheHostsError) {
    TestForm t(false);
    auto resolu = NewResolu();
    resolu->put_RePosForm(VARIANT_TRUE);
    ComPtr<IDispatch> dispatch = resolu.as<IDispatch>(IID_IDispatch);
    // Put the control without Move in the middle: the ones before it are scaled, the rest not.
    auto after = MakeControl({5, 5, 5, 5});
    auto form = MakeForm({1000, 2000, 8000, 6000},
                         {AsDispatch(t.plain.get()), AsDispatch(t.last.get()), AsDispatch(after.get())});
    Variant formVar = Variant::Object(form.get());
    CallResult r = Call(dispatch.get(), L"Resize_For_Resolution",
                        {Val(Variant::Double(2)), Val(Variant::Double(2)), Ref(formVar)});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.number, 438);
    ExpectPlacement(t.plain.get(), {200, 400, 600, 800}, "before");
    ExpectPlacement(t.last.get(), {1, 2, 3, 4}, "without Move");
    ExpectPlacement(after.get(), {5, 5, 5, 5}, "after");
    ExpectPlacement(form.get(), {1000, 2000, 8000, 6000}, "form");

    // Nothing as the form is the runtime's "object variable not set".
    IDispatch* nothing = nullptr;
    EXPECT_EQ(resolu->Resize_For_Resolution(1, 1, &nothing), static_cast<HRESULT>(0x800A0000 | 91));
}

TEST(clsResolu, AdjustFormScalesFromEightHundredBySixHundredToTheScreen) {
    HDC screen = GetDC(nullptr);
    double tppX = 1440.0 / GetDeviceCaps(screen, LOGPIXELSX), tppY = 1440.0 / GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    short xTwips = static_cast<short>(std::nearbyint(tppX)), yTwips = static_cast<short>(std::nearbyint(tppY));
    double widthTwips = GetSystemMetrics(SM_CXSCREEN) * tppX, heightTwips = GetSystemMetrics(SM_CYSCREEN) * tppY;
    short xPixels = static_cast<short>(std::nearbyint(widthTwips / xTwips));
    short yPixels = static_cast<short>(std::nearbyint(heightTwips / yTwips));
    float fx = static_cast<float>(xPixels / 800.0), fy = static_cast<float>(yPixels / 600.0);

    TestForm t;
    auto resolu = NewResolu();
    IDispatch* form = t.form.get();
    ASSERT_EQ(resolu->AdjustForm(&form), S_OK);
    short n = 0;
    resolu->get_Xtwips(&n);
    EXPECT_EQ(n, xTwips);
    resolu->get_Ytwips(&n);
    EXPECT_EQ(n, yTwips);
    resolu->get_Xpixels(&n);
    EXPECT_EQ(n, xPixels);
    resolu->get_Ypixels(&n);
    EXPECT_EQ(n, yPixels);
    VARIANT_BOOL b = VARIANT_FALSE;
    resolu->get_RePosForm(&b);
    EXPECT_EQ(b, VARIANT_TRUE);
    resolu->get_DoResize(&b);
    EXPECT_EQ(b, VARIANT_FALSE);
    EXPECT_EQ(V_I4(t.form->Property(L"ScaleMode").get()), 3);
    ExpectPlacement(t.plain.get(), {100 * fx, 200 * fy, 300 * fx, 400 * fy}, "plain");
    ExpectPlacement(t.keepA.get(), {10 * fx, 20 * fy, 30 * fx, 40}, "height-keeping");
    ExpectPlacement(t.form.get(), {1000 * fx, 2000 * fy, 8000 * fx, 6000 * fy}, "form");

    // The first FormResize only arms; the next one scales by form size / screen size in twips.
    t.form->ClearLog();
    ASSERT_EQ(resolu->FormResize(&form), S_OK);
    EXPECT_TRUE(t.form->Log().empty());
    resolu->get_DoResize(&b);
    EXPECT_EQ(b, VARIANT_TRUE);
    Placement before = PlacementOf(t.plain.get());
    t.form->SetProperty(L"Width", Variant::Double(widthTwips / 2));
    t.form->SetProperty(L"Height", Variant::Double(heightTwips * 2));
    ASSERT_EQ(resolu->FormResize(&form), S_OK);
    ExpectPlacement(t.plain.get(), {before.left * 0.5, before.top * 2, before.width * 0.5, before.height * 2},
                    "after resize");
    resolu->get_RePosForm(&b);
    EXPECT_EQ(b, VARIANT_FALSE);
    EXPECT_NEAR(PlacementOf(t.form.get()).width, widthTwips / 2, 1e-3);  // the form itself stays
}

TEST(clsResolu, FormResizeComparesWithTheLastSizeRoundedHalfToEven) {
    TestForm t;
    auto resolu = NewResolu();
    ComPtr<IDispatch> dispatch = resolu.as<IDispatch>(IID_IDispatch);
    Variant formVar = Variant::Object(t.form.get());
    auto resize = [&] { return Call(dispatch.get(), L"FormResize", {Ref(formVar)}).hr; };

    // Fresh object: the first call arms, the second divides by a last size of 0, so every factor
    // stays 0 and every control collapses to 0,0 (the height-keeping kinds keep their height).
    EXPECT_EQ(resize(), S_OK);
    ExpectPlacement(t.plain.get(), {100, 200, 300, 400}, "armed only");
    t.form->SetProperty(L"Width", Variant::Double(3.5));
    t.form->SetProperty(L"Height", Variant::Double(2.5));
    EXPECT_EQ(resize(), S_OK);
    ExpectPlacement(t.plain.get(), {0, 0, 0, 0}, "collapsed");
    ExpectPlacement(t.keepB.get(), {0, 0, 0, 80}, "collapsed, height kept");
    ExpectPlacement(t.form.get(), {1000, 2000, 3.5, 2.5}, "form untouched");

    // The size kept was 4 x 2 (halves to even), so 7 x 5 scales by 1.75 and 2.5.
    t.last->SetProperty(L"Left", Variant::Double(8));
    t.last->SetProperty(L"Top", Variant::Double(8));
    t.last->SetProperty(L"Width", Variant::Double(8));
    t.last->SetProperty(L"Height", Variant::Double(8));
    t.form->SetProperty(L"Width", Variant::Long(7));
    t.form->SetProperty(L"Height", Variant::Long(5));
    EXPECT_EQ(resize(), S_OK);
    ExpectPlacement(t.last.get(), {14, 20, 14, 20}, "scaled by the new size over the last");
}

TEST(clsResolu, AdjustAndResizeNeverRaise) {
    auto resolu = NewResolu();
    IDispatch* nothing = nullptr;
    EXPECT_EQ(resolu->AdjustForm(&nothing), S_OK);
    short n = 0;
    resolu->get_Xpixels(&n);
    EXPECT_EQ(n, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(resolu->FormResize(&nothing), S_OK);
    EXPECT_EQ(resolu->FormResize(&nothing), S_OK);
    ComPtr<IErrorInfo> info;
    EXPECT_EQ(GetErrorInfo(0, info.put()), S_FALSE);

    // A form whose control fails half way: the members skip it and go on.
    TestForm t(false);
    auto after = MakeControl({5, 5, 5, 5});
    auto form = MakeForm({0, 0, 800, 600}, {AsDispatch(t.last.get()), AsDispatch(after.get())});
    IDispatch* f = form.get();
    EXPECT_EQ(resolu->AdjustForm(&f), S_OK);
    ExpectPlacement(after.get(), {5, 5, 5, 5}, "not reached");
    EXPECT_EQ(V_I4(form->Property(L"ScaleMode").get()), 3);
}
