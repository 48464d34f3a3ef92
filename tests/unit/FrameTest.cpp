// The library as a host meets it: exports, class factories, unloading, registration, the embedded
// type library, error info, and the dispatch base's handling of script-style ByRef arguments.
#include "frame/Interfaces.h"
#include "support/Library.h"
#include <gtest/gtest.h>

using namespace wxtest;

TEST(Frame, DllGetClassObjectRefusesUnknownClasses) {
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObjectFn>(GetProcAddress(LibraryModule(), "DllGetClassObject"));
    ASSERT_NE(get, nullptr);
    void* factory = reinterpret_cast<void*>(1);
    EXPECT_EQ(get(LIBID_WENDRAX1, IID_IClassFactory, &factory), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory, nullptr);
}
