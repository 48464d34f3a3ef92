// Draws a table page by page onto a surface: the header band (with merged runs across columns and
// down rows), the body rows (merged runs split where a page ends), cell pictures cropped to their
// cells, the closing lines and the footer. Positions are kept in the surface's scale units; cell
// boxes and texts go in device pixels, so the edges of neighbouring cells meet exactly.
#pragma once
#include "printing/TableLayout.h"
#include "printing/TableModel.h"
#include "printing/TableSurface.h"
#include <functional>
#include <vector>

namespace wx {

class TableRenderer {
public:
    // The page break: the handler gets the surface variable and the two flags as variables it may
    // change, and the index of the last body row drawn so far.
    using PageBreak = std::function<void(VARIANT& surface, VARIANT& topMarginAlreadySet, VARIANT& cancel, long lastRow)>;

    TableRenderer(TableModel& model, PageBreak pageBreak) : model_(model), pageBreak_(std::move(pageBreak)) {}

    // `surface` is the caller's variable: a handler that hands back another surface changes it.
    void Draw(IDispatch** surface, long rowToStart, long startPage);

private:
    struct PagePlan {
        long rows = 0;
        bool footerFits = true;  // when the page ends the table: the footer goes below its last row
    };
    PagePlan PlanPage(double available, double pageHeight) const;
    void DrawHeader(double pageTop);
    void DrawBody(long first, long last);
    void DrawPicture(IDispatch* picture, long c, double x, double cellTop);
    void DrawFooter();
    void Box();
    void PlaceText(BSTR text, UINT format);
    void Font(IDispatch* font) { ApplyFont(surface_, current_, font); }
    long ColPx(long c) const;

    TableModel& model_;
    PageBreak pageBreak_;
    TableSurface surface_{nullptr};
    ComPtr<IDispatch> current_;
    short scaleMode_ = 1;
    BandHeights heights_;
    double rightEdge_ = 0;       // scale units
    long leftPx_ = 0, offsetPx_ = 0, bodyRowPx_ = 0;
    std::vector<long> colPx_;
    std::vector<long> headerRunStart_;  // -1: no run of equal header texts open down the column
    std::vector<bool> drawn_;           // per header row: the last cell looked at was drawn
    std::vector<bool> spanning_;        // per header row: the run being drawn spans columns
    std::vector<long> rowRunStart_;     // per body row: pixel left of an open run across columns
    long lastDrawn_ = -1;
    double y_ = 0, bodyTop_ = 0;
    RECT rect_ = {0, 0, 0, 0};
    // Where the last picture went, in scale units.
    double picX_ = 0, picY_ = 0, picW_ = 0, picH_ = 0;
};

// Moves the rectangle's top so that one line of the text sits in its vertical middle.
void CenterTextRect(HDC dc, RECT& rect, const wchar_t* text);

}  // namespace wx
