// Up to four short texts kept in a small text file, each enciphered with the library's shift
// cipher (through clsCrypto) and written as one quoted line in the cipher's code page. Both members carry on past every
// failing step and never raise; the four record texts of the instance carry over between calls.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"
#include <string>

namespace wx {

class clsSecretFiles : public Dispatchable<_clsSecretFiles> {
public:
    clsSecretFiles();
    ~clsSecretFiles() override;

    STDMETHODIMP WriteSecretFile(BSTR FilePath, BSTR Record1, BSTR Record2, BSTR Record3, BSTR Record4,
                                 BSTR* result) override;
    STDMETHODIMP ReadSecretFile(BSTR FilePath, BSTR sUnused, VARIANT* result) override;

private:
    std::wstring records_[4];
};

}  // namespace wx
