// WxExamples.dll: the in-process server of the stand-ins the reference's examples draw on
// (WxExamples.PictureBox and WxExamples.Form). The tests register it in their prefixes.
#include "Form.h"
#include "HostDispatch.h"
#include "PictureBox.h"
#include "frame/ClassFactory.h"
#include "frame/Module.h"
#include <new>
#include <string>

namespace wxexamples {

namespace {

// {56D40B64-F1DF-4F0D-A691-1CD5DA04E966} and {08782597-EBE8-4873-A833-E7C73C514149}
const CLSID kPictureBoxId = {0x56D40B64, 0xF1DF, 0x4F0D, {0xA6, 0x91, 0x1C, 0xD5, 0xDA, 0x04, 0xE9, 0x66}};
const CLSID kFormId = {0x08782597, 0xEBE8, 0x4873, {0xA8, 0x33, 0xE7, 0xC7, 0x3C, 0x51, 0x41, 0x49}};

// The library's own class factories serve the stand-ins too.
struct StandIn {
    const wchar_t* progId;
    wx::ClassEntry entry;
};
const StandIn kClasses[] = {
    {L"WxExamples.PictureBox", {L"PictureBox", &kPictureBoxId, &IID_IDispatch, false, PictureBox::Create}},
    {L"WxExamples.Form", {L"Form", &kFormId, &IID_IDispatch, false, Form::Create}},
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

}  // namespace

HINSTANCE ServerModule() { return wx::Module::Handle(); }

}  // namespace wxexamples

using namespace wxexamples;

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (const StandIn& standIn : kClasses)
        if (IsEqualCLSID(clsid, *standIn.entry.clsid)) return wx::GetClassFactory(standIn.entry, riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return wx::Module::InUse() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() {
    std::wstring path = wx::Module::Path();
    for (const StandIn& entry : kClasses) {
        std::wstring clsid = GuidText(*entry.entry.clsid), key = L"CLSID\\" + clsid;
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
    for (const StandIn& entry : kClasses) {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(*entry.entry.clsid)).c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, entry.progId);
    }
    return S_OK;
}
