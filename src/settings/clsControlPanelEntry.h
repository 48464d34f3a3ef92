// Registers a shell namespace item (a desktop and control panel entry with a title, a tooltip,
// an icon and a command) under a class identifier, served by the shell's own library, and removes
// it again.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"
#include <string>

namespace wx {

class clsControlPanelEntry : public Dispatchable<_clsControlPanelEntry> {
public:
    clsControlPanelEntry();

    STDMETHODIMP CreateEntryToSystemPanel(BSTR* GUID, BSTR* Titel, BSTR* ToolTipText, BSTR* IconDatei,
                                          BSTR* FileToOpen, VARIANT* result) override;
    STDMETHODIMP DeleteEntryFromSystemPanel(BSTR* GUID, VARIANT* result) override;

    // The text shown for a failing registry status.
    static std::wstring RegistryErrorText(long status);
    // The predefined root named at the start of a key path; 0 for any other name.
    static HKEY RootKeyFromName(const std::wstring& name);

private:
    bool CreateKeyWithText(HKEY root, const std::wstring& path, const std::wstring& valueName, BSTR* text);
    bool CreateKeyWithFixedText(HKEY root, const std::wstring& path, const std::wstring& valueName,
                                const wchar_t* text);
    // Splits "HKEY_...\rest" into its root and the rest; a malformed path is shown to the user
    // and yields no root.
    HKEY SplitKeyPath(std::wstring& path);
    void CreateKeyByPath(std::wstring path);
    void DeleteKeyByPath(std::wstring path);
    void SetBinaryValueByPath(std::wstring path, const std::wstring& valueName, const std::wstring& data,
                              bool showErrors);

    long lastStatus_ = 0;  // statuses stay inside the instance
};

}  // namespace wx
