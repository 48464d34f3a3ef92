// Puts a test's own function into the library's platform table (frame/Platform.h) and takes it out
// again. The library exports nothing for this, so the table is found in the loaded library's image:
// it is the one place holding the real functions in the table's order. Every copy found is set
// (the real-functions copy too, which the library only reads to restore), and all are put back
// when the override ends.
#pragma once
#include "frame/Platform.h"
#include <vector>

namespace wxtest {

class PlatformOverride {
public:
    PlatformOverride();
    ~PlatformOverride();
    PlatformOverride(const PlatformOverride&) = delete;
    PlatformOverride& operator=(const PlatformOverride&) = delete;

    // True when the library's table was found.
    bool found() const { return !tables_.empty(); }
    // Changes the entries of every copy: `change` edits a PlatformCalls in place.
    template <class Change>
    void Set(Change change) {
        for (wx::PlatformCalls* table : tables_) Write(table, change);
    }

private:
    template <class Change>
    static void Write(wx::PlatformCalls* table, Change& change) {
        wx::PlatformCalls edited = *table;
        change(edited);
        Store(table, edited);
    }
    static void Store(wx::PlatformCalls* table, const wx::PlatformCalls& value);

    std::vector<wx::PlatformCalls*> tables_;
    std::vector<wx::PlatformCalls> saved_;
};

}  // namespace wxtest
