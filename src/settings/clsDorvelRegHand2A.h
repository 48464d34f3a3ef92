// One registry value addressed through properties (root, key path, value name, type, default),
// read and written with conversion by type; the key can be tested, created and deleted and its
// value and subkey names listed. Failures are raised with the handler's own numbers and texts.
// The same object registers file-type associations under both class roots.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"
#include <string>

namespace wx {

class clsDorvelRegHand2A : public Dispatchable<_clsDorvelRegHand2A> {
public:
    clsDorvelRegHand2A();

    STDMETHODIMP get_KeyExists(VARIANT_BOOL* result) override;
    STDMETHODIMP CreateKey(VARIANT_BOOL* result) override;
    STDMETHODIMP DeleteKey(VARIANT_BOOL* result) override;
    STDMETHODIMP DeleteValue(VARIANT_BOOL* result) override;
    STDMETHODIMP get_Value(VARIANT* result) override;
    STDMETHODIMP put_Value(VARIANT vValue) override;
    STDMETHODIMP EnumerateValues(SAFEARRAY** sKeyNames, long* iKeyCount, VARIANT_BOOL* result) override;
    STDMETHODIMP EnumerateSections(SAFEARRAY** sSect, long* iSectCount, VARIANT_BOOL* result) override;
    STDMETHODIMP CreateEXEAssociation(BSTR sExePath, BSTR sClassName, BSTR sClassDescription, BSTR sAssociation,
                                      BSTR sOpenMenuText, VARIANT_BOOL bSupportPrint, BSTR sPrintMenuText,
                                      VARIANT_BOOL bSupportNew, BSTR sNewMenuText, VARIANT_BOOL bSupportInstall,
                                      BSTR sInstallMenuText, long lDefaultIconIndex) override;
    STDMETHODIMP CreateAdditionalEXEAssociations(BSTR sClassName, SAFEARRAY** vItems) override;
    STDMETHODIMP get_ValueType(ERegistryValueTypes* result) override;
    STDMETHODIMP put_ValueType(ERegistryValueTypes value) override;
    STDMETHODIMP get_ClassKey(ERegistryClassConstants* result) override;
    STDMETHODIMP put_ClassKey(ERegistryClassConstants value) override;
    STDMETHODIMP get_SectionKey(BSTR* result) override;
    STDMETHODIMP put_SectionKey(BSTR value) override;
    STDMETHODIMP get_ValueKey(BSTR* result) override;
    STDMETHODIMP put_ValueKey(BSTR value) override;
    STDMETHODIMP get_Default(VARIANT* result) override;
    STDMETHODIMP put_Default(VARIANT value) override;

private:
    HKEY Root() const;
    bool KeyExists() const;
    Variant ReadValue();
    void WriteValue(const VARIANT& value);
    // Writes a class entry's default value below the classes root and again below the machine's
    // SOFTWARE\Classes, leaving the section key as it was.
    void WriteClassValue(const std::wstring& text);
    void SetSection(const std::wstring& path);
    std::wstring Where() const;  // "<root>',Section: '<section>"
    std::wstring WriteFailure() const;

    long classKey_ = 0;
    Bstr section_;
    Bstr valueKey_;
    Variant default_;
    long valueType_ = 0;
    Variant lastValue_;
};

}  // namespace wx
