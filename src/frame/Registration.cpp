// The four exports of the library. Registration writes, per class of the catalogue, the CLSID as an
// in-process server of this file (apartment threaded), its ProgID both ways, and the type library
// with its interfaces; unregistration removes exactly that.
//
// On 64-bit Windows the x86 and the x64 build register side by side under the same identities:
// each process writes its own registry view of CLSID and Interface (the x86 build the 32-bit
// view, the type library under win32; the x64 build the 64-bit view, under win64), while the
// ProgID keys and the type library's key are shared by both views. So unregistering one build
// leaves a ProgID alone while the other build still serves its class.
#include "frame/ClassFactory.h"
#include "frame/ClassTable.h"
#include "frame/Handles.h"
#include "frame/Module.h"
#include "frame/TypeLibrary.h"
#include <oleauto.h>
#include <string>
#include <vector>

using namespace wx;

namespace {

const wchar_t kLibraryName[] = L"WENDRAX1";

// The registry view the other build writes: the 32-bit one for the x64 build, the 64-bit one for
// the x86 build (on 32-bit Windows the flag is ignored and names the one view).
const REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
const wchar_t* const kOtherSysKind = sizeof(void*) == 8 ? L"win32" : L"win64";

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring ProgId(const ClassEntry& entry) { return std::wstring(kLibraryName) + L"." + entry.name; }

HRESULT SetText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    RegKey handle;
    LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                  handle.put(), nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    status = RegSetValueExW(handle.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT RegisterClass(const ClassEntry& entry, const std::wstring& path, TLIBATTR* lib) {
    std::wstring clsid = GuidText(*entry.clsid);
    std::wstring key = L"CLSID\\" + clsid;
    std::wstring progId = ProgId(entry);
    const wchar_t* version = L"1.0";
    HRESULT hr;
    if (FAILED(hr = SetText(key, nullptr, progId))) return hr;
    if (FAILED(hr = SetText(key + L"\\InprocServer32", nullptr, path))) return hr;
    if (FAILED(hr = SetText(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"))) return hr;
    if (FAILED(hr = SetText(key + L"\\ProgID", nullptr, progId))) return hr;
    if (FAILED(hr = SetText(key + L"\\VERSION", nullptr, version))) return hr;
    if (FAILED(hr = SetText(key + L"\\TypeLib", nullptr, GuidText(lib->guid)))) return hr;
    // Empty values as std::wstring(): GCC 12 reports a false overrun copying L"" into one here.
    if (FAILED(hr = SetText(key + L"\\Programmable", nullptr, std::wstring()))) return hr;
    if (FAILED(hr = SetText(key + L"\\Implemented Categories\\{40FC6ED5-2438-11CF-A3DB-080036F12502}", nullptr, std::wstring())))
        return hr;
    if (FAILED(hr = SetText(progId, nullptr, progId))) return hr;
    return SetText(progId + L"\\Clsid", nullptr, clsid);
}

// The class as the other build registers it, in the other registry view (on 32-bit Windows there
// is only one view, and this is the class's own key).
bool OtherBuildServes(const ClassEntry& entry) {
    std::wstring key = L"CLSID\\" + GuidText(*entry.clsid) + L"\\InprocServer32";
    RegKey handle;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | kOtherView, handle.put()) == ERROR_SUCCESS;
}

void UnregisterClass(const ClassEntry& entry) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(*entry.clsid)).c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(*entry.clsid)).c_str());
    if (OtherBuildServes(entry)) return;
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ProgId(entry).c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, ProgId(entry).c_str());
}

// A registry key with its values and subkeys, read from one view and written back to it.
struct SavedKey {
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::wstring path;
    std::vector<Value> values;
};

void SaveTree(const std::wstring& path, REGSAM view, std::vector<SavedKey>& out) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) return;
    SavedKey saved{path, {}};
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = 256, type = 0, dataSize = 0;
        if (RegEnumValueW(key.get(), i, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS) break;
        SavedKey::Value value{name, type, std::vector<BYTE>(dataSize)};
        nameSize = 256;
        if (RegEnumValueW(key.get(), i, name, &nameSize, nullptr, &type, value.data.data(), &dataSize) == ERROR_SUCCESS)
            saved.values.push_back(std::move(value));
    }
    out.push_back(std::move(saved));
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = 256;
        if (RegEnumKeyExW(key.get(), i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.push_back(name);
    }
    for (const std::wstring& sub : subkeys) SaveTree(path + L"\\" + sub, view, out);
}

void RestoreTree(const std::vector<SavedKey>& saved, REGSAM view) {
    for (const SavedKey& k : saved) {
        RegKey key;
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, k.path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, key.put(),
                            nullptr) != ERROR_SUCCESS)
            continue;
        for (const SavedKey::Value& v : k.values)
            RegSetValueExW(key.get(), v.name.empty() ? nullptr : v.name.c_str(), 0, v.type, v.data.data(),
                           static_cast<DWORD>(v.data.size()));
    }
}

bool KeyExists(const std::wstring& path, REGSAM view) {
    RegKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, key.put()) == ERROR_SUCCESS;
}

// The keys of the type library's interfaces, Interface\{IID}.
std::vector<std::wstring> InterfaceKeys(ITypeLib* lib) {
    std::vector<std::wstring> keys;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        TYPEKIND kind;
        if (FAILED(lib->GetTypeInfoType(i, &kind)) || (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH)) continue;
        ComPtr<ITypeInfo> info;
        TYPEATTR* attr = nullptr;
        if (FAILED(lib->GetTypeInfo(i, info.put())) || FAILED(info->GetTypeAttr(&attr))) continue;
        keys.push_back(L"Interface\\" + GuidText(attr->guid));
        info->ReleaseTypeAttr(attr);
    }
    return keys;
}

bool OtherBuildRegistered(REFGUID libid) {
    return KeyExists(L"TypeLib\\" + GuidText(libid) + L"\\1.0\\0\\" + kOtherSysKind, 0);
}

// Removes the interface keys in one view that name this type library. The platform does it when
// it unregisters the type library; when it finds no registration to remove (an installer took
// the library's key first), this does.
void RemoveInterfaceKeys(ITypeLib* lib, REFGUID libid, REGSAM view) {
    for (const std::wstring& path : InterfaceKeys(lib)) {
        wchar_t named[40] = {};
        DWORD size = sizeof named;
        RegKey library;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (path + L"\\TypeLib").c_str(), 0, KEY_READ | view, library.put()) !=
                ERROR_SUCCESS ||
            RegQueryValueExW(library.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(named), &size) !=
                ERROR_SUCCESS ||
            _wcsicmp(named, GuidText(libid).c_str()) != 0)
            continue;
        library.reset();
        RegKey key;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_ALL_ACCESS | view, key.put()) != ERROR_SUCCESS) continue;
        RegDeleteTreeW(key.get(), nullptr);
        key.reset();
        RegDeleteKeyExW(HKEY_CLASSES_ROOT, path.c_str(), view, 0);
    }
}

// The interface keys of the type library while the other build is registered too. Some
// platforms register a type library's interfaces in both registry views, whichever build asks,
// and remove them from both when either build goes: then the keys are the other build's as
// well, and what the platform's unregistration took from them is put back.
class SharedInterfaceKeys {
public:
    SharedInterfaceKeys(ITypeLib* lib, REFGUID libid) {
        if (!OtherBuildRegistered(libid)) return;
        for (const std::wstring& key : InterfaceKeys(lib)) {
            SaveTree(key, kOtherView, otherView_);
            SaveTree(key, 0, ownView_);
        }
    }
    // After the type library's unregistration.
    void Restore() {
        // The other view lost keys only if the platform's unregistration reaches across views.
        if (otherView_.empty() || KeyExists(otherView_.front().path, kOtherView)) return;
        RestoreTree(otherView_, kOtherView);
        RestoreTree(ownView_, 0);
    }

private:
    std::vector<SavedKey> otherView_, ownView_;
};

// Removes a key when nothing is left below it (shared parents such as TypeLib\{LIBID}).
void DeleteIfEmpty(HKEY root, const std::wstring& key) {
    RegKey handle;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, handle.put()) != ERROR_SUCCESS) return;
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyW(handle.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    handle.reset();
    if (subkeys == 0 && values == 0) RegDeleteKeyW(root, key.c_str());
}

}  // namespace

STDAPI DllRegisterServer() {
    std::wstring path = Module::Path();
    ITypeLib* lib = PublicTypeLib();
    if (!lib) return TYPE_E_CANTLOADLIBRARY;
    // No help folder of our own: the platform names this file's folder when the library's key is
    // new, and leaves the one of a build registered before alone.
    HRESULT hr = RegisterTypeLib(lib, const_cast<LPOLESTR>(path.c_str()), nullptr);
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    if (FAILED(hr = lib->GetLibAttr(&attr))) return hr;
    for (size_t i = 0; i < ClassCount() && SUCCEEDED(hr); ++i) hr = RegisterClass(Classes()[i], path, attr);
    lib->ReleaseTLibAttr(attr);
    return hr;
}

STDAPI DllUnregisterServer() {
    for (size_t i = 0; i < ClassCount(); ++i) UnregisterClass(Classes()[i]);
    ITypeLib* lib = PublicTypeLib();
    if (!lib) return TYPE_E_CANTLOADLIBRARY;
    TLIBATTR* attr = nullptr;
    HRESULT hr = lib->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    GUID libid = attr->guid;
    SharedInterfaceKeys shared(lib, libid);
    bool found = SUCCEEDED(UnRegisterTypeLib(libid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind));
    lib->ReleaseTLibAttr(attr);
    shared.Restore();
    // Keys the platform's own unregistration did not reach, unless the other build still shares
    // them (some platforms keep copies of them in both views, whichever build wrote them).
    if (!found && !OtherBuildRegistered(libid)) {
        RemoveInterfaceKeys(lib, libid, 0);
        RemoveInterfaceKeys(lib, libid, kOtherView);
    }
    DeleteIfEmpty(HKEY_CLASSES_ROOT, L"TypeLib\\" + GuidText(libid));
    return S_OK;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const ClassEntry* entry = FindClass(clsid);
    if (!entry) return CLASS_E_CLASSNOTAVAILABLE;
    return GetClassFactory(*entry, riid, ppv);
}

STDAPI DllCanUnloadNow() { return Module::InUse() ? S_FALSE : S_OK; }
