#include "desktop/clSShortCut.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/Handles.h"
#include "frame/Module.h"
#include "frame/Runtime.h"
#include "frame/Text.h"
#include "desktop/TrimSpaces.h"
#include <shlobj.h>
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

// A shell folder's path in Unicode, or empty text.
std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::wstring();
    return path;
}

// The link the toolkit would make, on the user's desktop, written through the shell's own link
// object in Unicode. True when the link file was saved.
bool SaveDesktopLink(const std::wstring& title, const std::wstring& target, const std::wstring& arguments) {
    if (title.empty() || target.empty()) return false;  // the toolkit makes no nameless link either
    std::wstring desktop = ShellFolder(CSIDL_DESKTOPDIRECTORY);
    if (desktop.empty()) return false;
    int made = SHCreateDirectoryExW(nullptr, desktop.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) return false;
    ComScope com;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())))
        return false;
    if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetArguments(arguments.c_str()))) return false;
    size_t slash = target.find_last_of(L'\\');
    if (slash != std::wstring::npos) link->SetWorkingDirectory(target.substr(0, slash).c_str());
    auto file = link.as<IPersistFile>(IID_IPersistFile);
    return file && SUCCEEDED(file->Save((desktop + L"\\" + title + L".lnk").c_str(), TRUE));
}

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
    std::vector<wchar_t> buffer(kWindowsFolderBuffer, 0);
    UINT n = GetWindowsDirectoryW(buffer.data(), kWindowsFolderBuffer);
    if (n > kWindowsFolderBuffer) {  // longer than the usual buffer: ask again with room for it
        buffer.assign(n, 0);
        n = GetWindowsDirectoryW(buffer.data(), n);
        if (n >= buffer.size()) n = 0;
    }
    if (n == 0) {
        ShowMessage(L"Failed to get windows dir", kOkOnly);
        return std::wstring();
    }
    return std::wstring(buffer.data(), n);
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
        Require(pResult);
        // True means the toolkit was reached and called; whether its link exists is its business.
        bool called = Quietly([&] {
            Prepare();
            // Each text as the toolkit reads it: trimmed, and to its first NUL.
            std::wstring target = BeforeNul(TrimSpaces(TextOf(ExeFileSpec)));
            std::wstring arguments = BeforeNul(TrimSpaces(TextOf(Arglist)));
            std::wstring title = BeforeNul(TrimSpaces(TextOf(Title)));
            LoadedModule toolkit = LoadToolkit();
            auto create = ProcAddress<CreateShellLinkFn>(toolkit.get(), kCreateShellLink);
            if (!create) RaiseRuntime(453);  // the library lacks the entry point
            // The toolkit takes ANSI text and finds the user's folders in ANSI: it gets the link
            // whenever all of that holds in the code page. Otherwise a look-alike name would
            // replace another link, or point at another program, so the shell's link object
            // makes the same link in Unicode, and the answer says whether it was written.
            std::string targetBytes, argumentBytes, titleBytes, folderBytes, unused;
            bool ansi = ToAnsiExact(target, targetBytes) && ToAnsiExact(arguments, argumentBytes) &&
                        ToAnsiExact(title, titleBytes) && ToAnsiExact(shortcutFolder_, folderBytes) &&
                        ToAnsiExact(ShellFolder(CSIDL_PROGRAMS), unused) &&
                        ToAnsiExact(ShellFolder(CSIDL_DESKTOPDIRECTORY), unused);
            if (ansi) {
                create(folderBytes.c_str(), titleBytes.c_str(), targetBytes.c_str(), argumentBytes.c_str(),
                       kPrivateLink, kProgramsGroup);
                return;
            }
            if (!SaveDesktopLink(title, target, arguments)) RaiseRuntime(5);
        });
        *pResult = called ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

STDMETHODIMP clSShortCut::GetWinDir(BSTR* pResult) {
    return Guarded([&] {
        Require(pResult);
        std::wstring folder;
        Quietly([&] { folder = WindowsFolder(); });
        *pResult = NewBstr(folder);
    });
}

STDMETHODIMP clSShortCut::GetWinSysDir(BSTR* pResult) {
    return Guarded([&] {
        Require(pResult);
        // Always "System" below the Windows folder, whatever the system folder is really called.
        std::wstring folder;
        Quietly([&] { folder = WindowsFolder(); });
        *pResult = NewBstr(folder + L"\\System\\");
    });
}

HRESULT Create_clSShortCut(REFIID riid, void** ppv) { return CreateAndQuery<clSShortCut>(riid, ppv); }

}  // namespace wx
