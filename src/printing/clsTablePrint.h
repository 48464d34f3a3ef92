// The library's private table printer: a table of header rows, body rows and a footer over one set
// of columns, with per-cell texts, fonts and pictures, merge flags, margins and offsets. It tells
// how many body rows fit on a page and draws itself onto a host's printer or picture box page by
// page, raising NewPage at each break. Hosts cannot create it: it has no class identity, and its
// interfaces live in the library's second, unregistered type library.
#pragma once
#include "frame/Events.h"
#include "printing/TableModel.h"
#include "TablePrint.h"

namespace wx {

class clsTablePrint : public Connectable<_clsTablePrint> {
public:
    clsTablePrint();
    ~clsTablePrint() override;

    STDMETHODIMP get_PrintHeaderOnEveryPage(VARIANT_BOOL* result) override;
    STDMETHODIMP put_PrintHeaderOnEveryPage(VARIANT_BOOL value) override;
    STDMETHODIMP get_CenterMergedHeader(VARIANT_BOOL* result) override;
    STDMETHODIMP put_CenterMergedHeader(VARIANT_BOOL value) override;
    STDMETHODIMP get_RowHeightMin(float* result) override;
    STDMETHODIMP put_RowHeightMin(float value) override;
    STDMETHODIMP get_HeaderRowHeightMin(float* result) override;
    STDMETHODIMP put_HeaderRowHeightMin(float value) override;
    STDMETHODIMP get_FooterRowHeightMin(float* result) override;
    STDMETHODIMP put_FooterRowHeightMin(float value) override;
    STDMETHODIMP get_ResizeCellsToPicHeight(VARIANT_BOOL* result) override;
    STDMETHODIMP put_ResizeCellsToPicHeight(VARIANT_BOOL value) override;

    STDMETHODIMP CalcNumRowsPerPage(IDispatch** objOutput, VARIANT bWithHeader, VARIANT bWithFooter,
                                    VARIANT* result) override;
    STDMETHODIMP putref_PictureMatrix(long Row, long Col, IPictureDisp* vData) override;
    STDMETHODIMP get_PictureMatrix(long Row, long Col, IPictureDisp** result) override;
    STDMETHODIMP put_HeaderRows(long vData) override;
    STDMETHODIMP get_HeaderRows(long* result) override;
    STDMETHODIMP DrawTable(IDispatch** objOutput, long* lRowToStart, long* lStartPage) override;
    STDMETHODIMP put_CellXOffset(float vData) override;
    STDMETHODIMP get_CellXOffset(float* result) override;
    STDMETHODIMP put_CellYOffset(float vData) override;
    STDMETHODIMP get_CellYOffset(float* result) override;
    STDMETHODIMP put_FooterLineThickness(short vData) override;
    STDMETHODIMP get_FooterLineThickness(short* result) override;
    STDMETHODIMP put_HeaderLineThickness(short vData) override;
    STDMETHODIMP get_HeaderLineThickness(short* result) override;
    STDMETHODIMP put_LineThickness(short vData) override;
    STDMETHODIMP get_LineThickness(short* result) override;
    STDMETHODIMP put_MarginLeft(float vData) override;
    STDMETHODIMP get_MarginLeft(float* result) override;
    STDMETHODIMP put_MarginBottom(float vData) override;
    STDMETHODIMP get_MarginBottom(float* result) override;
    STDMETHODIMP put_MarginTop(float vData) override;
    STDMETHODIMP get_MarginTop(float* result) override;
    STDMETHODIMP put_FooterText(long Col, BSTR vData) override;
    STDMETHODIMP get_FooterText(long Col, BSTR* result) override;
    STDMETHODIMP putref_FooterFont(long Col, IFontDisp* vData) override;
    STDMETHODIMP get_FooterFont(long Col, IFontDisp** result) override;
    STDMETHODIMP put_HasFooter(VARIANT_BOOL vData) override;
    STDMETHODIMP get_HasFooter(VARIANT_BOOL* result) override;
    STDMETHODIMP put_ColAlignment(long Col, long vData) override;
    STDMETHODIMP get_ColAlignment(long Col, long* result) override;
    STDMETHODIMP putref_HeaderFont(long Row, long Col, IFontDisp* vData) override;
    STDMETHODIMP get_HeaderFont(long Row, long Col, IFontDisp** result) override;
    STDMETHODIMP put_HeaderText(long Row, long Col, BSTR vData) override;
    STDMETHODIMP get_HeaderText(long Row, long Col, BSTR* result) override;
    STDMETHODIMP putref_ColFont(long Col, IFontDisp* vData) override;
    STDMETHODIMP get_ColFont(long Col, IFontDisp** result) override;
    STDMETHODIMP get_MergeHeaderRow(long Row, VARIANT_BOOL* result) override;
    STDMETHODIMP put_MergeHeaderRow(long Row, VARIANT_BOOL NewV) override;
    STDMETHODIMP get_MergeHeaderCol(long Col, VARIANT_BOOL* result) override;
    STDMETHODIMP put_MergeHeaderCol(long Col, VARIANT_BOOL NewV) override;
    STDMETHODIMP get_MergeRow(long Row, VARIANT_BOOL* result) override;
    STDMETHODIMP put_MergeRow(long Row, VARIANT_BOOL NewV) override;
    STDMETHODIMP get_MergeCol(long Col, VARIANT_BOOL* result) override;
    STDMETHODIMP put_MergeCol(long Col, VARIANT_BOOL NewV) override;
    STDMETHODIMP put_TextMatrix(long Row, long Col, BSTR vData) override;
    STDMETHODIMP get_TextMatrix(long Row, long Col, BSTR* result) override;
    STDMETHODIMP putref_FontMatrix(long Row, long Col, IFontDisp* vData) override;
    STDMETHODIMP get_FontMatrix(long Row, long Col, IFontDisp** result) override;
    STDMETHODIMP put_Rows(long vData) override;
    STDMETHODIMP get_Rows(long* result) override;
    STDMETHODIMP put_Cols(long vData) override;
    STDMETHODIMP get_Cols(long* result) override;
    STDMETHODIMP get_ColWidth(long Col, float* result) override;
    STDMETHODIMP put_ColWidth(long Col, float vData) override;

private:
    void Recount(long& count, long value);

    TableModel model_;
};

// Makes a table printer for the library's own use (and its tests): it is not in the class table.
HRESULT Create_clsTablePrint(REFIID riid, void** ppv);

}  // namespace wx
