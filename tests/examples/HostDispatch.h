// The late-bound face of the example stand-ins (a picture box, a form, its controls): members
// found by name without regard to case, arguments read in call order with by-reference and
// omitted ones handled, and the host runtime's errors (5, 380, 438) raised as a host raises them.
#pragma once
#include "frame/Handles.h"
#include <string>
#include <vector>

namespace wxexamples {

// The server's own module, which owns the stand-ins' window classes.
HINSTANCE ServerModule();

// What a member was asked to do, and its arguments in call order.
struct Call {
    WORD flags;
    std::vector<VARIANT*> args;
    VARIANT* value = nullptr;  // the value assigned by a property put, else null

    bool get() const { return (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0 && !value; }
    bool put() const { return value != nullptr; }
    size_t count() const { return args.size(); }
    bool missing(size_t i) const;
    double number(size_t i) const;  // argument i as a Double (raises 13 when it is none)
    long whole(size_t i) const;
    std::wstring text(size_t i) const;
    IDispatch* object(size_t i) const;  // borrowed
    double valueNumber() const;
    bool valueBool() const;
    std::wstring valueText() const;
    IDispatch* valueObject() const;  // borrowed
};

// A host-runtime error a member raises; Invoke turns it into the exception a host reports.
struct HostError {
    long number;
};

class HostDispatch : public IDispatch {
public:
    struct Name {
        const wchar_t* name;
        DISPID id;
    };

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override;

protected:
    HostDispatch(const Name* names, size_t count);
    virtual ~HostDispatch();
    // Runs one member; writes a result for a get. DISP_E_MEMBERNOTFOUND for a kind it lacks.
    virtual HRESULT Member(DISPID id, Call& call, wx::Variant& result) = 0;
    const wchar_t* source_ = L"WxExamples";

private:
    volatile LONG refs_ = 1;
    const Name* names_;
    size_t nameCount_;
};

wx::Variant Number(double value);
wx::Variant Whole(long value);
wx::Variant Flag(bool value);
wx::Variant Text(const std::wstring& value);
wx::Variant Object(IDispatch* value);

// Units of a Basic form's scale modes per pixel (twips, points, pixels, characters (not
// supported), inches, millimetres, centimetres, HIMETRIC), at the screen's resolution.
double UnitsPerPixel(long scaleMode, bool vertical);

}  // namespace wxexamples
