#include "desktop/clsOnTop1.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/HostObject.h"
#include "frame/Platform.h"
#include "frame/Runtime.h"
#include "frame/Text.h"
#include "desktop/TrimSpaces.h"
#include "frame/TextFile.h"
#include <cwctype>
#include <vector>

namespace wx {

namespace {
const wchar_t kMissingBannerFile[] = L"Advertisement Scroll1.txt file not found!";
const UINT kMeasure = DT_CALCRECT;                 // 0x400
const UINT kDrawBanner = DT_WORDBREAK | DT_CENTER;  // 0x11
const DWORD kDriveListBuffer = 255;

std::wstring Lower(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

// A host length (Single, in its scale units) as a rectangle coordinate, converted the runtime's way.
long Coordinate(double value) { return ToLong(*Variant::Double(value).get()); }

int DrawBannerText(HDC dc, const std::wstring& text, RECT* area, UINT format) {
    return Platform().drawTextW(dc, text.c_str(), -1, area, format);
}
}  // namespace

clsOnTop1::clsOnTop1() : Dispatchable(IID__clsOnTop1) {}

STDMETHODIMP clsOnTop1::Shutdowncomputerpro(short, LONG* pResult) {
    return Guarded([&] {
        Require(pResult);
        // Only the question: the answer changes nothing and nothing is shut down.
        const std::wstring title = L"Shutdown Computer...";
        ShowMessage(L"Are you sure?", kYesNo, &title);
        *pResult = 0;
    });
}

STDMETHODIMP clsOnTop1::ScrollTextFromFile(BSTR FileName, BSTR* pResult) {
    return Guarded([&] {
        Require(pResult);
        std::wstring text;
        try {
            TextFile file(TextOf(FileName), TextFile::Mode::Input);
            while (!file.AtEnd()) text = TrimSpaces(text + file.LineInput() + L"\r\n");
        } catch (const AutomationError& error) {
            // Reading stops at the first failure; the banner then shows what was gathered, or
            // says which file it missed.
            if (error.number() == 53) text = kMissingBannerFile;
        }
        *pResult = NewBstr(text);
    });
}

STDMETHODIMP clsOnTop1::ScrollAdvertisement(IDispatch* PICBOX, VARIANT SCROLLINGSTRING, short SCROLLINGTIME) {
    return Guarded([&] {
        std::wstring text = ToText(SCROLLINGSTRING);
        if (Lower(text) == L"stop") {
            stopScrolling_ = true;
            return;
        }
        // A new banner starts afresh: a stop asked of an earlier one must not end it at once.
        stopScrolling_ = false;
        RunBanner(PICBOX, text, SCROLLINGTIME);
    });
}

void clsOnTop1::RunBanner(IDispatch* picture, const std::wstring& text, short interval) {
    HostObject box(picture);

    RECT area = {0, 0, 0, 0};
    long height = 0;
    if (DrawBannerText(HandleOfLong<HDC>(box.GetLong(L"hDC")), text, &area, kMeasure) == 0) {
        ShowMessage(L"Error scrolling text", kExclamation);
        stopScrolling_ = true;
    } else {
        height = area.bottom;
        area.top = Coordinate(box.GetDouble(L"ScaleHeight"));
        area.left = 0;
        area.right = Coordinate(box.GetDouble(L"ScaleWidth"));
        area.bottom = Coordinate(box.GetDouble(L"ScaleHeight") + height);
    }

    // Zero as the time of the last step draws the first step at once. The tick difference is
    // taken unsigned, so it stays right when the tick count wraps after 49.7 days (and never
    // overflows after 24.8).
    DWORD last = 0;
    for (;;) {
        if (stopScrolling_) return;
        DWORD elapsed = Platform().getTickCount() - last;
        if (static_cast<long long>(elapsed) > interval) {
            box.Call(L"Cls");
            DrawBannerText(HandleOfLong<HDC>(box.GetLong(L"hDC")), text, &area, kDrawBanner);
            area.top -= 1;
            area.bottom -= 1;
            if (area.top < -height) {  // wholly gone past the top: enter again from the bottom
                area.top = Coordinate(box.GetDouble(L"ScaleHeight"));
                area.bottom = Coordinate(box.GetDouble(L"ScaleHeight") + height);
            }
            box.Call(L"Refresh");
            last = Platform().getTickCount();
            elapsed = 0;
        }
        DoEvents();
        // Sleep until the next step is due or a message arrives, rather than spinning: host
        // handlers (the "stop" among them) still run as soon as their message comes.
        if (!stopScrolling_ && static_cast<long long>(elapsed) <= interval)  // so interval >= elapsed >= 0
            MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(interval) - elapsed + 1, QS_ALLINPUT,
                                        MWMO_INPUTAVAILABLE);
    }
}

STDMETHODIMP clsOnTop1::GetCDRomLetter(BSTR* pResult) {
    return Guarded([&] {
        Require(pResult);
        std::vector<wchar_t> roots(kDriveListBuffer + 1, 0);
        DWORD n = GetLogicalDriveStringsW(kDriveListBuffer, roots.data());
        if (n > kDriveListBuffer) n = kDriveListBuffer;  // only what the buffer really holds
        std::wstring found;
        // The list holds roots such as "C:\" one after another, each ended by a NUL.
        for (DWORD i = 0; i + 2 < n; i += 4) {
            std::wstring root(roots.data() + i, 3);
            if (GetDriveTypeW(root.c_str()) == DRIVE_CDROM) {
                found = root.substr(0, 1);
                break;  // the first CD-ROM drive is the answer
            }
        }
        *pResult = NewBstr(found.empty() ? std::wstring() : std::wstring(1, towupper(found[0])) + L":\\");
    });
}

STDMETHODIMP clsOnTop1::OnTop(IDispatch* frm, VARIANT_BOOL bAction) {
    return Guarded([&] {
        HWND handle = HandleOfLong<HWND>(HostObject(frm).GetLong(L"hWnd"));
        SetWindowPos(handle, bAction != VARIANT_FALSE ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE);
    });
}

HRESULT Create_clsOnTop1(REFIID riid, void** ppv) { return CreateAndQuery<clsOnTop1>(riid, ppv); }

}  // namespace wx
