#include "printing/TableLayout.h"
#include "frame/Errors.h"
#include <cfloat>
#include <cmath>

namespace wx {

namespace {
const DISPID kPictureHeight = 5;

void Raise(float& band, double measured) {
    float value = static_cast<float>(measured);
    if (value > band) band = value;
}
}  // namespace

void ApplyFont(const TableSurface& surface, ComPtr<IDispatch>& current, IDispatch* font) {
    if (SameObject(current.get(), font)) return;
    current = ComPtr<IDispatch>(font);
    surface.SetFont(font);
}

BandHeights MeasureBands(TableModel& model, const TableSurface& surface, ComPtr<IDispatch>& current,
                         std::optional<short> scaleMode, const std::function<void(long)>& perColumn) {
    BandHeights h;
    h.body = model.rowHeightMin - 2 * model.cellYOffset;
    h.header = model.headerRowHeightMin - 2 * model.cellYOffset;
    h.footer = model.footerRowHeightMin - 2 * model.cellYOffset;
    for (long c = 0; c < model.cols; ++c) {
        for (long r = 0; r < model.rows; ++r) {
            ApplyFont(surface, current, model.Font(r, c).get());
            Raise(h.body, surface.TextHeight(model.Text(r, c).get()));
            if (model.resizeCellsToPicHeight) {
                IDispatch* picture = model.Picture(r, c).get();
                if (picture) {
                    double height = PictureExtent(picture, kPictureHeight);
                    short unit = scaleMode ? *scaleMode : surface.ScaleMode();
                    Raise(h.body, surface.ScaleY(height, TableSurface::kHimetric, unit));
                }
            }
        }
        for (long k = 0; k < model.headerRows; ++k) {
            ApplyFont(surface, current, model.HeaderFont(k, c).get());
            Raise(h.header, surface.TextHeight(model.HeaderText(k, c).get()));
        }
        if (model.hasFooter) {
            ApplyFont(surface, current, model.FooterFont(c).get());
            Raise(h.footer, surface.TextHeight(model.FooterText(c).get()));
        }
        if (perColumn) perColumn(c);
    }
    return h;
}

void FinishHeights(const TableModel& model, BandHeights& heights) {
    heights.body += 2 * model.cellYOffset;
    heights.header += 2 * model.cellYOffset;
    if (heights.footer > 0) heights.footer += 2 * model.cellYOffset;
}

double WholeRows(double available, double rowHeight) {
    if (rowHeight == 0) RaiseRuntime(11);
    double rows = std::floor(available / rowHeight);
    if (!std::isfinite(rows) || std::fabs(rows) > FLT_MAX) RaiseRuntime(6);
    return rows;
}

}  // namespace wx
