// Pictures from the library's own resources. The platform's picture loader reads files, so the
// resource's bytes go through a temporary "LRP" file that is gone again before the call returns,
// whether the picture loaded or not.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"
#include <string>

namespace wx {

class cLoadResPicture : public Dispatchable<_cLoadResPicture> {
public:
    cLoadResPicture();
    ~cLoadResPicture() override;

    STDMETHODIMP get_LoadResPicture(VARIANT ID, VARIANT Format, IPicture** result) override;

private:
    static std::wstring TempFolderPath();
    static std::wstring TempFileName(const std::wstring& prefix, std::wstring folder);
    static std::wstring SystemErrorText(DWORD code);
    static void DeleteFileQuietly(const std::wstring& path);
    [[noreturn]] static void RaiseSystemError(DWORD code);
};

}  // namespace wx
