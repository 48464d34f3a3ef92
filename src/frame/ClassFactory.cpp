#include "frame/ClassFactory.h"
#include "frame/ComObject.h"
#include <new>

namespace wx {

namespace {

class ClassFactory : public ComObject<IClassFactory> {
public:
    explicit ClassFactory(const ClassEntry& entry) : entry_(entry) {}

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return entry_.create(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) Module::Lock();
        else Module::Unlock();
        return S_OK;
    }

private:
    void* Find(REFIID riid) override {
        return IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory) ? static_cast<IClassFactory*>(this)
                                                                                     : nullptr;
    }
    const ClassEntry& entry_;
};

}  // namespace

HRESULT GetClassFactory(const ClassEntry& entry, REFIID riid, void** ppv) {
    auto* factory = new (std::nothrow) ClassFactory(entry);
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

}  // namespace wx
