// The catalogue of creatable classes: one row per class drives registration, unregistration,
// DllGetClassObject and the class factories.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <cstddef>

namespace wx {

using Creator = HRESULT (*)(REFIID riid, void** ppv);

struct ClassEntry {
    const wchar_t* name;     // the class name; the ProgID is "WENDRAX1." + name
    const CLSID* clsid;
    const IID* iid;          // the default interface
    bool globalMultiUse;     // application object, predeclared; otherwise creatable only
    Creator create;
};

const ClassEntry* Classes();
size_t ClassCount();
const ClassEntry* FindClass(REFCLSID clsid);

}  // namespace wx
