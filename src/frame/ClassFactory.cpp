#include "frame/ClassFactory.h"
#include "frame/Module.h"
#include <new>

namespace wx {

namespace {

class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(const ClassEntry& entry) : entry_(entry) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }
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
    virtual ~ClassFactory() = default;
    volatile LONG refs_ = 1;
    ObjectCount counted_;
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
