// Writes down what the library's DllRegisterServer puts in the registry, without registering it:
// the predefined roots are redirected to scratch keys for the call, and the scratch keys are read
// back. The packaging scripts turn the record into the installer's registry table and the
// side-by-side manifest, so no registry list is ever written by hand.
//
// usage: RegistrationCapture DLL OUTPUT
// Each line of OUTPUT is tab-separated: "key ROOT PATH" or "value ROOT PATH NAME TYPE DATA", ROOT
// being HKCR, HKLM or HKCU as the library addressed it. In the data, the library's full path reads
// [DLL] and its folder [DIR]. Some platforms' type-library registration writes the other registry
// view's interface keys past any redirection; those show in the real registry, are recorded
// with ROOT "HKCR-other" and removed again.
#include <windows.h>
#include <oleauto.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Key {
    HKEY handle = nullptr;
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() { if (handle) RegCloseKey(handle); }
};

struct Library {
    HMODULE handle = nullptr;
    ~Library() { if (handle) FreeLibrary(handle); }
};

struct Output {
    FILE* file = nullptr;
    ~Output() { if (file) fclose(file); }
};

struct Apartment {
    HRESULT hr = CoInitialize(nullptr);
    ~Apartment() { if (SUCCEEDED(hr)) CoUninitialize(); }
};

const wchar_t kScratchParent[] = L"Software\\WENDRAX1 registration capture";

// The keys the predefined roots are redirected to, removed again on every path.
struct ScratchKeys {
    const std::wstring name = std::to_wstring(GetCurrentProcessId());
    ~ScratchKeys() {
        HKEY parent = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kScratchParent, 0, KEY_ALL_ACCESS, &parent) == ERROR_SUCCESS) {
            RegDeleteTreeW(parent, name.c_str());
            RegCloseKey(parent);
        }
        RegDeleteKeyW(HKEY_CURRENT_USER, kScratchParent);
    }
    std::wstring Path(const wchar_t* root) const { return std::wstring(kScratchParent) + L"\\" + name + L"\\" + root; }
};

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = towlower(c);
    return text;
}

// Replaces every occurrence of `what` (ignoring case) by `with`.
std::wstring ReplaceAll(const std::wstring& text, const std::wstring& what, const std::wstring& with) {
    if (what.empty()) return text;
    std::wstring lower = Lower(text), key = Lower(what), out;
    size_t from = 0;
    for (size_t at; (at = lower.find(key, from)) != std::wstring::npos; from = at + what.size())
        out += text.substr(from, at - from) + with;
    return out + text.substr(from);
}

struct Capture {
    std::wstring dll, dir;
    std::vector<std::string> lines;

    std::wstring Placeholders(const std::wstring& text) const {
        return ReplaceAll(ReplaceAll(text, dll, L"[DLL]"), dir, L"[DIR]");
    }

    // Records `path` below `key` and everything under it.
    void Dump(HKEY key, const std::wstring& root, const std::wstring& path) {
        if (!path.empty()) lines.push_back("key\t" + Utf8(root) + "\t" + Utf8(path));
        wchar_t name[512];
        for (DWORD i = 0;; ++i) {
            DWORD nameSize = 512, type = 0, dataSize = 0;
            if (RegEnumValueW(key, i, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS) break;
            std::vector<BYTE> data(dataSize + sizeof(wchar_t));
            nameSize = 512;
            if (RegEnumValueW(key, i, name, &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS) continue;
            std::wstring text;
            const char* typeName = "other";
            if (type == REG_SZ || type == REG_EXPAND_SZ) {
                typeName = type == REG_SZ ? "REG_SZ" : "REG_EXPAND_SZ";
                text.assign(reinterpret_cast<const wchar_t*>(data.data()), dataSize / sizeof(wchar_t));
                while (!text.empty() && text.back() == L'\0') text.pop_back();
                text = Placeholders(text);
            } else if (type == REG_DWORD && dataSize == 4) {
                typeName = "REG_DWORD";
                text = std::to_wstring(*reinterpret_cast<const DWORD*>(data.data()));
            } else {
                // Nothing the library writes has another type; the scripts refuse such a line.
                text = std::to_wstring(type);
            }
            lines.push_back("value\t" + Utf8(root) + "\t" + Utf8(path) + "\t" + Utf8(name) + "\t" + typeName + "\t" + Utf8(text));
        }
        std::vector<std::wstring> subkeys;
        for (DWORD i = 0;; ++i) {
            DWORD nameSize = 512;
            if (RegEnumKeyExW(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            subkeys.push_back(name);
        }
        for (const std::wstring& sub : subkeys) {
            Key child;
            if (RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ, &child.handle) != ERROR_SUCCESS) continue;
            Dump(child.handle, root, path.empty() ? sub : path + L"\\" + sub);
        }
    }
};

// The keys of the library's identities in one registry view of the real classes root.
std::vector<std::wstring> IdentityKeys(ITypeLib* lib) {
    std::vector<std::wstring> keys;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        ITypeInfo* info = nullptr;
        if (FAILED(lib->GetTypeInfo(i, &info))) continue;
        TYPEATTR* attr = nullptr;
        if (SUCCEEDED(info->GetTypeAttr(&attr))) {
            wchar_t guid[40] = {};
            StringFromGUID2(attr->guid, guid, 40);
            if (attr->typekind == TKIND_COCLASS) keys.push_back(std::wstring(L"CLSID\\") + guid);
            if (attr->typekind == TKIND_INTERFACE || attr->typekind == TKIND_DISPATCH)
                keys.push_back(std::wstring(L"Interface\\") + guid);
            info->ReleaseTypeAttr(attr);
        }
        info->Release();
    }
    return keys;
}

bool Exists(const std::wstring& path, REGSAM view) {
    Key key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, &key.handle) == ERROR_SUCCESS;
}

int Fail(const char* what, long code) {
    fprintf(stderr, "RegistrationCapture: %s (0x%08lX)\n", what, code);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return Fail("usage: RegistrationCapture DLL OUTPUT", 0);
    wchar_t full[MAX_PATH];
    if (!GetFullPathNameW(argv[1], MAX_PATH, full, nullptr)) return Fail("bad DLL path", static_cast<long>(GetLastError()));
    Capture capture;
    capture.dll = full;
    capture.dir = capture.dll.substr(0, capture.dll.find_last_of(L'\\'));

    Apartment apartment;
    if (FAILED(apartment.hr)) return Fail("CoInitialize", apartment.hr);
    HRESULT hr;
    ITypeLib* lib = nullptr;
    if (FAILED(hr = LoadTypeLibEx(full, REGKIND_NONE, &lib))) return Fail("no type library in the DLL", hr);
    // The other view of the real registry, as it was: what appears there during the call was
    // written past the redirection.
    const REGSAM otherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    std::vector<std::wstring> identities = IdentityKeys(lib), before;
    lib->Release();
    for (const std::wstring& key : identities)
        if (Exists(key, otherView)) before.push_back(key);

    ScratchKeys scratch;
    struct Root { HKEY predefined; const wchar_t* name; Key scratch; } roots[] = {
        {HKEY_CLASSES_ROOT, L"HKCR", {}}, {HKEY_LOCAL_MACHINE, L"HKLM", {}}, {HKEY_CURRENT_USER, L"HKCU", {}}};
    for (Root& root : roots) {
        LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, scratch.Path(root.name).c_str(), 0, nullptr,
                                      0, KEY_ALL_ACCESS, nullptr, &root.scratch.handle, nullptr);
        if (status != ERROR_SUCCESS) return Fail("cannot make the scratch keys", status);
    }
    HRESULT registered;
    {
        Library dll;
        dll.handle = LoadLibraryW(full);
        if (!dll.handle) return Fail("cannot load the DLL", static_cast<long>(GetLastError()));
        // Through the type that stands for any function, on the way from the generic entry point.
        auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void (*)()>(GetProcAddress(dll.handle, "DllRegisterServer")));
        if (!entry) return Fail("no DllRegisterServer", 0);
        for (Root& root : roots) RegOverridePredefKey(root.predefined, root.scratch.handle);
        registered = entry();
        for (Root& root : roots) RegOverridePredefKey(root.predefined, nullptr);
    }
    for (Root& root : roots) capture.Dump(root.scratch.handle, root.name, L"");
    for (const std::wstring& key : identities) {
        bool existed = false;
        for (const std::wstring& old : before) existed = existed || old == key;
        Key leaked;
        if (existed || RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | otherView, &leaked.handle) != ERROR_SUCCESS)
            continue;
        capture.Dump(leaked.handle, L"HKCR-other", key);
        RegCloseKey(leaked.handle);
        leaked.handle = nullptr;
        // The view is chosen when the key itself is opened, not by a handle of the root.
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_ALL_ACCESS | otherView, &leaked.handle) == ERROR_SUCCESS) {
            RegDeleteTreeW(leaked.handle, nullptr);
            RegCloseKey(leaked.handle);
            leaked.handle = nullptr;
            RegDeleteKeyExW(HKEY_CLASSES_ROOT, key.c_str(), otherView, 0);
        }
    }
    if (FAILED(registered)) {
        // What was captured of the failed registration, for the diagnosis; no record is written.
        for (const std::string& line : capture.lines) fprintf(stderr, "%s\n", line.c_str());
        return Fail("DllRegisterServer failed", registered);
    }
    Output out;
    out.file = _wfopen(argv[2], L"wb");
    if (!out.file) return Fail("cannot write the output", errno);
    fputs("# What DllRegisterServer writes, captured from the built library.\n", out.file);
    for (const std::string& line : capture.lines) fprintf(out.file, "%s\n", line.c_str());
    return 0;
}
