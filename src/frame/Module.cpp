#include "frame/Module.h"
#include <vector>

namespace wx {

namespace {
HMODULE g_module = nullptr;
volatile LONG g_objects = 0;
volatile LONG g_locks = 0;
}  // namespace

HMODULE Module::Handle() { return g_module; }
void Module::SetHandle(HMODULE module) { g_module = module; }

std::wstring Module::Path() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(g_module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring Module::Folder() {
    std::wstring path = Path();
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::wstring();
    std::wstring folder = path.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    return folder;
}

std::wstring Module::BaseName() {
    std::wstring path = Path();
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    return name.empty() ? std::wstring(L"WENDRAX1") : name;
}

void Module::AddObject() { InterlockedIncrement(&g_objects); }
void Module::RemoveObject() { InterlockedDecrement(&g_objects); }
void Module::Lock() { InterlockedIncrement(&g_locks); }
void Module::Unlock() { InterlockedDecrement(&g_locks); }
bool Module::InUse() { return g_objects > 0 || g_locks > 0; }

}  // namespace wx

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wx::Module::SetHandle(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
