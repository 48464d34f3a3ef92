#include "support/Library.h"
#include <shellapi.h>
#include <cstring>

namespace wxtest {

namespace {
std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path);
    return p.substr(0, p.find_last_of(L"\\/"));
}
}  // namespace

std::wstring LibraryPath() { return ProgramFolder() + L"\\WENDRAX1.dll"; }

HMODULE LibraryModule() {
    static HMODULE module = LoadLibraryW(LibraryPath().c_str());
    return module;
}

ComPtr<IDispatch> CreateByProgId(const wchar_t* progId) {
    CLSID clsid;
    ComPtr<IDispatch> object;
    if (SUCCEEDED(CLSIDFromProgID(progId, &clsid)))
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.putVoid());
    return object;
}

CallResult Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args) {
    CallResult r;
    DISPID id;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    r.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(r.hr)) return r;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &putId;
    }
    EXCEPINFO info;
    memset(&info, 0, sizeof info);
    UINT argErr = 0;
    r.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, r.value.get(), &info, &argErr);
    if (r.hr == DISP_E_EXCEPTION) {
        r.number = HRESULT_FACILITY(info.scode) == FACILITY_CONTROL ? HRESULT_CODE(info.scode) : info.scode;
        if (info.bstrSource) r.source = info.bstrSource;
        if (info.bstrDescription) r.description = info.bstrDescription;
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
    return r;
}

CallResult Call(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args) {
    return Invoke(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
}
CallResult Get(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args) {
    return Invoke(object, name, DISPATCH_PROPERTYGET, std::move(args));
}
CallResult Put(IDispatch* object, const wchar_t* name, VARIANT value) {
    return Invoke(object, name, DISPATCH_PROPERTYPUT, {value});
}

VARIANT Ref(Variant& variable) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&v) = variable.get();
    return v;
}

VARIANT Val(const Variant& value) { return *value.get(); }

std::wstring TextOf(const VARIANT& v) {
    if (V_VT(&v) != VT_BSTR || !V_BSTR(&v)) return std::wstring();
    return std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v)));
}

ScratchFolder::ScratchFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    path_ = std::wstring(temp) + L"wxtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(InterlockedIncrement(&counter));
    CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    std::wstring from = path_ + L'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&op);
}

std::string ReadFileBytes(const std::wstring& path) {
    wx::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got) bytes.append(chunk, got);
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    wx::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    if (file && !bytes.empty()) WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

}  // namespace wxtest
