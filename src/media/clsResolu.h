// Scales a host form and its controls: once from a layout made for 800 x 600 pixels to the current
// screen (AdjustForm), then with every change of the form's size (FormResize). The form and its
// controls are reached by member name.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"

namespace wx {

class clsResolu : public Dispatchable<_clsResolu> {
public:
    clsResolu();
    ~clsResolu() override;

    STDMETHODIMP get_Xtwips(short* result) override;
    STDMETHODIMP put_Xtwips(short value) override;
    STDMETHODIMP get_Ytwips(short* result) override;
    STDMETHODIMP put_Ytwips(short value) override;
    STDMETHODIMP get_Xpixels(short* result) override;
    STDMETHODIMP put_Xpixels(short value) override;
    STDMETHODIMP get_Ypixels(short* result) override;
    STDMETHODIMP put_Ypixels(short value) override;
    STDMETHODIMP get_RePosForm(VARIANT_BOOL* result) override;
    STDMETHODIMP put_RePosForm(VARIANT_BOOL value) override;
    STDMETHODIMP get_DoResize(VARIANT_BOOL* result) override;
    STDMETHODIMP put_DoResize(VARIANT_BOOL value) override;
    STDMETHODIMP Resize_For_Resolution(float SFX, float SFY, IDispatch** MyForm) override;
    STDMETHODIMP FormResize(IDispatch** TheForm) override;
    STDMETHODIMP AdjustForm(IDispatch** TheForm) override;

private:
    void ScaleControls(float sfx, float sfy, IDispatch* form);

    short xTwips_ = 0;
    short yTwips_ = 0;
    short xPixels_ = 0;
    short yPixels_ = 0;
    bool rePosForm_ = false;
    bool doResize_ = false;
    FRMSIZE lastSize_ = {0, 0};   // twips, what FormResize compares the form's size with
    short designWidth_ = 0;       // pixels the form was laid out for
    short designHeight_ = 0;
    float factorX_ = 0;
    float factorY_ = 0;
};

}  // namespace wx
