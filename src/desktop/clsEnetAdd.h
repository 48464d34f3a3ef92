// The hardware (MAC) address of one LAN adapter, asked of NetBIOS with an adapter-status call,
// with a few more values of the status record kept in properties.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"

namespace wx {

class clsEnetAdd : public Dispatchable<_clsEnetAdd> {
public:
    clsEnetAdd();

    STDMETHODIMP EthernetAddress(LONG* LanaNumber, BSTR* pResult) override;
    STDMETHODIMP get_AdapterType(VARIANT* pResult) override;
    STDMETHODIMP put_AdapterType(VARIANT value) override;
    STDMETHODIMP get_NameCount(VARIANT* pResult) override;
    STDMETHODIMP put_NameCount(VARIANT value) override;
    STDMETHODIMP get_RevMajor(VARIANT* pResult) override;
    STDMETHODIMP put_RevMajor(VARIANT value) override;
    STDMETHODIMP get_RevMinor(VARIANT* pResult) override;
    STDMETHODIMP put_RevMinor(VARIANT value) override;
    STDMETHODIMP get_EnetAddressDec(VARIANT* pResult) override;
    STDMETHODIMP put_EnetAddressDec(VARIANT value) override;

private:
    Variant adapterType_, nameCount_, revMajor_, revMinor_, enetAddressDec_;
};

}  // namespace wx
