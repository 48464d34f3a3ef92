#include "support/PlatformSeam.h"
#include "frame/Module.h"

namespace wxtest {

namespace {
// The linked copy reads its resources and names itself through its module: the shipped file's.
void TakeTheLibrarysIdentity() {
    static const bool taken = (wx::Module::SetHandle(LibraryModule()), true);
    (void)taken;
}
}  // namespace

wx::PlatformCalls* LibraryPlatform() {
    TakeTheLibrarysIdentity();
    return &wx::Platform();
}

void* CreateLinkedObject(REFCLSID clsid, REFIID iid) {
    TakeTheLibrarysIdentity();
    const wx::ClassEntry* entry = wx::FindClass(clsid);
    void* made = nullptr;
    if (!entry || FAILED(entry->create(iid, &made))) return nullptr;
    return made;
}

PlatformOverride::PlatformOverride() : table_(LibraryPlatform()) {
    if (table_) saved_ = *table_;
}

PlatformOverride::~PlatformOverride() {
    if (table_) *table_ = saved_;
}

}  // namespace wxtest
