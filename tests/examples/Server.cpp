// WxExamples.dll: the in-process server of the stand-ins the reference's examples draw on
// (WxExamples.PictureBox and WxExamples.Form). The tests register it in their prefixes.
#include "Form.h"
#include "HostDispatch.h"
#include "PictureBox.h"
#include <new>
#include <string>

namespace wxexamples {

namespace {

HINSTANCE module = nullptr;
volatile LONG locks = 0;

struct ClassEntry {
    const wchar_t* progId;
    CLSID clsid;
    HRESULT (*create)(REFIID, void**);
};

// {56D40B64-F1DF-4F0D-A691-1CD5DA04E966} and {08782597-EBE8-4873-A833-E7C73C514149}
const ClassEntry kClasses[] = {
    {L"WxExamples.PictureBox", {0x56D40B64, 0xF1DF, 0x4F0D, {0xA6, 0x91, 0x1C, 0xD5, 0xDA, 0x04, 0xE9, 0x66}},
     PictureBox::Create},
    {L"WxExamples.Form", {0x08782597, 0xEBE8, 0x4873, {0xA8, 0x33, 0xE7, 0xC7, 0x3C, 0x51, 0x41, 0x49}}, Form::Create},
};

class Factory : public IClassFactory {
public:
    explicit Factory(const ClassEntry& entry) : entry_(entry) { ObjectCreated(); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return entry_.create(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        lock ? InterlockedIncrement(&locks) : InterlockedDecrement(&locks);
        return S_OK;
    }

private:
    virtual ~Factory() { ObjectDestroyed(); }
    volatile LONG refs_ = 1;
    const ClassEntry& entry_;
};

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

LONG SetText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    wx::RegKey handle;
    LONG rc = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, handle.put(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExW(handle.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring ModulePath() {
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(module, path, MAX_PATH * 4);
    return path;
}

}  // namespace

HINSTANCE ServerModule() { return module; }

}  // namespace wxexamples

using namespace wxexamples;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (const ClassEntry& entry : kClasses) {
        if (!IsEqualCLSID(clsid, entry.clsid)) continue;
        Factory* factory = new (std::nothrow) Factory(entry);
        if (!factory) return E_OUTOFMEMORY;
        HRESULT hr = factory->QueryInterface(riid, ppv);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return ObjectsAlive() || locks ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() {
    std::wstring path = ModulePath();
    for (const ClassEntry& entry : kClasses) {
        std::wstring clsid = GuidText(entry.clsid), key = L"CLSID\\" + clsid;
        LONG rc = SetText(HKEY_CLASSES_ROOT, key, nullptr, entry.progId);
        if (rc == ERROR_SUCCESS) rc = SetText(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, path);
        if (rc == ERROR_SUCCESS) rc = SetText(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        if (rc == ERROR_SUCCESS) rc = SetText(HKEY_CLASSES_ROOT, key + L"\\ProgID", nullptr, entry.progId);
        if (rc == ERROR_SUCCESS) rc = SetText(HKEY_CLASSES_ROOT, std::wstring(entry.progId) + L"\\CLSID", nullptr, clsid);
        if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    }
    return S_OK;
}

STDAPI DllUnregisterServer() {
    for (const ClassEntry& entry : kClasses) {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(entry.clsid)).c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, entry.progId);
    }
    return S_OK;
}
