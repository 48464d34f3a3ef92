// The domains and workgroups of the first network provider, listed through the platform's network
// enumeration, returned as an array or added to a host list control.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"
#include <string>
#include <vector>

namespace wx {

class clsNetw : public Dispatchable<_clsNetw> {
public:
    clsNetw();

    STDMETHODIMP GetDomains(IDispatch** lst) override;
    STDMETHODIMP EnumDomains(VARIANT* pResult) override;

private:
    static std::vector<std::wstring> ListDomains();
    // The text at a name pointer of a record: empty for none.
    static std::wstring StringFromPointer(const wchar_t* text);
};

}  // namespace wx
