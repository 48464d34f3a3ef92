#include "settings/clsControlPanelEntry.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/Runtime.h"
#include "frame/Text.h"
#include <vector>

namespace wx {

namespace {

const wchar_t kExplorer[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
// Read control plus all six key-specific rights.
const REGSAM kCreateRights = 0x2003F;

bool StartsWith(const std::wstring& text, const wchar_t* prefix) { return text.compare(0, wcslen(prefix), prefix) == 0; }

}  // namespace

clsControlPanelEntry::clsControlPanelEntry() : Dispatchable(IID__clsControlPanelEntry) {}

std::wstring clsControlPanelEntry::RegistryErrorText(long status) {
    switch (status) {
    case 2: case 1010: return L"Bad Key Name";
    case 4: case 1012: return L"Can't Read Key";
    case 5: return L"Access to this key is denied";
    case 8: case 14: return L"Out of memory";
    case 87: return L"Invalid Parameter";
    case 234: return L"There is more data than the buffer has been allocated to hold.";
    case 1009: case 1015: return L"The Registry Database is corrupt!";
    case 1011: return L"Can't Open Key";
    case 1013: return L"Can't Write Key";
    default: return L"Undefined Error Code: " + NumberText(status);
    }
}

HKEY clsControlPanelEntry::RootKeyFromName(const std::wstring& name) {
    if (name == L"HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    if (name == L"HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (name == L"HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (name == L"HKEY_USERS") return HKEY_USERS;
    if (name == L"HKEY_PERFORMANCE_DATA") return HKEY_PERFORMANCE_DATA;
    if (name == L"HKEY_CURRENT_CONFIG") return HKEY_CURRENT_CONFIG;
    if (name == L"HKEY_DYN_DATA") return HKEY_DYN_DATA;
    return nullptr;
}

bool clsControlPanelEntry::CreateKeyWithText(HKEY root, const std::wstring& path, const std::wstring& valueName,
                                             BSTR* text) {
    wchar_t keyClass[] = L"1";
    SECURITY_ATTRIBUTES security = {50, nullptr, 65535};
    RegKey handle;
    DWORD disposition = 0;
    lastStatus_ = RegCreateKeyExW(root, path.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE, kCreateRights, &security,
                                  handle.put(), &disposition);
    if (lastStatus_ != ERROR_SUCCESS) return false;
    // An empty text is stored as one space, and the caller's variable says so too.
    if (SysStringLen(*text) == 0) AssignBstr(text, L" ");
    // The text's characters alone, without a terminating NUL.
    std::wstring data = TextOf(*text);
    lastStatus_ = RegSetValueExW(handle.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    return lastStatus_ == ERROR_SUCCESS;
}

bool clsControlPanelEntry::CreateKeyWithFixedText(HKEY root, const std::wstring& path, const std::wstring& valueName,
                                                  const wchar_t* text) {
    Bstr variable(text);
    BSTR raw = variable.release();
    bool done = CreateKeyWithText(root, path, valueName, &raw);
    variable = Bstr::Attach(raw);
    return done;
}

HKEY clsControlPanelEntry::SplitKeyPath(std::wstring& path) {
    if (!StartsWith(path, L"HKEY_") || (!path.empty() && path.back() == L'\\')) {
        ShowMessage(L"Incorrect Format:\n\n" + path, kOkOnly);
        return nullptr;
    }
    size_t slash = path.find(L'\\');
    if (slash == std::wstring::npos) {
        HKEY root = RootKeyFromName(path);
        path.clear();
        return root;
    }
    HKEY root = RootKeyFromName(path.substr(0, slash));
    path = path.substr(slash + 1);
    return root;
}

void clsControlPanelEntry::CreateKeyByPath(std::wstring path) {
    HKEY root = SplitKeyPath(path);
    if (!root) return;
    RegKey handle;
    lastStatus_ = RegCreateKeyW(root, path.c_str(), handle.put());
}

void clsControlPanelEntry::DeleteKeyByPath(std::wstring path) {
    HKEY root = SplitKeyPath(path);
    // A path naming only a root has nothing below it to delete.
    if (!root || path.empty()) return;
    lastStatus_ = RegDeleteKeyW(root, path.c_str());
}

void clsControlPanelEntry::SetBinaryValueByPath(std::wstring path, const std::wstring& valueName,
                                                const std::wstring& data, bool showErrors) {
    HKEY root = SplitKeyPath(path);
    if (!root) return;
    // Each character becomes the one byte of its ANSI code, the stored format of binary data made
    // from text; one that has no byte of its own (or needs more) does not fit.
    std::vector<BYTE> bytes;
    for (wchar_t c : data) {
        std::string code;
        if (!ToAnsiExact(std::wstring_view(&c, 1), code) || code.size() != 1) RaiseRuntime(6);
        bytes.push_back(static_cast<BYTE>(code[0]));
    }
    LONG status;
    {
        RegKey handle;
        status = RegOpenKeyExW(root, path.c_str(), 0, KEY_WRITE, handle.put());
        if (status == ERROR_SUCCESS)
            status = RegSetValueExW(handle.get(), valueName.c_str(), 0, REG_BINARY, bytes.data(),
                                    static_cast<DWORD>(bytes.size()));
    }
    lastStatus_ = status;
    if (status != ERROR_SUCCESS && showErrors) ShowMessage(RegistryErrorText(status), kOkOnly);
}

STDMETHODIMP clsControlPanelEntry::CreateEntryToSystemPanel(BSTR* GUID, BSTR* Titel, BSTR* ToolTipText,
                                                            BSTR* IconDatei, BSTR* FileToOpen, VARIANT* result) {
    return Guarded([&] {
        VariantInit(&Required(result));
        Require(GUID, Titel, ToolTipText, IconDatei, FileToOpen);
        const std::wstring id = TextOf(*GUID);
        // A GUID that names no key of its own would put the entry's values on the class list itself
        // (an empty one, as the platform reads names up to a NUL) or into another key (one holding
        // a backslash): nothing is written then.
        if (BeforeNul(id).empty() || id.find(L'\\') != std::wstring::npos) return;
        const std::wstring classKey = L"CLSID\\" + id;
        const std::wstring desktop = std::wstring(kExplorer) + L"Desktop\\NameSpace\\" + id;
        const std::wstring panel = std::wstring(kExplorer) + L"ControlPanel\\NameSpace\\" + id;
        const std::wstring unnamedValue;  // the name of a key's default value
        // Each row stands alone: a failing one does not stop the next.
        CreateKeyWithText(HKEY_CLASSES_ROOT, classKey, unnamedValue, Titel);
        CreateKeyWithText(HKEY_CLASSES_ROOT, classKey, L"InfoTip", ToolTipText);
        CreateKeyWithText(HKEY_CLASSES_ROOT, classKey + L"\\DefaultIcon", unnamedValue, IconDatei);
        CreateKeyWithFixedText(HKEY_CLASSES_ROOT, classKey + L"\\InProcServer32", unnamedValue, L"shell32.dll");
        CreateKeyWithFixedText(HKEY_CLASSES_ROOT, classKey + L"\\InProcServer32", L"ThreadingModel", L"Apartment");
        CreateKeyWithText(HKEY_CLASSES_ROOT, classKey + L"\\Shell\\Open\\Command", unnamedValue, FileToOpen);
        CreateKeyWithFixedText(HKEY_LOCAL_MACHINE, desktop, unnamedValue, L"");
        CreateKeyWithFixedText(HKEY_LOCAL_MACHINE, panel, unnamedValue, L"");

        const std::wstring folder = L"HKEY_CLASSES_ROOT\\" + classKey + L"\\ShellFolder";
        CreateKeyByPath(folder);
        SetBinaryValueByPath(folder, L"Attributes", std::wstring(4, L'\0'), true);
    });
}

STDMETHODIMP clsControlPanelEntry::DeleteEntryFromSystemPanel(BSTR* GUID, VARIANT* result) {
    return Guarded([&] {
        VariantInit(&Required(result));
        Require(GUID);
        const std::wstring id = TextOf(*GUID);
        const std::wstring classKey = L"HKEY_CLASSES_ROOT\\CLSID\\" + id;
        const std::wstring machine = std::wstring(L"HKEY_LOCAL_MACHINE\\") + kExplorer;
        // The platform deletes only keys without subkeys, so children go before their parents and
        // the class key itself goes last; nothing of the entry is left behind.
        const std::wstring paths[] = {
            classKey + L"\\DefaultIcon",
            classKey + L"\\InProcServer32",
            classKey + L"\\Shell\\Open\\Command",
            classKey + L"\\Shell\\Open",
            classKey + L"\\Shell",
            classKey + L"\\ShellEx\\PropertySheetHandlers\\" + id,
            classKey + L"\\ShellFolder",
            classKey,
            machine + L"Desktop\\NameSpace\\" + id,
            machine + L"ControlPanel\\NameSpace\\" + id,
        };
        for (const std::wstring& path : paths) DeleteKeyByPath(path);
    });
}

HRESULT Create_clsControlPanelEntry(REFIID riid, void** ppv) { return CreateAndQuery<clsControlPanelEntry>(riid, ppv); }

}  // namespace wx
