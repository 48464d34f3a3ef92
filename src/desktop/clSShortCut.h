// Desktop shortcuts through the setup toolkit's shell-link function (vb6stkit.dll, looked up when
// a shortcut is made; names the ANSI code page cannot hold go through the shell's link object in
// Unicode instead), and the Windows folder with the System folder below it.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"
#include <string>

namespace wx {

class clSShortCut : public Dispatchable<_clSShortCut> {
public:
    clSShortCut();

    STDMETHODIMP dojobsstart() override;
    STDMETHODIMP doAddShortCut(BSTR ExeFileSpec, BSTR Title, BSTR Arglist, VARIANT_BOOL* pResult) override;
    STDMETHODIMP GetWinDir(BSTR* pResult) override;
    STDMETHODIMP GetWinSysDir(BSTR* pResult) override;

private:
    void Prepare();
    static std::wstring WindowsFolder();

    // Where the toolkit puts the link, relative to its "$(Programs)" group folder.
    std::wstring shortcutFolder_;
};

}  // namespace wx
