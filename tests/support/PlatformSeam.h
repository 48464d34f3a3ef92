// The library's table of platform calls, so a test can put recorders and canned answers in place
// of key events, NetBIOS, the network enumeration, sound output and the rest of frame/Platform.h.
// The shipped WENDRAX1.dll exports nothing but its four entry points, so its own table is out of
// reach: the unit program links the library's code as well, and a test replaces the calls of that
// copy and makes the objects it exercises from it (CreateLinked). The linked copy takes the shipped
// file's identity: its path and base name, its type library, pictures and sounds.
#pragma once
#include "frame/ClassTable.h"
#include "frame/Platform.h"
#include "support/Library.h"

namespace wxtest {

// The table of the linked copy.
wx::PlatformCalls* LibraryPlatform();

// Creates an object of the linked copy, whose platform calls a PlatformOverride replaces: the
// interface asked for with one reference, or null.
void* CreateLinkedObject(REFCLSID clsid, REFIID iid);
template <class T>
ComPtr<T> CreateLinked(REFCLSID clsid, REFIID iid) {
    return ComPtr<T>::Attach(static_cast<T*>(CreateLinkedObject(clsid, iid)));
}

// Replaces entries of the linked copy's table for the life of the object and puts every one back
// after.
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
