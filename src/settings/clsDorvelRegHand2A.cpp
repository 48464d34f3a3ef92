#include "settings/clsDorvelRegHand2A.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/HostObject.h"
#include "frame/Module.h"
#include "frame/Text.h"
#include <new>
#include <vector>

namespace wx {

namespace {

const REGSAM kAllKeyRights = 63;
const long kObjectErrorBase = -2147221504;  // 0x80040000
const long kKeyFailure = 26001;
const long kSetValueFailure = kObjectErrorBase + 27049;
const long kListFailure = kObjectErrorBase + 27050;
const long kBadItemList = kObjectErrorBase + 27052;
const long kClassMissing = kObjectErrorBase + 27053;
const long kHkeyClassesRoot = static_cast<long>(0x80000000UL);
const long kHkeyLocalMachine = static_cast<long>(0x80000002UL);

std::wstring ErrorSource() { return Module::BaseName() + L".cRegistry"; }

[[noreturn]] void Fail(long number, const std::wstring& description) { RaiseError(number, ErrorSource(), description); }

// Byte order reversal of a 32-bit number: byte 0 becomes byte 3, 1 becomes 2 and so on.
DWORD SwapBytes(DWORD n) { return (n >> 24) | ((n >> 8) & 0xFF00) | ((n << 8) & 0xFF0000) | (n << 24); }

std::wstring ExpandEnvironment(const std::wstring& text) {
    DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    DWORD written = ExpandEnvironmentStringsW(text.c_str(), buffer.data(), needed);
    if (written == 0 || written > needed) return text;
    return std::wstring(buffer.data());  // up to the terminating NUL
}

// A key or value name as the platform reads it: up to its first NUL, null for none.
const wchar_t* NameOf(const Bstr& name) { return name.get(); }

// A text whose "%" signs enclose at least one character names an environment variable and is
// stored as an expandable string; a lone "%" or "%%" is plain text.
bool HasEnvironmentReference(const std::wstring& text) {
    size_t first = text.find(L'%');
    if (first == std::wstring::npos) return false;
    size_t last = text.rfind(L'%');
    return last >= first + 2;
}

SAFEARRAY* NameArray(const std::vector<std::wstring>& names) {
    SAFEARRAYBOUND bound = {static_cast<ULONG>(names.size()), 1};
    SafeArrayOwner array(SafeArrayCreate(VT_BSTR, 1, &bound));
    if (!array.get()) RaiseRuntime(7);
    for (LONG i = 0; i < static_cast<LONG>(names.size()); ++i) {
        LONG index = i + 1;
        const std::wstring& name = names[static_cast<size_t>(i)];
        Bstr text(name.c_str(), static_cast<UINT>(name.size()));
        ThrowIfFailed(SafeArrayPutElement(array.get(), &index, text.get()));
    }
    return array.release();
}

void EraseArray(SAFEARRAY** array) {
    if (!ReadArray(*array, VT_BSTR)) return;
    HRESULT hr = SafeArrayDestroy(*array);
    if (hr == DISP_E_ARRAYISLOCKED) RaiseRuntime(10);
    ThrowIfFailed(hr);
    *array = nullptr;
}

// One item of a host's list as text; the list may hold Variants or texts.
std::wstring ItemText(SAFEARRAY* items, LONG index) {
    VARTYPE vt = VT_EMPTY;
    ThrowIfFailed(SafeArrayGetVartype(items, &vt));
    if (SafeArrayGetDim(items) != 1) RaiseRuntime(9);
    LONG lower = 0, upper = -1;
    ThrowIfFailed(SafeArrayGetLBound(items, 1, &lower));
    ThrowIfFailed(SafeArrayGetUBound(items, 1, &upper));
    if (index < lower || index > upper) RaiseRuntime(9);
    if (vt == VT_VARIANT) {
        Variant item;
        ThrowIfFailed(SafeArrayGetElement(items, &index, item.get()));
        return ToText(*item.get());
    }
    if (vt == VT_BSTR) {
        Bstr item;
        ThrowIfFailed(SafeArrayGetElement(items, &index, item.put()));
        return TextOf(item.get());
    }
    RaiseRuntime(13);
}

}  // namespace

clsDorvelRegHand2A::clsDorvelRegHand2A() : Dispatchable(IID__clsDorvelRegHand2A) {}

HKEY clsDorvelRegHand2A::Root() const { return HandleOfLong<HKEY>(classKey_); }

std::wstring clsDorvelRegHand2A::Where() const {
    return NumberText(classKey_) + L"',Section: '" + TextOf(section_.get());
}

std::wstring clsDorvelRegHand2A::WriteFailure() const {
    std::wstring last;
    Quietly([&] { last = ToText(*lastValue_.get()); });
    return L"Failed to set registry value Key: '" + Where() + L"',Key: '" + TextOf(valueKey_.get()) +
           L"' to value: '" + last + L"'";
}

void clsDorvelRegHand2A::SetSection(const std::wstring& path) { section_ = Bstr(path.c_str(), static_cast<UINT>(path.size())); }

bool clsDorvelRegHand2A::KeyExists() const {
    RegKey handle;
    return RegOpenKeyExW(Root(), NameOf(section_), 0, KEY_QUERY_VALUE, handle.put()) == ERROR_SUCCESS;
}

STDMETHODIMP clsDorvelRegHand2A::get_KeyExists(VARIANT_BOOL* result) {
    return Guarded([&] {
        Require(result);
        *result = KeyExists() ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

STDMETHODIMP clsDorvelRegHand2A::CreateKey(VARIANT_BOOL* result) {
    return Guarded([&] {
        Require(result);
        SECURITY_ATTRIBUTES security = {0, nullptr, FALSE};
        RegKey handle;
        DWORD disposition = 0;
        wchar_t noClass[] = L"";
        LONG status = RegCreateKeyExW(Root(), NameOf(section_), 0, noClass, REG_OPTION_NON_VOLATILE, kAllKeyRights,
                                      &security, handle.put(), &disposition);
        if (status != ERROR_SUCCESS) Fail(kKeyFailure, L"Failed to create registry Key: '" + TextOf(section_.get()));
        *result = VARIANT_TRUE;
    });
}

STDMETHODIMP clsDorvelRegHand2A::DeleteKey(VARIANT_BOOL* result) {
    return Guarded([&] {
        Require(result);
        // Without a key path the call would name the root itself: refused like any failed delete.
        LONG status = ERROR_INVALID_PARAMETER;
        if (!BeforeNul(TextOf(section_.get())).empty()) status = RegDeleteKeyW(Root(), NameOf(section_));
        if (status != ERROR_SUCCESS) Fail(kKeyFailure, L"Failed to delete registry Key: '" + Where());
        *result = VARIANT_TRUE;
    });
}

STDMETHODIMP clsDorvelRegHand2A::DeleteValue(VARIANT_BOOL* result) {
    return Guarded([&] {
        Require(result);
        RegKey handle;
        if (RegOpenKeyExW(Root(), NameOf(section_), 0, kAllKeyRights, handle.put()) != ERROR_SUCCESS)
            Fail(kKeyFailure, L"Failed to open key '" + Where() + L"' for delete access");
        if (RegDeleteValueW(handle.get(), NameOf(valueKey_)) != ERROR_SUCCESS)
            Fail(kKeyFailure, L"Failed to delete registry Key: '" + Where() + L"',Key: '" + TextOf(valueKey_.get()));
        *result = VARIANT_TRUE;
    });
}

Variant clsDorvelRegHand2A::ReadValue() {
    const wchar_t* name = NameOf(valueKey_);
    RegKey handle;
    RegOpenKeyExW(Root(), NameOf(section_), 0, KEY_QUERY_VALUE, handle.put());
    // A zero-size probe: "more data" with the real size for any non-empty value, success for an empty one.
    DWORD type = 0, size = 0;
    BYTE probe[4] = {};
    LONG status = RegQueryValueExW(handle.get(), name, nullptr, &type, probe, &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return default_;
    valueType_ = static_cast<long>(type);

    std::vector<BYTE> data(size + 4, 0);
    DWORD read = size;
    if (size > 0 &&
        RegQueryValueExW(handle.get(), name, nullptr, &type, data.data(), &read) == ERROR_SUCCESS &&
        read <= size)
        size = read;

    Variant result;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ: {
        // The stored characters less the final terminating NUL; a multi-string keeps its
        // separators. A text stored without any bytes reads as empty text; an odd last byte
        // counts as a character of its own.
        size_t length = (size + 1) / sizeof(wchar_t);
        std::wstring text(length, L'\0');
        memcpy(&text[0], data.data(), length * sizeof(wchar_t));
        if (!text.empty() && text.back() == L'\0') text.pop_back();
        if (type == REG_EXPAND_SZ) text = ExpandEnvironment(text);
        result = Variant::TakeText(NewBstr(text));
        break;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        DWORD number = 0;
        memcpy(&number, data.data(), sizeof number);
        if (type == REG_DWORD_BIG_ENDIAN) number = SwapBytes(number);
        V_VT(result.get()) = VT_I4;
        V_I4(result.get()) = static_cast<LONG>(number);
        break;
    }
    default: {
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, size);
        if (!array) RaiseRuntime(7);
        if (size > 0) memcpy(array->pvData, data.data(), size);
        V_VT(result.get()) = VT_ARRAY | VT_UI1;
        V_ARRAY(result.get()) = array;
        break;
    }
    }
    return result;
}

STDMETHODIMP clsDorvelRegHand2A::get_Value(VARIANT* result) {
    return Guarded([&] {
        Require(result);
        Variant value = ReadValue();
        VariantInit(result);
        *result = value.detach();
    });
}

void clsDorvelRegHand2A::WriteValue(const VARIANT& given) {
    const VARIANT* value = &ReadArgument(given);
    SECURITY_ATTRIBUTES security = {0, nullptr, FALSE};
    RegKey handle;
    DWORD disposition = 0;
    wchar_t noClass[] = L"";
    if (RegCreateKeyExW(Root(), NameOf(section_), 0, noClass, REG_OPTION_NON_VOLATILE, kAllKeyRights, &security,
                        handle.put(), &disposition) != ERROR_SUCCESS)
        Fail(kKeyFailure, WriteFailure());

    LONG status = ERROR_SUCCESS;
    auto write = [&](DWORD type, const void* data, size_t count) {
        status = RegSetValueExW(handle.get(), NameOf(valueKey_), 0, type, static_cast<const BYTE*>(data),
                                static_cast<DWORD>(count));
    };
    switch (valueType_) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::wstring text = ToText(*value);
        write(HasEnvironmentReference(text) ? REG_EXPAND_SZ : REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        break;
    }
    case REG_BINARY: {
        VARTYPE vt = V_VT(value);
        if ((vt & ~VT_BYREF) != (VT_ARRAY | VT_UI1)) Fail(kKeyFailure, RuntimeErrorText(kKeyFailure));
        SAFEARRAY* array = (vt & VT_BYREF) ? *V_ARRAYREF(value) : V_ARRAY(value);
        if (!array) Fail(kKeyFailure, RuntimeErrorText(kKeyFailure));
        size_t count = 1;
        for (UINT d = 0; d < array->cDims; ++d) count *= array->rgsabound[d].cElements;
        if (array->cDims == 0) count = 0;
        void* data = nullptr;
        ThrowIfFailed(SafeArrayAccessData(array, &data));
        write(REG_BINARY, data, count);
        SafeArrayUnaccessData(array);
        break;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        // Whole numbers are stored little-endian whatever the field says; anything else is
        // skipped without complaint.
        LONG number = 0;
        switch (V_VT(value)) {
        case VT_I2: number = V_I2(value); break;
        case VT_I2 | VT_BYREF: number = *V_I2REF(value); break;
        case VT_I4: number = V_I4(value); break;
        case VT_I4 | VT_BYREF: number = *V_I4REF(value); break;
        default: lastValue_ = Variant(); VariantCopyInd(lastValue_.get(), const_cast<VARIANT*>(value)); return;
        }
        write(REG_DWORD, &number, sizeof number);
        break;
    }
    default:
        status = 13;
        break;
    }
    if (status != ERROR_SUCCESS) Fail(kSetValueFailure, WriteFailure());
    Variant copy;
    ThrowIfFailed(VariantCopyInd(copy.get(), const_cast<VARIANT*>(value)));
    lastValue_ = std::move(copy);
}

STDMETHODIMP clsDorvelRegHand2A::put_Value(VARIANT vValue) { return Guarded([&] { WriteValue(vValue); }); }

STDMETHODIMP clsDorvelRegHand2A::EnumerateValues(SAFEARRAY** sKeyNames, long* iKeyCount, VARIANT_BOOL* result) {
    return Guarded([&] {
        Require(sKeyNames, iKeyCount, result);
        *iKeyCount = 0;
        EraseArray(sKeyNames);
        std::vector<std::wstring> names;
        {
            RegKey handle;
            if (RegOpenKeyExW(Root(), NameOf(section_), 0, KEY_QUERY_VALUE, handle.put()) == ERROR_SUCCESS) {
                DWORD longest = 0;
                if (RegQueryInfoKeyW(handle.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    longest = 16383;
                for (DWORD i = 0;; ++i) {
                    std::vector<wchar_t> buffer(longest + 1, L'\0');
                    DWORD length = longest + 1;
                    if (RegEnumValueW(handle.get(), i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
                        ERROR_SUCCESS)
                        break;
                    names.push_back(std::wstring(buffer.data(), length));
                }
            }
        }
        if (!names.empty()) *sKeyNames = NameArray(names);
        *iKeyCount = static_cast<long>(names.size());
        *result = VARIANT_TRUE;
    });
}

STDMETHODIMP clsDorvelRegHand2A::EnumerateSections(SAFEARRAY** sSect, long* iSectCount, VARIANT_BOOL* result) {
    return Guarded([&] {
        Require(sSect, iSectCount, result);
        try {
            *iSectCount = 0;
            EraseArray(sSect);
            std::vector<std::wstring> names;
            {
                RegKey handle;
                if (RegOpenKeyExW(Root(), NameOf(section_), 0, KEY_ENUMERATE_SUB_KEYS, handle.put()) == ERROR_SUCCESS) {
                    for (DWORD i = 0;; ++i) {
                        wchar_t buffer[256] = {};
                        // A name of more than 254 characters does not fit and ends the listing.
                        if (RegEnumKeyW(handle.get(), i, buffer, 255) != ERROR_SUCCESS) break;
                        buffer[255] = L'\0';
                        names.push_back(std::wstring(buffer, wcsnlen(buffer, 255)));
                    }
                }
            }
            if (!names.empty()) *sSect = NameArray(names);
            *iSectCount = static_cast<long>(names.size());
        } catch (const AutomationError& e) {
            Fail(kListFailure, e.description());
        } catch (const std::bad_alloc&) {
            Fail(kListFailure, RuntimeErrorText(7));
        }
        *result = VARIANT_TRUE;
    });
}

void clsDorvelRegHand2A::WriteClassValue(const std::wstring& text) {
    Variant value = Variant::TakeText(NewBstr(text));
    classKey_ = kHkeyClassesRoot;
    WriteValue(*value.get());
    std::wstring key = TextOf(section_.get());
    classKey_ = kHkeyLocalMachine;
    SetSection(L"SOFTWARE\\Classes\\" + key);
    WriteValue(*value.get());
    SetSection(key);
}

STDMETHODIMP clsDorvelRegHand2A::CreateEXEAssociation(BSTR sExePath, BSTR sClassName, BSTR sClassDescription,
                                                      BSTR sAssociation, BSTR sOpenMenuText, VARIANT_BOOL bSupportPrint,
                                                      BSTR sPrintMenuText, VARIANT_BOOL bSupportNew, BSTR sNewMenuText,
                                                      VARIANT_BOOL bSupportInstall, BSTR sInstallMenuText,
                                                      long lDefaultIconIndex) {
    return Guarded([&] {
        std::wstring program = TextOf(sExePath);
        size_t first = program.find_first_not_of(L' ');
        program = first == std::wstring::npos ? std::wstring() : program.substr(first, program.find_last_not_of(L' ') - first + 1);
        if (program.empty() || program.front() != L'"') program.insert(program.begin(), L'"');
        if (program.back() != L'"') program += L'"';
        const std::wstring className = TextOf(sClassName);
        const std::wstring extension = TextOf(sAssociation);
        auto orDefault = [](BSTR text, const std::wstring& fallback) {
            std::wstring t = TextOf(text);
            return t.empty() ? fallback : t;
        };
        auto entry = [&](const std::wstring& path, const std::wstring& text) {
            SetSection(path);
            valueKey_ = Bstr(L"");
            WriteClassValue(text);
        };
        auto verb = [&](const wchar_t* name, const std::wstring& menuText, const wchar_t* option) {
            std::wstring key = className + L"\\shell\\" + name;
            entry(key, menuText);
            entry(key + L"\\command", program + L" " + option + L"\"%1\"");
        };

        SetSection(L"." + extension);
        valueType_ = REG_SZ;
        valueKey_ = Bstr(L"");
        WriteClassValue(className);
        entry(className, TextOf(sClassDescription));
        verb(L"open", orDefault(sOpenMenuText, L"&Open"), L"");
        if (bSupportPrint) verb(L"print", orDefault(sPrintMenuText, L"&Print"), L"/p ");
        if (bSupportInstall) verb(L"add", orDefault(sInstallMenuText, L"&Install " + extension), L"/a ");
        if (bSupportNew) verb(L"new", orDefault(sNewMenuText, L"&New"), L"/n ");
        if (lDefaultIconIndex >= 0) entry(className + L"\\DefaultIcon", program + L"," + NumberText(lDefaultIconIndex));
    });
}

STDMETHODIMP clsDorvelRegHand2A::CreateAdditionalEXEAssociations(BSTR sClassName, SAFEARRAY** vItems) {
    return Guarded([&] {
        // A host may hand its String() here as well as a Variant().
        SAFEARRAY* items = vItems ? *vItems : nullptr;
        if (items) ReadArray(items, (items->fFeatures & FADF_BSTR) ? VT_BSTR : VT_VARIANT);
        LONG upper = -1;
        if (!items || SafeArrayGetDim(items) == 0 || FAILED(SafeArrayGetUBound(items, 1, &upper)) || upper + 1 <= 0 ||
            (upper + 1) % 3 != 0)
            Fail(kBadItemList, L"Invalid parameter list passed to CreateAdditionalEXEAssociations - expected "
                               L"Name/Text/Command");
        const LONG count = upper + 1;
        const std::wstring className = TextOf(sClassName);
        SetSection(className);
        if (!KeyExists())
            Fail(kClassMissing, L"Error - attempt to create additional associations before class defined.");
        // Every step stands alone: a failing one is skipped and the next one runs.
        for (LONG i = 0; i < count; i += 3) {
            valueType_ = REG_SZ;
            Quietly([&] { SetSection(className + L"\\shell\\" + ItemText(items, i)); });
            valueKey_ = Bstr(L"");
            Quietly([&] { WriteClassValue(ItemText(items, i + 1)); });
            Quietly([&] { SetSection(className + L"\\shell\\" + ItemText(items, i) + L"\\command"); });
            valueKey_ = Bstr(L"");
            Quietly([&] { WriteClassValue(ItemText(items, i + 2)); });
        }
    });
}

STDMETHODIMP clsDorvelRegHand2A::get_ValueType(ERegistryValueTypes* result) {
    return Returning(result, [&] { return static_cast<ERegistryValueTypes>(valueType_); });
}
STDMETHODIMP clsDorvelRegHand2A::put_ValueType(ERegistryValueTypes value) {
    return Guarded([&] { valueType_ = static_cast<long>(value); });
}
STDMETHODIMP clsDorvelRegHand2A::get_ClassKey(ERegistryClassConstants* result) {
    return Returning(result, [&] { return static_cast<ERegistryClassConstants>(classKey_); });
}
STDMETHODIMP clsDorvelRegHand2A::put_ClassKey(ERegistryClassConstants value) {
    return Guarded([&] { classKey_ = static_cast<long>(value); });
}
STDMETHODIMP clsDorvelRegHand2A::get_SectionKey(BSTR* result) {
    return Returning(result, [&] { return CopyBstr(section_.get()); });
}
STDMETHODIMP clsDorvelRegHand2A::put_SectionKey(BSTR value) {
    return Guarded([&] { section_ = Bstr::Attach(CopyBstr(value)); });
}
STDMETHODIMP clsDorvelRegHand2A::get_ValueKey(BSTR* result) {
    return Returning(result, [&] { return CopyBstr(valueKey_.get()); });
}
STDMETHODIMP clsDorvelRegHand2A::put_ValueKey(BSTR value) {
    return Guarded([&] { valueKey_ = Bstr::Attach(CopyBstr(value)); });
}
STDMETHODIMP clsDorvelRegHand2A::get_Default(VARIANT* result) {
    return Guarded([&] {
        Require(result);
        VariantInit(result);
        ThrowIfFailed(VariantCopy(result, const_cast<VARIANT*>(default_.get())));
    });
}
STDMETHODIMP clsDorvelRegHand2A::put_Default(VARIANT value) {
    return Guarded([&] {
        ReadArgument(value);
        Variant copy;
        ThrowIfFailed(VariantCopyInd(copy.get(), &value));
        default_ = std::move(copy);
    });
}

HRESULT Create_clsDorvelRegHand2A(REFIID riid, void** ppv) { return CreateAndQuery<clsDorvelRegHand2A>(riid, ppv); }

}  // namespace wx
