#include "desktop/clSShortCut.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/Handles.h"
#include "frame/Module.h"
#include "frame/Runtime.h"
#include "frame/Text.h"
#include "desktop/TrimSpaces.h"
#include <vector>

namespace wx {

namespace {
const wchar_t kToolkit[] = L"vb6stkit.dll";
const char kCreateShellLink[] = "fCreateShellLink";
const wchar_t kDesktopFromPrograms[] = L"..\\..\\Desktop";
const char kProgramsGroup[] = "$(Programs)";
const long kPrivateLink = -1;
const UINT kWindowsFolderBuffer = 256;

using CreateShellLinkFn = long(WINAPI*)(LPCSTR folder, LPCSTR linkName, LPCSTR linkPath, LPCSTR arguments,
                                        long privateLink, LPCSTR parent);

// The toolkit travels beside the library; failing that, wherever the system finds it.
LoadedModule LoadToolkit() {
    LoadedModule toolkit(LoadLibraryW((Module::Folder() + L"\\" + kToolkit).c_str()));
    if (!toolkit) toolkit.reset(LoadLibraryW(kToolkit));
    if (!toolkit) RaiseRuntime(53);  // as a call into a missing library fails
    return toolkit;
}
}  // namespace

clSShortCut::clSShortCut() : Dispatchable(IID__clSShortCut) {}

std::wstring clSShortCut::WindowsFolder() {
    std::vector<char> buffer(kWindowsFolderBuffer, 0);
    UINT n = GetWindowsDirectoryA(buffer.data(), kWindowsFolderBuffer);
    if (n > kWindowsFolderBuffer) {  // longer than the usual buffer: ask again with room for it
        buffer.assign(n, 0);
        n = GetWindowsDirectoryA(buffer.data(), n);
        if (n >= buffer.size()) n = 0;
    }
    if (n == 0) {
        ShowMessage(L"Failed to get windows dir", kOkOnly);
        return std::wstring();
    }
    return FromAnsi(buffer.data(), n);
}

void clSShortCut::Prepare() {
    Quietly([] { WindowsFolder(); });
    shortcutFolder_ = kDesktopFromPrograms;
}

STDMETHODIMP clSShortCut::dojobsstart() {
    return Guarded([&] { Prepare(); });
}

STDMETHODIMP clSShortCut::doAddShortCut(BSTR ExeFileSpec, BSTR Title, BSTR Arglist, VARIANT_BOOL* pResult) {
    return Guarded([&] {
        if (!pResult) RaiseRuntime(5);
        // True means the toolkit was reached and called; whether the link exists is its business.
        bool called = Quietly([&] {
            Prepare();
            std::string target = ToAnsi(TrimSpaces(TextOf(ExeFileSpec)));
            std::string arguments = ToAnsi(TrimSpaces(TextOf(Arglist)));
            std::string title = ToAnsi(TrimSpaces(TextOf(Title)));
            std::string folder = ToAnsi(shortcutFolder_);
            LoadedModule toolkit = LoadToolkit();
            auto create = reinterpret_cast<CreateShellLinkFn>(GetProcAddress(toolkit.get(), kCreateShellLink));
            if (!create) RaiseRuntime(453);  // the library lacks the entry point
            create(folder.c_str(), title.c_str(), target.c_str(), arguments.c_str(), kPrivateLink, kProgramsGroup);
        });
        *pResult = called ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

STDMETHODIMP clSShortCut::GetWinDir(BSTR* pResult) {
    return Guarded([&] {
        if (!pResult) RaiseRuntime(5);
        std::wstring folder;
        Quietly([&] { folder = WindowsFolder(); });
        *pResult = NewBstr(folder);
    });
}

STDMETHODIMP clSShortCut::GetWinSysDir(BSTR* pResult) {
    return Guarded([&] {
        if (!pResult) RaiseRuntime(5);
        // Always "System" below the Windows folder, whatever the system folder is really called.
        std::wstring folder;
        Quietly([&] { folder = WindowsFolder(); });
        *pResult = NewBstr(folder + L"\\System\\");
    });
}

HRESULT Create_clSShortCut(REFIID riid, void** ppv) { return CreateAndQuery<clSShortCut>(riid, ppv); }

}  // namespace wx
