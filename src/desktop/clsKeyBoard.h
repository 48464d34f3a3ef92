// Keystrokes synthesised into the system input stream, as if typed: single characters with the
// Shift, Ctrl and Alt presses they need, whole texts, keys by virtual-key code, and the state of
// the three lock keys. The class keeps no state.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"

namespace wx {

class clsKeyBoard : public Dispatchable<_clsKeyBoard> {
public:
    clsKeyBoard();

    STDMETHODIMP PressKey(BSTR sKey, VARIANT_BOOL bHold, VARIANT_BOOL bRelease) override;
    STDMETHODIMP PressString(BSTR sString, VARIANT_BOOL bDoEvents) override;
    STDMETHODIMP PressKeyVK(enumKeys keyPress, VARIANT_BOOL bHold, VARIANT_BOOL bRelease,
                            VARIANT_BOOL bCompatible) override;
    STDMETHODIMP GetLockStatus(VARIANT_BOOL* bCapsLock, VARIANT_BOOL* bNumLock, VARIANT_BOOL* bScrollLock) override;

private:
    static void TypeCharacter(wchar_t character, bool hold, bool release);
};

}  // namespace wx
