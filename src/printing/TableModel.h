// What a table printer holds: the body, header and footer tables over one set of columns, the
// per-column and per-row settings, and the scalar layout values. Every table is rebuilt (and its
// content dropped) by Resize(); indices are zero-based and checked, a bad one raising error 9 as
// the runtime's arrays do, so a caller that resizes the table in the middle of a drawing gets an
// error rather than a stray read.
#pragma once
#include "frame/Handles.h"
#include <vector>

namespace wx {

class TableModel {
public:
    TableModel();

    // Counts and the footer switch; Resize() applies them to the tables.
    long rows = 5;
    long cols = 2;
    long headerRows = 1;
    bool hasFooter = true;

    // Public fields of the object.
    bool printHeaderOnEveryPage = false;
    bool centerMergedHeader = false;
    float rowHeightMin = 0;
    float headerRowHeightMin = 0;
    float footerRowHeightMin = 0;
    bool resizeCellsToPicHeight = false;

    // Layout scalars, in the drawing surface's scale units (thicknesses in pixels).
    float marginTop = 0, marginBottom = 0, marginLeft = 0;
    float cellXOffset = 0, cellYOffset = 0;
    short lineThickness = 1, headerLineThickness = 1, footerLineThickness = 1;

    // Rebuilds every table from rows, cols, headerRows and hasFooter; nothing is carried over.
    void Resize();

    // Checked element access (error 9 outside the table or for a table that does not exist).
    Bstr& Text(long r, long c);
    ComPtr<IDispatch>& Font(long r, long c);
    ComPtr<IDispatch>& Picture(long r, long c);
    Bstr& HeaderText(long r, long c);
    ComPtr<IDispatch>& HeaderFont(long r, long c);
    Bstr& FooterText(long c);
    ComPtr<IDispatch>& FooterFont(long c);
    float& ColWidth(long c);
    long& ColAlignment(long c);
    bool MergeCol(long c) const;
    void SetMergeCol(long c, bool value);
    bool MergeHeaderCol(long c) const;
    void SetMergeHeaderCol(long c, bool value);
    bool MergeRow(long r) const;
    void SetMergeRow(long r, bool value);
    bool MergeHeaderRow(long r) const;
    void SetMergeHeaderRow(long r, bool value);

    // The "all" setters: a negative row or column stands for every row or column.
    void SetTexts(long r, long c, BSTR text);
    void SetFonts(long r, long c, IDispatch* font);
    void SetPictures(long r, long c, IDispatch* picture);
    void SetHeaderTexts(long r, long c, BSTR text);
    void SetHeaderFonts(long r, long c, IDispatch* font);
    void SetFooterTexts(long c, BSTR text);
    void SetFooterFonts(long c, IDispatch* font);
    void SetColWidths(long c, float width);
    void SetColAlignments(long c, long alignment);

    bool bodyExists() const { return bodyRows_ > 0; }
    bool footerExists() const { return footerExists_; }

private:
    template <class T>
    static T& At(std::vector<T>& table, long rowCount, long colCount, long r, long c);
    template <class T, class V>
    static void Fill(std::vector<T>& table, long rowCount, long colCount, long r, long c, const V& value);

    // Shapes as of the last resize: the tables keep them even if the counts change meanwhile.
    long bodyRows_ = 0, headerRows_ = 0, cols_ = 0;
    bool footerExists_ = false;
    std::vector<Bstr> text_, headerText_, footerText_;
    std::vector<ComPtr<IDispatch>> font_, picture_, headerFont_, footerFont_;
    std::vector<float> colWidth_;
    std::vector<long> colAlignment_;
    std::vector<bool> mergeCol_, mergeHeaderCol_, mergeRow_, mergeHeaderRow_;
};

}  // namespace wx
