// Small desktop helpers for a host application: the shutdown question, the text of a banner file,
// a vertically scrolling banner inside a host picture object, the first CD-ROM drive, and a host
// window's always-on-top state.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"

namespace wx {

class clsOnTop1 : public Dispatchable<_clsOnTop1> {
public:
    clsOnTop1();

    STDMETHODIMP Shutdowncomputerpro(short iIndex, LONG* pResult) override;
    STDMETHODIMP ScrollTextFromFile(BSTR FileName, BSTR* pResult) override;
    STDMETHODIMP ScrollAdvertisement(IDispatch* PICBOX, VARIANT SCROLLINGSTRING, short SCROLLINGTIME) override;
    STDMETHODIMP GetCDRomLetter(BSTR* pResult) override;
    STDMETHODIMP OnTop(IDispatch* frm, VARIANT_BOOL bAction) override;

private:
    void RunBanner(IDispatch* picture, const std::wstring& text, short interval);

    // Asks a running banner to end; it is polled between steps, and a re-entrant "stop" call
    // made from a host handler during the banner's message processing is what sets it.
    bool stopScrolling_ = false;
};

}  // namespace wx
