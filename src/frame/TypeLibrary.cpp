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
    bool loaded_ = false;
    ITypeLib* libraries_[2] = {nullptr, nullptr};
    std::map<GUID, ITypeInfo*, GuidLess> infos_;

    void load() {
        if (loaded_) return;
        loaded_ = true;
        std::wstring path = Module::Path();
        LoadTypeLibEx(path.c_str(), REGKIND_NONE, &libraries_[0]);
        std::wstring privatePath = path + L"\\2";
        LoadTypeLibEx(privatePath.c_str(), REGKIND_NONE, &libraries_[1]);
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
    cache.load();
    ITypeInfo* found = nullptr;
    auto it = cache.infos_.find(guid);
    if (it != cache.infos_.end()) {
        found = it->second;
    } else {
        for (ITypeLib* lib : cache.libraries_) {
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
    cache.load();
    ITypeLib* lib = cache.libraries_[0];
    LeaveCriticalSection(&cache.lock_);
    return lib;
}

}  // namespace wx
