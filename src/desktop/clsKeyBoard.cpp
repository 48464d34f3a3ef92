#include "desktop/clsKeyBoard.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/Platform.h"
#include "frame/Runtime.h"
#include "frame/Text.h"

namespace wx {

namespace {
const DWORD kExtendedKey = KEYEVENTF_EXTENDEDKEY;  // 1
const DWORD kKeyUp = KEYEVENTF_KEYUP;              // 2
const BYTE kModifiers[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
const DWORD kPauseAfterCharacter = 20;  // ms, so slow readers of the input keep up

// Key and scan codes travel to keybd_event as bytes; anything wider is an overflow, as a Byte
// argument is for a Basic caller. Checked before any event goes out, so that a refused call never
// leaves a modifier held down.
BYTE AsByte(long value) {
    if (value < 0 || value > 255) RaiseRuntime(6);
    return static_cast<BYTE>(value);
}

// The ANSI code of a character, as one byte. A character the code page lacks has none (the
// platform's best-fit look-alike would type another key), and neither has a double-byte one.
BYTE AnsiCode(wchar_t character) {
    std::string bytes;
    if (!ToAnsiExact(std::wstring_view(&character, 1), bytes) || bytes.size() != 1) RaiseRuntime(6);
    return static_cast<BYTE>(bytes[0]);
}

// MapVirtualKeyA receives the key code widened as a signed number would be, shift-state bits and
// all (so -1 from VkKeyScanA arrives as 0xFFFFFFFF).
UINT Widened(long code) { return static_cast<UINT>(code); }

DWORD ExtendedFlag(long code) { return MapVirtualKeyA(Widened(code), MAPVK_VK_TO_CHAR) == 0 ? kExtendedKey : 0; }

VARIANT_BOOL AsBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }
}  // namespace

clsKeyBoard::clsKeyBoard() : Dispatchable(IID__clsKeyBoard) {}

void clsKeyBoard::TypeCharacter(wchar_t character, bool hold, bool release) {
    short key = VkKeyScanA(static_cast<CHAR>(AnsiCode(character)));
    if (key == 0) return;
    DWORD ext = ExtendedFlag(key);
    BYTE scan = AsByte(static_cast<long>(MapVirtualKeyA(Widened(key), MAPVK_VK_TO_VSC)));
    BYTE vk = static_cast<BYTE>(key & 0xFF);
    bool needed[] = {(key & 0x100) != 0, (key & 0x200) != 0, (key & 0x400) != 0};

    auto& platform = Platform();
    if (!release) {
        for (int i = 0; i < 3; ++i)
            if (needed[i]) platform.keybdEvent(kModifiers[i], 0, 0, 0);
        platform.keybdEvent(vk, scan, ext, 0);
    }
    if (!hold) {
        platform.keybdEvent(vk, scan, ext + kKeyUp, 0);
        for (int i = 0; i < 3; ++i)
            if (needed[i]) platform.keybdEvent(kModifiers[i], 0, kKeyUp, 0);
    }
}

STDMETHODIMP clsKeyBoard::PressKey(BSTR sKey, VARIANT_BOOL bHold, VARIANT_BOOL bRelease) {
    return Guarded([&] {
        if (SysStringLen(sKey) == 0) RaiseRuntime(5);  // no first character to type
        TypeCharacter(sKey[0], bHold != VARIANT_FALSE, bRelease != VARIANT_FALSE);
    });
}

STDMETHODIMP clsKeyBoard::PressString(BSTR sString, VARIANT_BOOL bDoEvents) {
    return Guarded([&] {
        // The caller's text is copied first: a host handler running while we yield must not be
        // able to pull it from under us.
        std::wstring text = TextOf(sString);
        // A character with no key code refuses the whole text before anything is typed.
        for (wchar_t character : text) AnsiCode(character);
        for (wchar_t character : text) {
            TypeCharacter(character, false, false);
            Sleep(kPauseAfterCharacter);
            if (bDoEvents != VARIANT_FALSE) DoEvents();
        }
    });
}

STDMETHODIMP clsKeyBoard::PressKeyVK(enumKeys keyPress, VARIANT_BOOL bHold, VARIANT_BOOL bRelease,
                                     VARIANT_BOOL bCompatible) {
    return Guarded([&] {
        long code = static_cast<long>(keyPress);
        DWORD ext = bCompatible != VARIANT_FALSE ? 0 : ExtendedFlag(code);
        BYTE scan = AsByte(static_cast<long>(MapVirtualKeyA(Widened(code), MAPVK_VK_TO_VSC)));
        BYTE vk = AsByte(code);
        auto& platform = Platform();
        if (bRelease == VARIANT_FALSE) platform.keybdEvent(vk, scan, ext, 0);
        if (bHold == VARIANT_FALSE) platform.keybdEvent(vk, scan, ext + kKeyUp, 0);
    });
}

STDMETHODIMP clsKeyBoard::GetLockStatus(VARIANT_BOOL* bCapsLock, VARIANT_BOOL* bNumLock, VARIANT_BOOL* bScrollLock) {
    return Guarded([&] {
        Require(bCapsLock, bNumLock, bScrollLock);
        // Any bit counts: a lock key that is off but held down reads as on.
        auto& platform = Platform();
        *bCapsLock = AsBool(platform.getKeyState(VK_CAPITAL) != 0);
        *bNumLock = AsBool(platform.getKeyState(VK_NUMLOCK) != 0);
        *bScrollLock = AsBool(platform.getKeyState(VK_SCROLL) != 0);
    });
}

HRESULT Create_clsKeyBoard(REFIID riid, void** ppv) { return CreateAndQuery<clsKeyBoard>(riid, ppv); }

}  // namespace wx
