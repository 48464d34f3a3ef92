#include "printing/TableModel.h"
#include "frame/Errors.h"

namespace wx {

namespace {
const float kDefaultColWidth = 15;

template <class T>
T& Element(std::vector<T>& table, long count, long i) {
    if (i < 0 || i >= count) RaiseRuntime(9);
    return table[static_cast<size_t>(i)];
}

bool Flag(const std::vector<bool>& table, long i) {
    if (i < 0 || i >= static_cast<long>(table.size())) RaiseRuntime(9);
    return table[static_cast<size_t>(i)];
}

void SetFlag(std::vector<bool>& table, long i, bool value) {
    if (i < 0 || i >= static_cast<long>(table.size())) RaiseRuntime(9);
    table[static_cast<size_t>(i)] = value;
}

Bstr CopyOf(BSTR text) { return text ? Bstr(text, SysStringLen(text)) : Bstr(); }

// Where a checked (non-negative) row and column sit in a table stored row by row.
size_t CellIndex(long r, long c, long colCount) {
    return static_cast<size_t>(r) * static_cast<size_t>(colCount) + static_cast<size_t>(c);
}
}  // namespace

TableModel::TableModel() { Resize(); }

void TableModel::Resize() {
    // Built aside and swapped in at the end, so a table too large for memory leaves the old
    // tables (and their shapes) untouched.
    const long bodyRows = rows > 0 ? rows : 0;
    const double cells = static_cast<double>(bodyRows > headerRows ? bodyRows : headerRows) * cols;
    if (cols < 1 || headerRows < 1 || cells > 0x7FFFFFF) RaiseRuntime(7);
    const size_t colCount = static_cast<size_t>(cols);
    const size_t bodyRowCount = static_cast<size_t>(bodyRows);
    const size_t headerRowCount = static_cast<size_t>(headerRows);
    const size_t body = bodyRowCount * colCount;
    const size_t header = headerRowCount * colCount;
    const size_t footer = hasFooter ? colCount : 0;
    std::vector<Bstr> text(body), headerText(header), footerText(footer);
    std::vector<ComPtr<IDispatch>> font(body), picture(body), headerFont(header), footerFont(footer);
    std::vector<long> colAlignment(colCount, 0);
    std::vector<bool> mergeCol(colCount, false), mergeHeaderCol(colCount, false);
    std::vector<bool> mergeRow(bodyRowCount, false), mergeHeaderRow(headerRowCount, false);
    // Every column starts at the same width; nothing else has a non-empty default.
    std::vector<float> colWidth(colCount, kDefaultColWidth);

    text_.swap(text);
    font_.swap(font);
    picture_.swap(picture);
    colAlignment_.swap(colAlignment);
    headerText_.swap(headerText);
    headerFont_.swap(headerFont);
    colWidth_.swap(colWidth);
    mergeCol_.swap(mergeCol);
    mergeHeaderCol_.swap(mergeHeaderCol);
    mergeRow_.swap(mergeRow);
    mergeHeaderRow_.swap(mergeHeaderRow);
    footerText_.swap(footerText);
    footerFont_.swap(footerFont);
    bodyRows_ = bodyRows;
    headerRows_ = headerRows;
    cols_ = cols;
    footerExists_ = hasFooter;
}

template <class T>
T& TableModel::At(std::vector<T>& table, long rowCount, long colCount, long r, long c) {
    if (r < 0 || r >= rowCount || c < 0 || c >= colCount) RaiseRuntime(9);
    return table[CellIndex(r, c, colCount)];
}

// Rows outer, columns inner; a negative index covers the whole dimension.
template <class T, class V>
void TableModel::Fill(std::vector<T>& table, long rowCount, long colCount, long r, long c, const V& value) {
    if (rowCount <= 0) RaiseRuntime(9);  // the table does not exist
    long r0 = r < 0 ? 0 : r, r1 = r < 0 ? rowCount - 1 : r;
    long c0 = c < 0 ? 0 : c, c1 = c < 0 ? colCount - 1 : c;
    if (r1 >= rowCount || c1 >= colCount) RaiseRuntime(9);
    for (long i = r0; i <= r1; ++i)
        for (long j = c0; j <= c1; ++j) table[CellIndex(i, j, colCount)] = value;
}

Bstr& TableModel::Text(long r, long c) { return At(text_, bodyRows_, cols_, r, c); }
ComPtr<IDispatch>& TableModel::Font(long r, long c) { return At(font_, bodyRows_, cols_, r, c); }
ComPtr<IDispatch>& TableModel::Picture(long r, long c) { return At(picture_, bodyRows_, cols_, r, c); }
Bstr& TableModel::HeaderText(long r, long c) { return At(headerText_, headerRows_, cols_, r, c); }
ComPtr<IDispatch>& TableModel::HeaderFont(long r, long c) { return At(headerFont_, headerRows_, cols_, r, c); }
Bstr& TableModel::FooterText(long c) { return Element(footerText_, static_cast<long>(footerText_.size()), c); }
ComPtr<IDispatch>& TableModel::FooterFont(long c) { return Element(footerFont_, static_cast<long>(footerFont_.size()), c); }
float& TableModel::ColWidth(long c) { return Element(colWidth_, cols_, c); }
long& TableModel::ColAlignment(long c) { return Element(colAlignment_, cols_, c); }

bool TableModel::MergeCol(long c) const { return Flag(mergeCol_, c); }
void TableModel::SetMergeCol(long c, bool value) { SetFlag(mergeCol_, c, value); }
bool TableModel::MergeHeaderCol(long c) const { return Flag(mergeHeaderCol_, c); }
void TableModel::SetMergeHeaderCol(long c, bool value) { SetFlag(mergeHeaderCol_, c, value); }
bool TableModel::MergeRow(long r) const { return Flag(mergeRow_, r); }
void TableModel::SetMergeRow(long r, bool value) { SetFlag(mergeRow_, r, value); }
bool TableModel::MergeHeaderRow(long r) const { return Flag(mergeHeaderRow_, r); }
void TableModel::SetMergeHeaderRow(long r, bool value) { SetFlag(mergeHeaderRow_, r, value); }

void TableModel::SetTexts(long r, long c, BSTR text) { Fill(text_, bodyRows_, cols_, r, c, CopyOf(text)); }
void TableModel::SetFonts(long r, long c, IDispatch* font) { Fill(font_, bodyRows_, cols_, r, c, ComPtr<IDispatch>(font)); }
void TableModel::SetPictures(long r, long c, IDispatch* picture) {
    Fill(picture_, bodyRows_, cols_, r, c, ComPtr<IDispatch>(picture));
}
void TableModel::SetHeaderTexts(long r, long c, BSTR text) { Fill(headerText_, headerRows_, cols_, r, c, CopyOf(text)); }
void TableModel::SetHeaderFonts(long r, long c, IDispatch* font) {
    Fill(headerFont_, headerRows_, cols_, r, c, ComPtr<IDispatch>(font));
}
void TableModel::SetFooterTexts(long c, BSTR text) {
    long n = static_cast<long>(footerText_.size());
    Fill(footerText_, n > 0 ? 1 : 0, n, 0, c, CopyOf(text));
}
void TableModel::SetFooterFonts(long c, IDispatch* font) {
    long n = static_cast<long>(footerFont_.size());
    Fill(footerFont_, n > 0 ? 1 : 0, n, 0, c, ComPtr<IDispatch>(font));
}
void TableModel::SetColWidths(long c, float width) { Fill(colWidth_, 1, cols_, 0, c, width); }
void TableModel::SetColAlignments(long c, long alignment) { Fill(colAlignment_, 1, cols_, 0, c, alignment); }

}  // namespace wx
