// The IUnknown of every object the library hands out (class instances, class factories, drive and
// folder objects, event enumerators): one reference count, deletion at the last Release,
// QueryInterface over the interfaces the object names, and a count for DllCanUnloadNow, so the
// library stays loaded while a host holds any of them.
#pragma once
#include "frame/Module.h"
#include <unknwn.h>

namespace wx {

template <class... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = Find(riid);
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

protected:
    ComObject() = default;  // the maker holds the first reference
    virtual ~ComObject() = default;
    // The interface asked for, not AddRef'd; null when the object has none.
    virtual void* Find(REFIID riid) = 0;

private:
    volatile LONG refs_ = 1;
    ObjectCount counted_;
};

}  // namespace wx
