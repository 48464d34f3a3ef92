#include "frame/TypeLibrary.h"
#include "frame/Handles.h"
#include "frame/Module.h"
#include <map>
#include <string>

namespace wx {

namespace {

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const { return memcmp(&a, &b, sizeof(GUID)) < 0; }
};

class Cache {
public:
    Cache() { InitializeCriticalSection(&lock_); }
    CRITICAL_SECTION lock_;
    bool loaded_[2] = {false, false};
    ITypeLib* libraries_[2] = {nullptr, nullptr};
    std::map<GUID, ITypeInfo*, GuidLess> infos_;

    // The public type library (resource 1), or the private one (resource 2), loaded at its first
    // use: a host that never meets the table printer never pays for its type library.
    ITypeLib* library(int index) {
        if (!loaded_[index]) {
            loaded_[index] = true;
            std::wstring path = Module::Path();
            if (index == 1) path += L"\\2";
            LoadTypeLibEx(path.c_str(), REGKIND_NONE, &libraries_[index]);
        }
        return libraries_[index];
    }
};

Cache& TheCache() {
    static Cache* cache = new Cache();  // kept for the life of the process on purpose
    return *cache;
}

}  // namespace

ITypeInfo* TypeInfoOf(REFGUID guid) {
    Cache& cache = TheCache();
    EnterCriticalSection(&cache.lock_);
    ITypeInfo* found = nullptr;
    auto it = cache.infos_.find(guid);
    if (it != cache.infos_.end()) {
        found = it->second;
    } else {
        for (int index : {0, 1}) {
            ITypeLib* lib = cache.library(index);
            if (lib && SUCCEEDED(lib->GetTypeInfoOfGuid(guid, &found)) && found) break;
            found = nullptr;
        }
        if (found) cache.infos_[guid] = found;
    }
    LeaveCriticalSection(&cache.lock_);
    return found;
}

ITypeLib* PublicTypeLib() {
    Cache& cache = TheCache();
    EnterCriticalSection(&cache.lock_);
    ITypeLib* lib = cache.library(0);
    LeaveCriticalSection(&cache.lock_);
    return lib;
}

}  // namespace wx
