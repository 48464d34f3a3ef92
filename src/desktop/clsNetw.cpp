// Not built yet: the class can be created and released; its members answer E_NOTIMPL.
#include "frame/Creators.h"
#include "frame/Interfaces.h"
#include "frame/PendingClass.h"

namespace wx {

HRESULT Create_clsNetw(REFIID riid, void** ppv) { return CreateAndQuery<PendingClass>(riid, ppv, IID__clsNetw); }

}  // namespace wx
