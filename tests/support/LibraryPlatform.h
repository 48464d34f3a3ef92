// The library's platform table (frame/Platform.h), reached from the test program. The table lives
// inside the loaded library, which exports nothing but the four entry points, so it is found in the
// library's writable sections as the ten platform functions (or its stubs for them) in table order.
// A test swaps an entry for its own function; the destructor puts every entry back.
#pragma once
#include "frame/Platform.h"
#include <vector>

namespace wxtest {

class LibraryPlatform {
public:
    LibraryPlatform();
    ~LibraryPlatform();
    LibraryPlatform(const LibraryPlatform&) = delete;
    LibraryPlatform& operator=(const LibraryPlatform&) = delete;

    // False when the table could not be found (the library's layout changed).
    bool found() const { return !tables_.empty(); }

    // Puts `function` in place of one entry, e.g. Replace(&wx::PlatformCalls::shellExecuteExA, Fake).
    template <class F>
    void Replace(F wx::PlatformCalls::*entry, F function) {
        for (wx::PlatformCalls* table : tables_) table->*entry = function;
    }

private:
    std::vector<wx::PlatformCalls*> tables_;
    std::vector<wx::PlatformCalls> saved_;
};

}  // namespace wxtest
