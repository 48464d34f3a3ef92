#include "desktop/clsNetw.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/HostObject.h"
#include "frame/Platform.h"
#include "frame/Text.h"

namespace wx {

namespace {
// The enumeration buffer: 257 records, of which 256 are offered to the provider. Names come
// through the wide functions, so a workgroup named outside the code page keeps its name.
const size_t kRecords = 257;
const DWORD kOfferedRecords = 256;
const DWORD kOfferedBytes = kOfferedRecords * sizeof(NETRESOURCEW);  // 8,192 in the x86 build
const DWORD kAsManyAsFit = 0xFFFFFFFF;

// Fills `records` with one level of the network below `container` (the top level when null);
// returns how many records the provider delivered, 0 when it delivered none or failed.
DWORD EnumerateLevel(NETRESOURCEW* container, std::vector<NETRESOURCEW>& records) {
    auto& platform = Platform();
    HANDLE enumeration = nullptr;
    DWORD listed = 0;
    if (platform.wnetOpenEnumW(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, container, &enumeration) == NO_ERROR) {
        DWORD count = kAsManyAsFit;
        DWORD size = kOfferedBytes;
        platform.wnetEnumResourceW(enumeration, &count, records.data(), &size);
        // The count reads as a signed number (so "as many as fit" left unchanged lists nothing),
        // and never reaches past the records the buffer holds.
        LONG n = static_cast<LONG>(count);
        if (n >= 1) listed = static_cast<DWORD>(n) > kOfferedRecords ? kOfferedRecords : static_cast<DWORD>(n);
    }
    // Each enumeration has its own handle, closed once, whatever its listing gave.
    if (enumeration) platform.wnetCloseEnum(enumeration);
    return listed;
}
}  // namespace

clsNetw::clsNetw() : Dispatchable(IID__clsNetw) {}

std::wstring clsNetw::StringFromPointer(const wchar_t* text) {
    if (!text) return std::wstring();
    int length = lstrlenW(text);  // a guarded read: an unreadable address counts as no text
    if (length < 1) return std::wstring();
    return std::wstring(text, static_cast<size_t>(length));
}

std::vector<std::wstring> clsNetw::ListDomains() {
    std::vector<NETRESOURCEW> records(kRecords);
    // First the top level of the network (its providers), then the children of the first
    // provider: its domains and workgroups.
    EnumerateLevel(nullptr, records);
    NETRESOURCEW provider = records[0];
    DWORD count = EnumerateLevel(&provider, records);
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < count; ++i) names.push_back(StringFromPointer(records[i].lpRemoteName));
    return names;
}

STDMETHODIMP clsNetw::EnumDomains(VARIANT* pResult) {
    return Guarded([&] {
        Require(pResult);
        std::vector<std::wstring> names = ListDomains();
        // Texts indexed from 1; with nothing listed, an array with no elements (upper bound 0).
        SAFEARRAYBOUND bound = {static_cast<ULONG>(names.size()), 1};
        SafeArrayOwner array(SafeArrayCreate(VT_BSTR, 1, &bound));
        if (!array.get()) RaiseRuntime(7);
        for (LONG i = 0; i < static_cast<LONG>(names.size()); ++i) {
            const std::wstring& name = names[static_cast<size_t>(i)];
            Bstr text(name.c_str(), static_cast<UINT>(name.size()));
            LONG index = i + 1;
            ThrowIfFailed(SafeArrayPutElement(array.get(), &index, text.get()));
        }
        VariantInit(pResult);
        V_VT(pResult) = VT_ARRAY | VT_BSTR;
        V_ARRAY(pResult) = array.release();
    });
}

STDMETHODIMP clsNetw::GetDomains(IDispatch** lst) {
    return Guarded([&] {
        std::vector<std::wstring> names = ListDomains();
        if (names.empty()) return;  // nothing to add; the list is not even looked at
        if (!lst) RaiseRuntime(91);
        HostObject list(*lst);
        for (const auto& name : names) list.Call(L"AddItem", {Variant::TakeText(NewBstr(name))});
    });
}

HRESULT Create_clsNetw(REFIID riid, void** ppv) { return CreateAndQuery<clsNetw>(riid, ppv); }

}  // namespace wx
