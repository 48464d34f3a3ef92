// clzBriCon.Bright against the pixel-by-pixel pass (GetPixel and SetPixel for every pixel, the
// picture's hDC read for every call) on the same 1024 x 768 picture, in one run: both must leave
// identical pixels and call Refresh alike; the ratio of their times is printed.
//
//   tools/wine-run build/bin/bright_bench.exe [amount]
#include "support/BrightReference.h"
#include "support/Library.h"
#include <cstdio>
#include <cstdlib>
#include <cwchar>

using namespace wxtest;

namespace {

const int kWidth = 1024, kHeight = 768;
const CLSID kClzBriCon = {0x0B9C9988, 0xA632, 0x4779, {0x87, 0x2B, 0x3A, 0xA0, 0xD8, 0xD9, 0xB3, 0x0E}};

// A picture box reduced to what the pass uses: ScaleWidth, ScaleHeight and hDC in pixels, and a
// Refresh that counts.
class PictureHost : public IDispatch {
public:
    explicit PictureHost(HDC dc, float height = kHeight) : dc_(dc), height_(height) {}
    int refreshes = 0;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }   // lives on the stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) override {
        static const wchar_t* known[] = {L"ScaleWidth", L"ScaleHeight", L"hDC", L"Refresh"};
        for (DISPID i = 0; i < 4; ++i)
            if (_wcsicmp(names[0], known[i]) == 0) { *id = i + 1; return S_OK; }
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        VARIANT dummy;
        if (!result) result = &dummy;
        VariantInit(result);
        switch (id) {
        case 1: V_VT(result) = VT_R4; V_R4(result) = kWidth; return S_OK;
        case 2: V_VT(result) = VT_R4; V_R4(result) = height_; return S_OK;
        case 3: V_VT(result) = VT_I4; V_I4(result) = static_cast<LONG>(reinterpret_cast<LONG_PTR>(dc_)); return S_OK;
        case 4: ++refreshes; return S_OK;
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    HDC dc_;
    float height_;
};

double Seconds() {
    static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    short amount = static_cast<short>(argc > 1 ? atoi(argv[1]) : 37);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int status = 1;
    {
        ComPtr<IDispatch> bricon = Create<IDispatch>(kClzBriCon, IID_IDispatch);
        if (!bricon) {
            std::printf("cannot create clzBriCon from %ls\n", LibraryPath().c_str());
            return 1;
        }
        DibSurface original(kWidth, kHeight), byPixels(kWidth, kHeight), fast(kWidth, kHeight);
        original.Fill(11);
        BitBlt(byPixels.dc(), 0, 0, kWidth, kHeight, original.dc(), 0, 0, SRCCOPY);
        BitBlt(fast.dc(), 0, 0, kWidth, kHeight, original.dc(), 0, 0, SRCCOPY);
        PictureHost slowHost(byPixels.dc()), fastHost(fast.dc());

        double t0 = Seconds();
        BrightByPixels(amount, &slowHost);
        double t1 = Seconds();

        VARIANT args[2];  // Invoke takes them last to first
        VariantInit(&args[0]);
        V_VT(&args[0]) = VT_DISPATCH;
        V_DISPATCH(&args[0]) = &fastHost;
        VariantInit(&args[1]);
        V_VT(&args[1]) = VT_I2;
        V_I2(&args[1]) = amount;
        // The first late-bound call loads the library's type information; that is not the pass.
        VARIANT small;
        VariantInit(&small);
        V_VT(&small) = VT_I2;
        V_I2(&small) = 300;
        Call(bricon.get(), L"CheckByte", {small});
        double t2 = Seconds();
        CallResult r = Call(bricon.get(), L"Bright", {args[1], args[0]});
        double t3 = Seconds();
        // The same call with no rows at all: what the host conversation alone costs.
        PictureHost emptyHost(fast.dc(), -1);
        VARIANT emptyArgs[2] = {args[0], args[1]};
        V_DISPATCH(&emptyArgs[0]) = &emptyHost;
        double t6 = Seconds();
        Call(bricon.get(), L"Bright", {emptyArgs[1], emptyArgs[0]});
        double t7 = Seconds();

        // For scale: the same pixel loop with the DC held, no host reads at all.
        DibSurface bare(kWidth, kHeight);
        BitBlt(bare.dc(), 0, 0, kWidth, kHeight, original.dc(), 0, 0, SRCCOPY);
        double t4 = Seconds();
        for (int x = 0; x <= kWidth; ++x)
            for (int y = 0; y <= kHeight; ++y) {
                COLORREF c = GetPixel(bare.dc(), x, y);
                auto lift = [amount](int v) { v += amount; return v < 0 ? 0 : (v > 255 ? 255 : v); };
                SetPixel(bare.dc(), x, y, RGB(lift(GetRValue(c)), lift(GetGValue(c)), lift(GetBValue(c))));
            }
        double t5 = Seconds();

        bool identical = byPixels.Bytes() == fast.Bytes() && original.Bytes() != fast.Bytes();
        bool sameRefreshes = slowHost.refreshes == fastHost.refreshes;
        double slow = t1 - t0, quick = t3 - t2, ratio = slow / quick;
        std::printf("Bright %dx%d, amount %d\n", kWidth, kHeight, amount);
        std::printf("  pixel by pixel (GetPixel/SetPixel, hDC read per call): %10.3f s\n", slow);
        std::printf("  library block pass (clzBriCon.Bright):                 %10.3f s\n", quick);
        std::printf("  ratio: %.1fx\n", ratio);
        std::printf("  (of the block pass, reading ScaleHeight and calling Refresh alone: %.3f s)\n", t7 - t6);
        std::printf("  (GetPixel/SetPixel alone, DC held, no host reads: %.3f s, %.1fx the block pass)\n", t5 - t4,
                    (t5 - t4) / quick);
        std::printf("  identical pixels: %s; Refresh calls %d / %d; call result 0x%08lX\n", identical ? "yes" : "NO",
                    slowHost.refreshes, fastHost.refreshes, static_cast<unsigned long>(r.hr));
        bool ok = identical && sameRefreshes && SUCCEEDED(r.hr) && ratio >= 100;
        std::printf("%s (target: identical pixels and at least 100x)\n", ok ? "PASS" : "FAIL");
        status = ok ? 0 : 1;
    }
    CoUninitialize();
    return status;
}
