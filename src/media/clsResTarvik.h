// The two calls a host uses for the library's media: a picture from the "JPG" resources and a
// sound from the "WAV" resources. Neither ever raises; a picture that cannot be made is Nothing and
// a sound that cannot be read is not played.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"

namespace wx {

class clsResTarvik : public Dispatchable<_clsResTarvik> {
public:
    clsResTarvik();
    ~clsResTarvik() override;

    STDMETHODIMP GetTarvikRes_Picture(VARIANT* ResNameID, IPictureDisp** result) override;
    STDMETHODIMP GetTarvikRes_WavSound(VARIANT* ResNameID, SoundTypes* SoundFlags) override;

private:
    ComPtr<_cLoadResPicture> resLoader_;  // held from creation to termination
};

}  // namespace wx
