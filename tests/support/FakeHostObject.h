// A stand-in for a host's object (a form, a control, a picture box, a printer): a real IDispatch
// with named properties and methods that a test sets up, recording every access in order.
// Names it does not know answer DISP_E_UNKNOWNNAME, as a host object lacking a member does.
#pragma once
#include "frame/Handles.h"
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace wxtest {

class FakeHostObject : public IDispatch {
public:
    // Called with the arguments in call order (by-reference ones as the caller passed them).
    using Method = std::function<HRESULT(std::vector<VARIANT*>& args, VARIANT* result)>;

    static wx::ComPtr<FakeHostObject> Make();

    void SetProperty(const std::wstring& name, const wx::Variant& value);
    wx::Variant Property(const std::wstring& name) const;
    bool HasProperty(const std::wstring& name) const;
    void SetMethod(const std::wstring& name, Method method);
    // Every access, in order: "get Left", "let WindowState=2", "call Move(1,2,3,4)".
    const std::vector<std::wstring>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override;

private:
    FakeHostObject() = default;
    virtual ~FakeHostObject() = default;
    DISPID IdFor(const std::wstring& name, bool create);
    std::wstring NameOf(DISPID id) const;

    volatile LONG refs_ = 1;
    std::map<std::wstring, DISPID> ids_;  // upper-cased names
    std::map<DISPID, std::wstring> names_;
    std::map<DISPID, wx::Variant> properties_;
    std::map<DISPID, Method> methods_;
    std::vector<std::wstring> log_;
};

// Short text of a value for logs and messages ("12", "abc", "Nothing").
std::wstring Describe(const VARIANT& value);

}  // namespace wxtest
