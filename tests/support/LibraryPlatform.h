// The platform seam of the library under test. The table lives inside the library (it exports only
// the four standard entry points), so it is found in the library's writable data as the block of
// the real platform functions it starts out with, and replaced there for one test at a time.
#pragma once
#include "frame/Platform.h"

namespace wxtest {

// The library's table, or null when it cannot be found.
wx::PlatformCalls* LibraryPlatform();

// Puts the table back as it was when the object goes.
class PlatformOverride {
public:
    PlatformOverride();
    ~PlatformOverride();
    PlatformOverride(const PlatformOverride&) = delete;
    PlatformOverride& operator=(const PlatformOverride&) = delete;
    wx::PlatformCalls& calls() { return *table_; }
    explicit operator bool() const { return table_ != nullptr; }

private:
    wx::PlatformCalls* table_;
    wx::PlatformCalls saved_{};
};

}  // namespace wxtest
