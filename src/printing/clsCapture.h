// Copies the pixels of a window, a form, its client area, the foreground window or the whole
// screen into a new bitmap handed to the host as a standard picture, and prints a picture as large
// as it fits on a printer page. Stateless: every bitmap (and palette) made here belongs to the
// picture returned; every device context is released before a member returns.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"

namespace wx {

class clsCapture : public Dispatchable<_clsCapture> {
public:
    clsCapture();

    STDMETHODIMP CreateBitmapPicture(LONG hBmp, LONG hPal, IPictureDisp** result) override;
    STDMETHODIMP CaptureWindow(LONG hWndSrc, VARIANT_BOOL Client, LONG LeftSrc, LONG TopSrc, LONG WidthSrc,
                               LONG HeightSrc, IPictureDisp** result) override;
    STDMETHODIMP CaptureScreen(IPictureDisp** result) override;
    STDMETHODIMP CaptureForm(IDispatch** frmSrc, IPictureDisp** result) override;
    STDMETHODIMP CaptureClient(IDispatch** frmSrc, IPictureDisp** result) override;
    STDMETHODIMP CaptureAnyWindow(LONG* lHandle, IPictureDisp** result) override;
    STDMETHODIMP CaptureActiveWindow(IPictureDisp** result) override;
    STDMETHODIMP PrintPictureToFitPage(IDispatch** Prn, IPictureDisp** Pic) override;
};

}  // namespace wx
