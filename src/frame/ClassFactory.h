// The class factory handed out by DllGetClassObject: a new instance per request.
#pragma once
#include "frame/ClassTable.h"
#include <unknwn.h>

namespace wx {

HRESULT GetClassFactory(const ClassEntry& entry, REFIID riid, void** ppv);

}  // namespace wx
