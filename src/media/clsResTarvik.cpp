#include "media/clsResTarvik.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/Platform.h"
#include "frame/Runtime.h"
#include <memory>
#include <mutex>
#include <vector>

namespace wx {

namespace {

const UINT kSoundAsync = 1;  // SND_ASYNC: the call returns while the sound plays

// The platform plays an asynchronous sound from memory straight out of the caller's bytes, after
// the call has returned. The bytes of the sound last started that way stay here until a later
// asynchronous sound replaces it; the platform has stopped the old one by then. The holder is
// process-wide (the platform has one current sound per process) and deliberately outlives the
// library's unloading, so a sound still playing then never reads freed memory.
class PlayingSound {
public:
    static PlayingSound& Instance() {
        static PlayingSound* holder = new PlayingSound();
        return *holder;
    }

    // Plays the bytes with the flags; keeps them alive afterwards when the sound plays on.
    BOOL Play(std::shared_ptr<std::vector<BYTE>> bytes, UINT flags) {
        LPCSTR sound = reinterpret_cast<LPCSTR>(bytes->data());
        if (!(flags & kSoundAsync)) return Platform().sndPlaySoundA(sound, flags);
        std::lock_guard<std::mutex> lock(mutex_);
        BOOL played = Platform().sndPlaySoundA(sound, flags);
        // A refused sound (for example SoundNoStop while another plays) leaves the old one playing.
        if (played) current_.swap(bytes);
        return played;
    }

private:
    std::mutex mutex_;
    std::shared_ptr<std::vector<BYTE>> current_;
};

}  // namespace

clsResTarvik::clsResTarvik() : Dispatchable(IID__clsResTarvik) {
    Create_cLoadResPicture(IID__cLoadResPicture, resLoader_.putVoid());
}

clsResTarvik::~clsResTarvik() { resLoader_.reset(); }

STDMETHODIMP clsResTarvik::GetTarvikRes_Picture(VARIANT* ResNameID, IPictureDisp** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    Quietly([&] {
        if (!ResNameID || !resLoader_) return;
        Variant format = Variant::Text(L"JPG");
        ComPtr<IPicture> picture;
        if (FAILED(resLoader_->get_LoadResPicture(*ResNameID, *format.get(), picture.put())) || !picture) return;
        *result = picture.as<IPictureDisp>(IID_IPictureDisp).detach();
    });
    SetErrorInfo(0, nullptr);  // the loader's error stays inside: the host sees Nothing
    return S_OK;
}

STDMETHODIMP clsResTarvik::GetTarvikRes_WavSound(VARIANT* ResNameID, SoundTypes* SoundFlags) {
    Quietly([&] {
        DoEvents();
        if (!ResNameID) return;
        UINT flags = SoundFlags ? static_cast<UINT>(*SoundFlags) : 4u;
        auto bytes = std::make_shared<std::vector<BYTE>>(ResourceBytes(*ResNameID, L"WAV"));
        // Without SoundMemory the platform reads the argument as a name: a NUL past the sound's
        // own bytes keeps that reading inside the buffer.
        bytes->push_back(0);
        PlayingSound::Instance().Play(std::move(bytes), flags);
    });
    SetErrorInfo(0, nullptr);
    return S_OK;
}

HRESULT Create_clsResTarvik(REFIID riid, void** ppv) { return CreateAndQuery<clsResTarvik>(riid, ppv); }

}  // namespace wx
