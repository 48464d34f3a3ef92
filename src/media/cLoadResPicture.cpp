#include "media/cLoadResPicture.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/HostObject.h"
#include "frame/Module.h"
#include "frame/Runtime.h"
#include "frame/Text.h"
#include <vector>

namespace wx {

namespace {
const DWORD kPathBuffer = 260;
const DWORD kMessageBuffer = 256;
const long kSystemErrorBase = 10000;

std::wstring ClassSource() { return Module::BaseName() + L".cLoadResPicture"; }
}  // namespace

cLoadResPicture::cLoadResPicture() : Dispatchable(IID__cLoadResPicture) {}
cLoadResPicture::~cLoadResPicture() = default;

std::wstring cLoadResPicture::SystemErrorText(DWORD code) {
    std::vector<wchar_t> buffer(kMessageBuffer, L'\0');
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                             buffer.data(), kMessageBuffer, nullptr);
    if (n > kMessageBuffer) n = kMessageBuffer;
    return std::wstring(buffer.data(), n);
}

// Platform failures of the temporary folder and file travel as their system error OR 10000, with
// the system's own message. The caller re-raises them under the class's name.
void cLoadResPicture::RaiseSystemError(DWORD code) {
    RaiseError(static_cast<long>(code) | kSystemErrorBase, ClassSource(), SystemErrorText(code));
}

std::wstring cLoadResPicture::TempFolderPath() {
    std::vector<wchar_t> buffer(kPathBuffer, L'\0');
    SetLastError(0);
    DWORD n = GetTempPathW(kPathBuffer, buffer.data());
    DWORD error = GetLastError();
    if (n == 0) RaiseSystemError(error);
    if (n > kPathBuffer) {
        // A longer folder than the usual buffer: ask again with room for it rather than return a
        // buffer the platform did not fill.
        buffer.assign(n + 1, L'\0');
        SetLastError(0);
        n = GetTempPathW(n + 1, buffer.data());
        error = GetLastError();
        if (n == 0 || n > buffer.size()) RaiseSystemError(error);
    }
    return std::wstring(buffer.data(), n);
}

std::wstring cLoadResPicture::TempFileName(const std::wstring& prefix, std::wstring folder) {
    if (folder.empty()) folder = TempFolderPath();
    std::vector<wchar_t> buffer(kPathBuffer, L'\0');
    SetLastError(0);
    UINT unique = GetTempFileNameW(folder.c_str(), prefix.c_str(), 0, buffer.data());
    DWORD error = GetLastError();
    // The result decides: a file that was made is handed back (and so deleted by the caller) even
    // if the platform left a stale error code behind.
    if (unique == 0) RaiseSystemError(error);
    buffer.back() = L'\0';
    return std::wstring(buffer.data());
}

void cLoadResPicture::DeleteFileQuietly(const std::wstring& path) {
    if (!path.empty()) DeleteFileW(path.c_str());
}

STDMETHODIMP cLoadResPicture::get_LoadResPicture(VARIANT ID, VARIANT Format, IPicture** result) {
    return Guarded([&] {
        Require(result);
        *result = nullptr;
        std::wstring tmp;
        try {
            std::vector<BYTE> data = ResourceBytes(ID, ToText(Format));
            tmp = TempFileName(L"LRP", std::wstring());
            WriteBinaryFile(tmp, data.data(), data.size());  // opens and closes the file itself
            ComPtr<IPictureDisp> loaded = LoadPictureFile(tmp);
            ComPtr<IPicture> picture = loaded.as<IPicture>(IID_IPicture);
            if (!picture) RaiseRuntime(481);
            DeleteFileQuietly(tmp);
            *result = picture.detach();
        } catch (const AutomationError& failure) {
            DeleteFileQuietly(tmp);
            RaiseError(failure.number(), ClassSource(), failure.description());
        } catch (const std::bad_alloc&) {
            DeleteFileQuietly(tmp);
            RaiseError(7, ClassSource(), RuntimeErrorText(7));
        }
    });
}

HRESULT Create_cLoadResPicture(REFIID riid, void** ppv) { return CreateAndQuery<cLoadResPicture>(riid, ppv); }

}  // namespace wx
