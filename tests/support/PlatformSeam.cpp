#include "support/PlatformSeam.h"
#include "support/Library.h"
#include <cstring>

namespace wxtest {

namespace {

template <class T>
void Resolve(T& entry, HMODULE module, const char* name) {
    entry = reinterpret_cast<T>(GetProcAddress(module, name));
}

// The functions the library's table starts with, as the loader resolved them for this process.
wx::PlatformCalls RealCalls() {
    wx::PlatformCalls real = {};
    HMODULE netapi = LoadLibraryW(L"netapi32.dll"), mpr = LoadLibraryW(L"mpr.dll"), winmm = LoadLibraryW(L"winmm.dll"),
            shell = LoadLibraryW(L"shell32.dll"), user = LoadLibraryW(L"user32.dll"),
            kernel = GetModuleHandleW(L"kernel32.dll");
    Resolve(real.netbios, netapi, "Netbios");
    Resolve(real.wnetOpenEnumA, mpr, "WNetOpenEnumA");
    Resolve(real.wnetEnumResourceA, mpr, "WNetEnumResourceA");
    Resolve(real.wnetCloseEnum, mpr, "WNetCloseEnum");
    Resolve(real.sndPlaySoundA, winmm, "sndPlaySoundA");
    Resolve(real.shellExecuteExA, shell, "ShellExecuteExA");
    Resolve(real.keybdEvent, user, "keybd_event");
    Resolve(real.getKeyState, user, "GetKeyState");
    Resolve(real.getDiskFreeSpaceA, kernel, "GetDiskFreeSpaceA");
    Resolve(real.getDiskFreeSpaceExA, kernel, "GetDiskFreeSpaceExA");
    return real;
}

// The library's sections, to tell code and data apart before reading through a pointer.
struct Image {
    BYTE* base;
    IMAGE_SECTION_HEADER* sections;
    WORD count;
    bool Holds(const void* p, DWORD length, DWORD characteristics) const {
        auto at = reinterpret_cast<UINT_PTR>(p);
        for (WORD s = 0; s < count; ++s) {
            auto start = reinterpret_cast<UINT_PTR>(base + sections[s].VirtualAddress);
            if (at >= start && sections[s].Misc.VirtualSize >= length &&
                at - start <= sections[s].Misc.VirtualSize - length &&
                (sections[s].Characteristics & characteristics) == characteristics)
                return true;
        }
        return false;
    }
};

// The library may hold the address of its own import stub ("jmp [import slot]") instead of the
// function itself; follow such a stub to the function the slot holds.
const void* Target(const void* entry, const Image& image) {
    auto code = static_cast<const BYTE*>(entry);
    if (!image.Holds(code, 6, IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_READ) || code[0] != 0xFF || code[1] != 0x25)
        return entry;
    const void* slot = *reinterpret_cast<const void* const*>(code + 2);
    if (!image.Holds(slot, sizeof(void*), IMAGE_SCN_MEM_READ)) return entry;
    return *static_cast<const void* const*>(slot);
}

std::vector<wx::PlatformCalls*> FindTables(HMODULE module) {
    std::vector<wx::PlatformCalls*> found;
    if (!module) return found;
    const wx::PlatformCalls real = RealCalls();
    const size_t entries = sizeof real / sizeof(void*);
    auto wanted = reinterpret_cast<const void* const*>(&real);
    auto base = reinterpret_cast<BYTE*>(module);
    auto dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const Image image{base, IMAGE_FIRST_SECTION(nt), nt->FileHeader.NumberOfSections};
    IMAGE_SECTION_HEADER* section = image.sections;
    for (WORD s = 0; s < nt->FileHeader.NumberOfSections; ++s, ++section) {
        if (!(section->Characteristics & IMAGE_SCN_MEM_WRITE)) continue;  // the live table is written to
        BYTE* start = base + section->VirtualAddress;
        DWORD size = section->Misc.VirtualSize;
        for (DWORD at = 0; at + sizeof real <= size; at += sizeof(void*)) {
            auto candidate = reinterpret_cast<const void* const*>(start + at);
            size_t i = 0;
            while (i < entries && wanted[i] && Target(candidate[i], image) == wanted[i]) ++i;
            if (i == entries) found.push_back(reinterpret_cast<wx::PlatformCalls*>(start + at));
        }
    }
    return found;
}

}  // namespace

PlatformOverride::PlatformOverride() : tables_(FindTables(LibraryModule())) {
    for (wx::PlatformCalls* table : tables_) saved_.push_back(*table);
}

PlatformOverride::~PlatformOverride() {
    for (size_t i = 0; i < tables_.size(); ++i) Store(tables_[i], saved_[i]);
}

void PlatformOverride::Store(wx::PlatformCalls* table, const wx::PlatformCalls& value) {
    DWORD old = 0;
    VirtualProtect(table, sizeof *table, PAGE_READWRITE, &old);
    memcpy(table, &value, sizeof *table);
    VirtualProtect(table, sizeof *table, old, &old);
}

}  // namespace wxtest
