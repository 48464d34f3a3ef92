#include "support/PlatformSeam.h"
#include "support/Library.h"
#include <cstring>
#include <string>

namespace wxtest {

namespace {
// wx::Platform(), as the compiler names it (32-bit symbols carry a leading underscore).
const char* const kAccessor = sizeof(void*) == 8 ? "_ZN2wx8PlatformEv" : "__ZN2wx8PlatformEv";

// Reads the COFF symbol table of a file of the library (the library itself, or the debug
// information the build keeps apart from it: the two have the same section table) and returns
// the address of the accessor in the loaded image; null when it is not there.
void* FindAccessorIn(const std::string& file) {
    auto at = [&](size_t offset, size_t size) { return offset + size <= file.size(); };
    if (!at(0, sizeof(IMAGE_DOS_HEADER))) return nullptr;
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, file.data(), sizeof dos);
    size_t ntOffset = static_cast<size_t>(dos.e_lfanew);
    if (!at(ntOffset, sizeof(IMAGE_NT_HEADERS32))) return nullptr;
    IMAGE_NT_HEADERS32 nt;
    std::memcpy(&nt, file.data() + ntOffset, sizeof nt);
    size_t sections = ntOffset + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    size_t symbols = nt.FileHeader.PointerToSymbolTable;
    size_t count = nt.FileHeader.NumberOfSymbols;
    size_t strings = symbols + count * IMAGE_SIZEOF_SYMBOL;
    if (symbols == 0 || !at(strings, 4)) return nullptr;
    for (size_t i = 0; i < count; ++i) {
        IMAGE_SYMBOL symbol;
        std::memcpy(&symbol, file.data() + symbols + i * IMAGE_SIZEOF_SYMBOL, IMAGE_SIZEOF_SYMBOL);
        std::string name;
        if (symbol.N.Name.Short == 0) {
            size_t offset = strings + symbol.N.Name.Long;
            if (!at(offset, 1)) continue;
            name = file.c_str() + offset;
        } else {
            name.assign(reinterpret_cast<const char*>(symbol.N.ShortName),
                        strnlen(reinterpret_cast<const char*>(symbol.N.ShortName), 8));
        }
        if (name == kAccessor && symbol.SectionNumber > 0 && symbol.SectionNumber <= nt.FileHeader.NumberOfSections) {
            IMAGE_SECTION_HEADER section;
            std::memcpy(&section, file.data() + sections + (symbol.SectionNumber - 1) * sizeof section, sizeof section);
            return reinterpret_cast<BYTE*>(LibraryModule()) + section.VirtualAddress + symbol.Value;
        }
        i += symbol.NumberOfAuxSymbols;
    }
    return nullptr;
}

void* FindAccessor() {
    if (void* found = FindAccessorIn(ReadFileBytes(LibraryPath()))) return found;
#ifdef WX_LIBRARY_DEBUG_FILE
    // The shipped library is stripped; its symbols are in the build's debug folder.
    return FindAccessorIn(ReadFileBytes(WX_LIBRARY_DEBUG_FILE));
#else
    return nullptr;
#endif
}
}  // namespace

wx::PlatformCalls* LibraryPlatform() {
    using Accessor = wx::PlatformCalls& (*)();
    static auto accessor = reinterpret_cast<Accessor>(FindAccessor());
    return accessor ? &accessor() : nullptr;
}

PlatformOverride::PlatformOverride() : table_(LibraryPlatform()) {
    if (table_) saved_ = *table_;
}

PlatformOverride::~PlatformOverride() {
    if (table_) *table_ = saved_;
}

}  // namespace wxtest
