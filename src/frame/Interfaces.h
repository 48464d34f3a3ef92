// The interfaces, records and enumerations of the type library, as widl generates them, made to
// live beside the platform headers: a few enumeration members and one record of the type library
// carry the names of platform macros (HKEY_CLASSES_ROOT, REG_SZ, SHELLEXECUTEINFO...). Inside the
// library's C++ code the platform meaning of those names wins; the enumerations are only needed
// by name in the type library itself.
#pragma once
// Only the generated header and the platform's own macros, put back as they were: not ours to review.
#pragma GCC system_header
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>
#include <shellapi.h>

#pragma push_macro("HKEY_CLASSES_ROOT")
#pragma push_macro("HKEY_CURRENT_USER")
#pragma push_macro("HKEY_LOCAL_MACHINE")
#pragma push_macro("HKEY_USERS")
#pragma push_macro("REG_NONE")
#pragma push_macro("REG_SZ")
#pragma push_macro("REG_EXPAND_SZ")
#pragma push_macro("REG_BINARY")
#pragma push_macro("REG_DWORD")
#pragma push_macro("REG_DWORD_LITTLE_ENDIAN")
#pragma push_macro("REG_DWORD_BIG_ENDIAN")
#pragma push_macro("REG_LINK")
#pragma push_macro("REG_MULTI_SZ")
#pragma push_macro("REG_RESOURCE_LIST")
#pragma push_macro("REG_FULL_RESOURCE_DESCRIPTOR")
#pragma push_macro("REG_RESOURCE_REQUIREMENTS_LIST")
#pragma push_macro("SHELLEXECUTEINFO")
#undef HKEY_CLASSES_ROOT
#undef HKEY_CURRENT_USER
#undef HKEY_LOCAL_MACHINE
#undef HKEY_USERS
#undef REG_NONE
#undef REG_SZ
#undef REG_EXPAND_SZ
#undef REG_BINARY
#undef REG_DWORD
#undef REG_DWORD_LITTLE_ENDIAN
#undef REG_DWORD_BIG_ENDIAN
#undef REG_LINK
#undef REG_MULTI_SZ
#undef REG_RESOURCE_LIST
#undef REG_FULL_RESOURCE_DESCRIPTOR
#undef REG_RESOURCE_REQUIREMENTS_LIST
// The type library's own SHELLEXECUTEINFO record (BSTR texts, Long handles) is ShellExecuteRecord
// in C++, so the platform's SHELLEXECUTEINFO keeps its meaning.
#define SHELLEXECUTEINFO ShellExecuteRecord
#include "WENDRAX1.h"
#undef SHELLEXECUTEINFO
#pragma pop_macro("SHELLEXECUTEINFO")
#pragma pop_macro("REG_RESOURCE_REQUIREMENTS_LIST")
#pragma pop_macro("REG_FULL_RESOURCE_DESCRIPTOR")
#pragma pop_macro("REG_RESOURCE_LIST")
#pragma pop_macro("REG_MULTI_SZ")
#pragma pop_macro("REG_LINK")
#pragma pop_macro("REG_DWORD_BIG_ENDIAN")
#pragma pop_macro("REG_DWORD_LITTLE_ENDIAN")
#pragma pop_macro("REG_DWORD")
#pragma pop_macro("REG_BINARY")
#pragma pop_macro("REG_EXPAND_SZ")
#pragma pop_macro("REG_SZ")
#pragma pop_macro("REG_NONE")
#pragma pop_macro("HKEY_USERS")
#pragma pop_macro("HKEY_LOCAL_MACHINE")
#pragma pop_macro("HKEY_CURRENT_USER")
#pragma pop_macro("HKEY_CLASSES_ROOT")
