// Row heights and rows per page: measured on a drawing surface whose text heights the tests fix,
// so every expected number is worked out by hand.
#include "tableprint/TablePrintFixture.h"

using namespace tptest;
using wxtest::DrawingSurface;

namespace {

// A surface in pixels, `height` tall, measuring every text as `lineHeight` (or by a rule).
ComPtr<DrawingSurface> PixelPage(int height, std::function<double(const std::wstring&)> measure) {
    auto s = DrawingSurface::Make(200, height);
    LatePut(s.get(), L"ScaleMode", {Variant::Long(3)});
    s->textHeight = std::move(measure);
    s->clearLog();
    return s;
}

Outcome RowsPerPage(_clsTablePrint* t, DrawingSurface* s, Variant withHeader, Variant withFooter = Variant::Missing()) {
    Variant surface = Variant::Object(s);
    VARIANT byRef;
    VariantInit(&byRef);
    V_VT(&byRef) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&byRef) = surface.get();
    Variant ref;
    *ref.get() = byRef;  // a reference: clearing it leaves the surface variable alone
    return LateGet(t, L"CalcNumRowsPerPage", {ref, withHeader, withFooter});
}

float Single(const Outcome& o) {
    EXPECT_EQ(V_VT(o.value.get()), VT_R4);
    return V_R4(o.value.get());
}

void FillTexts(_clsTablePrint* t, const wchar_t* body, const wchar_t* header, const wchar_t* footer) {
    Bstr b(body), h(header), f(footer);
    t->put_TextMatrix(-1, -1, b.get());
    t->put_HeaderText(-1, -1, h.get());
    t->put_FooterText(-1, f.get());
}

}  // namespace

TEST(TablePrintLayout, RowsPerPageFromHandComputedHeights) {
    auto t = NewTable();
    FillTexts(t.get(), L"b", L"h", L"f");
    // Text heights: body 40, header 60, footer 20; offsets 5 above and below.
    auto s = PixelPage(1000, [](const std::wstring& text) { return text == L"b" ? 40 : text == L"h" ? 60 : 20; });
    t->put_CellYOffset(5);
    t->put_MarginTop(30);
    t->put_MarginBottom(20);
    t->put_HeaderRows(1);
    FillTexts(t.get(), L"b", L"h", L"f");
    // Page 1000 - 20 - 30 = 950; body rows 50 high.
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(false), Variant::Bool(false))), 19.0f);
    // Header 70: 880 / 50 = 17.6.
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(true), Variant::Bool(false))), 17.0f);
    // Footer 30 as well: 850 / 50 = 17.
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(true), Variant::Bool(true))), 17.0f);
    // Omitted bWithFooter follows HasFooter (True): the same 17; three header rows: 950-210-30 = 710 -> 14.
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(true))), 17.0f);
    t->put_HeaderRows(3);
    FillTexts(t.get(), L"b", L"h", L"f");
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(true))), 14.0f);

    // Through the function table the result is the caller's uninitialised Variant: whatever it
    // holds is written over, never released.
    struct Untouchable : IUnknown {
        int releases = 0;
        STDMETHODIMP QueryInterface(REFIID, void** ppv) override { *ppv = nullptr; return E_NOINTERFACE; }
        STDMETHODIMP_(ULONG) AddRef() override { return 2; }
        STDMETHODIMP_(ULONG) Release() override { ++releases; return 1; }
    } stale;
    VARIANT result;
    V_VT(&result) = VT_UNKNOWN;
    V_UNKNOWN(&result) = &stale;
    IDispatch* surface = s.get();
    ASSERT_EQ(t->CalcNumRowsPerPage(&surface, *Variant::Bool(true).get(), *Variant::Missing().get(), &result), S_OK);
    EXPECT_EQ(stale.releases, 0);
    EXPECT_EQ(V_VT(&result), VT_R4);
    EXPECT_EQ(V_R4(&result), 14.0f);
}

TEST(TablePrintLayout, MinimumHeightsWinOverSmallerTexts) {
    auto t = NewTable();
    FillTexts(t.get(), L"b", L"h", L"f");
    auto s = PixelPage(1000, [](const std::wstring&) { return 10.0; });
    t->put_CellYOffset(4);
    t->put_RowHeightMin(300);
    t->put_HeaderRowHeightMin(100);
    // Body exactly 300: 1000 / 300 -> 3; with the header (100): 900 / 300 -> 3; footer 18.
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(false), Variant::Bool(false))), 3.0f);
    t->put_RowHeightMin(250);
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(true), Variant::Bool(true))), 3.0f);  // 882/250
    t->put_RowHeightMin(221);
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(true), Variant::Bool(true))), 3.0f);  // 882/221
    t->put_RowHeightMin(220);
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(true), Variant::Bool(true))), 4.0f);  // 882/220
}

TEST(TablePrintLayout, FooterThatMeasuresNothingGetsNoOffsets) {
    auto t = NewTable();
    FillTexts(t.get(), L"b", L"h", L"f");
    // Body texts 200 + 2 x 50 = 300; footer texts 0: the footer starts at -100, rises to 0 and stays 0.
    auto s = PixelPage(1000, [](const std::wstring& text) { return text == L"f" ? 0.0 : 200.0; });
    t->put_CellYOffset(50);
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(false), Variant::Bool(true))), 3.0f);
    // A footer of 1 would get the offsets (101) and cost a row: 899 / 300 -> 2.
    s->textHeight = [](const std::wstring& text) { return text == L"f" ? 1.0 : 200.0; };
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(false), Variant::Bool(true))), 2.0f);
}

TEST(TablePrintLayout, FlagsConvertLikeTheRuntime) {
    auto t = NewTable();
    FillTexts(t.get(), L"b", L"h", L"f");
    auto s = PixelPage(1000, [](const std::wstring& text) { return text == L"b" ? 100.0 : 300.0; });
    Variant null;
    V_VT(null.get()) = VT_NULL;
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), null, Variant::Bool(false))), 10.0f);
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Str(L"True"), null)), 7.0f);
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Long(1), Variant::Long(-1))), 4.0f);
    EXPECT_EQ(RowsPerPage(t.get(), s.get(), Str(L"perhaps")).number, 13);
}

TEST(TablePrintLayout, FooterIsNotMeasuredWithoutHasFooter) {
    auto t = NewTable();
    FillTexts(t.get(), L"b", L"h", L"FOOT");
    t->put_HasFooter(VARIANT_FALSE);  // footer tables still exist, but are not measured
    auto s = PixelPage(1000, [](const std::wstring&) { return 100.0; });
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(false))), 10.0f);
    for (const auto& a : s->accesses(L"TextHeight")) EXPECT_NE(a.text(), L"call TextHeight(FOOT)");
    EXPECT_EQ(s->accesses(L"TextHeight").size(), 2u * 5 + 2u);  // body and header cells only

    // HasFooter set back while the footer tables are gone: the measurement fails with 9.
    t->put_Cols(3);
    t->put_HasFooter(VARIANT_TRUE);
    EXPECT_EQ(RowsPerPage(t.get(), s.get(), Variant::Bool(false)).number, 9);
}

TEST(TablePrintLayout, FontsAreAssignedOnlyWhenTheObjectChanges) {
    auto t = NewTable();
    FillTexts(t.get(), L"b", L"h", L"f");
    auto s = PixelPage(1000, [](const std::wstring&) { return 100.0; });
    // All Nothing: the measurement starts at Nothing and never assigns.
    RowsPerPage(t.get(), s.get(), Variant::Bool(false));
    EXPECT_EQ(s->accesses(L"Font").size(), 0u);
    // One font object everywhere: one assignment. An equal but distinct object counts as another.
    auto one = wxtest::MakeFont(L"Arial", 10);
    auto twin = wxtest::MakeFont(L"Arial", 10);
    ComPtr<IFontDisp> f1 = one.as<IFontDisp>(IID_IFontDisp), f2 = twin.as<IFontDisp>(IID_IFontDisp);
    t->putref_FontMatrix(-1, -1, f1.get());
    t->putref_HeaderFont(-1, -1, f1.get());
    t->putref_FooterFont(-1, f1.get());
    s->clearLog();
    RowsPerPage(t.get(), s.get(), Variant::Bool(false));
    EXPECT_EQ(s->accesses(L"Font").size(), 1u);
    // Column 0 body in one, everything else in the other: body col 0 -> header col 0 -> ... = 2 changes
    // in column 0 (f2 then f1), then column 1's body (f1) needs none.
    t->putref_FontMatrix(-1, 0, f2.get());
    s->clearLog();
    RowsPerPage(t.get(), s.get(), Variant::Bool(false));
    EXPECT_EQ(s->accesses(L"Font").size(), 2u);
    // The surface is left with the last font assigned.
    EXPECT_TRUE(wx::SameObject(s->font(), f1.get()));
}

TEST(TablePrintLayout, PictureHeightsCountWhenAskedAndOnlyThenNeedScaleMode) {
    auto t = NewTable();
    FillTexts(t.get(), L"b", L"h", L"f");
    auto s = PixelPage(1000, [](const std::wstring&) { return 20.0; });
    auto picture = wxtest::MakePicture(30, 96, RGB(0, 0, 255), RGB(0, 0, 0));
    ComPtr<IPictureDisp> pic = picture.as<IPictureDisp>(IID_IPictureDisp);
    t->putref_PictureMatrix(3, 1, pic.get());
    t->put_CellYOffset(2);
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(false), Variant::Bool(false))), 41.0f);  // 1000/24
    t->put_ResizeCellsToPicHeight(VARIANT_TRUE);
    // The picture's HIMETRIC height back in pixels is about 96: rows of about 100.
    float rows = Single(RowsPerPage(t.get(), s.get(), Variant::Bool(false), Variant::Bool(false)));
    EXPECT_GE(rows, 9.0f);
    EXPECT_LE(rows, 10.0f);
    bool converted = false;
    for (const auto& a : s->accesses(L"ScaleY"))
        if (a.args.size() == 3 && V_I2(a.args[1].get()) == 8) converted = true;
    EXPECT_TRUE(converted);

    // ScaleMode is read for the conversion of a picture's height, and only then.
    s->hide(L"ScaleMode");
    EXPECT_EQ(RowsPerPage(t.get(), s.get(), Variant::Bool(false), Variant::Bool(false)).number, 438);
    t->put_ResizeCellsToPicHeight(VARIANT_FALSE);
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(false), Variant::Bool(false))), 41.0f);
}

TEST(TablePrintLayout, DegenerateHeights) {
    auto t = NewTable();
    auto s = PixelPage(1000, [](const std::wstring&) { return 0.0; });
    t->put_Rows(0);
    // No text, no minimum, no offset: no body height to divide by.
    EXPECT_EQ(RowsPerPage(t.get(), s.get(), Variant::Bool(false)).number, 11);
    // Margins larger than the page: a negative count, rounded down.
    t->put_RowHeightMin(300);
    t->put_MarginTop(900);
    t->put_MarginBottom(200);
    EXPECT_EQ(Single(RowsPerPage(t.get(), s.get(), Variant::Bool(false))), -1.0f);
    // A surface without TextHeight reaches the caller as 438.
    t->put_Rows(1);
    s->hide(L"TextHeight");
    EXPECT_EQ(RowsPerPage(t.get(), s.get(), Variant::Bool(false)).number, 438);
}
