// Stateless registry helpers over the platform's wide registry functions: keys and values under a
// predefined root plus a subkey path, text and 32-bit values on an already open key, and the
// machine-wide list of programs started at logon.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"

namespace wx {

class clsWinReg : public Dispatchable<_clsWinReg> {
public:
    clsWinReg();

    STDMETHODIMP DeleteKey(long* lPredefinedKey, BSTR* sKeyName, VARIANT* result) override;
    STDMETHODIMP DeleteValue(long* lPredefinedKey, BSTR* sKeyName, BSTR* sValueName, VARIANT* result) override;
    STDMETHODIMP SetValueEx(long hKey, BSTR* sValueName, long* lType, VARIANT* vValue, long* result) override;
    STDMETHODIMP QueryValueEx(long lhKey, BSTR szValueName, VARIANT* vValue, long* result) override;
    STDMETHODIMP CreateNewKey(long* lPredefinedKey, BSTR* sNewKeyName, VARIANT* result) override;
    STDMETHODIMP SetKeyValue(long* lPredefinedKey, BSTR* sKeyName, BSTR* sValueName, VARIANT* vValueSetting,
                             long* lValueType, VARIANT* result) override;
    STDMETHODIMP QueryValue(long* lPredefinedKey, BSTR* sKeyName, BSTR* sValueName, VARIANT* result) override;
    STDMETHODIMP ShowAtStartup(BSTR* yourexe) override;
    STDMETHODIMP DontShowAtStartup(BSTR* yourexe) override;

private:
    // Members reach each other through the class's own interface, as a host would.
    _clsWinReg* self() { return this; }
};

}  // namespace wx
