// One INI file (a private profile file) read and written through the platform's profile functions:
// the current path, section, key and default text address an entry; sections and keys can be listed;
// a host form's placement can be saved and restored.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"

namespace wx {

class cyInifINIFilesObj : public Dispatchable<_cyInifINIFilesObj> {
public:
    cyInifINIFilesObj();
    ~cyInifINIFilesObj() override;

    STDMETHODIMP get_LastReturnCode(long* result) override;
    STDMETHODIMP get_Success(VARIANT_BOOL* result) override;
    STDMETHODIMP put_Default(BSTR* value) override;
    STDMETHODIMP get_Default(BSTR* result) override;
    STDMETHODIMP put_Path(BSTR* value) override;
    STDMETHODIMP get_Path(BSTR* result) override;
    STDMETHODIMP put_Key(BSTR* value) override;
    STDMETHODIMP get_Key(BSTR* result) override;
    STDMETHODIMP put_Section(BSTR* value) override;
    STDMETHODIMP get_Section(BSTR* result) override;
    STDMETHODIMP get_Value(BSTR* result) override;
    STDMETHODIMP put_Value(BSTR* value) override;
    STDMETHODIMP DeleteKeyINI() override;
    STDMETHODIMP DeleteSectionINI() override;
    STDMETHODIMP get_INISection(BSTR* result) override;
    STDMETHODIMP put_INISection(BSTR* value) override;
    STDMETHODIMP get_Sections(BSTR* result) override;
    STDMETHODIMP EnumerateCurrentSection(SAFEARRAY** sKey, long* iCount) override;
    STDMETHODIMP EnumerateAllSections(SAFEARRAY** sSections, long* iCount) override;
    STDMETHODIMP SaveFormPosition(IDispatch** frmThis) override;
    STDMETHODIMP LoadFormPosition(IDispatch** frmThis, VARIANT lMinWidth, VARIANT lMinHeight) override;
    STDMETHODIMP CLngDefault(BSTR sString, long lDefault, long* result) override;

private:
    std::wstring ReadEntry(BSTR section, BSTR key, DWORD bufferSize) const;
    void WriteEntry(BSTR section, BSTR key, BSTR value);
    void WriteValue(const std::wstring& text);
    std::wstring ReadValue() const;
    void SplitList(const std::wstring& list, bool keepEmpty, SAFEARRAY** names, long* count);
    static long ConvertOr(const std::wstring& text, long fallback);

    Bstr path_, section_, key_, default_;
    long lastReturnCode_ = 0;
};

}  // namespace wx
