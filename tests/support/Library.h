// The library under test, loaded from the folder of the test program, and small helpers for calling
// its objects the way hosts do: through the function table, through IDispatch by name, or created
// by ProgID after registration.
#pragma once
#include "frame/Handles.h"
#include <string>
#include <vector>

namespace wxtest {

using wx::Bstr;
using wx::ComPtr;
using wx::Variant;

HMODULE LibraryModule();
std::wstring LibraryPath();

using wx::ProcAddress;

// Creates an object through the library's own DllGetClassObject (no registration needed).
template <class T>
ComPtr<T> Create(REFCLSID clsid, REFIID iid) {
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto get = ProcAddress<GetClassObjectFn>(LibraryModule(), "DllGetClassObject");
    ComPtr<IClassFactory> factory;
    ComPtr<T> object;
    if (get && SUCCEEDED(get(clsid, IID_IClassFactory, factory.putVoid())))
        factory->CreateInstance(nullptr, iid, object.putVoid());
    return object;
}

// Creates an object by ProgID through the registry (the library must be registered).
ComPtr<IDispatch> CreateByProgId(const wchar_t* progId);

// The outcome of a late-bound call.
struct CallResult {
    HRESULT hr = S_OK;
    Variant value;
    long number = 0;          // the automation error number, when hr is DISP_E_EXCEPTION
    std::wstring source;
    std::wstring description;
};

// Calls a member by name; arguments in call order. Use Ref() to pass a variable by reference
// the way script hosts do (VT_VARIANT|VT_BYREF).
CallResult Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args = {});
CallResult Call(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args = {});
CallResult Get(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args = {});
CallResult Put(IDispatch* object, const wchar_t* name, VARIANT value);
VARIANT Ref(Variant& variable);
VARIANT Val(const Variant& value);

// Reads the text of a BSTR-holding variant ("" for anything else).
std::wstring TextOf(const VARIANT& v);

// A scratch folder for one test, removed with everything in it when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

}  // namespace wxtest
