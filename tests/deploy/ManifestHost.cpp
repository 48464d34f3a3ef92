// A host application deployed side by side with the library: its own manifest names the WENDRAX1
// assembly, nothing is registered, and every class must still be created by ProgID and by CLSID
// and answer one member through IDispatch (so the type library comes from the assembly too).
// Prints one line per failure and a closing count line; the exit code is the failure count.
#include <windows.h>
#include <oleauto.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0, passes = 0;

void Check(bool ok, const std::wstring& what) {
    if (ok) {
        ++passes;
    } else {
        ++failures;
        wprintf(L"FAIL %ls\n", what.c_str());
    }
}

struct Variant {
    VARIANT v;
    Variant() { VariantInit(&v); }
    ~Variant() { VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

template <class T>
struct Ptr {
    T* p = nullptr;
    Ptr() = default;
    Ptr(const Ptr&) = delete;
    Ptr& operator=(const Ptr&) = delete;
    ~Ptr() { if (p) p->Release(); }
};

// Arguments in the caller's order; Invoke wants them reversed.
HRESULT Call(IDispatch* object, const wchar_t* member, WORD kind, std::vector<VARIANT> args, VARIANT* result) {
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO error = {};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result, &error, nullptr);
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrHelpFile);
    return hr;
}

VARIANT I2(short value) { VARIANT v; VariantInit(&v); V_VT(&v) = VT_I2; V_I2(&v) = value; return v; }
VARIANT I4(long value) { VARIANT v; VariantInit(&v); V_VT(&v) = VT_I4; V_I4(&v) = value; return v; }
// The text lives as long as the literal; Invoke only reads it.
VARIANT Text(BSTR value) { VARIANT v; VariantInit(&v); V_VT(&v) = VT_BSTR; V_BSTR(&v) = value; return v; }
VARIANT ByRef(VARIANT* target) { VARIANT v; VariantInit(&v); V_VT(&v) = VT_VARIANT | VT_BYREF; V_VARIANTREF(&v) = target; return v; }

bool IsText(const VARIANT& v) { return V_VT(&v) == VT_BSTR; }
bool IsObject(const VARIANT& v) { return V_VT(&v) == VT_DISPATCH && V_DISPATCH(&v) != nullptr; }

// One member per class, with what its answer must look like. The member-less classes answer
// with their type information only.
struct Probe {
    const wchar_t* name;
    const wchar_t* clsid;
    bool (*call)(IDispatch* object);
};

struct Bstr {
    BSTR b;
    explicit Bstr(const wchar_t* text) : b(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
};

bool Get(IDispatch* o, const wchar_t* member, VARTYPE type, Variant& r) {
    return SUCCEEDED(Call(o, member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &r.v)) && V_VT(&r.v) == type;
}

bool Memberless(IDispatch* o) {
    Ptr<ITypeInfo> info;
    TYPEATTR* attr = nullptr;
    if (FAILED(o->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info.p)) || FAILED(info.p->GetTypeAttr(&attr))) return false;
    // IUnknown's and IDispatch's seven functions, nothing of its own.
    bool ok = attr->cFuncs == 7 && attr->cVars == 0;
    info.p->ReleaseTypeAttr(attr);
    DISPID id;
    LPOLESTR name = const_cast<LPOLESTR>(L"Anything");
    return ok && o->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id) == DISP_E_UNKNOWNNAME;
}

const Probe kProbes[] = {
    {L"clsNetw", L"{8584A5E4-6183-4EF8-995D-EA1B850B82ED}",
     [](IDispatch* o) { Variant r; return SUCCEEDED(Call(o, L"EnumDomains", DISPATCH_METHOD, {}, &r.v)); }},
    {L"cyInifINIFilesObj", L"{F2DC1BD3-180D-4744-A65E-94792C754393}",
     [](IDispatch* o) { Variant r; return Get(o, L"LastReturnCode", VT_I4, r) && V_I4(&r.v) == 0; }},
    {L"classMRU", L"{8468B138-587E-4326-848D-2C9022EE1F60}",
     [](IDispatch* o) { Variant r; return Get(o, L"MaxNum", VT_I2, r) && V_I2(&r.v) == 10; }},
    {L"clSShortCut", L"{981311AC-2ED9-458F-828F-4D63A97F6906}",
     [](IDispatch* o) { Variant r; return Get(o, L"GetWinDir", VT_BSTR, r) && SysStringLen(V_BSTR(&r.v)) > 2; }},
    {L"clzBriCon", L"{0B9C9988-A632-4779-872B-3AA0D8D9B30E}",
     [](IDispatch* o) {
         Variant r;
         return SUCCEEDED(Call(o, L"MaxB", DISPATCH_METHOD, {I2(3), I2(7)}, &r.v)) && V_VT(&r.v) == VT_I2 && V_I2(&r.v) == 7;
     }},
    {L"clsCrypto", L"{3142FC85-CFEE-4CE1-88FD-2DFA33D32C94}",
     [](IDispatch* o) { Variant r; return Get(o, L"sProvider", VT_BSTR, r); }},
    {L"clsResolu", L"{64A79583-4764-40B9-A22D-4E13BF69C7C9}",
     [](IDispatch* o) { Variant r; return Get(o, L"Xtwips", VT_I2, r); }},
    {L"clsOnTop1", L"{B22317FA-0888-4864-B5EA-02D137DECDB7}",
     [](IDispatch* o) { Variant r; return Get(o, L"GetCDRomLetter", VT_BSTR, r); }},
    {L"clsKeyBoard", L"{7F4AD2AD-E1D3-4B49-A0BE-D893AFCD28C3}",
     [](IDispatch* o) {
         Variant caps, num, scroll, r;
         return SUCCEEDED(Call(o, L"GetLockStatus", DISPATCH_METHOD, {ByRef(&caps.v), ByRef(&num.v), ByRef(&scroll.v)}, &r.v)) &&
                V_VT(&caps.v) == VT_BOOL;
     }},
    {L"clsCapture", L"{B060C33D-31B0-4919-A396-FFD92E9E39EA}",
     [](IDispatch* o) { Variant r; return SUCCEEDED(Call(o, L"CaptureScreen", DISPATCH_METHOD, {}, &r.v)) && IsObject(r.v); }},
    {L"clsMSAgent", L"{B3478642-6157-48D4-ADCA-A6BC6BFB72FB}", Memberless},
    {L"clsVFW", L"{1ABA0709-273E-4EC3-8B6C-7B322C7B87D1}", Memberless},
    {L"clsWinReg", L"{DD0C3B5E-4E32-4B02-9964-D42A2CA5637C}",
     [](IDispatch* o) {
         Bstr name(L"x");
         Variant value, r;
         // No open key: the platform's status, not an error.
         return SUCCEEDED(Call(o, L"QueryValueEx", DISPATCH_METHOD, {I4(0), Text(name.b), ByRef(&value.v)}, &r.v)) &&
                V_VT(&r.v) == VT_I4 && V_I4(&r.v) != 0;
     }},
    {L"clsEnetAdd", L"{64A51CAF-9AA9-400E-AE98-9DBBAC31D413}",
     [](IDispatch* o) { Variant r; return SUCCEEDED(Call(o, L"AdapterType", DISPATCH_PROPERTYGET, {}, &r.v)); }},
    {L"clsDrvInfo2", L"{01396120-5493-428C-AFD2-55A56A74C4F7}",
     [](IDispatch* o) { Variant r; return Get(o, L"Count", VT_R8, r) && V_R8(&r.v) == 0; }},
    {L"clsDriveInfo", L"{D8F2D0A8-1762-46BA-8297-3629FD36B0E1}",
     [](IDispatch* o) { Variant r; return Get(o, L"GetFirstCDDriveLetter", VT_BSTR, r); }},
    {L"clsSecretFiles", L"{16B07CE7-7D8D-4B4F-9C26-D0B8CB564B5C}",
     [](IDispatch* o) {
         Bstr path(L"C:\\no such folder\\secret.dat"), unused(L"");
         Variant r;
         return SUCCEEDED(Call(o, L"ReadSecretFile", DISPATCH_METHOD, {Text(path.b), Text(unused.b)}, &r.v)) &&
                IsText(r.v) && wcscmp(V_BSTR(&r.v), L"|||") == 0;
     }},
    {L"clsResTarvik", L"{BA823FEC-8191-4357-A691-DD04ACFD7390}",
     [](IDispatch* o) {
         Variant id, r;
         V_VT(&id.v) = VT_I4;
         V_I4(&id.v) = 102;
         return SUCCEEDED(Call(o, L"GetTarvikRes_Picture", DISPATCH_METHOD, {ByRef(&id.v)}, &r.v)) && IsObject(r.v);
     }},
    {L"cLoadResPicture", L"{C3F4E848-F239-4942-B21A-D33722839FCC}",
     [](IDispatch* o) {
         Bstr format(L"JPG");
         Variant r;
         return SUCCEEDED(Call(o, L"LoadResPicture", DISPATCH_PROPERTYGET, {I4(102), Text(format.b)}, &r.v)) &&
                (V_VT(&r.v) == VT_UNKNOWN || V_VT(&r.v) == VT_DISPATCH) && V_UNKNOWN(&r.v) != nullptr;
     }},
    {L"clsControlPanelEntry", L"{B49DE800-D9B4-409B-92D0-67D1DAAC9CE7}",
     [](IDispatch* o) {
         // An entry that was never made: nothing to delete, nothing asked.
         Variant id, r;
         V_VT(&id.v) = VT_BSTR;
         V_BSTR(&id.v) = SysAllocString(L"{6D1C7A1E-0000-4000-8000-00000000D00D}");
         return SUCCEEDED(Call(o, L"DeleteEntryFromSystemPanel", DISPATCH_METHOD, {ByRef(&id.v)}, &r.v));
     }},
    {L"clsDSN", L"{AD61E328-4A55-445F-8DC5-7F3637D24653}", Memberless},
    {L"clsDorvelRegHand2A", L"{A2D08444-1C3F-4E41-A3FA-EA7D3F9DEEC5}",
     [](IDispatch* o) { Variant r; return Get(o, L"KeyExists", VT_BOOL, r) && V_BOOL(&r.v) == VARIANT_FALSE; }},
};

wchar_t* Hex(HRESULT hr) {
    static wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

void Probe1(const Probe& probe, const std::wstring& how, REFCLSID clsid) {
    Ptr<IDispatch> object;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object.p));
    std::wstring what = std::wstring(probe.name) + L" by " + how;
    Check(SUCCEEDED(hr) && object.p, what + L" is created (" + Hex(hr) + L")");
    if (!object.p) return;
    Ptr<ITypeInfo> info;
    BSTR name = nullptr;
    bool named = SUCCEEDED(object.p->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info.p)) &&
                 SUCCEEDED(info.p->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr));
    Check(named && name && std::wstring(name) == std::wstring(L"_") + probe.name, what + L" has its interface's type information");
    SysFreeString(name);
    Check(probe.call(object.p), what + L" answers its member");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // The proof is void if the classes are registered: then the registry, not the manifest, served them.
    bool expectUnregistered = argc > 1 && wcscmp(argv[1], L"--unregistered") == 0;
    if (FAILED(CoInitialize(nullptr))) return 99;
    for (const Probe& probe : kProbes) {
        CLSID clsid;
        Check(SUCCEEDED(CLSIDFromString(const_cast<LPOLESTR>(probe.clsid), &clsid)), L"CLSID text");
        std::wstring progId = std::wstring(L"WENDRAX1.") + probe.name;
        CLSID fromProgId = {};
        HRESULT hr = CLSIDFromProgID(progId.c_str(), &fromProgId);
        // Wine answers a ProgID of the activation context with an alias of the class's CLSID
        // (measured), which creates the same class: the created object's interface tells.
        Check(SUCCEEDED(hr), progId + L" names a class (" + Hex(hr) + L")");
        if (SUCCEEDED(hr)) Probe1(probe, L"ProgID", fromProgId);
        Probe1(probe, L"CLSID", clsid);
        if (expectUnregistered) {
            HKEY key = nullptr;
            std::wstring path = std::wstring(L"CLSID\\") + probe.clsid;
            bool registered = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
            if (key) RegCloseKey(key);
            Check(!registered, std::wstring(probe.name) + L" is not registered");
        }
    }
    CoUninitialize();
    wprintf(L"%d classes, %d passed, %d failed\n", static_cast<int>(sizeof kProbes / sizeof kProbes[0]), passes, failures);
    return failures;
}
