// The library's own type information, loaded once from the module's TYPELIB resources: number 1 is
// the public library, number 2 (when present) describes the private classes and is never registered.
#pragma once
#include <windows.h>
#include <oaidl.h>

namespace wx {

// Type information for an interface, record or class of the library; null when unknown.
// The pointer is borrowed: the library keeps it alive for the life of the process.
ITypeInfo* TypeInfoOf(REFGUID guid);
// The public type library (resource 1), borrowed.
ITypeLib* PublicTypeLib();

}  // namespace wx
