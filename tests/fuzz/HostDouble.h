// A generic host object for the fuzzer: it answers every name. Property reads and method calls
// return a value drawn from the current call's generator (small numbers, texts, Null, Empty,
// itself; a real window for "hWnd" and a real memory device context for "hDC" most of the time),
// and writes are accepted. Names it has seen get stable dispatch ids.
#pragma once
#include "fuzz/Values.h"
#include <map>
#include <string>

namespace wxfuzz {

class HostDouble : public IDispatch {
public:
    static wx::ComPtr<HostDouble> Make(HWND window, HDC dc);
    void Reseed(uint64_t seed, uint64_t call) { rng_ = Random(seed, call ^ 0xD0D0D0D0ULL); }
    long Accesses() const { return accesses_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO*, UINT*) override;

private:
    HostDouble(HWND window, HDC dc) : window_(window), dc_(dc), rng_(1, 1) {}
    virtual ~HostDouble() = default;
    volatile LONG refs_ = 1;
    HWND window_;
    HDC dc_;
    Random rng_;
    long accesses_ = 0;
    std::map<std::wstring, DISPID> ids_;
    std::map<DISPID, std::wstring> names_;
};

}  // namespace wxfuzz
