#include "support/LibraryPlatform.h"
#include "support/Library.h"
#include <mmsystem.h>
#include <cstring>

namespace wxtest {

namespace {
// The functions the library's table starts with, where the platform exports them.
const struct { const char* module; const char* name; } kEntries[] = {
    {"netapi32", "Netbios"},        {"mpr", "WNetOpenEnumA"},   {"mpr", "WNetEnumResourceA"},
    {"mpr", "WNetCloseEnum"},       {"winmm", "sndPlaySoundA"}, {"shell32", "ShellExecuteExA"},
    {"user32", "keybd_event"},      {"user32", "GetKeyState"},  {"kernel32", "GetDiskFreeSpaceA"},
    {"kernel32", "GetDiskFreeSpaceExA"},
};
const size_t kCount = sizeof kEntries / sizeof kEntries[0];
static_assert(sizeof(wx::PlatformCalls) == kCount * sizeof(void*), "one entry per platform call");

struct Range {
    const BYTE* begin;
    const BYTE* end;
    bool holds(const void* p, size_t n) const {
        auto b = static_cast<const BYTE*>(p);
        return b >= begin && b + n <= end;
    }
};

// A table entry is the function itself (2) or, for a function the headers do not mark as imported,
// the library's own jump stub to it (1): "jmp dword ptr [slot]" with the platform's address in the
// import slot. The stub's bytes are read from the library's file, since its code pages may not be
// readable as data here.
int Refers(const std::vector<Range>& code, BYTE* base, const IMAGE_NT_HEADERS* nt, const std::string& file,
           void* value, void* real) {
    if (value == real) return 2;
    bool inCode = false;
    for (const Range& r : code) inCode = inCode || r.holds(value, 6);
    if (!inCode) return 0;
    DWORD rva = static_cast<DWORD>(static_cast<BYTE*>(value) - base);
    const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
        const IMAGE_SECTION_HEADER& sec = sections[i];
        if (rva < sec.VirtualAddress || rva + 6 > sec.VirtualAddress + sec.SizeOfRawData) continue;
        size_t at = sec.PointerToRawData + (rva - sec.VirtualAddress);
        if (at + 6 > file.size()) return 0;
        auto bytes = reinterpret_cast<const BYTE*>(file.data() + at);
        if (bytes[0] != 0xFF || bytes[1] != 0x25) return 0;
        DWORD slotAddress;
        std::memcpy(&slotAddress, bytes + 2, 4);
        // The file holds the address for the preferred base; the slot moved with the image.
        BYTE* slot = base + (slotAddress - nt->OptionalHeader.ImageBase);
        for (WORD j = 0; j < nt->FileHeader.NumberOfSections; ++j) {
            const IMAGE_SECTION_HEADER& d = sections[j];
            if (d.Characteristics & IMAGE_SCN_MEM_EXECUTE) continue;
            if (slot >= base + d.VirtualAddress && slot + 4 <= base + d.VirtualAddress + d.Misc.VirtualSize)
                return *reinterpret_cast<void**>(slot) == real ? 1 : 0;
        }
        return 0;
    }
    return 0;
}
}  // namespace

LibraryPlatform::LibraryPlatform() {
    auto base = reinterpret_cast<BYTE*>(LibraryModule());
    if (!base) return;
    auto dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const std::string file = ReadFileBytes(LibraryPath());
    IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
    std::vector<Range> code;
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
        Range r{base + sections[i].VirtualAddress, base + sections[i].VirtualAddress + sections[i].Misc.VirtualSize};
        if (sections[i].Characteristics & IMAGE_SCN_MEM_EXECUTE) code.push_back(r);
    }
    IMAGE_SECTION_HEADER* section = sections;
    void* real[kCount];
    for (size_t i = 0; i < kCount; ++i) {
        HMODULE module = GetModuleHandleA(kEntries[i].module);
        real[i] = module ? reinterpret_cast<void*>(GetProcAddress(module, kEntries[i].name)) : nullptr;
        if (!real[i]) return;
    }
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (!(section->Characteristics & IMAGE_SCN_MEM_WRITE)) continue;
        BYTE* start = base + section->VirtualAddress;
        DWORD size = section->Misc.VirtualSize;
        for (DWORD offset = 0; offset + sizeof(wx::PlatformCalls) <= size; offset += sizeof(void*)) {
            auto values = reinterpret_cast<void* const*>(start + offset);
            bool match = true;
            for (size_t i = 0; i < kCount && match; ++i) match = Refers(code, base, nt, file, values[i], real[i]) != 0;
            if (!match) continue;
            auto table = reinterpret_cast<wx::PlatformCalls*>(start + offset);
            tables_.push_back(table);
            saved_.push_back(*table);
        }
    }
}

LibraryPlatform::~LibraryPlatform() {
    for (size_t i = 0; i < tables_.size(); ++i) *tables_[i] = saved_[i];
}

}  // namespace wxtest
