#include "tableprint/TablePrintFixture.h"
#include <cstring>

namespace tptest {

Outcome Late(IDispatch* object, const wchar_t* name, WORD flags, std::vector<Variant> args) {
    Outcome out;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    out.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(out.hr)) return out;
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->get());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &putId;
    }
    EXCEPINFO info;
    memset(&info, 0, sizeof info);
    UINT argErr = 0;
    out.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, out.value.get(), &info, &argErr);
    if (out.hr == DISP_E_EXCEPTION) {
        out.number = HRESULT_FACILITY(info.scode) == FACILITY_CONTROL ? HRESULT_CODE(info.scode) : info.scode;
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
    return out;
}

long ErrorNumber(HRESULT hr) {
    if (SUCCEEDED(hr)) return 0;
    return HRESULT_FACILITY(hr) == FACILITY_CONTROL ? HRESULT_CODE(hr) : hr;
}

void PageSink::Connect(_clsTablePrint* table) {
    ComPtr<IConnectionPointContainer> container = ComPtr<_clsTablePrint>(table).as<IConnectionPointContainer>(
        IID_IConnectionPointContainer);
    ASSERT_TRUE(container);
    ASSERT_EQ(container->FindConnectionPoint(DIID___clsTablePrint, point_.put()), S_OK);
    ASSERT_EQ(point_->Advise(static_cast<IDispatch*>(this), &cookie_), S_OK);
}

void PageSink::Disconnect() {
    if (point_ && cookie_) point_->Unadvise(cookie_);
    cookie_ = 0;
    point_.reset();
}

STDMETHODIMP PageSink::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID___clsTablePrint)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

// NewPage(objOutput, TopMarginAlreadySet, bCancel, lLastPrintedRow): arguments arrive last first,
// with their declared types: the first three by reference into the raiser's variables.
STDMETHODIMP PageSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    if (id != 1 || !params || params->cArgs != 4) return DISP_E_MEMBERNOTFOUND;
    VARIANT* arg[4];
    for (int position = 0; position < 4; ++position) arg[position] = &params->rgvarg[3 - position];
    if (V_VT(arg[0]) != (VT_BYREF | VT_DISPATCH) || V_VT(arg[1]) != (VT_BYREF | VT_BOOL) ||
        V_VT(arg[2]) != (VT_BYREF | VT_BOOL) || V_VT(arg[3]) != VT_I4)
        return DISP_E_TYPEMISMATCH;
    IDispatch** surface = V_DISPATCHREF(arg[0]);
    VARIANT_BOOL* topSet = V_BOOLREF(arg[1]);
    VARIANT_BOOL* cancel = V_BOOLREF(arg[2]);
    long last = V_I4(arg[3]);
    double y = -1;
    Outcome current = LateGet(*surface, L"CurrentY");
    if (SUCCEEDED(current.hr)) {
        VARIANT d;
        VariantInit(&d);
        if (SUCCEEDED(VariantChangeType(&d, current.value.get(), 0, VT_R8))) y = V_R8(&d);
    }
    breaks.push_back({last, y});
    if (onNewPage) onNewPage(*surface, *topSet, *cancel, last);
    if (handOver) {
        if (*surface) (*surface)->Release();
        *surface = handOver.get();
        handOver->AddRef();
    }
    return S_OK;
}

}  // namespace tptest
