// The table printer's test program. The printer is private to the library (no class identity, so
// no DllGetClassObject route), so this program builds it in: the frame and the printing sources
// are compiled together with the tests, and both type libraries are embedded in the program itself
// for the dispatch base to load.
#include "frame/Module.h"
#include <gtest/gtest.h>
#include <objbase.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    wx::Module::SetHandle(GetModuleHandleW(nullptr));
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
