// The host's two media calls: pictures (Nothing instead of an error) and sounds, whose bytes reach
// the platform's sound call unchanged with the caller's flags.
#include "frame/Interfaces.h"
#include "support/Library.h"
#include "support/PlatformSeam.h"
#include <gtest/gtest.h>
#include <mmsystem.h>
#include <cstring>
#include <string>
#include <vector>

using namespace wxtest;

namespace {

// What the fake sound call saw: the first bytes of each call are copied at once (a WAV states its
// own length in its RIFF header); the pointer is kept to look at the bytes again later.
struct SoundCall {
    const BYTE* pointer;
    std::string bytes;
    UINT flags;
};
std::vector<SoundCall> g_calls;
BOOL g_answer = TRUE;

BOOL WINAPI FakeSndPlaySound(LPCSTR sound, UINT flags) {
    SoundCall call{reinterpret_cast<const BYTE*>(sound), std::string(), flags};
    if (sound && memcmp(sound, "RIFF", 4) == 0) {
        DWORD riffSize = 0;
        memcpy(&riffSize, sound + 4, 4);
        call.bytes.assign(sound, riffSize + 8);
    }
    g_calls.push_back(call);
    return g_answer;
}

class SoundSeam {
public:
    SoundSeam() {
        g_calls.clear();
        g_answer = TRUE;
        seam_.Set([](wx::PlatformCalls& calls) { calls.sndPlaySoundA = &FakeSndPlaySound; });
    }
    bool found() const { return seam_.found(); }
    // An instance whose sounds reach the replaced call.
    static ComPtr<_clsResTarvik> Tarvik() { return CreateLinked<_clsResTarvik>(CLSID_clsResTarvik, IID__clsResTarvik); }

private:
    PlatformOverride seam_;
};

std::string ResourceOf(long id, const wchar_t* type) {
    HMODULE module = LibraryModule();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!found) return std::string();
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, SizeofResource(module, found));
}

// Whether every page of the range is still committed and readable (freed large blocks go back to
// the system, and reading them would bring the test program down).
bool Readable(const void* start, size_t length) {
    auto at = static_cast<const BYTE*>(start);
    const BYTE* end = at + length;
    while (at < end) {
        MEMORY_BASIC_INFORMATION info = {};
        if (!VirtualQuery(at, &info, sizeof info) || info.State != MEM_COMMIT ||
            (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) || !info.Protect)
            return false;
        at = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize;
    }
    return true;
}

ComPtr<_clsResTarvik> NewTarvik() { return Create<_clsResTarvik>(CLSID_clsResTarvik, IID__clsResTarvik); }

SIZE PixelSize(IPictureDisp* picture) {
    SIZE size = {-1, -1};
    ComPtr<IPicture> p;
    OLE_HANDLE handle = 0;
    if (!picture || FAILED(picture->QueryInterface(IID_IPicture, p.putVoid())) || FAILED(p->get_Handle(&handle)))
        return size;
    BITMAP bitmap = {};
    if (GetObjectW(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof bitmap, &bitmap)) {
        size.cx = bitmap.bmWidth;
        size.cy = abs(bitmap.bmHeight);
    }
    return size;
}

struct WaveFormat {
    WORD tag, channels;
    DWORD rate;
    WORD bits;
    double seconds;
};

// Reads the "fmt " chunk and the data length of a RIFF WAVE.
bool ParseWave(const std::string& bytes, WaveFormat& format) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return false;
    bool haveFormat = false;
    DWORD byteRate = 0, dataSize = 0;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        DWORD size = 0;
        memcpy(&size, bytes.data() + at + 4, 4);
        std::string id = bytes.substr(at, 4);
        const char* body = bytes.data() + at + 8;
        if (id == "fmt " && size >= 16) {
            memcpy(&format.tag, body, 2);
            memcpy(&format.channels, body + 2, 2);
            memcpy(&format.rate, body + 4, 4);
            memcpy(&byteRate, body + 8, 4);
            memcpy(&format.bits, body + 14, 2);
            haveFormat = true;
        } else if (id == "data") {
            dataSize = size;
        }
        at += 8 + size + (size & 1);
    }
    format.seconds = byteRate ? static_cast<double>(dataSize) / byteRate : 0;
    return haveFormat && dataSize > 0;
}

}  // namespace

TEST(clsResTarvik, PicturesComeWithTheirSizeAndAMissingOneIsNothing) {
    auto tarvik = NewTarvik();
    ASSERT_TRUE(tarvik);
    // Every size is checked through the loader's own tests; here a JPEG and the bitmap.
    const struct { long id, width, height; } pictures[] = {{102, 128, 148}, {115, 296, 417}};
    for (const auto& p : pictures) {
        Variant id = Variant::Long(p.id);
        ComPtr<IPictureDisp> picture;
        ASSERT_EQ(tarvik->GetTarvikRes_Picture(id.get(), picture.put()), S_OK);
        SIZE size = PixelSize(picture.get());
        EXPECT_EQ(size.cx, p.width) << p.id;
        EXPECT_EQ(size.cy, p.height) << p.id;
    }

    Variant missing = Variant::Long(999);
    ComPtr<IPictureDisp> none;
    EXPECT_EQ(tarvik->GetTarvikRes_Picture(missing.get(), none.put()), S_OK);
    EXPECT_FALSE(none);
    ComPtr<IErrorInfo> info;
    EXPECT_EQ(GetErrorInfo(0, info.put()), S_FALSE);  // the loader's error stayed inside

    // Through IDispatch, with the identifier passed the way a script passes a variable.
    ComPtr<IDispatch> dispatch = tarvik.as<IDispatch>(IID_IDispatch);
    Variant text = Variant::Text(L"not a picture");
    CallResult r = Call(dispatch.get(), L"GetTarvikRes_Picture", {Ref(text)});
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_TRUE(r.value.type() == VT_DISPATCH && !V_DISPATCH(r.value.get()));
    Variant id = Variant::Long(115);
    r = Call(dispatch.get(), L"GetTarvikRes_Picture", {Ref(id)});
    ASSERT_EQ(r.value.type(), VT_DISPATCH);
    EXPECT_EQ(PixelSize(static_cast<IPictureDisp*>(V_DISPATCH(r.value.get()))).cx, 296);
}

TEST(clsResTarvik, EverySoundReachesTheSoundCallByteForByteWithItsFormat) {
    SoundSeam seam;
    ASSERT_TRUE(seam.found());
    auto tarvik = SoundSeam::Tarvik();
    const struct { long id; WORD tag, channels; DWORD rate; WORD bits; double seconds; } sounds[] = {
        {106, WAVE_FORMAT_PCM, 2, 22050, 16, 2.0},   {107, WAVE_FORMAT_PCM, 2, 22050, 16, 1.9},
        {108, WAVE_FORMAT_PCM, 1, 11025, 8, 0.16},   {109, WAVE_FORMAT_PCM, 1, 11025, 8, 14},
        {111, WAVE_FORMAT_PCM, 1, 8000, 8, 172},     {118, 2 /* MS ADPCM */, 1, 22050, 4, 2.1},
    };
    for (const auto& s : sounds) {
        g_calls.clear();
        Variant id = Variant::Long(s.id);
        EXPECT_EQ(tarvik->GetTarvikRes_WavSound(id.get(), nullptr), S_OK);
        ASSERT_EQ(g_calls.size(), 1u) << s.id;
        std::string expected = ResourceOf(s.id, L"WAV");
        EXPECT_EQ(g_calls[0].bytes, expected) << s.id;
        EXPECT_EQ(g_calls[0].flags, 4u) << s.id;  // SoundMemory when the caller gives nothing
        WaveFormat format = {};
        ASSERT_TRUE(ParseWave(expected, format)) << s.id;
        EXPECT_EQ(format.tag, s.tag) << s.id;
        EXPECT_EQ(format.channels, s.channels) << s.id;
        EXPECT_EQ(format.rate, s.rate) << s.id;
        EXPECT_EQ(format.bits, s.bits) << s.id;
        EXPECT_NEAR(format.seconds, s.seconds, s.seconds * 0.05 + 0.01) << s.id;
    }
}

TEST(clsResTarvik, SoundFlagsPassUnchangedAndAMissingSoundPlaysNothing) {
    SoundSeam seam;
    ASSERT_TRUE(seam.found());
    auto tarvik = SoundSeam::Tarvik();
    ComPtr<IDispatch> dispatch = tarvik.as<IDispatch>(IID_IDispatch);

    Variant id = Variant::Long(108), flags = Variant::Long(4 | 2);
    EXPECT_EQ(Call(dispatch.get(), L"GetTarvikRes_WavSound", {Ref(id), Ref(flags)}).hr, S_OK);
    EXPECT_EQ(Call(dispatch.get(), L"GetTarvikRes_WavSound", {Ref(id)}).hr, S_OK);  // default flags
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].flags, 6u);
    EXPECT_EQ(g_calls[1].flags, 4u);
    EXPECT_EQ(g_calls[0].bytes, ResourceOf(108, L"WAV"));

    g_calls.clear();
    Variant missing = Variant::Long(999);
    CallResult r = Call(dispatch.get(), L"GetTarvikRes_WavSound", {Ref(missing)});
    EXPECT_EQ(r.hr, S_OK);
    EXPECT_TRUE(g_calls.empty());
}

TEST(clsResTarvik, AnAsynchronousSoundKeepsItsBytesUntilAnotherReplacesIt) {
    SoundSeam seam;
    ASSERT_TRUE(seam.found());
    std::string longSound = ResourceOf(111, L"WAV"), shortSound = ResourceOf(108, L"WAV");
    {
        auto tarvik = SoundSeam::Tarvik();
        Variant id = Variant::Long(111);
        SoundTypes flags = static_cast<SoundTypes>(SoundMemory | SoundASync);
        EXPECT_EQ(tarvik->GetTarvikRes_WavSound(id.get(), &flags), S_OK);
    }  // the object is gone while the platform would still be playing
    ASSERT_EQ(g_calls.size(), 1u);
    const BYTE* playing = g_calls[0].pointer;
    auto stillThere = [&] { return Readable(playing, longSound.size()) && memcmp(playing, longSound.data(), longSound.size()) == 0; };
    EXPECT_TRUE(stillThere());

    auto tarvik = SoundSeam::Tarvik();
    Variant shortId = Variant::Long(108);
    // A synchronous sound, and a refused asynchronous one, leave the playing bytes alone.
    SoundTypes sync = SoundMemory;
    tarvik->GetTarvikRes_WavSound(shortId.get(), &sync);
    EXPECT_TRUE(stillThere());
    g_answer = FALSE;
    SoundTypes noStop = static_cast<SoundTypes>(SoundMemory | SoundASync | SoundNoStop);
    tarvik->GetTarvikRes_WavSound(shortId.get(), &noStop);
    EXPECT_TRUE(stillThere());

    // An accepted asynchronous sound takes over; its own bytes are then the ones kept.
    g_answer = TRUE;
    SoundTypes async = static_cast<SoundTypes>(SoundMemory | SoundASync);
    tarvik->GetTarvikRes_WavSound(shortId.get(), &async);
    ASSERT_EQ(g_calls.size(), 4u);
    const BYTE* replaced = g_calls[3].pointer;
    tarvik.reset();
    EXPECT_TRUE(Readable(replaced, shortSound.size()) && memcmp(replaced, shortSound.data(), shortSound.size()) == 0);
    EXPECT_EQ(g_calls[3].flags, static_cast<UINT>(SoundMemory | SoundASync));
}
