// The network classes over canned answers put in the library's platform table: NetBIOS adapter
// status for clsEnetAdd, the network enumeration for clsNetw (neither can be arranged under Wine).
#include "frame/Interfaces.h"
#include "support/FakeHostObject.h"
#include "support/Library.h"
#include "support/PlatformSeam.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

using namespace wxtest;

namespace {

// ---- NetBIOS ---------------------------------------------------------------------------------

struct NetbiosCall {
    UCHAR command;
    UCHAR lana;
    std::string callname;
    WORD length;
    bool hasBuffer;
};
std::vector<NetbiosCall> g_netbios;
BYTE g_address[6];
bool g_adapterPresent = true;

UCHAR APIENTRY AnswerNetbios(PNCB ncb) {
    g_netbios.push_back({ncb->ncb_command, ncb->ncb_lana_num,
                         std::string(reinterpret_cast<char*>(ncb->ncb_callname), NCBNAMSZ), ncb->ncb_length,
                         ncb->ncb_buffer != nullptr});
    if (ncb->ncb_command != NCBASTAT) return NRC_GOODRET;
    if (!g_adapterPresent || !ncb->ncb_buffer || ncb->ncb_length < sizeof(ADAPTER_STATUS)) return NRC_BRIDGE;
    ADAPTER_STATUS status;
    std::memset(&status, 0, sizeof status);
    std::memcpy(status.adapter_address, g_address, 6);
    status.rev_major = 3;
    status.adapter_type = 0xFE;
    status.rev_minor = 1;
    status.name_count = 2;
    std::memcpy(ncb->ncb_buffer, &status, sizeof status);
    return NRC_GOODRET;
}

class EnetAdd : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(seam_);
        seam_.calls().netbios = &AnswerNetbios;
        g_netbios.clear();
        g_adapterPresent = true;
        const BYTE address[6] = {0x00, 0x0C, 0x29, 0xAB, 0x12, 0xFF};
        std::memcpy(g_address, address, 6);
        object_ = CreateLinked<IDispatch>(CLSID_clsEnetAdd, IID_IDispatch);
        ASSERT_TRUE(object_);
    }
    std::wstring Address(long lana) {
        Variant number = Variant::Long(lana);
        auto r = Call(object_.get(), L"EthernetAddress", {Ref(number)});
        EXPECT_EQ(r.hr, S_OK);
        return TextOf(*r.value.get());
    }
    long Number(const wchar_t* property) {
        auto r = Get(object_.get(), property);
        Variant n;
        EXPECT_EQ(VariantChangeType(n.get(), r.value.get(), 0, VT_I4), S_OK) << property;
        return V_I4(n.get());
    }
    PlatformOverride seam_;
    ComPtr<IDispatch> object_;
};

TEST_F(EnetAdd, ReadsTheAdapterAddressAndStatus) {
    EXPECT_EQ(Get(object_.get(), L"EnetAddressDec").value.type(), VT_EMPTY);
    EXPECT_EQ(Address(2), L"000C29AB12FF");
    EXPECT_EQ(TextOf(*Get(object_.get(), L"EnetAddressDec").value.get()), L"0124117118255");
    EXPECT_EQ(Number(L"AdapterType"), 0xFE);
    EXPECT_EQ(Number(L"RevMajor"), 3);
    EXPECT_EQ(Number(L"RevMinor"), 1);
    EXPECT_EQ(Number(L"NameCount"), 2);

    // A reset of LANA 0, then the status of the adapter asked for, everyone's name, 680 bytes.
    ASSERT_EQ(g_netbios.size(), 2u);
    EXPECT_EQ(g_netbios[0].command, NCBRESET);
    EXPECT_EQ(g_netbios[0].lana, 0);
    EXPECT_EQ(g_netbios[1].command, NCBASTAT);
    EXPECT_EQ(g_netbios[1].lana, 2);
    EXPECT_EQ(g_netbios[1].callname, "*               ");
    EXPECT_EQ(g_netbios[1].length, 680);
    EXPECT_TRUE(g_netbios[1].hasBuffer);
}

TEST_F(EnetAdd, DecimalTextRunsOnUntilTheHostResetsIt) {
    Address(0);
    Address(0);
    EXPECT_EQ(TextOf(*Get(object_.get(), L"EnetAddressDec").value.get()), L"01241171182550124117118255");
    ASSERT_EQ(Put(object_.get(), L"EnetAddressDec", Val(Variant::Text(L"x:"))).hr, S_OK);
    Address(0);
    EXPECT_EQ(TextOf(*Get(object_.get(), L"EnetAddressDec").value.get()), L"x:0124117118255");
}

TEST_F(EnetAdd, MissingAdapterGivesZeros) {
    g_adapterPresent = false;
    ASSERT_EQ(Put(object_.get(), L"AdapterType", Val(Variant::Long(9))).hr, S_OK);
    EXPECT_EQ(Address(7), L"000000000000");
    EXPECT_EQ(Number(L"AdapterType"), 0);
    EXPECT_EQ(Number(L"NameCount"), 0);
    EXPECT_EQ(TextOf(*Get(object_.get(), L"EnetAddressDec").value.get()), L"000000");
}

TEST_F(EnetAdd, AdapterNumberBeyondAByteOverflows) {
    Variant number = Variant::Long(256);
    auto r = Call(object_.get(), L"EthernetAddress", {Ref(number)});
    EXPECT_EQ(r.number, 6);
    EXPECT_EQ(Get(object_.get(), L"EnetAddressDec").value.type(), VT_EMPTY);
}

// ---- Network enumeration ---------------------------------------------------------------------

HANDLE const kTopLevel = reinterpret_cast<HANDLE>(0x1001);
HANDLE const kProvider = reinterpret_cast<HANDLE>(0x1002);
wchar_t g_providerName[] = L"Microsoft Windows Network";
wchar_t g_workgroupA[] = L"WORKGROUP";
// A name no ANSI code page holds whole: Cyrillic, Greek and a character beyond the BMP.
wchar_t g_workgroupB[] = L"\x0420\x0430\x0431\x043E\x0442\x0430-\x03A9-\xD83D\xDE00";
bool g_networkReachable = true;
bool g_providerOpens = true;
std::wstring g_container;
std::vector<HANDLE> g_closed;

DWORD APIENTRY AnswerOpenEnum(DWORD scope, DWORD, DWORD, LPNETRESOURCEW container, LPHANDLE handle) {
    if (!g_networkReachable || scope != RESOURCE_GLOBALNET) return ERROR_NO_NETWORK;
    if (!container) {
        *handle = kTopLevel;
        return NO_ERROR;
    }
    g_container = container->lpRemoteName ? container->lpRemoteName : L"";
    if (!g_providerOpens) return ERROR_BAD_PROVIDER;
    *handle = kProvider;
    return NO_ERROR;
}

DWORD APIENTRY AnswerEnumResource(HANDLE handle, LPDWORD count, LPVOID buffer, LPDWORD size) {
    if (*size < 2 * sizeof(NETRESOURCEW)) return ERROR_MORE_DATA;
    auto* records = static_cast<NETRESOURCEW*>(buffer);
    std::memset(records, 0, 2 * sizeof(NETRESOURCEW));
    if (handle == kTopLevel) {
        records[0].lpRemoteName = g_providerName;
        *count = 1;
    } else {
        records[0].lpRemoteName = g_workgroupA;
        records[1].lpRemoteName = g_workgroupB;
        *count = 2;
    }
    return NO_ERROR;
}

DWORD APIENTRY RecordCloseEnum(HANDLE handle) {
    g_closed.push_back(handle);
    return NO_ERROR;
}

class Netw : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(seam_);
        seam_.calls().wnetOpenEnumW = &AnswerOpenEnum;
        seam_.calls().wnetEnumResourceW = &AnswerEnumResource;
        seam_.calls().wnetCloseEnum = &RecordCloseEnum;
        g_networkReachable = g_providerOpens = true;
        g_container.clear();
        g_closed.clear();
        object_ = CreateLinked<IDispatch>(CLSID_clsNetw, IID_IDispatch);
        ASSERT_TRUE(object_);
        list_ = FakeHostObject::Make();
        list_->SetMethod(L"AddItem", [](std::vector<VARIANT*>&, VARIANT*) { return S_OK; });
    }
    PlatformOverride seam_;
    ComPtr<IDispatch> object_;
    ComPtr<FakeHostObject> list_;
};

TEST_F(Netw, ListsTheWorkgroupsOfTheFirstProvider) {
    auto r = Call(object_.get(), L"EnumDomains");
    ASSERT_EQ(r.hr, S_OK);
    ASSERT_EQ(r.value.type(), VT_ARRAY | VT_BSTR);
    SAFEARRAY* names = V_ARRAY(r.value.get());
    LONG low = 0, high = 0;
    SafeArrayGetLBound(names, 1, &low);
    SafeArrayGetUBound(names, 1, &high);
    EXPECT_EQ(low, 1);
    ASSERT_EQ(high, 2);
    BSTR* texts = nullptr;
    ASSERT_EQ(SafeArrayAccessData(names, reinterpret_cast<void**>(&texts)), S_OK);
    EXPECT_STREQ(texts[0], L"WORKGROUP");
    EXPECT_STREQ(texts[1], g_workgroupB);
    SafeArrayUnaccessData(names);
    EXPECT_EQ(g_container, L"Microsoft Windows Network");
    EXPECT_EQ(g_closed, (std::vector<HANDLE>{kTopLevel, kProvider}));
}

TEST_F(Netw, GetDomainsAddsEachNameInOrder) {
    Variant list = Variant::Object(list_.get());
    ASSERT_EQ(Call(object_.get(), L"GetDomains", {Ref(list)}).hr, S_OK);
    EXPECT_EQ(list_->Log(),
              (std::vector<std::wstring>{L"call AddItem(WORKGROUP)", std::wstring(L"call AddItem(") + g_workgroupB + L")"}));
}

TEST_F(Netw, UnreachableNetworkListsNothing) {
    g_networkReachable = false;
    auto r = Call(object_.get(), L"EnumDomains");
    ASSERT_EQ(r.hr, S_OK);
    ASSERT_EQ(r.value.type(), VT_ARRAY | VT_BSTR);
    LONG high = -5;
    SafeArrayGetUBound(V_ARRAY(r.value.get()), 1, &high);
    EXPECT_EQ(high, 0);
    Variant list = Variant::Object(list_.get());
    ASSERT_EQ(Call(object_.get(), L"GetDomains", {Ref(list)}).hr, S_OK);
    EXPECT_TRUE(list_->Log().empty());
    EXPECT_TRUE(g_closed.empty());
}

TEST_F(Netw, ProviderThatWillNotOpenClosesOnlyTheTopLevel) {
    g_providerOpens = false;
    Variant list = Variant::Object(list_.get());
    ASSERT_EQ(Call(object_.get(), L"GetDomains", {Ref(list)}).hr, S_OK);
    EXPECT_TRUE(list_->Log().empty());
    EXPECT_EQ(g_closed, (std::vector<HANDLE>{kTopLevel}));
}

}  // namespace
