// IDispatchEx, the interface script engines call objects through. Its IID is declared here: the
// toolchain's uuid library lacks it.
#pragma once
#include <windows.h>
#include <dispex.h>

namespace wx {

inline const IID kIID_IDispatchEx = {0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};

}  // namespace wx
