// Shared pieces of the table printer's tests: a new printer, late-bound calls by name, and an
// event sink for NewPage that records each break and answers it as a host's handler would.
#pragma once
#include "TablePrint.h"
#include "frame/Handles.h"
#include "printing/TableSurface.h"
#include "printing/clsTablePrint.h"
#include "support/DrawingSurface.h"
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>

namespace tptest {

using wx::Bstr;
using wx::ComPtr;
using wx::Variant;

inline ComPtr<_clsTablePrint> NewTable() {
    ComPtr<_clsTablePrint> table;
    wx::Create_clsTablePrint(IID__clsTablePrint, table.putVoid());
    return table;
}

// The outcome of a late-bound call: the HRESULT, the value and the automation error number.
struct Outcome {
    HRESULT hr = S_OK;
    Variant value;
    long number = 0;
};

// Calls a member by name; `put` selects property put (value last), `putRef` property putref.
Outcome Late(IDispatch* object, const wchar_t* name, WORD flags, std::vector<Variant> args);
inline Outcome LateGet(IDispatch* o, const wchar_t* name, std::vector<Variant> args = {}) {
    return Late(o, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(args));
}
inline Outcome LatePut(IDispatch* o, const wchar_t* name, std::vector<Variant> args) {
    return Late(o, name, DISPATCH_PROPERTYPUT, std::move(args));
}

// The automation error number of a failed vtable call (0 on success).
long ErrorNumber(HRESULT hr);

inline std::wstring Text(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }
inline Variant Str(const wchar_t* s) { return Variant::Text(s); }

// Sinks NewPage: records (lastPrintedRow, CurrentY at the break) and lets a test decide the flags.
class PageSink : public IDispatch {
public:
    struct Break { long lastRow; double currentY; };
    // Called with the surface and the two flags; return nothing, change the flags as wanted.
    std::function<void(IDispatch* surface, VARIANT_BOOL& topMarginSet, VARIANT_BOOL& cancel, long last)> onNewPage;
    std::vector<Break> breaks;
    // When set, the handler hands this surface back through objOutput.
    ComPtr<IDispatch> handOver;

    static ComPtr<PageSink> Make() { return ComPtr<PageSink>::Attach(new PageSink()); }
    // Connects to a table's NewPage; disconnects when the returned cookie holder goes.
    void Connect(_clsTablePrint* table);
    void Disconnect();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    PageSink() = default;
    virtual ~PageSink() { Disconnect(); }
    volatile LONG refs_ = 1;
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

// Draws through the vtable with the given start row and page.
inline HRESULT Draw(_clsTablePrint* table, IDispatch* surface, long startRow = 0, long startPage = 1) {
    IDispatch* output = surface;
    output->AddRef();
    HRESULT hr = table->DrawTable(&output, &startRow, &startPage);
    output->Release();
    return hr;
}

}  // namespace tptest
