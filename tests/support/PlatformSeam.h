// The library's own table of platform calls (the one its classes call through), so a test can put
// recorders and canned answers in place of key events, NetBIOS and the network enumeration.
// The table lives inside WENDRAX1.dll, which exports nothing but the four server entry points: it is
// found through the library file's symbol table, where the linker leaves wx::Platform().
#pragma once
#include "frame/Platform.h"

namespace wxtest {

// The table in the loaded library; a test that cannot find it fails (the library was stripped).
wx::PlatformCalls* LibraryPlatform();

// Replaces entries of the library's table for the life of the object and puts every one back after.
class PlatformOverride {
public:
    PlatformOverride();
    PlatformOverride(const PlatformOverride&) = delete;
    PlatformOverride& operator=(const PlatformOverride&) = delete;
    ~PlatformOverride();
    explicit operator bool() const { return table_ != nullptr; }
    bool found() const { return table_ != nullptr; }
    wx::PlatformCalls& calls() { return *table_; }
    // Edits the table in place: `change` receives the PlatformCalls to change.
    template <class Change>
    void Set(Change change) {
        if (table_) change(*table_);
    }

private:
    wx::PlatformCalls* table_;
    wx::PlatformCalls saved_{};
};

}  // namespace wxtest
