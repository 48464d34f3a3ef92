// The four exports of the library. Registration writes, per class of the catalogue, the CLSID as an
// in-process server of this file (apartment threaded), its ProgID both ways, and the type library
// with its interfaces; unregistration removes exactly that.
#include "frame/ClassFactory.h"
#include "frame/ClassTable.h"
#include "frame/Handles.h"
#include "frame/Module.h"
#include "frame/TypeLibrary.h"
#include <oleauto.h>
#include <string>

using namespace wx;

namespace {

const wchar_t kLibraryName[] = L"WENDRAX1";

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
    if (FAILED(hr = SetText(key + L"\\Programmable", nullptr, L""))) return hr;
    if (FAILED(hr = SetText(key + L"\\Implemented Categories\\{40FC6ED5-2438-11CF-A3DB-080036F12502}", nullptr, L"")))
        return hr;
    if (FAILED(hr = SetText(progId, nullptr, progId))) return hr;
    return SetText(progId + L"\\Clsid", nullptr, clsid);
}

void UnregisterClass(const ClassEntry& entry) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(*entry.clsid)).c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(*entry.clsid)).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, ProgId(entry).c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, ProgId(entry).c_str());
}

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
    std::wstring folder = Module::Folder();
    HRESULT hr = RegisterTypeLib(lib, const_cast<LPOLESTR>(path.c_str()), const_cast<LPOLESTR>(folder.c_str()));
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
    UnRegisterTypeLib(libid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    lib->ReleaseTLibAttr(attr);
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
