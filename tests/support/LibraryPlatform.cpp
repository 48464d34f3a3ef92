#include "support/LibraryPlatform.h"
#include "support/Library.h"
#include <cstring>

namespace wxtest {

namespace {

FARPROC Proc(const char* module, const char* name) {
    HMODULE handle = LoadLibraryA(module);  // the library holds these modules loaded already
    return handle ? GetProcAddress(handle, name) : nullptr;
}

// The function a table entry leads to: the library may hold the address of its own import stub
// ("jmp [import slot]") rather than the function itself.
void* Target(void* entry, BYTE* base, DWORD imageSize) {
    auto* code = static_cast<BYTE*>(entry);
    if (code >= base && code + 6 <= base + imageSize && code[0] == 0xFF && code[1] == 0x25) {
        void** slot = *reinterpret_cast<void***>(code + 2);
        if (reinterpret_cast<BYTE*>(slot) >= base && reinterpret_cast<BYTE*>(slot) < base + imageSize) return *slot;
    }
    return entry;
}

template <class T>
void Fill(T& field, const char* module, const char* name) {
    field = reinterpret_cast<T>(Proc(module, name));
}

}  // namespace

wx::PlatformCalls* LibraryPlatform() {
    static wx::PlatformCalls* found = nullptr;
    if (found) return found;
    wx::PlatformCalls real{};
    Fill(real.netbios, "netapi32.dll", "Netbios");
    Fill(real.wnetOpenEnumA, "mpr.dll", "WNetOpenEnumA");
    Fill(real.wnetEnumResourceA, "mpr.dll", "WNetEnumResourceA");
    Fill(real.wnetCloseEnum, "mpr.dll", "WNetCloseEnum");
    Fill(real.sndPlaySoundA, "winmm.dll", "sndPlaySoundA");
    Fill(real.shellExecuteExA, "shell32.dll", "ShellExecuteExA");
    Fill(real.keybdEvent, "user32.dll", "keybd_event");
    Fill(real.getKeyState, "user32.dll", "GetKeyState");
    Fill(real.getDiskFreeSpaceA, "kernel32.dll", "GetDiskFreeSpaceA");
    Fill(real.getDiskFreeSpaceExA, "kernel32.dll", "GetDiskFreeSpaceExA");

    auto* base = reinterpret_cast<BYTE*>(LibraryModule());
    if (!base) return nullptr;
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (!(section->Characteristics & IMAGE_SCN_MEM_WRITE)) continue;
        BYTE* start = base + section->VirtualAddress;
        DWORD size = section->Misc.VirtualSize;
        const DWORD count = sizeof real / sizeof(void*);
        void* const* want = reinterpret_cast<void* const*>(&real);
        for (DWORD offset = 0; offset + sizeof real <= size; offset += sizeof(void*)) {
            void** have = reinterpret_cast<void**>(start + offset);
            DWORD same = 0;
            while (same < count && Target(have[same], base, nt->OptionalHeader.SizeOfImage) == want[same]) ++same;
            if (same == count) {
                found = reinterpret_cast<wx::PlatformCalls*>(start + offset);
                return found;
            }
        }
    }
    return nullptr;
}

PlatformOverride::PlatformOverride() : table_(LibraryPlatform()) {
    if (table_) saved_ = *table_;
}

PlatformOverride::~PlatformOverride() {
    if (table_) *table_ = saved_;
}

}  // namespace wxtest
