// Drawing: page breaks and the NewPage event, the cell boxes (as device rectangles) of merged
// header and body cells, pictures cropped and placed, the footer, and the surface's state after.
#include "tableprint/TablePrintFixture.h"
#include "support/CallerFloatingPoint.h"

using namespace tptest;
using wxtest::DrawingSurface;
using Access = DrawingSurface::Access;

namespace {

struct Table {
    ComPtr<_clsTablePrint> t;
    ComPtr<DrawingSurface> s;
    ComPtr<PageSink> sink;
};

// rows x cols cells of `width` pixels, "r<r>c<c>" texts, "H<c>" headers, "F<c>" footers; every
// text measures `line` pixels; the surface (pixels) is `pageHeight` tall. NewPage starts a page.
Table Grid(long rows, long cols, float width, int pageHeight, bool footer, double line = 20) {
    Table g;
    g.t = NewTable();
    g.t->put_HasFooter(footer ? VARIANT_TRUE : VARIANT_FALSE);
    g.t->put_Cols(cols);
    g.t->put_Rows(rows);
    g.t->put_ColWidth(-1, width);
    for (long r = 0; r < rows; ++r)
        for (long c = 0; c < cols; ++c) {
            Bstr text((L"r" + std::to_wstring(r) + L"c" + std::to_wstring(c)).c_str());
            g.t->put_TextMatrix(r, c, text.get());
        }
    for (long c = 0; c < cols; ++c) {
        Bstr h((L"H" + std::to_wstring(c)).c_str()), f((L"F" + std::to_wstring(c)).c_str());
        g.t->put_HeaderText(-1, c, h.get());
        if (footer) g.t->put_FooterText(c, f.get());
    }
    g.s = DrawingSurface::Make(400, pageHeight);
    LatePut(g.s.get(), L"ScaleMode", {Variant::Long(3)});
    g.s->textHeight = [line](const std::wstring&) { return line; };
    g.s->clearLog();
    g.sink = PageSink::Make();
    g.sink->Connect(g.t.get());
    g.sink->onNewPage = [](IDispatch* surface, VARIANT_BOOL&, VARIANT_BOOL&, long) { LateGet(surface, L"NewPage"); };
    return g;
}

// The log split into pages at each NewPage.
std::vector<std::vector<Access>> Pages(const DrawingSurface* s) {
    std::vector<std::vector<Access>> pages(1);
    for (const Access& a : s->log()) {
        if (a.member == L"NewPage") pages.emplace_back();
        else pages.back().push_back(a);
    }
    return pages;
}

std::vector<RECT> Boxes(const std::vector<Access>& page) {
    std::vector<RECT> boxes;
    for (const Access& a : page)
        if (a.member == L"Line" && V_I4(a.args[0].get()) == 20 && a.scaleMode == 3) boxes.push_back(a.pixels);
    return boxes;
}

std::vector<Access> Pictures(const std::vector<Access>& page) {
    std::vector<Access> found;
    for (const Access& a : page)
        if (a.member == L"PaintPicture") found.push_back(a);
    return found;
}

bool Has(const std::vector<RECT>& boxes, RECT want) {
    for (const RECT& r : boxes)
        if (r.left == want.left && r.top == want.top && r.right == want.right && r.bottom == want.bottom) return true;
    return false;
}

std::string Show(const std::vector<RECT>& boxes) {
    std::string s;
    for (const RECT& r : boxes)
        s += "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
             std::to_string(r.bottom) + "} ";
    return s;
}

// Bounding box of the dark pixels strictly inside a cell (its borders left out).
RECT Ink(const DrawingSurface* s, RECT cell) {
    RECT ink = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (int y = cell.top + 2; y < cell.bottom - 1; ++y)
        for (int x = cell.left + 2; x < cell.right - 1; ++x)
            if (s->darkPixels(x, y, x + 1, y + 1)) {
                ink.left = std::min<LONG>(ink.left, x);
                ink.top = std::min<LONG>(ink.top, y);
                ink.right = std::max<LONG>(ink.right, x + 1);
                ink.bottom = std::max<LONG>(ink.bottom, y + 1);
            }
    return ink;
}

std::vector<long> LastRows(const PageSink* sink) {
    std::vector<long> rows;
    for (const auto& b : sink->breaks) rows.push_back(b.lastRow);
    return rows;
}

}  // namespace

TEST(TablePrintDraw, TableOnOnePageRaisesNoBreakAndEndsBelowTheFooter) {
    Table g = Grid(3, 2, 50, 400, true);
    g.s->setCurrentY(10);
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    EXPECT_TRUE(g.sink->breaks.empty());
    // 10 + header 20 + 3 rows of 20 + footer 20.
    EXPECT_EQ(g.s->currentY(), 110);
    auto page = Pages(g.s.get())[0];
    auto boxes = Boxes(page);
    EXPECT_EQ(boxes.size(), 2u + 3u * 2u + 1u) << Show(boxes);
    EXPECT_TRUE(Has(boxes, {0, 10, 50, 30}));   // header
    EXPECT_TRUE(Has(boxes, {50, 70, 100, 90})); // last body row, column 1
    // The footer: an outer box and one separator, in scale units, below the last row.
    int footerBoxes = 0, separators = 0;
    for (const Access& a : page) {
        if (a.member != L"Line" || a.scaleMode != 3) continue;
        long flags = V_I4(a.args[0].get());
        if (flags == 20 && a.pixels.top == 90 && a.pixels.bottom == 110 && a.pixels.right == 100) ++footerBoxes;
        if (flags == 4 && a.pixels.left == 50 && a.pixels.right == 50 && a.pixels.top == 90) ++separators;
    }
    EXPECT_EQ(footerBoxes, 1);
    // The position goes below the footer, then the surface gets its own font back.
    EXPECT_EQ(g.s->log()[g.s->log().size() - 2].text(), L"let CurrentY=110");
    EXPECT_EQ(g.s->log().back().text(), L"set Font=<object>");
    EXPECT_EQ(separators, 1);
}

TEST(TablePrintDraw, PageBreaksReportTheLastPrintedRow) {
    Table g = Grid(10, 2, 50, 100, false);
    g.t->put_PrintHeaderOnEveryPage(VARIANT_TRUE);
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    EXPECT_EQ(LastRows(g.sink.get()), (std::vector<long>{3, 7}));
    auto pages = Pages(g.s.get());
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(Boxes(pages[0]).size(), 2u + 4u * 2u);
    EXPECT_EQ(Boxes(pages[2]).size(), 2u + 2u * 2u);  // header and rows 8 and 9
    EXPECT_EQ(g.sink->breaks[0].currentY, 100);
    EXPECT_EQ(g.s->currentY(), 60);
    // A page that does not end the table closes with a bottom line, not the footer.
    bool bottomLine = false;
    for (const Access& a : pages[0])
        if (a.member == L"Line" && V_I4(a.args[0].get()) == 4 && a.pixels.top == 100 && a.pixels.bottom == 100) bottomLine = true;
    EXPECT_TRUE(bottomLine);
}

TEST(TablePrintDraw, HeaderOnlyOnPageOneLeavesLaterPagesFullHeight) {
    Table g = Grid(10, 2, 50, 100, false);
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    EXPECT_EQ(LastRows(g.sink.get()), (std::vector<long>{3, 8}));
    auto pages = Pages(g.s.get());
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(Boxes(pages[1]).size(), 5u * 2u);
    EXPECT_TRUE(Has(Boxes(pages[1]), {0, 0, 50, 20}));
    EXPECT_EQ(Boxes(pages[2]).size(), 2u);
}

TEST(TablePrintDraw, FooterRoomIsKeptOnThePageWithTheLastRow) {
    // Rows 4..7 would fill page 2 exactly, leaving no room for the footer: row 7 moves to page 3.
    Table g = Grid(8, 2, 50, 100, true);
    g.t->put_PrintHeaderOnEveryPage(VARIANT_TRUE);
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    EXPECT_EQ(LastRows(g.sink.get()), (std::vector<long>{3, 6}));
    auto pages = Pages(g.s.get());
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_TRUE(Has(Boxes(pages[2]), {0, 40, 100, 60})) << Show(Boxes(pages[2]));  // footer under row 7
    EXPECT_EQ(g.s->currentY(), 60);

    // When rows and footer fit together nothing moves.
    Table h = Grid(10, 2, 50, 100, true);
    h.t->put_PrintHeaderOnEveryPage(VARIANT_TRUE);
    ASSERT_EQ(Draw(h.t.get(), h.s.get()), S_OK);
    EXPECT_EQ(LastRows(h.sink.get()), (std::vector<long>{3, 7}));
    EXPECT_EQ(h.s->currentY(), 80);

    // A footer that cannot fit below a row even on an empty page gets a page of its own.
    Table k = Grid(8, 2, 50, 100, true);
    k.t->put_PrintHeaderOnEveryPage(VARIANT_TRUE);
    k.s->textHeight = [](const std::wstring& text) { return text[0] == L'F' ? 70.0 : 20.0; };
    ASSERT_EQ(Draw(k.t.get(), k.s.get()), S_OK);
    EXPECT_EQ(LastRows(k.sink.get()), (std::vector<long>{3, 7}));
    pages = Pages(k.s.get());
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(Boxes(pages[2]).size(), 1u) << Show(Boxes(pages[2]));
    EXPECT_TRUE(Has(Boxes(pages[2]), {0, 0, 100, 70})) << Show(Boxes(pages[2]));
    EXPECT_EQ(k.s->currentY(), 70);
}

TEST(TablePrintDraw, ARowStaysUnderItsHeaderAndTheFooterMovesOn) {
    // One row on an 80-pixel page, header, row and footer 30 each: header and row fit, the
    // footer does not. Page 1 holds the header and the row, page 2 the footer alone.
    for (VARIANT_BOOL everyPage : {VARIANT_FALSE, VARIANT_TRUE}) {
        SCOPED_TRACE(everyPage ? "header on every page" : "header on page 1");
        Table g = Grid(1, 2, 50, 80, true, 30);
        g.t->put_PrintHeaderOnEveryPage(everyPage);
        ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
        EXPECT_EQ(LastRows(g.sink.get()), (std::vector<long>{0}));
        auto pages = Pages(g.s.get());
        ASSERT_EQ(pages.size(), 2u);
        auto first = Boxes(pages[0]);
        EXPECT_TRUE(Has(first, {0, 0, 50, 30}) && Has(first, {0, 30, 50, 60}) && Has(first, {50, 30, 100, 60}))
            << Show(first);
        EXPECT_EQ(first.size(), 4u) << Show(first);
        auto second = Boxes(pages[1]);
        EXPECT_EQ(second.size(), 1u) << Show(second);
        EXPECT_TRUE(Has(second, {0, 0, 100, 30})) << Show(second);
        EXPECT_EQ(g.s->currentY(), 30);
    }
}

TEST(TablePrintDraw, CancelEndsAfterTheFirstPageWithTheFontRestored) {
    Table g = Grid(10, 2, 50, 100, false);
    ComPtr<IDispatch> initial(g.s->font());
    auto cellFont = wxtest::MakeFont(L"Courier New", 12);
    ComPtr<IFontDisp> f = cellFont.as<IFontDisp>(IID_IFontDisp);
    g.t->putref_FontMatrix(-1, -1, f.get());
    g.t->putref_HeaderFont(-1, -1, f.get());
    g.sink->onNewPage = [](IDispatch*, VARIANT_BOOL&, VARIANT_BOOL& cancel, long) { cancel = VARIANT_TRUE; };
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    EXPECT_EQ(LastRows(g.sink.get()), (std::vector<long>{3}));
    EXPECT_EQ(g.s->pagesStarted(), 0);
    EXPECT_TRUE(wx::SameObject(g.s->font(), initial.get()));
    EXPECT_EQ(g.s->currentY(), 100);
    // Nothing is drawn after the break.
    const auto& log = g.s->log();
    bool afterBreak = false;
    for (const Access& a : log) {
        if (a.member == L"Line") {
            EXPECT_FALSE(afterBreak);
        }
        if (a.member == L"CurrentY" && a.kind == L"let") afterBreak = true;
    }
    // The cell fonts went to the surface while drawing, the first one only once per change.
    int assigned = 0;
    for (const Access& a : log)
        if (a.member == L"Font" && a.kind != L"get") ++assigned;
    EXPECT_EQ(assigned, 2);  // the cells' font, then the surface's own font back
}

TEST(TablePrintDraw, NextPageStartsAtMarginTopUnlessTheHandlerPlacedIt) {
    Table g = Grid(6, 1, 50, 100, false);
    g.t->put_MarginTop(7);
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    auto pages = Pages(g.s.get());
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(Boxes(pages[1])[0].top, 7);

    Table h = Grid(6, 1, 50, 100, false);
    h.t->put_MarginTop(7);
    h.sink->onNewPage = [](IDispatch* surface, VARIANT_BOOL& topSet, VARIANT_BOOL&, long) {
        LateGet(surface, L"NewPage");
        LatePut(surface, L"CurrentY", {Variant::Long(33)});
        topSet = VARIANT_TRUE;
    };
    ASSERT_EQ(Draw(h.t.get(), h.s.get()), S_OK);
    pages = Pages(h.s.get());
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(Boxes(pages[1])[0].top, 33);
    for (const Access& a : pages[1]) {
        if (a.member == L"CurrentY" && a.kind == L"let") {
            EXPECT_NE(a.text(), L"let CurrentY=7");
        }
    }
}

TEST(TablePrintDraw, StartRowAndPageSkipTheHeader) {
    Table g = Grid(10, 2, 50, 1000, false);
    g.s->setCurrentY(12);
    ASSERT_EQ(Draw(g.t.get(), g.s.get(), 5, 2), S_OK);
    auto boxes = Boxes(Pages(g.s.get())[0]);
    EXPECT_EQ(boxes.size(), 5u * 2u);
    EXPECT_TRUE(Has(boxes, {0, 12, 50, 32}));
    EXPECT_EQ(g.s->currentY(), 112);
}

TEST(TablePrintDraw, PageWithoutRoomForARowIsLeftAsItWas) {
    Table g = Grid(3, 1, 50, 100, false);
    g.s->setCurrentY(90);
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    ASSERT_EQ(g.sink->breaks.size(), 1u);
    EXPECT_EQ(g.sink->breaks[0].lastRow, -1);
    EXPECT_EQ(g.sink->breaks[0].currentY, 90);
    auto pages = Pages(g.s.get());
    EXPECT_TRUE(Boxes(pages[0]).empty());
    EXPECT_EQ(Boxes(pages[1]).size(), 4u);  // header and three rows on the new page
}

TEST(TablePrintDraw, HeaderTallerThanThePageDoesNotRedrawRows) {
    // Every page shows the header; after the first break not even the header fits with a row.
    Table g = Grid(4, 1, 50, 100, false);
    g.t->put_PrintHeaderOnEveryPage(VARIANT_TRUE);
    g.t->put_HeaderRows(1);
    Bstr h(L"HEAD");
    g.t->put_HeaderText(0, 0, h.get());
    g.s->textHeight = [](const std::wstring& text) { return text == L"HEAD" ? 150.0 : 20.0; };
    int breaks = 0;
    g.sink->onNewPage = [&](IDispatch* surface, VARIANT_BOOL&, VARIANT_BOOL& cancel, long) {
        LateGet(surface, L"NewPage");
        if (++breaks == 3) cancel = VARIANT_TRUE;
    };
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    for (const auto& b : g.sink->breaks) EXPECT_EQ(b.lastRow, -1);
}

TEST(TablePrintDraw, BoxesAreDrawnInPixelsAndScaleModeIsRestored) {
    Table g = Grid(1, 2, 750, 1000, false);
    LatePut(g.s.get(), L"ScaleMode", {Variant::Long(1)});
    g.s->textHeight = [](const std::wstring&) { return 300.0; };  // 20 pixels
    g.t->put_MarginLeft(150);
    g.s->clearLog();
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    const auto& log = g.s->log();
    int boxes = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].member != L"Line" || V_I4(log[i].args[0].get()) != 20) continue;
        ++boxes;
        ASSERT_GT(i, 0u);
        ASSERT_LT(i + 1, log.size());
        EXPECT_EQ(log[i - 1].text(), L"let ScaleMode=3");
        EXPECT_EQ(log[i + 1].text(), L"let ScaleMode=1");
    }
    EXPECT_EQ(boxes, 4);
    EXPECT_EQ(g.s->scaleMode(), 1);
    auto all = Boxes(Pages(g.s.get())[0]);
    EXPECT_TRUE(Has(all, {10, 0, 60, 20})) << Show(all);
    EXPECT_TRUE(Has(all, {60, 20, 110, 40})) << Show(all);
    // The closing lines stay in twips: the right border at 150 + 2 x 750.
    bool rightBorder = false;
    for (const Access& a : log)
        if (a.member == L"Line" && V_I4(a.args[0].get()) == 4 && a.scaleMode == 1 && a.text() == L"call Line(4,1650,300,1650,600,0)")
            rightBorder = true;
    EXPECT_TRUE(rightBorder);
    EXPECT_EQ(g.s->currentY(), 600);
}

TEST(TablePrintDraw, MergedHeaderRunsAcrossColumns) {
    Table g = Grid(1, 3, 50, 200, false);
    g.t->put_MarginLeft(10);
    g.t->put_MergeHeaderRow(0, VARIANT_TRUE);
    g.t->put_CenterMergedHeader(VARIANT_TRUE);
    Bstr a(L"A"), b(L"B");
    g.t->put_HeaderText(0, 0, a.get());
    g.t->put_HeaderText(0, 1, a.get());
    g.t->put_HeaderText(0, 2, b.get());
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    auto boxes = Boxes(Pages(g.s.get())[0]);
    EXPECT_EQ(boxes.size(), 2u + 3u) << Show(boxes);
    EXPECT_TRUE(Has(boxes, {10, 0, 110, 20})) << Show(boxes);
    EXPECT_TRUE(Has(boxes, {110, 0, 160, 20})) << Show(boxes);
    RECT merged = Ink(g.s.get(), {10, 0, 110, 20});
    EXPECT_NEAR((merged.left + merged.right) / 2.0, 60, 3);  // centred over both columns
    RECT single = Ink(g.s.get(), {110, 0, 160, 20});
    EXPECT_LE(single.left, 114);                               // column 2's own (left) alignment

    // "A", "B", "B": a run may end at the last column.
    Table h = Grid(1, 3, 50, 200, false);
    h.t->put_MarginLeft(10);
    h.t->put_MergeHeaderRow(0, VARIANT_TRUE);
    h.t->put_CenterMergedHeader(VARIANT_TRUE);
    h.t->put_HeaderText(0, 0, a.get());
    h.t->put_HeaderText(0, 1, b.get());
    h.t->put_HeaderText(0, 2, b.get());
    ASSERT_EQ(Draw(h.t.get(), h.s.get()), S_OK);
    boxes = Boxes(Pages(h.s.get())[0]);
    EXPECT_TRUE(Has(boxes, {10, 0, 60, 20})) << Show(boxes);
    EXPECT_TRUE(Has(boxes, {60, 0, 160, 20})) << Show(boxes);
    EXPECT_NEAR((Ink(h.s.get(), {60, 0, 160, 20}).left + Ink(h.s.get(), {60, 0, 160, 20}).right) / 2.0, 110, 3);
    EXPECT_LE(Ink(h.s.get(), {10, 0, 60, 20}).left, 14);

    // Without CenterMergedHeader the merged cell keeps its column's alignment.
    Table k = Grid(1, 3, 50, 200, false);
    k.t->put_MergeHeaderRow(0, VARIANT_TRUE);
    k.t->put_HeaderText(0, 0, a.get());
    k.t->put_HeaderText(0, 1, a.get());
    ASSERT_EQ(Draw(k.t.get(), k.s.get()), S_OK);
    EXPECT_TRUE(Has(Boxes(Pages(k.s.get())[0]), {0, 0, 100, 20}));
    EXPECT_LE(Ink(k.s.get(), {0, 0, 100, 20}).left, 4);
}

TEST(TablePrintDraw, MergedHeaderRunsDownRows) {
    Table g = Grid(1, 2, 50, 200, false);
    g.t->put_MarginLeft(10);
    g.t->put_HeaderRows(3);
    g.t->put_Rows(1);
    g.t->put_ColWidth(-1, 50);
    g.t->put_MergeHeaderCol(0, VARIANT_TRUE);
    const wchar_t* col0[] = {L"A", L"A", L"B"};
    const wchar_t* col1[] = {L"X", L"Y", L"Z"};
    for (long r = 0; r < 3; ++r) {
        Bstr t0(col0[r]), t1(col1[r]);
        g.t->put_HeaderText(r, 0, t0.get());
        g.t->put_HeaderText(r, 1, t1.get());
    }
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    auto boxes = Boxes(Pages(g.s.get())[0]);
    EXPECT_EQ(boxes.size(), 5u + 2u) << Show(boxes);
    EXPECT_TRUE(Has(boxes, {10, 0, 60, 40})) << Show(boxes);
    EXPECT_TRUE(Has(boxes, {10, 40, 60, 60})) << Show(boxes);
    EXPECT_TRUE(Has(boxes, {60, 0, 110, 20})) << Show(boxes);
    EXPECT_TRUE(Has(boxes, {60, 20, 110, 40})) << Show(boxes);
    EXPECT_TRUE(Has(boxes, {60, 40, 110, 60})) << Show(boxes);
    EXPECT_TRUE(Has(boxes, {10, 60, 60, 80})) << Show(boxes);  // the body starts below the band
}

TEST(TablePrintDraw, MergedBodyColumnIsSplitAtThePageBreak) {
    Table g = Grid(3, 2, 50, 60, false);
    g.t->put_MarginLeft(10);
    g.t->put_MergeCol(0, VARIANT_TRUE);
    Bstr x(L"x");
    g.t->put_TextMatrix(-1, 0, x.get());
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    EXPECT_EQ(LastRows(g.sink.get()), (std::vector<long>{1}));
    auto pages = Pages(g.s.get());
    ASSERT_EQ(pages.size(), 2u);
    auto first = Boxes(pages[0]);
    EXPECT_TRUE(Has(first, {10, 20, 60, 60})) << Show(first);   // one box over rows 0 and 1
    EXPECT_TRUE(Has(first, {60, 20, 110, 40})) << Show(first);  // column 1 unmerged
    EXPECT_EQ(first.size(), 2u + 1u + 2u);
    auto second = Boxes(pages[1]);
    EXPECT_TRUE(Has(second, {10, 0, 60, 20})) << Show(second);
    EXPECT_EQ(second.size(), 2u);
}

TEST(TablePrintDraw, MergedBodyRowRunsFromItsFirstColumn) {
    Table g = Grid(2, 3, 50, 200, false);
    g.t->put_MarginLeft(10);
    g.t->put_CellXOffset(3);
    g.t->put_MergeRow(1, VARIANT_TRUE);
    Bstr p(L"p"), q(L"q");
    g.t->put_TextMatrix(1, 0, p.get());
    g.t->put_TextMatrix(1, 1, p.get());
    g.t->put_TextMatrix(1, 2, q.get());
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    auto boxes = Boxes(Pages(g.s.get())[0]);
    EXPECT_EQ(boxes.size(), 3u + 3u + 2u) << Show(boxes);
    EXPECT_TRUE(Has(boxes, {10, 40, 110, 60})) << Show(boxes);
    EXPECT_TRUE(Has(boxes, {110, 40, 160, 60})) << Show(boxes);
    RECT ink = Ink(g.s.get(), {10, 40, 110, 60});
    EXPECT_GE(ink.left, 13);
    EXPECT_LE(ink.left, 16);
    EXPECT_LT(ink.right, 30);  // one "p", at the left
}

TEST(TablePrintDraw, AmpersandsAreDrawnLiterally) {
    Table g = Grid(2, 1, 200, 200, false);
    Bstr one(L"&"), two(L"&&");
    g.t->put_TextMatrix(0, 0, one.get());
    g.t->put_TextMatrix(1, 0, two.get());
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    double single = g.s->darkPixels(2, 22, 198, 39), twice = g.s->darkPixels(2, 42, 198, 59);
    ASSERT_GT(single, 0);
    EXPECT_NEAR(twice / single, 2.0, 0.3);
}

// Cell texts reach the surface in Unicode: a name the code page lacks is drawn as itself, never
// as its best-fit look-alike ("Omega" for "\x03A9mega") or as question marks.
TEST(TablePrintDraw, UnicodeTextIsDrawnAsItselfNotAsItsLookAlike) {
    const wchar_t* texts[] = {L"\x03A9mega", L"Omega", L"\x4E2D\x6587 \xD83D\xDE00", L"?? ??",
                              L"\x0414\x043C\x0438\x0442\x0440\x0438\x0439", L"Dmitrij"};
    const long rows = sizeof texts / sizeof *texts;
    Table g = Grid(rows, 1, 200, 400, false);
    for (long r = 0; r < rows; ++r) {
        Bstr text(texts[r]);
        g.t->put_TextMatrix(r, 0, text.get());
    }
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    // Row r's cell lies 20 pixels below the header, 20 pixels a row.
    auto cell = [&](long r) {
        std::vector<COLORREF> pixels;
        for (int y = 22 + 20 * r; y < 39 + 20 * r; ++y)
            for (int x = 2; x < 198; ++x) pixels.push_back(g.s->pixel(x, y));
        return pixels;
    };
    for (long r = 0; r < rows; r += 2) {
        EXPECT_GT(g.s->darkPixels(2, 22 + 20 * r, 198, 39 + 20 * r), 0) << r;
        EXPECT_NE(cell(r), cell(r + 1)) << "row " << r << " was drawn as its look-alike";
    }
}

TEST(TablePrintDraw, PicturesAreCroppedToTheCell) {
    Table g = Grid(1, 2, 40, 200, false);
    g.t->put_MarginLeft(10);
    auto wide = wxtest::MakePicture(80, 10, RGB(255, 0, 0), RGB(0, 0, 0));
    auto tall = wxtest::MakePicture(30, 60, RGB(0, 0, 255), RGB(0, 0, 0));
    g.t->putref_PictureMatrix(0, 0, wide.as<IPictureDisp>(IID_IPictureDisp).get());
    g.t->putref_PictureMatrix(0, 1, tall.as<IPictureDisp>(IID_IPictureDisp).get());
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    auto pictures = Pictures(Pages(g.s.get())[0]);
    ASSERT_EQ(pictures.size(), 2u);
    // 80 wide in a 40 wide column: 40 of it, vertically centred in the 20 high row (body top 20).
    EXPECT_EQ(pictures[0].source.cx, 40);
    EXPECT_EQ(pictures[0].source.cy, 10);
    EXPECT_EQ(pictures[0].pixels.left, 10);
    EXPECT_EQ(pictures[0].pixels.top, 25);
    EXPECT_EQ(g.s->pixel(48, 30), RGB(255, 0, 0));  // the picture's own right edge is cut off
    // 60 high in a 20 high row: its top 20, from the row's top.
    EXPECT_EQ(pictures[1].source.cx, 30);
    EXPECT_EQ(pictures[1].source.cy, 20);
    EXPECT_EQ(pictures[1].pixels.left, 50);
    EXPECT_EQ(pictures[1].pixels.top, 20);
    EXPECT_EQ(g.s->pixel(65, 38), RGB(0, 0, 255));
    // Destination size is left out: the surface draws at natural size.
    EXPECT_EQ(V_VT(pictures[0].args[3].get()), VT_ERROR);
    EXPECT_EQ(V_VT(pictures[0].args[4].get()), VT_ERROR);
}

TEST(TablePrintDraw, PicturesArePlacedByAlignment) {
    // Alignments 0, 1, 2, and others by their bits: 6 (right + vcentre), 5 (centre + vcentre), 32.
    const long alignments[] = {0, 1, 2, 6, 5, 32};
    const long offsets[] = {5, 15, 25, 25, 15, 5};  // picture left within its 40 wide column
    Table g = Grid(1, 6, 40, 200, false);
    g.t->put_CellXOffset(5);
    auto picture = wxtest::MakePicture(10, 10, RGB(0, 160, 0), RGB(0, 0, 0));
    g.t->putref_PictureMatrix(0, -1, picture.as<IPictureDisp>(IID_IPictureDisp).get());
    for (long c = 0; c < 6; ++c) g.t->put_ColAlignment(c, alignments[c]);
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    auto pictures = Pictures(Pages(g.s.get())[0]);
    ASSERT_EQ(pictures.size(), 6u);
    for (long c = 0; c < 6; ++c) {
        const auto& placed = pictures[static_cast<size_t>(c)];
        EXPECT_EQ(placed.pixels.left, 40 * c + offsets[c]) << "alignment " << alignments[c];
        EXPECT_EQ(placed.source.cx, 10);
    }
    // Right-aligned, it ends the cell offset before the column's right border.
    EXPECT_EQ(pictures[2].pixels.right, 120 - 5);
}

TEST(TablePrintDraw, PictureOfAMergedRunStartsAtTheRunsTop) {
    Table g = Grid(2, 1, 40, 200, false);
    g.t->put_MergeCol(0, VARIANT_TRUE);
    Bstr same(L"same");
    g.t->put_TextMatrix(-1, 0, same.get());
    auto picture = wxtest::MakePicture(10, 10, RGB(0, 160, 0), RGB(0, 0, 0));
    g.t->putref_PictureMatrix(1, 0, picture.as<IPictureDisp>(IID_IPictureDisp).get());
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    auto pictures = Pictures(Pages(g.s.get())[0]);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].pixels.top, 20 + 15);  // centred in the 40 high run that starts at 20
}

TEST(TablePrintDraw, SurfaceWithoutPaintPictureStillDrawsTheCells) {
    Table g = Grid(1, 2, 40, 200, false);
    auto picture = wxtest::MakePicture(10, 10, RGB(0, 160, 0), RGB(0, 0, 0));
    g.t->putref_PictureMatrix(0, 0, picture.as<IPictureDisp>(IID_IPictureDisp).get());
    g.s->hide(L"PaintPicture");
    ASSERT_EQ(Draw(g.t.get(), g.s.get()), S_OK);
    EXPECT_EQ(Boxes(Pages(g.s.get())[0]).size(), 4u);
    // Other surface failures do reach the caller.
    Table h = Grid(1, 2, 40, 200, false);
    h.s->hide(L"Line");
    ComPtr<IDispatch> initial(h.s->font());
    EXPECT_EQ(ErrorNumber(Draw(h.t.get(), h.s.get())), 438);
}

TEST(TablePrintDraw, LateBoundDrawTableWithScriptStyleArguments) {
    Table g = Grid(6, 1, 50, 100, false);
    Variant surface = Variant::Object(g.s.get()), start = Variant::Long(0), page = Variant::Long(1);
    auto ref = [](Variant& v) {
        Variant r;
        V_VT(r.get()) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(r.get()) = v.get();
        return r;
    };
    Outcome out = Late(g.t.get(), L"DrawTable", DISPATCH_METHOD, {ref(surface), ref(start), ref(page)});
    EXPECT_EQ(out.hr, S_OK);
    EXPECT_EQ(LastRows(g.sink.get()), (std::vector<long>{3}));
}

TEST(TablePrintDraw, HandlerMayHandOverAnotherSurface) {
    Table g = Grid(6, 1, 50, 100, false);
    auto second = DrawingSurface::Make(400, 100);
    LatePut(second.get(), L"ScaleMode", {Variant::Long(3)});
    second->textHeight = [](const std::wstring&) { return 20.0; };
    g.sink->onNewPage = nullptr;
    g.sink->handOver = ComPtr<IDispatch>(second.get());
    IDispatch* output = g.s.get();
    output->AddRef();
    long start = 0, page = 1;
    ASSERT_EQ(g.t->DrawTable(&output, &start, &page), S_OK);
    // The caller's variable now holds the surface the rest was drawn on.
    EXPECT_EQ(output, static_cast<IDispatch*>(second.get()));
    output->Release();
    EXPECT_EQ(Boxes(Pages(g.s.get())[0]).size(), 1u + 4u);
    EXPECT_EQ(Boxes(Pages(second.get())[0]).size(), 2u);
    EXPECT_EQ(second->currentY(), 40);
}

TEST(TablePrintDraw, TheCallersFloatingPointStateIsTheHostsAndComesBack) {
    // Texts of 20.25 and cell offsets of 0.1: rows of 20.45 (a sum in single precision, rounded) on
    // a 100 page. The host's answers are exact, so any difference would be the library's.
    struct Result {
        HRESULT hr;
        float rowsPerPage;
        std::vector<long> breaks;
        double endY;
        bool operator==(const Result& o) const {
            return hr == o.hr && rowsPerPage == o.rowsPerPage && breaks == o.breaks && endY == o.endY;
        }
    };
    auto run = [](const wxtest::FloatingPointState* state, std::vector<unsigned short>& seenByHost) {
        Table g = Grid(10, 2, 50, 100, false, 20.25);
        g.t->put_CellYOffset(0.1f);
        g.s->textHeight = [&](const std::wstring&) {
            seenByHost.push_back(wxtest::CurrentFloatingPoint().control);
            return 20.25;
        };
        auto newPage = g.sink->onNewPage;
        g.sink->onNewPage = [&](IDispatch* surface, VARIANT_BOOL& top, VARIANT_BOOL& cancel, long last) {
            seenByHost.push_back(wxtest::CurrentFloatingPoint().control);
            newPage(surface, top, cancel, last);
        };
        Result r = {};
        auto body = [&] {
            Outcome rows = LateGet(g.t.get(), L"CalcNumRowsPerPage", {Variant::Object(g.s.get()), Variant::Bool(true)});
            r.rowsPerPage = V_VT(rows.value.get()) == VT_R4 ? V_R4(rows.value.get()) : -1.0f;
            r.hr = Draw(g.t.get(), g.s.get());
        };
        if (state) {
            auto after = wxtest::UnderCallerState(*state, body);
            EXPECT_TRUE(wxtest::SameControls(after, *state)) << "afterwards: " << wxtest::Describe(after);
        } else {
            body();
        }
        r.breaks = LastRows(g.sink.get());
        r.endY = g.s->currentY();
        return r;
    };
    std::vector<unsigned short> seen;
    Result expected = run(nullptr, seen);
    EXPECT_EQ(expected.rowsPerPage, 3.0f);
    EXPECT_EQ(expected.breaks, (std::vector<long>{2, 6}));
    for (const auto& state : wxtest::EveryCallerState()) {
        SCOPED_TRACE(wxtest::Describe(state));
        seen.clear();
        EXPECT_TRUE(run(&state, seen) == expected);
        ASSERT_FALSE(seen.empty());
        for (unsigned short control : seen) EXPECT_EQ(control, state.control);
    }
}
