#include "printing/TableRenderer.h"
#include "frame/Errors.h"
#include "frame/Text.h"
#include <algorithm>
#include <climits>

namespace wx {

namespace {
const long kBoxFlags = 20;   // Line ... , B: an outline box in the given colour
const long kLineFlags = 4;   // Line with a colour
const long kBlack = 0;
const short kTransparentFill = 1;
const DISPID kPictureWidth = 4;
const DISPID kPictureHeight = 5;

bool Equal(const Bstr& a, const Bstr& b) {
    UINT n = a.length();
    return n == b.length() && (n == 0 || memcmp(a.get(), b.get(), n * sizeof(wchar_t)) == 0);
}

// Null text draws as empty text: the platform gets a real string either way.
const wchar_t* Drawable(BSTR text) { return text ? text : L""; }
}  // namespace

void CenterTextRect(HDC dc, RECT& rect, const wchar_t* text) {
    RECT measure = {0, 0, 0, 0};
    long height = DrawTextW(dc, text, -1, &measure, DT_NOPREFIX | DT_CALCRECT);
    rect.top = rect.top + (rect.bottom - rect.top - height) / 2;
}

long TableRenderer::ColPx(long c) const {
    if (c < 0 || c >= static_cast<long>(colPx_.size())) RaiseRuntime(9);
    return colPx_[static_cast<size_t>(c)];
}

void TableRenderer::Draw(IDispatch** surface, long rowToStart, long startPage) {
    surface_ = TableSurface(*surface);
    const long cols = model_.cols;

    ComPtr<IDispatch> savedFont = surface_.Font();
    current_ = savedFont;
    // The model's counts are at least 1 (it refuses any other).
    const size_t colCount = static_cast<size_t>(cols);
    const size_t headerRowCount = static_cast<size_t>(model_.headerRows);
    colPx_.assign(colCount, 0);
    headerRunStart_.assign(colCount, -1);
    drawn_.assign(headerRowCount, false);
    spanning_.assign(headerRowCount, false);
    scaleMode_ = surface_.ScaleMode();

    rightEdge_ = model_.marginLeft;
    heights_ = MeasureBands(model_, surface_, current_, scaleMode_, [&](long c) {
        float width = model_.ColWidth(c);
        rightEdge_ += width;
        colPx_.at(static_cast<size_t>(c)) = RoundToLong(surface_.ScaleX(width, scaleMode_, TableSurface::kPixels));
        headerRunStart_.at(static_cast<size_t>(c)) = -1;
    });
    leftPx_ = RoundToLong(surface_.ScaleX(model_.marginLeft, scaleMode_, TableSurface::kPixels));
    offsetPx_ = RoundToLong(surface_.ScaleX(model_.cellXOffset, scaleMode_, TableSurface::kPixels));
    FinishHeights(model_, heights_);
    surface_.SetFillStyle(kTransparentFill);

    long page = startPage;
    bool started = false;
    bool footerPending = false;  // the table's last row is drawn, its footer goes on a page of its own
    lastDrawn_ = rowToStart - 1;
    for (;;) {
        double pageTop = surface_.CurrentY();
        double pageHeight = surface_.ScaleHeight();
        double available = pageHeight - pageTop - model_.marginBottom;
        // A page with no room for a row keeps the position it had; nothing is drawn on it.
        y_ = pageTop;
        if (footerPending) {
            // A footer taller than any page still prints, from the top of an empty one.
            if (available >= heights_.footer || pageTop <= model_.marginTop) {
                rect_.top = RoundToLong(surface_.ScaleY(y_, scaleMode_, TableSurface::kPixels));
                DrawFooter();
                footerPending = false;
            }
        } else if (available >= heights_.body) {
            // The first page the table really starts on carries the header, even when the page
            // numbered 1 had no room for a single row.
            bool headerOnPage = model_.printHeaderOnEveryPage || page == 1 || (startPage == 1 && !started);
            started = true;
            if (headerOnPage) available -= static_cast<double>(heights_.header) * model_.headerRows;
            long first = lastDrawn_ + 1;
            PagePlan plan = PlanPage(available, pageHeight);
            lastDrawn_ =
                static_cast<long>(std::min<double>(static_cast<double>(lastDrawn_) + plan.rows, model_.rows - 1.0));
            if (headerOnPage) {
                surface_.SetDrawWidth(model_.headerLineThickness);
                DrawHeader(pageTop);
            }
            bodyRowPx_ = RoundToLong(surface_.ScaleY(heights_.body, scaleMode_, TableSurface::kPixels));
            surface_.SetDrawWidth(model_.lineThickness);
            DrawBody(first, lastDrawn_);
            surface_.Line(kLineFlags, rightEdge_, bodyTop_, rightEdge_, y_, kBlack);
            bool tableEnds = lastDrawn_ >= model_.rows - 1 && model_.hasFooter;
            if (tableEnds && plan.footerFits) {
                DrawFooter();
            } else {
                surface_.Line(kLineFlags, model_.marginLeft, y_, rightEdge_, y_, kBlack);
                footerPending = tableEnds;
            }
        }

        surface_.SetCurrentY(y_);
        if (lastDrawn_ >= model_.rows - 1 && !footerPending) {
            surface_.SetFont(savedFont.get());
            return;
        }
        Variant output = Variant::Object(surface_.get());
        Variant topMarginAlreadySet = Variant::Bool(false);
        Variant cancel = Variant::Bool(false);
        pageBreak_(*output.get(), *topMarginAlreadySet.get(), *cancel.get(), lastDrawn_);
        // A handler may hand over another surface (a new printer page object, say).
        if (output.type() == VT_DISPATCH && !SameObject(V_DISPATCH(output.get()), surface_.get())) {
            IDispatch* replacement = V_DISPATCH(output.get());
            if (replacement) replacement->AddRef();
            if (*surface) (*surface)->Release();
            *surface = replacement;
            surface_ = TableSurface(replacement);
        }
        if (ToBool(*cancel.get())) {
            surface_.SetFont(savedFont.get());
            return;
        }
        if (!ToBool(*topMarginAlreadySet.get())) surface_.SetCurrentY(model_.marginTop);
        if (page == LONG_MAX) RaiseRuntime(6);
        ++page;
    }
}

// How many body rows the page takes, and whether the footer goes below them. The footer goes
// below the table's last row, so the page that would hold that row also keeps room for it; rows
// that then no longer fit move on with the footer to the next page, as long as at least one row
// stays and an empty page holds a row with the footer. Otherwise every row that fits stays (a page
// never carries its header over no row) and the footer moves on to a page of its own.
TableRenderer::PagePlan TableRenderer::PlanPage(double available, double pageHeight) const {
    PagePlan plan;
    double rows = WholeRows(available, heights_.body);
    // Never fewer than none: a header band taller than the page must not send the count backwards.
    if (rows < 0) rows = 0;
    if (rows > model_.rows) rows = model_.rows;
    long remaining = model_.rows - 1 - lastDrawn_;
    if (model_.hasFooter && heights_.footer > 0 && remaining > 0 && rows >= remaining) {
        double withFooter = WholeRows(available - heights_.footer, heights_.body);
        if (withFooter < remaining) {
            double emptyPage = pageHeight - model_.marginTop - model_.marginBottom - heights_.footer;
            if (model_.printHeaderOnEveryPage) emptyPage -= static_cast<double>(heights_.header) * model_.headerRows;
            if (withFooter >= 1 && emptyPage >= heights_.body)
                rows = withFooter;
            else
                plan.footerFits = false;
        }
    }
    plan.rows = static_cast<long>(rows);
    return plan;
}

void TableRenderer::Box() {
    surface_.SetScaleMode(TableSurface::kPixels);
    surface_.Line(kBoxFlags, rect_.left - offsetPx_, rect_.top, rect_.right + offsetPx_, rect_.bottom, kBlack);
    surface_.SetScaleMode(scaleMode_);
}

void TableRenderer::PlaceText(BSTR text, UINT format) {
    // Drawn in Unicode, to its first NUL as the platform reads any text.
    const wchar_t* drawn = Drawable(text);
    CenterTextRect(surface_.Dc(), rect_, drawn);
    DrawTextW(surface_.Dc(), drawn, -1, &rect_, format);
}

void TableRenderer::DrawHeader(double pageTop) {
    const long cols = model_.cols;
    const double rowHeight = heights_.header;
    for (long hr = 0; hr < model_.headerRows; ++hr) {
        const size_t row = static_cast<size_t>(hr);
        rect_.left = leftPx_ + offsetPx_;
        rect_.right = leftPx_ - offsetPx_;
        drawn_.at(row) = false;
        spanning_.at(row) = false;
        for (long c = 0; c < cols; ++c) {
            long& runStart = headerRunStart_.at(static_cast<size_t>(c));
            bool endsDown = true;
            if (model_.MergeHeaderCol(c)) {
                if (hr < model_.headerRows - 1 && Equal(model_.HeaderText(hr + 1, c), model_.HeaderText(hr, c))) {
                    endsDown = false;
                    if (runStart == -1) runStart = hr;
                }
            } else {
                runStart = -1;
            }
            rect_.right += ColPx(c);
            if (endsDown) {
                long firstRow = runStart == -1 ? hr : runStart;
                rect_.top = RoundToLong(surface_.ScaleY(pageTop + rowHeight * firstRow, scaleMode_, TableSurface::kPixels));
                rect_.bottom = RoundToLong(rect_.top + surface_.ScaleY(rowHeight * (hr - firstRow + 1), scaleMode_,
                                                                        TableSurface::kPixels));
                runStart = -1;
                Font(model_.HeaderFont(hr, c).get());
                if (model_.MergeHeaderRow(hr)) {
                    if (c < cols - 1 && Equal(model_.HeaderText(hr, c + 1), model_.HeaderText(hr, c))) {
                        drawn_[row] = false;
                        spanning_[row] = true;
                    } else {
                        // A run that ended at the previous cell no longer counts for this one.
                        if (drawn_[row] && spanning_[row]) spanning_[row] = false;
                        drawn_[row] = true;
                    }
                } else {
                    drawn_[row] = true;
                }
                if (drawn_[row]) {
                    Box();
                    long format = spanning_[row] && model_.centerMergedHeader ? DT_CENTER : model_.ColAlignment(c);
                    PlaceText(model_.HeaderText(hr, c).get(), static_cast<UINT>(format) | DT_NOPREFIX);
                }
            }
            // Past a drawn cell the next one starts after it; so does it past a cell skipped for a
            // run down its column when no run across the row is open (as at the row's start),
            // or the next cell would be drawn over the skipped one.
            if (drawn_[row] || !spanning_[row]) rect_.left = rect_.right + 2 * offsetPx_;
        }
    }
    y_ += rowHeight * model_.headerRows;
}

void TableRenderer::DrawBody(long first, long last) {
    const long cols = model_.cols;
    rowRunStart_.assign(model_.rows > 0 ? static_cast<size_t>(model_.rows) : 0, -1);
    bodyTop_ = y_;
    rect_.left = leftPx_ + offsetPx_;
    double x = model_.marginLeft;
    for (long c = 0; c < cols; ++c) {
        rect_.top = RoundToLong(surface_.ScaleY(bodyTop_, scaleMode_, TableSurface::kPixels));
        y_ = bodyTop_;
        rect_.right = rect_.left + ColPx(c) - 2 * offsetPx_;
        rect_.bottom = rect_.top;
        double cellTop = bodyTop_;  // scale-unit top of the cell being built down the column
        for (long r = first; r <= last; ++r) {
            Font(model_.Font(r, c).get());
            rect_.bottom += bodyRowPx_;
            bool endsDown = !model_.MergeCol(c) || r == last || !Equal(model_.Text(r + 1, c), model_.Text(r, c));
            if (endsDown) {
                if (r < 0 || r >= static_cast<long>(rowRunStart_.size())) RaiseRuntime(9);
                long& runStart = rowRunStart_[static_cast<size_t>(r)];
                bool endsAcross = true;
                if (model_.MergeRow(r)) {
                    if (c < cols - 1 && Equal(model_.Text(r, c + 1), model_.Text(r, c))) {
                        if (runStart == -1) runStart = rect_.left;
                        endsAcross = false;
                    }
                } else {
                    runStart = -1;
                }
                if (endsAcross) {
                    long savedLeft = rect_.left;
                    if (runStart != -1) rect_.left = runStart;
                    IDispatch* picture = model_.Picture(r, c).get();
                    if (picture) DrawPicture(picture, c, x, cellTop);
                    Box();
                    PlaceText(model_.Text(r, c).get(), static_cast<UINT>(model_.ColAlignment(c)) | DT_NOPREFIX);
                    if (runStart != -1) {
                        runStart = -1;
                        rect_.left = savedLeft;
                    }
                }
                rect_.top = rect_.bottom;
                cellTop = y_ + heights_.body;
            }
            y_ += heights_.body;
        }
        rect_.left = rect_.right + 2 * offsetPx_;
        x += model_.ColWidth(c);
    }
}

// The picture sits in the cell at its natural size, cropped to the cell's inner width and to the
// cell's height (then starting at the cell's top), centred vertically, placed across by the
// column's alignment. A picture the surface cannot draw leaves the cell's box and text as usual.
void TableRenderer::DrawPicture(IDispatch* picture, long c, double x, double cellTop) {
    const double colWidth = model_.ColWidth(c);
    const long alignment = model_.ColAlignment(c);
    const RECT cell = rect_;
    Quietly([&] {
        picW_ = surface_.ScaleX(PictureExtent(picture, kPictureWidth), TableSurface::kHimetric, scaleMode_);
        picH_ = surface_.ScaleY(PictureExtent(picture, kPictureHeight), TableSurface::kHimetric, scaleMode_);
        double inner = colWidth - 2.0 * model_.cellXOffset;
        if (inner < picW_) picW_ = inner;
        double offset = (surface_.ScaleY(cell.bottom - cell.top, TableSurface::kPixels, scaleMode_) - picH_) / 2;
        if (offset < 0) {
            picH_ += 2 * offset;
            offset = 0;
        }
        picY_ = cellTop + offset;
        // Right wins over centre; anything without either bit is placed at the text's left edge.
        if (alignment & DT_RIGHT)
            picX_ = x + colWidth - model_.cellXOffset - picW_;
        else if (alignment & DT_CENTER)
            picX_ = x + (colWidth - picW_) / 2;
        else
            picX_ = surface_.ScaleX(cell.left, TableSurface::kPixels, scaleMode_);
        surface_.PaintPictureCropped(picture, picX_, picY_, picW_, picH_);
    });
}

void TableRenderer::DrawFooter() {
    const double height = heights_.footer;
    surface_.SetDrawWidth(model_.footerLineThickness);
    surface_.Line(kBoxFlags, model_.marginLeft, y_, rightEdge_, y_ + height, kBlack);
    const long footerTop = rect_.top;
    rect_.bottom = RoundToLong(footerTop + surface_.ScaleY(height, scaleMode_, TableSurface::kPixels));
    rect_.left = leftPx_ + offsetPx_;
    double x = model_.marginLeft;
    for (long c = 0; c < model_.cols; ++c) {
        Font(model_.FooterFont(c).get());
        rect_.right = rect_.left + ColPx(c) - 2 * offsetPx_;
        rect_.top = footerTop;
        PlaceText(model_.FooterText(c).get(), static_cast<UINT>(model_.ColAlignment(c)) | DT_NOPREFIX);
        rect_.left = rect_.right + 2 * offsetPx_;
        if (c > 0) surface_.Line(kLineFlags, x, y_, x, y_ + height, kBlack);
        x += model_.ColWidth(c);
    }
    y_ += height;
}

}  // namespace wx
