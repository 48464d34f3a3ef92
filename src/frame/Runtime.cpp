#include "frame/Runtime.h"
#include "frame/ArgumentReader.h"
#include "frame/Errors.h"
#include "frame/HostObject.h"
#include "frame/Module.h"
#include "frame/Text.h"
#include <cstring>

namespace wx {

std::wstring ApplicationTitle() { return Module::BaseName(); }

int ShowMessage(const std::wstring& prompt, UINT style, const std::wstring* title) {
    std::wstring caption = title ? *title : ApplicationTitle();
    HWND owner = GetActiveWindow();
    return MessageBoxW(owner, prompt.c_str(), caption.c_str(), style | (owner ? 0 : MB_TASKMODAL));
}

namespace {

const wchar_t kSettingsRoot[] = L"Software\\VB and VBA Program Settings";

std::wstring SettingsKey(const std::wstring& application, const std::wstring* section) {
    std::wstring key = std::wstring(kSettingsRoot) + L"\\" + application;
    if (section) key += L"\\" + *section;
    return key;
}

}  // namespace

std::wstring GetSetting(const std::wstring& application, const std::wstring& section, const std::wstring& key,
                        const std::wstring& fallback) {
    RegKey handle;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKey(application, &section).c_str(), 0, KEY_QUERY_VALUE,
                      handle.put()) != ERROR_SUCCESS)
        return fallback;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(handle.get(), key.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return fallback;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(handle.get(), key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return fallback;
    return std::wstring(buffer.data());
}

void SaveSetting(const std::wstring& application, const std::wstring& section, const std::wstring& key,
                 const std::wstring& value) {
    if (application.empty() || section.empty()) RaiseRuntime(5);
    RegKey handle;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey(application, &section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, handle.put(), nullptr) != ERROR_SUCCESS)
        RaiseRuntime(5);
    if (RegSetValueExW(handle.get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        RaiseRuntime(5);
}

void DeleteSetting(const std::wstring& application, const std::wstring& section) {
    if (application.empty() || section.empty()) RaiseRuntime(5);
    if (RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey(application, &section).c_str()) != ERROR_SUCCESS ||
        RegDeleteKeyW(HKEY_CURRENT_USER, SettingsKey(application, &section).c_str()) != ERROR_SUCCESS)
        RaiseRuntime(5);
}

void DeleteSetting(const std::wstring& application) {
    if (application.empty()) RaiseRuntime(5);
    if (RegDeleteTreeW(HKEY_CURRENT_USER, SettingsKey(application, nullptr).c_str()) != ERROR_SUCCESS ||
        RegDeleteKeyW(HKEY_CURRENT_USER, SettingsKey(application, nullptr).c_str()) != ERROR_SUCCESS)
        RaiseRuntime(5);
}

void DoEvents() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // leave it for the host's own loop
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

namespace {
thread_local unsigned long t_seed = 0x50000;
}

void Randomize(double seed) {
    unsigned long long bits;
    memcpy(&bits, &seed, sizeof bits);
    unsigned long high = static_cast<unsigned long>(bits >> 32);
    unsigned long mixed = ((high & 0xFFFF) ^ (high >> 16)) << 8;
    t_seed = (t_seed & 0xFF0000FF) | (mixed & 0x00FFFF00);
}

float Rnd() {
    t_seed = (t_seed * 0x43FD43FDUL + 0x00C39EC3UL) & 0x00FFFFFFUL;
    return static_cast<float>(t_seed) / 16777216.0f;
}

std::vector<BYTE> ResourceBytes(const VARIANT& id, const std::wstring& type) {
    const VARIANT* value = &ReadArgument(id);
    std::wstring name;
    LPCWSTR resource = nullptr;
    std::wstring shown;
    if (V_VT(value) == VT_BSTR || V_VT(value) == (VT_BYREF | VT_BSTR)) {
        BSTR text = V_VT(value) == VT_BSTR ? V_BSTR(value) : *V_BSTRREF(value);
        name = TextOf(text);
        resource = name.c_str();
        shown = name;
    } else {
        long number = ToLong(*value);
        if (number < 0 || number > 0xFFFF) RaiseRuntime(5);
        resource = MAKEINTRESOURCEW(number);
        shown = NumberText(number);
    }
    HMODULE module = Module::Handle();
    HRSRC found = FindResourceW(module, resource, type.c_str());
    if (!found)
        RaiseError(326, DefaultErrorSource(), L"Resource with identifier '" + shown + L"' not found");
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!data) RaiseRuntime(325);
    return std::vector<BYTE>(data, data + SizeofResource(module, found));
}

ComPtr<IPictureDisp> LoadPictureFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) RaiseRuntime(FileErrorNumber(GetLastError()));
    ComPtr<IPictureDisp> picture;
    HRESULT hr = OleLoadPicturePath(const_cast<LPOLESTR>(path.c_str()), nullptr, 0, 0, IID_IPictureDisp,
                                    picture.putVoid());
    if (FAILED(hr) || !picture) RaiseRuntime(481);
    return picture;
}

ScreenMetrics Screen() {
    ScreenMetrics m;
    HDC screen = GetDC(nullptr);
    int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    m.twipsPerPixelX = dpiX > 0 ? 1440.0 / dpiX : 15.0;
    m.twipsPerPixelY = dpiY > 0 ? 1440.0 / dpiY : 15.0;
    m.width = GetSystemMetrics(SM_CXSCREEN) * m.twipsPerPixelX;
    m.height = GetSystemMetrics(SM_CYSCREEN) * m.twipsPerPixelY;
    return m;
}

long FileErrorNumber(DWORD systemError) {
    switch (systemError) {
    case ERROR_FILE_NOT_FOUND: return 53;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE: return 76;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return 58;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return 70;
    case ERROR_ACCESS_DENIED: return 75;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return 61;
    case ERROR_NOT_READY: return 71;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return 52;
    case ERROR_TOO_MANY_OPEN_FILES: return 67;
    case ERROR_NOT_SAME_DEVICE: return 74;
    default: return 75;
    }
}

void WriteBinaryFile(const std::wstring& path, const BYTE* data, size_t count) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) RaiseRuntime(FileErrorNumber(GetLastError()));
    size_t written = 0;
    while (written < count) {
        DWORD chunk = static_cast<DWORD>(count - written > 0x1000000 ? 0x1000000 : count - written);
        DWORD done = 0;
        if (!WriteFile(file.get(), data + written, chunk, &done, nullptr) || done == 0) RaiseRuntime(57);
        written += done;
    }
}

}  // namespace wx
