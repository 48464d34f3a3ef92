// Row heights of a table on a given surface, and how many body rows fit on a page. Every body row
// has one height (the tallest text, or picture when asked, anywhere in the body), every header row
// one height, the footer its own; each never below its minimum and with the cell offset above and
// below. Measuring and drawing use the same rules, so a page count and a drawing always agree.
#pragma once
#include "printing/TableModel.h"
#include "printing/TableSurface.h"
#include <functional>
#include <optional>

namespace wx {

struct BandHeights {
    float body = 0;
    float header = 0;
    float footer = 0;
};

// Makes `font` the surface's font unless the surface already draws with that very object.
void ApplyFont(const TableSurface& surface, ComPtr<IDispatch>& current, IDispatch* font);

// Measures the three heights without the cell offsets' final share (see FinishHeights). `current`
// is the font the surface is known to hold and follows every assignment. Picture heights are
// converted to `scaleMode`, or, when none is given, to the surface's ScaleMode read at that
// moment: a surface is asked for it only when a picture needs it. `perColumn`, when given, runs
// at the end of each column's measurement.
BandHeights MeasureBands(TableModel& model, const TableSurface& surface, ComPtr<IDispatch>& current,
                         std::optional<short> scaleMode, const std::function<void(long)>& perColumn = {});
// Adds the offsets above and below; a footer that measured nothing gets none.
void FinishHeights(const TableModel& model, BandHeights& heights);

// Whole body rows in `available` scale units: rounded down (negative stays negative), error 11
// for a row height of 0 and 6 when the count does not fit.
double WholeRows(double available, double rowHeight);

}  // namespace wx
