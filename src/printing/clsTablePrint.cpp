#include "printing/clsTablePrint.h"
#include "frame/ArgumentReader.h"
#include "frame/Errors.h"
#include "frame/FloatingPoint.h"
#include "frame/HostObject.h"
#include "frame/Text.h"
#include "printing/TableLayout.h"
#include "printing/TableRenderer.h"
#include "printing/TableSurface.h"

namespace wx {

namespace {
const DISPID kNewPage = 1;

VARIANT_BOOL Flag(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

void OutText(BSTR* result, const Bstr& text) { *result = CopyBstr(text.get()); }

template <class Itf>
void OutObject(Itf** result, const ComPtr<IDispatch>& object, REFIID iid) {
    if (object) object->QueryInterface(iid, reinterpret_cast<void**>(result));
}

// A Variant flag the way the runtime tests one: Null counts as False.
bool FlagOf(const VARIANT& argument) {
    const VARIANT& value = ReadArgument(argument);
    if (V_VT(&value) == VT_NULL) return false;
    return ToBool(value);
}
}  // namespace

// Stores a new count and rebuilds the tables; a rebuild that fails keeps the old count.
void clsTablePrint::Recount(long& count, long value) {
    long previous = count;
    count = value;
    try {
        model_.Resize();
    } catch (...) {
        count = previous;
        throw;
    }
}

clsTablePrint::clsTablePrint() : Connectable(IID__clsTablePrint, GUID_NULL, DIID___clsTablePrint) {}
clsTablePrint::~clsTablePrint() = default;

// Public fields: plain values, no checks.
STDMETHODIMP clsTablePrint::get_PrintHeaderOnEveryPage(VARIANT_BOOL* result) {
    return Returning(result, [&] { return Flag(model_.printHeaderOnEveryPage); });
}
STDMETHODIMP clsTablePrint::put_PrintHeaderOnEveryPage(VARIANT_BOOL value) {
    return Guarded([&] { model_.printHeaderOnEveryPage = value != VARIANT_FALSE; });
}
STDMETHODIMP clsTablePrint::get_CenterMergedHeader(VARIANT_BOOL* result) {
    return Returning(result, [&] { return Flag(model_.centerMergedHeader); });
}
STDMETHODIMP clsTablePrint::put_CenterMergedHeader(VARIANT_BOOL value) {
    return Guarded([&] { model_.centerMergedHeader = value != VARIANT_FALSE; });
}
STDMETHODIMP clsTablePrint::get_RowHeightMin(float* result) { return Returning(result, [&] { return model_.rowHeightMin; }); }
STDMETHODIMP clsTablePrint::put_RowHeightMin(float value) { return Guarded([&] { model_.rowHeightMin = value; }); }
STDMETHODIMP clsTablePrint::get_HeaderRowHeightMin(float* result) {
    return Returning(result, [&] { return model_.headerRowHeightMin; });
}
STDMETHODIMP clsTablePrint::put_HeaderRowHeightMin(float value) {
    return Guarded([&] { model_.headerRowHeightMin = value; });
}
STDMETHODIMP clsTablePrint::get_FooterRowHeightMin(float* result) {
    return Returning(result, [&] { return model_.footerRowHeightMin; });
}
STDMETHODIMP clsTablePrint::put_FooterRowHeightMin(float value) {
    return Guarded([&] { model_.footerRowHeightMin = value; });
}
STDMETHODIMP clsTablePrint::get_ResizeCellsToPicHeight(VARIANT_BOOL* result) {
    return Returning(result, [&] { return Flag(model_.resizeCellsToPicHeight); });
}
STDMETHODIMP clsTablePrint::put_ResizeCellsToPicHeight(VARIANT_BOOL value) {
    return Guarded([&] { model_.resizeCellsToPicHeight = value != VARIANT_FALSE; });
}

STDMETHODIMP clsTablePrint::CalcNumRowsPerPage(IDispatch** objOutput, VARIANT bWithHeader, VARIANT bWithFooter,
                                               VARIANT* result) {
    // The result is the caller's to give: it may hold anything on the way in, so it is
    // initialised, never cleared.
    if (result) VariantInit(result);
    return Guarded([&] {
        Require(objOutput, result);
        FloatingPointScope realArithmetic;
        bool footerMissing = IsMissingArgument(bWithFooter);
        TableSurface surface(*objOutput);
        ComPtr<IDispatch> current;  // the surface's font is not known: the first cell font is assigned
        BandHeights heights = MeasureBands(model_, surface, current, std::nullopt);
        FinishHeights(model_, heights);
        double available = surface.ScaleHeight() - model_.marginBottom - model_.marginTop;
        if (FlagOf(bWithHeader)) available -= static_cast<double>(heights.header) * model_.headerRows;
        if (footerMissing ? model_.hasFooter : FlagOf(bWithFooter)) available -= heights.footer;
        double rows = WholeRows(available, heights.body);
        V_VT(result) = VT_R4;
        V_R4(result) = static_cast<float>(rows);
    });
}

STDMETHODIMP clsTablePrint::putref_PictureMatrix(long Row, long Col, IPictureDisp* vData) {
    return Guarded([&] { model_.SetPictures(Row, Col, vData); });
}
STDMETHODIMP clsTablePrint::get_PictureMatrix(long Row, long Col, IPictureDisp** result) {
    return Guarded([&] {
        Required(result) = nullptr;  // a read that fails (an index out of range) leaves Nothing
        OutObject(result, model_.Picture(Row, Col), IID_IPictureDisp);
    });
}

STDMETHODIMP clsTablePrint::put_HeaderRows(long vData) {
    return Guarded([&] {
        if (vData < 1) RaiseRuntime(380);
        Recount(model_.headerRows, vData);
    });
}
STDMETHODIMP clsTablePrint::get_HeaderRows(long* result) { return Returning(result, [&] { return model_.headerRows; }); }

STDMETHODIMP clsTablePrint::DrawTable(IDispatch** objOutput, long* lRowToStart, long* lStartPage) {
    return Guarded([&] {
        Require(objOutput, lRowToStart, lStartPage);
        // A handler of NewPage may drop its last reference to us while we draw.
        ComPtr<IUnknown> keepAlive(static_cast<IConnectionPointContainer*>(this));
        FloatingPointScope realArithmetic;
        TableRenderer renderer(model_, [&](VARIANT& surface, VARIANT& topMarginAlreadySet, VARIANT& cancel, long last) {
            Variant lastPrintedRow = Variant::Long(last);
            RaiseEvent(kNewPage, {&surface, &topMarginAlreadySet, &cancel, lastPrintedRow.get()});
        });
        renderer.Draw(objOutput, *lRowToStart, *lStartPage);
    });
}

STDMETHODIMP clsTablePrint::put_CellXOffset(float vData) { return Guarded([&] { model_.cellXOffset = vData; }); }
STDMETHODIMP clsTablePrint::get_CellXOffset(float* result) { return Returning(result, [&] { return model_.cellXOffset; }); }
STDMETHODIMP clsTablePrint::put_CellYOffset(float vData) { return Guarded([&] { model_.cellYOffset = vData; }); }
STDMETHODIMP clsTablePrint::get_CellYOffset(float* result) { return Returning(result, [&] { return model_.cellYOffset; }); }
STDMETHODIMP clsTablePrint::put_FooterLineThickness(short vData) {
    return Guarded([&] { model_.footerLineThickness = vData; });
}
STDMETHODIMP clsTablePrint::get_FooterLineThickness(short* result) {
    return Returning(result, [&] { return model_.footerLineThickness; });
}
STDMETHODIMP clsTablePrint::put_HeaderLineThickness(short vData) {
    return Guarded([&] { model_.headerLineThickness = vData; });
}
STDMETHODIMP clsTablePrint::get_HeaderLineThickness(short* result) {
    return Returning(result, [&] { return model_.headerLineThickness; });
}
STDMETHODIMP clsTablePrint::put_LineThickness(short vData) { return Guarded([&] { model_.lineThickness = vData; }); }
STDMETHODIMP clsTablePrint::get_LineThickness(short* result) { return Returning(result, [&] { return model_.lineThickness; }); }
STDMETHODIMP clsTablePrint::put_MarginLeft(float vData) { return Guarded([&] { model_.marginLeft = vData; }); }
STDMETHODIMP clsTablePrint::get_MarginLeft(float* result) { return Returning(result, [&] { return model_.marginLeft; }); }
STDMETHODIMP clsTablePrint::put_MarginBottom(float vData) { return Guarded([&] { model_.marginBottom = vData; }); }
STDMETHODIMP clsTablePrint::get_MarginBottom(float* result) { return Returning(result, [&] { return model_.marginBottom; }); }
STDMETHODIMP clsTablePrint::put_MarginTop(float vData) { return Guarded([&] { model_.marginTop = vData; }); }
STDMETHODIMP clsTablePrint::get_MarginTop(float* result) { return Returning(result, [&] { return model_.marginTop; }); }

STDMETHODIMP clsTablePrint::put_FooterText(long Col, BSTR vData) {
    return Guarded([&] { model_.SetFooterTexts(Col, vData); });
}
STDMETHODIMP clsTablePrint::get_FooterText(long Col, BSTR* result) {
    return Guarded([&] {
        Required(result) = nullptr;  // a read that fails (an index out of range) leaves Nothing
        OutText(result, model_.FooterText(Col));
    });
}
STDMETHODIMP clsTablePrint::putref_FooterFont(long Col, IFontDisp* vData) {
    return Guarded([&] { model_.SetFooterFonts(Col, vData); });
}
STDMETHODIMP clsTablePrint::get_FooterFont(long Col, IFontDisp** result) {
    return Guarded([&] {
        Required(result) = nullptr;  // a read that fails (an index out of range) leaves Nothing
        OutObject(result, model_.FooterFont(Col), IID_IFontDisp);
    });
}

// Only records the switch: the footer tables follow it at the next resize.
STDMETHODIMP clsTablePrint::put_HasFooter(VARIANT_BOOL vData) {
    return Guarded([&] { model_.hasFooter = vData != VARIANT_FALSE; });
}
STDMETHODIMP clsTablePrint::get_HasFooter(VARIANT_BOOL* result) { return Returning(result, [&] { return Flag(model_.hasFooter); }); }

STDMETHODIMP clsTablePrint::put_ColAlignment(long Col, long vData) {
    return Guarded([&] { model_.SetColAlignments(Col, vData); });
}
STDMETHODIMP clsTablePrint::get_ColAlignment(long Col, long* result) {
    return Returning(result, [&] { return model_.ColAlignment(Col); });
}

STDMETHODIMP clsTablePrint::putref_HeaderFont(long Row, long Col, IFontDisp* vData) {
    return Guarded([&] { model_.SetHeaderFonts(Row, Col, vData); });
}
STDMETHODIMP clsTablePrint::get_HeaderFont(long Row, long Col, IFontDisp** result) {
    return Guarded([&] {
        Required(result) = nullptr;  // a read that fails (an index out of range) leaves Nothing
        OutObject(result, model_.HeaderFont(Row, Col), IID_IFontDisp);
    });
}
STDMETHODIMP clsTablePrint::put_HeaderText(long Row, long Col, BSTR vData) {
    return Guarded([&] { model_.SetHeaderTexts(Row, Col, vData); });
}
STDMETHODIMP clsTablePrint::get_HeaderText(long Row, long Col, BSTR* result) {
    return Guarded([&] {
        Required(result) = nullptr;  // a read that fails (an index out of range) leaves Nothing
        OutText(result, model_.HeaderText(Row, Col));
    });
}

// The column's font is the font of every body row of it; reading it reads row 0.
STDMETHODIMP clsTablePrint::putref_ColFont(long Col, IFontDisp* vData) {
    return Guarded([&] { model_.SetFonts(-1, Col, vData); });
}
STDMETHODIMP clsTablePrint::get_ColFont(long Col, IFontDisp** result) {
    return Guarded([&] {
        Required(result) = nullptr;  // a read that fails (an index out of range) leaves Nothing
        OutObject(result, model_.Font(0, Col), IID_IFontDisp);
    });
}

STDMETHODIMP clsTablePrint::get_MergeHeaderRow(long Row, VARIANT_BOOL* result) {
    return Returning(result, [&] { return Flag(model_.MergeHeaderRow(Row)); });
}
STDMETHODIMP clsTablePrint::put_MergeHeaderRow(long Row, VARIANT_BOOL NewV) {
    return Guarded([&] { model_.SetMergeHeaderRow(Row, NewV != VARIANT_FALSE); });
}
STDMETHODIMP clsTablePrint::get_MergeHeaderCol(long Col, VARIANT_BOOL* result) {
    return Returning(result, [&] { return Flag(model_.MergeHeaderCol(Col)); });
}
STDMETHODIMP clsTablePrint::put_MergeHeaderCol(long Col, VARIANT_BOOL NewV) {
    return Guarded([&] { model_.SetMergeHeaderCol(Col, NewV != VARIANT_FALSE); });
}
STDMETHODIMP clsTablePrint::get_MergeRow(long Row, VARIANT_BOOL* result) {
    return Returning(result, [&] { return Flag(model_.MergeRow(Row)); });
}
STDMETHODIMP clsTablePrint::put_MergeRow(long Row, VARIANT_BOOL NewV) {
    return Guarded([&] { model_.SetMergeRow(Row, NewV != VARIANT_FALSE); });
}
STDMETHODIMP clsTablePrint::get_MergeCol(long Col, VARIANT_BOOL* result) {
    return Returning(result, [&] { return Flag(model_.MergeCol(Col)); });
}
STDMETHODIMP clsTablePrint::put_MergeCol(long Col, VARIANT_BOOL NewV) {
    return Guarded([&] { model_.SetMergeCol(Col, NewV != VARIANT_FALSE); });
}

STDMETHODIMP clsTablePrint::put_TextMatrix(long Row, long Col, BSTR vData) {
    return Guarded([&] { model_.SetTexts(Row, Col, vData); });
}
STDMETHODIMP clsTablePrint::get_TextMatrix(long Row, long Col, BSTR* result) {
    return Guarded([&] {
        Required(result) = nullptr;  // a read that fails (an index out of range) leaves Nothing
        OutText(result, model_.Text(Row, Col));
    });
}
STDMETHODIMP clsTablePrint::putref_FontMatrix(long Row, long Col, IFontDisp* vData) {
    return Guarded([&] { model_.SetFonts(Row, Col, vData); });
}
STDMETHODIMP clsTablePrint::get_FontMatrix(long Row, long Col, IFontDisp** result) {
    return Guarded([&] {
        Required(result) = nullptr;  // a read that fails (an index out of range) leaves Nothing
        OutObject(result, model_.Font(Row, Col), IID_IFontDisp);
    });
}

// The counts: checked before anything is stored, then every table is rebuilt.
STDMETHODIMP clsTablePrint::put_Rows(long vData) {
    return Guarded([&] {
        if (vData < 0) RaiseRuntime(380);
        Recount(model_.rows, vData);
    });
}
STDMETHODIMP clsTablePrint::get_Rows(long* result) { return Returning(result, [&] { return model_.rows; }); }
STDMETHODIMP clsTablePrint::put_Cols(long vData) {
    return Guarded([&] {
        if (vData < 1) RaiseRuntime(380);
        Recount(model_.cols, vData);
    });
}
STDMETHODIMP clsTablePrint::get_Cols(long* result) { return Returning(result, [&] { return model_.cols; }); }

STDMETHODIMP clsTablePrint::get_ColWidth(long Col, float* result) {
    return Returning(result, [&] { return model_.ColWidth(Col); });
}
STDMETHODIMP clsTablePrint::put_ColWidth(long Col, float vData) {
    return Guarded([&] { model_.SetColWidths(Col, vData); });
}

HRESULT Create_clsTablePrint(REFIID riid, void** ppv) { return CreateAndQuery<clsTablePrint>(riid, ppv); }

}  // namespace wx
