#include "settings/clsWinReg.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/HostObject.h"
#include "frame/Module.h"
#include "frame/Text.h"
#include <vector>

namespace wx {

namespace {

// All six key-specific rights: query, set, create subkey, enumerate, notify, create link.
const REGSAM kAllKeyRights = 63;
const wchar_t kRunKey[] = L"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\";

// Deleting a key with no subkey name would name the root itself; such a call is never meant.
// The platform reads a name up to its first NUL.
bool NamesAKey(BSTR name) { return name && !BeforeNul(TextOf(name)).empty(); }

}  // namespace

clsWinReg::clsWinReg() : Dispatchable(IID__clsWinReg) {}

STDMETHODIMP clsWinReg::DeleteKey(long* lPredefinedKey, BSTR* sKeyName, VARIANT* result) {
    return Guarded([&] {
        VariantInit(&Required(result));
        Require(lPredefinedKey, sKeyName);
        if (NamesAKey(*sKeyName)) RegDeleteKeyW(HandleOfLong<HKEY>(*lPredefinedKey), *sKeyName);
    });
}

STDMETHODIMP clsWinReg::DeleteValue(long* lPredefinedKey, BSTR* sKeyName, BSTR* sValueName, VARIANT* result) {
    return Guarded([&] {
        VariantInit(&Required(result));
        Require(lPredefinedKey, sKeyName, sValueName);
        RegKey handle;
        RegOpenKeyExW(HandleOfLong<HKEY>(*lPredefinedKey), *sKeyName, 0, kAllKeyRights, handle.put());
        RegDeleteValueW(handle.get(), *sValueName);
    });
}

STDMETHODIMP clsWinReg::SetValueEx(long hKey, BSTR* sValueName, long* lType, VARIANT* vValue, long* result) {
    return Guarded([&] {
        Require(result, sValueName, lType, vValue);
        *result = 0;
        BSTR name = *sValueName;
        if (*lType == REG_SZ) {
            // Stored as the text's characters alone, without a terminating NUL.
            std::wstring data = ToText(ReadArgument(*vValue));
            *result = RegSetValueExW(HandleOfLong<HKEY>(hKey), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                                     static_cast<DWORD>(data.size() * sizeof(wchar_t)));
        } else if (*lType == REG_DWORD) {
            long number = ToLong(ReadArgument(*vValue));
            *result = RegSetValueExW(HandleOfLong<HKEY>(hKey), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                     sizeof number);
        }
    });
}

STDMETHODIMP clsWinReg::QueryValueEx(long lhKey, BSTR szValueName, VARIANT* vValue, long* result) {
    return Guarded([&] {
        Require(result, vValue);
        BSTR name = szValueName;
        HKEY key = HandleOfLong<HKEY>(lhKey);
        DWORD type = 0, size = 0;
        LONG status = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) {
            *result = status;
            return;
        }
        VARIANT* target = &ReadVariable(*vValue);
        if (type == REG_SZ) {
            std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
            status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
            Variant text;
            // The count includes the value's terminating NUL, so the text keeps it; an odd last
            // byte counts as a character of its own.
            if (status == ERROR_SUCCESS)
                text = Variant::TakeText(NewBstr(std::wstring_view(buffer.data(), (size + 1) / sizeof(wchar_t))));
            VariantClear(target);
            *target = text.detach();
            *result = status;
        } else if (type == REG_DWORD) {
            // Read into a Long and nothing larger: a stored value of another size is the
            // platform's "more data" status, not a write past the Long.
            DWORD number = 0, room = sizeof number;
            status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &room);
            if (status == ERROR_SUCCESS) {
                VariantClear(target);
                V_VT(target) = VT_I4;
                V_I4(target) = static_cast<LONG>(number);
            }
            *result = status;
        } else {
            *result = -1;
        }
    });
}

STDMETHODIMP clsWinReg::CreateNewKey(long* lPredefinedKey, BSTR* sNewKeyName, VARIANT* result) {
    return Guarded([&] {
        VariantInit(&Required(result));
        Require(lPredefinedKey, sNewKeyName);
        RegKey handle;
        DWORD disposition = 0;
        RegCreateKeyExW(HandleOfLong<HKEY>(*lPredefinedKey), *sNewKeyName, 0, nullptr, REG_OPTION_NON_VOLATILE, 0, nullptr,
                        handle.put(), &disposition);
    });
}

STDMETHODIMP clsWinReg::SetKeyValue(long* lPredefinedKey, BSTR* sKeyName, BSTR* sValueName, VARIANT* vValueSetting,
                                    long* lValueType, VARIANT* result) {
    return Guarded([&] {
        VariantInit(&Required(result));
        Require(lPredefinedKey, sKeyName, sValueName, vValueSetting, lValueType);
        RegKey handle;
        // The key must exist already; a failed open leaves no handle and the write fails on it.
        RegOpenKeyExW(HandleOfLong<HKEY>(*lPredefinedKey), *sKeyName, 0, kAllKeyRights, handle.put());
        long status = 0;
        ThrowIfFailed(self()->SetValueEx(LongOfHandle(handle.get()), sValueName,
                                         lValueType, vValueSetting, &status));
    });
}

STDMETHODIMP clsWinReg::QueryValue(long* lPredefinedKey, BSTR* sKeyName, BSTR* sValueName, VARIANT* result) {
    return Guarded([&] {
        VariantInit(&Required(result));
        Require(lPredefinedKey, sKeyName, sValueName);
        RegKey handle;
        RegOpenKeyExW(HandleOfLong<HKEY>(*lPredefinedKey), *sKeyName, 0, KEY_QUERY_VALUE, handle.put());
        Variant value;
        long status = 0;
        ThrowIfFailed(self()->QueryValueEx(LongOfHandle(handle.get()), *sValueName,
                                           value.get(), &status));
        *result = value.detach();
    });
}

STDMETHODIMP clsWinReg::ShowAtStartup(BSTR* yourexe) {
    return Guarded([&] {
        Require(yourexe);
        // The program is looked for beside the library, not beside the host.
        std::wstring path = Module::Folder();
        if (path.empty() || path.back() != L'\\') path += L'\\';
        path += TextOf(*yourexe);
        long root = LongOfHandle(HKEY_LOCAL_MACHINE);
        Bstr key(kRunKey);
        BSTR keyText = key.get();
        Variant data = Variant::TakeText(NewBstr(path));
        long type = REG_SZ;
        Variant ignored;
        ThrowIfFailed(self()->SetKeyValue(&root, &keyText, yourexe, data.get(), &type, ignored.get()));
    });
}

STDMETHODIMP clsWinReg::DontShowAtStartup(BSTR* yourexe) {
    return Guarded([&] {
        Require(yourexe);
        long root = LongOfHandle(HKEY_LOCAL_MACHINE);
        Bstr key(kRunKey);
        BSTR keyText = key.get();
        Variant ignored;
        ThrowIfFailed(self()->DeleteValue(&root, &keyText, yourexe, ignored.get()));
    });
}

HRESULT Create_clsWinReg(REFIID riid, void** ppv) { return CreateAndQuery<clsWinReg>(riid, ppv); }

}  // namespace wx
