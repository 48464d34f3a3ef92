// A most-recently-used list of texts kept in the per-user settings store, most recent first,
// without duplicates and limited in length. The instance only knows where the list lives, so
// instances with the same place share one list (and the host can read it with its own settings
// functions).
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"
#include <string>

namespace wx {

class classMRU : public Dispatchable<_classMRU> {
public:
    classMRU();

    STDMETHODIMP get_MaxNum(short* result) override;
    STDMETHODIMP put_MaxNum(short value) override;
    STDMETHODIMP get_Parent(BSTR* result) override;
    STDMETHODIMP put_Parent(BSTR value) override;
    STDMETHODIMP get_Child(BSTR* result) override;
    STDMETHODIMP put_Child(BSTR value) override;
    STDMETHODIMP get_Prefix(BSTR* result) override;
    STDMETHODIMP put_Prefix(BSTR value) override;
    STDMETHODIMP get_Num(short* result) override;
    STDMETHODIMP get_Last(BSTR* result) override;
    STDMETHODIMP put_Last(BSTR* value) override;
    STDMETHODIMP GetArray(SAFEARRAY** varArray) override;
    STDMETHODIMP Save(BSTR varMRU) override;
    STDMETHODIMP Clear() override;
    STDMETHODIMP ClearParent() override;

private:
    short StoredCount() const;
    std::wstring Entry(long number) const;
    void SaveEntry(const std::wstring& key, const std::wstring& text) const;
    std::wstring KeyName(const std::wstring& suffix) const;

    short maxNum_ = 10;
    Bstr parent_, child_, prefix_;
};

}  // namespace wx
