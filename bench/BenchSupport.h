// What the benchmarks share: a clock, the library beside the benchmark program, and objects made
// through its own class factories (no registration needed).
#pragma once
#include "frame/Handles.h"
#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <random>
#include <string>
#include <vector>

namespace bench {

inline double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

inline std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// This process's working set in MiB: its peak so far, or now (the program links psapi).
inline double MemoryMB(bool peak) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return double(peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize) / (1 << 20);
}

// Bytes that do not compress, the same for the same seed.
inline void FillBlock(std::vector<BYTE>& block, unsigned seed) {
    std::mt19937 gen(seed);
    for (BYTE& b : block) b = static_cast<BYTE>(gen());
}

inline HMODULE LoadLibraryBeside() { return LoadLibraryW((ProgramFolder() + L"WENDRAX1.dll").c_str()); }

using wx::ProcAddress;

template <class T>
T* Create(HMODULE library, REFCLSID clsid, REFIID iid) {
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto get = library ? ProcAddress<GetClassObjectFn>(library, "DllGetClassObject") : nullptr;
    IClassFactory* factory = nullptr;
    T* object = nullptr;
    if (get && SUCCEEDED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
        factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object));
        factory->Release();
    }
    return object;
}

}  // namespace bench
