// The library module itself: its handle, where it lives, and the count of live objects and
// factory locks that DllCanUnloadNow answers from.
#pragma once
#include <windows.h>
#include <string>

namespace wx {

class Module {
public:
    static HMODULE Handle();
    static void SetHandle(HMODULE module);
    // Full path of the library file.
    static std::wstring Path();
    // Folder of the library file, without a final backslash (except a drive root such as "C:\").
    static std::wstring Folder();
    // The file's base name without its extension ("WENDRAX1").
    static std::wstring BaseName();

    static void AddObject();
    static void RemoveObject();
    static void Lock();
    static void Unlock();
    static bool InUse();
};

// Counts an object for DllCanUnloadNow for as long as it lives.
struct ObjectCount {
    ObjectCount() { Module::AddObject(); }
    ObjectCount(const ObjectCount&) { Module::AddObject(); }
    ~ObjectCount() { Module::RemoveObject(); }
};

}  // namespace wx
