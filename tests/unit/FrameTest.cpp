// The library as a host meets it: exports, class factories, unloading, the embedded type library
// against the catalogue, creation by ProgID, and error info of a raised error.
#include "frame/Interfaces.h"
#include "frame/DispatchEx.h"
#include "frame/InterfaceDescription.h"
#include "support/Library.h"
#include <gtest/gtest.h>
#include <bcrypt.h>
#include <cstdio>
#include <map>
#include <set>
#include <string>

using namespace wxtest;

namespace {

struct CatalogueRow {
    const wchar_t* name;
    const char* clsid;
    const char* iid;
    bool global;
    int entries;
    int names;
};

const CatalogueRow kCatalogue[] = {
    {L"clsNetw", "8584A5E4-6183-4EF8-995D-EA1B850B82ED", "FBF8E760-83BF-4E3E-ABD9-4EA0BA0D776F", true, 2, 2},
    {L"cyInifINIFilesObj", "F2DC1BD3-180D-4744-A65E-94792C754393", "86B1BAB6-4A3A-48BF-93EE-4FFEEAD13191", true, 22, 16},
    {L"classMRU", "8468B138-587E-4326-848D-2C9022EE1F60", "619FC939-C86E-4FE3-93F8-A982FA54729D", true, 15, 10},
    {L"clSShortCut", "981311AC-2ED9-458F-828F-4D63A97F6906", "D3D300E9-F37B-4CAF-B499-24CB4E878ACA", true, 4, 4},
    {L"clzBriCon", "0B9C9988-A632-4779-872B-3AA0D8D9B30E", "D1DA2956-4AE2-401B-93A0-CE4F7E562D93", true, 33, 33},
    {L"clsCrypto", "3142FC85-CFEE-4CE1-88FD-2DFA33D32C94", "C63230BB-4E84-4AC9-AE14-10F2550842F8", true, 30, 20},
    {L"clsResolu", "64A79583-4764-40B9-A22D-4E13BF69C7C9", "00DFBCDB-14FA-4656-8517-E09FC6DEA29A", true, 15, 9},
    {L"clsOnTop1", "B22317FA-0888-4864-B5EA-02D137DECDB7", "FD09AD6C-1645-489F-B04F-B2F362C67454", true, 5, 5},
    {L"clsKeyBoard", "7F4AD2AD-E1D3-4B49-A0BE-D893AFCD28C3", "46E5F417-373E-44A8-BDA4-CB7ECFA2DCDF", true, 4, 4},
    {L"clsCapture", "B060C33D-31B0-4919-A396-FFD92E9E39EA", "BCD79E7D-73F5-4723-9930-77FB91C80A40", true, 8, 8},
    {L"clsMSAgent", "B3478642-6157-48D4-ADCA-A6BC6BFB72FB", "05A078A6-886D-40ED-BBD1-503E126B376F", true, 0, 0},
    {L"clsVFW", "1ABA0709-273E-4EC3-8B6C-7B322C7B87D1", "54624BFE-F401-4674-A07C-35B81A32F235", true, 0, 0},
    {L"clsWinReg", "DD0C3B5E-4E32-4B02-9964-D42A2CA5637C", "A058BA9A-9394-476A-B8C6-5641585FCED7", true, 9, 9},
    {L"clsEnetAdd", "64A51CAF-9AA9-400E-AE98-9DBBAC31D413", "1F41D229-48C6-407C-B2B9-517108B0BCFF", true, 11, 6},
    {L"clsDrvInfo2", "01396120-5493-428C-AFD2-55A56A74C4F7", "6E6A3EED-06A0-432E-BEA4-47FAF6202B4E", true, 36, 33},
    {L"clsDriveInfo", "D8F2D0A8-1762-46BA-8297-3629FD36B0E1", "567098A7-4386-4AE6-A78F-91971AA510A8", true, 4, 4},
    {L"clsSecretFiles", "16B07CE7-7D8D-4B4F-9C26-D0B8CB564B5C", "E4A91BE0-E35D-4CD1-8D0E-CA2E0E32B1A0", true, 2, 2},
    {L"clsResTarvik", "BA823FEC-8191-4357-A691-DD04ACFD7390", "B93B7990-6B92-463B-B0DA-951FE3BFC39E", true, 2, 2},
    {L"cLoadResPicture", "C3F4E848-F239-4942-B21A-D33722839FCC", "38B01572-A2C4-4E28-AF3E-071D93F76291", true, 1, 1},
    {L"clsControlPanelEntry", "B49DE800-D9B4-409B-92D0-67D1DAAC9CE7", "DF5AB52D-40A4-4E3C-994B-1733538AE048", false, 2, 2},
    {L"clsDSN", "AD61E328-4A55-445F-8DC5-7F3637D24653", "94BCA590-105A-4835-8989-49C57E6DB032", false, 0, 0},
    {L"clsDorvelRegHand2A", "A2D08444-1C3F-4E41-A3FA-EA7D3F9DEEC5", "CAD3231F-EE9D-4224-98A7-B86C6419F1DA", false, 20, 14},
};

struct OtherType {
    const wchar_t* name;
    const char* guid;
    TYPEKIND kind;
    int members;
};

const OtherType kOtherTypes[] = {
    {L"Pixel", "A914BC59-F1C7-4AEB-A243-B8787C1199D2", TKIND_RECORD, 4},
    {L"FRMSIZE", "DEAE8FEC-B801-47A7-93DA-27238441D392", TKIND_RECORD, 2},
    {L"SHELLEXECUTEINFO", "6C2054AE-3039-4DFC-9B75-A1BFC67C880A", TKIND_RECORD, 15},
    {L"acCryptographicMethodConst", "790ED252-3955-4B3C-BFB1-BD5B34CCFFC3", TKIND_ENUM, 26},
    {L"acCryptographicTypeConst", "C1379E0E-11AD-4EFB-89A8-7B79B60899A4", TKIND_ENUM, 2},
    {L"acCryptographicConversionConst", "1C8A23A0-058C-4A58-864B-1DCED4E593DE", TKIND_ENUM, 2},
    {L"enumKeys", "591C474A-67F2-410E-BED0-8DD2788C6E97", TKIND_ENUM, 32},
    {L"SoundTypes", "FECCDAA5-8851-4BA6-A504-2F5EA6C13277", TKIND_ENUM, 6},
    {L"ERegistryClassConstants", "ADBFACF2-3A8A-43BA-9663-E9825DF661E1", TKIND_ENUM, 4},
    {L"ERegistryValueTypes", "9B231F77-5576-4C86-8E22-69D5E2B0148D", TKIND_ENUM, 12},
};

GUID Guid(const char* text) {
    std::wstring braced = L"{" + std::wstring(text, text + strlen(text)) + L"}";
    GUID g = GUID_NULL;
    CLSIDFromString(braced.c_str(), &g);
    return g;
}

ComPtr<ITypeLib> EmbeddedLibrary() {
    ComPtr<ITypeLib> lib;
    LoadTypeLibEx(LibraryPath().c_str(), REGKIND_NONE, lib.put());
    return lib;
}

struct Attr {
    explicit Attr(ITypeInfo* of) : info(of) { info->GetTypeAttr(&attr); }
    ~Attr() { if (attr) info->ReleaseTypeAttr(attr); }
    ITypeInfo* info;
    TYPEATTR* attr = nullptr;
};

// The interface's own members: slots and distinct names, through its function-table view.
void CountMembers(ITypeInfo* dispatchView, int& entries, int& names) {
    ComPtr<ITypeInfo> info(dispatchView);
    HREFTYPE ref;
    ComPtr<ITypeInfo> vtable;
    if (SUCCEEDED(dispatchView->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
        SUCCEEDED(dispatchView->GetRefTypeInfo(ref, vtable.put())))
        info = vtable;
    Attr attr(info.get());
    entries = attr.attr->cFuncs;
    std::set<std::wstring> distinct;
    for (UINT i = 0; i < attr.attr->cFuncs; ++i) {
        FUNCDESC* fd = nullptr;
        info->GetFuncDesc(i, &fd);
        Bstr name;
        info->GetDocumentation(fd->memid, name.put(), nullptr, nullptr, nullptr);
        distinct.insert(name.get());
        info->ReleaseFuncDesc(fd);
    }
    names = static_cast<int>(distinct.size());
}

}  // namespace

TEST(Frame, EmbeddedTypeLibraryIdentity) {
    auto lib = EmbeddedLibrary();
    ASSERT_TRUE(lib);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, Guid("03D66F35-AF04-4AED-B7AA-698FE67BD230")));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->lcid, 0u);
    lib->ReleaseTLibAttr(attr);
    Bstr name;
    lib->GetDocumentation(-1, name.put(), nullptr, nullptr, nullptr);
    EXPECT_STREQ(name.get(), L"WENDRAX1");
}

namespace {

// The SHA-256 of a resource of the library, in hex; empty when it has none.
std::string ResourceDigest(const wchar_t* type, WORD id) {
    HMODULE module = LibraryModule();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return "";
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    UCHAR digest[32] = {};
    bool ok = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0 &&
              BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0 &&
              BCryptHashData(hash, static_cast<PUCHAR>(const_cast<void*>(bytes)), SizeofResource(module, found), 0) == 0 &&
              BCryptFinishHash(hash, digest, sizeof digest, 0) == 0;
    if (hash) BCryptDestroyHash(hash);
    if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!ok) return "";
    std::string hex;
    char pair[3];
    for (UCHAR b : digest) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    return hex;
}

}  // namespace

// Hosts, importers and the registration read the type libraries' bytes: a change to them is a change
// every host sees, made only on purpose, with these digests (SHA-256 of each build's two libraries).
TEST(Frame, TypeLibraryBytesAreUnchanged) {
    const bool x64 = sizeof(void*) == 8;
    const char* publicLibrary = x64 ? "e31e3446596707ea03b17897ac25fef4ec94a5d4a34bd9a67945029d61f5fa76"
                                    : "2ac8e028974482e1f646d36e7de4135d372d119a719c15a6b026f1cc53f06552";
    const char* privateLibrary = x64 ? "8afd77c7db1401967525a2bfddac66f25645ef55c7eb9a4deaba58e9a18bd826"
                                     : "8bf098b8ced09b1919001c9d589c65a00c4e8f7c5647b2f56e1a58771067ab6d";
    EXPECT_EQ(ResourceDigest(L"TYPELIB", 1), publicLibrary);
    EXPECT_EQ(ResourceDigest(L"TYPELIB", 2), privateLibrary);
}

namespace {

std::string Narrow(const wchar_t* w) { return w ? std::string(w, w + wcslen(w)) : std::string(); }

std::string TypeText(ITypeInfo* info, const TYPEDESC& t) {
    switch (t.vt) {
    case VT_PTR: return TypeText(info, *t.lptdesc) + "*";
    case VT_SAFEARRAY: return "SAFEARRAY(" + TypeText(info, *t.lptdesc) + ")";
    case VT_USERDEFINED: {
        ComPtr<ITypeInfo> ref;
        Bstr name;
        if (SUCCEEDED(info->GetRefTypeInfo(t.hreftype, ref.put())))
            ref->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
        return Narrow(name.get());
    }
    default: return "vt" + std::to_string(t.vt);
    }
}

// Everything a host sees of a type library, a line per type, member, parameter and field, with
// what depends on the pointer size itself (function-table offsets, record layout) left out.
std::set<std::string> Contract(ITypeLib* lib) {
    std::set<std::string> lines;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        ComPtr<ITypeInfo> info;
        TYPEATTR* attr = nullptr;
        if (FAILED(lib->GetTypeInfo(i, info.put())) || FAILED(info->GetTypeAttr(&attr))) continue;
        Bstr typeName;
        info->GetDocumentation(MEMBERID_NIL, typeName.put(), nullptr, nullptr, nullptr);
        wchar_t guid[40];
        StringFromGUID2(attr->guid, guid, 40);
        std::string type = Narrow(typeName.get());
        lines.insert(std::to_string(i) + " " + type + " " + Narrow(guid) + " kind " + std::to_string(attr->typekind) +
                     " flags " + std::to_string(attr->wTypeFlags) + " funcs " + std::to_string(attr->cFuncs) +
                     " vars " + std::to_string(attr->cVars) + " impl " + std::to_string(attr->cImplTypes));
        for (UINT f = 0; f < attr->cFuncs; ++f) {
            FUNCDESC* fd = nullptr;
            if (FAILED(info->GetFuncDesc(f, &fd))) continue;
            BSTR names[32] = {};
            UINT count = 0;
            info->GetNames(fd->memid, names, 32, &count);
            std::string member = type + "." + Narrow(names[0]) + "#" + std::to_string(fd->invkind);
            lines.insert(member + " at " + std::to_string(f) + " id " + std::to_string(fd->memid) + " flags " +
                         std::to_string(fd->wFuncFlags) + " returns " + TypeText(info.get(), fd->elemdescFunc.tdesc));
            for (SHORT k = 0; k < fd->cParams; ++k) {
                const ELEMDESC& e = fd->lprgelemdescParam[k];
                std::string line = member + "." + (static_cast<UINT>(k) + 1 < count ? Narrow(names[k + 1]) : std::to_string(k)) + ": " +
                                   TypeText(info.get(), e.tdesc) + " flags " + std::to_string(e.paramdesc.wParamFlags);
                if ((e.paramdesc.wParamFlags & PARAMFLAG_FHASDEFAULT) && e.paramdesc.pparamdescex) {
                    Variant text;
                    VariantChangeType(text.get(), &e.paramdesc.pparamdescex->varDefaultValue, 0, VT_BSTR);
                    line += " default " + Narrow(V_BSTR(text.get()));
                }
                lines.insert(line);
            }
            for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
            info->ReleaseFuncDesc(fd);
        }
        for (UINT v = 0; v < attr->cVars; ++v) {
            VARDESC* vd = nullptr;
            if (FAILED(info->GetVarDesc(v, &vd))) continue;
            Bstr field;
            info->GetDocumentation(vd->memid, field.put(), nullptr, nullptr, nullptr);
            std::string line = type + "." + Narrow(field.get()) + " at " + std::to_string(v) + ": " +
                               TypeText(info.get(), vd->elemdescVar.tdesc);
            if (vd->varkind == VAR_CONST && vd->lpvarValue) {
                Variant text;
                VariantChangeType(text.get(), vd->lpvarValue, 0, VT_BSTR);
                line += " = " + Narrow(V_BSTR(text.get()));
            }
            lines.insert(line);
            info->ReleaseVarDesc(vd);
        }
        info->ReleaseTypeAttr(attr);
    }
    return lines;
}

}  // namespace

// The x64 build's type library is the x86 one but for the values that are addresses on 64-bit
// Windows: the members and fields the README lists, Long there and LongLong here.
TEST(Frame, BothBuildsDescribeTheSameInterfacesButForPointerSizedValues) {
    if (sizeof(void*) != 8) GTEST_SKIP() << "run by the x64 build";
    std::wstring folder = LibraryPath();
    folder.resize(folder.find_last_of(L'\\'));
    std::wstring x86 = folder.substr(0, folder.find_last_of(L'\\') + 1) + L"WENDRAX1.tlb";
    ComPtr<ITypeLib> ours, theirs;
    ASSERT_EQ(LoadTypeLibEx(LibraryPath().c_str(), REGKIND_NONE, ours.put()), S_OK);
    if (FAILED(LoadTypeLibEx(x86.c_str(), REGKIND_NONE, theirs.put()))) GTEST_SKIP() << "no x86 build beside";
    TLIBATTR* a = nullptr;
    TLIBATTR* b = nullptr;
    ours->GetLibAttr(&a);
    theirs->GetLibAttr(&b);
    EXPECT_EQ(a->syskind, SYS_WIN64);
    EXPECT_EQ(b->syskind, SYS_WIN32);
    EXPECT_TRUE(IsEqualGUID(a->guid, b->guid) && a->wMajorVerNum == b->wMajorVerNum && a->wMinorVerNum == b->wMinorVerNum);
    ours->ReleaseTLibAttr(a);
    theirs->ReleaseTLibAttr(b);

    // vt3 is Long, vt20 LongLong.
    const std::set<std::string> pointerSized = {
        "_clsCrypto.m_CSP_Provider", "_clsCrypto.lHSessionKey", "_clsCrypto.DoEncryptString",
        "_clsCrypto.DoDecryptString", "_clsCrypto.DoFileEncrypt", "_clsCrypto.DoFileDecrypt",
        "SHELLEXECUTEINFO.hWnd", "SHELLEXECUTEINFO.hInstApp", "SHELLEXECUTEINFO.lpIDList",
        "SHELLEXECUTEINFO.hkeyClass", "SHELLEXECUTEINFO.hIcon", "SHELLEXECUTEINFO.hProcess"};
    std::set<std::string> x64 = Contract(ours.get()), x86Lines = Contract(theirs.get()), differing;
    for (std::string line : x64) {
        if (x86Lines.count(line)) continue;
        std::string key = line.substr(0, line.find_first_of("#: "));
        size_t at = line.find("vt20");
        if (at != std::string::npos) line.replace(at, 4, "vt3");
        EXPECT_TRUE(pointerSized.count(key) && x86Lines.count(line)) << "only in the x64 build: " << line;
        differing.insert(key);
    }
    EXPECT_EQ(differing, pointerSized);
    EXPECT_EQ(x64.size(), x86Lines.size());
}

TEST(Frame, EveryCatalogueClassMatchesTheTypeLibrary) {
    auto lib = EmbeddedLibrary();
    ASSERT_TRUE(lib);
    int coclasses = 0;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        TYPEKIND kind;
        lib->GetTypeInfoType(i, &kind);
        if (kind == TKIND_COCLASS) ++coclasses;
    }
    EXPECT_EQ(coclasses, 22) << "the private table printer must not be in the public library";

    for (const CatalogueRow& row : kCatalogue) {
        SCOPED_TRACE(std::string(row.name, row.name + wcslen(row.name)));
        ComPtr<ITypeInfo> coclass;
        ASSERT_EQ(lib->GetTypeInfoOfGuid(Guid(row.clsid), coclass.put()), S_OK);
        Attr classAttr(coclass.get());
        EXPECT_EQ(classAttr.attr->typekind, TKIND_COCLASS);
        WORD expectedFlags = TYPEFLAG_FCANCREATE;
        if (row.global) expectedFlags |= TYPEFLAG_FAPPOBJECT | TYPEFLAG_FPREDECLID;
        EXPECT_EQ(classAttr.attr->wTypeFlags, expectedFlags);
        Bstr className, help;
        coclass->GetDocumentation(MEMBERID_NIL, className.put(), help.put(), nullptr, nullptr);
        EXPECT_STREQ(className.get(), row.name);
        EXPECT_GT(help.length(), 0u) << "every class has a helpstring";

        // The default interface.
        ComPtr<ITypeInfo> itf;
        bool foundDefault = false;
        for (UINT k = 0; k < classAttr.attr->cImplTypes; ++k) {
            INT flags = 0;
            coclass->GetImplTypeFlags(k, &flags);
            if ((flags & IMPLTYPEFLAG_FDEFAULT) && !(flags & IMPLTYPEFLAG_FSOURCE)) {
                HREFTYPE ref;
                coclass->GetRefTypeOfImplType(k, &ref);
                coclass->GetRefTypeInfo(ref, itf.put());
                foundDefault = true;
            }
        }
        ASSERT_TRUE(foundDefault);
        Attr itfAttr(itf.get());
        EXPECT_TRUE(IsEqualGUID(itfAttr.attr->guid, Guid(row.iid)));
        // The flags as declared sit on the function-table view of the dual interface.
        HREFTYPE vtableRef;
        ComPtr<ITypeInfo> vtable;
        ASSERT_EQ(itf->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef), S_OK);
        ASSERT_EQ(itf->GetRefTypeInfo(vtableRef, vtable.put()), S_OK);
        Attr vtableAttr(vtable.get());
        const WORD itfFlags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION;
        EXPECT_EQ(vtableAttr.attr->wTypeFlags & itfFlags, itfFlags);
        Bstr itfName, itfHelp;
        itf->GetDocumentation(MEMBERID_NIL, itfName.put(), itfHelp.put(), nullptr, nullptr);
        EXPECT_EQ(std::wstring(itfName.get()), std::wstring(L"_") + row.name);
        EXPECT_GT(itfHelp.length(), 0u);
        int entries = 0, names = 0;
        CountMembers(itf.get(), entries, names);
        EXPECT_EQ(entries, row.entries);
        EXPECT_EQ(names, row.names);
    }
}

// Every optional parameter the catalogue gives a default carries it in the type library, as early
// binding hosts and importers read it; by-reference texts and objects included.
TEST(Frame, TypeLibraryCarriesEveryCatalogueDefault) {
    const std::map<std::string, std::string> catalogue = {
        {"_cyInifINIFilesObj.LoadFormPosition.lMinWidth", "3000"},
        {"_cyInifINIFilesObj.LoadFormPosition.lMinHeight", "3000"},
        {"_cyInifINIFilesObj.CLngDefault.lDefault", "0"},
        {"_clsDorvelRegHand2A.CreateEXEAssociation.sOpenMenuText", "\"&Open\""},
        {"_clsDorvelRegHand2A.CreateEXEAssociation.bSupportPrint", "False"},
        {"_clsDorvelRegHand2A.CreateEXEAssociation.sPrintMenuText", "\"&Print\""},
        {"_clsDorvelRegHand2A.CreateEXEAssociation.bSupportNew", "False"},
        {"_clsDorvelRegHand2A.CreateEXEAssociation.sNewMenuText", "\"&New\""},
        {"_clsDorvelRegHand2A.CreateEXEAssociation.bSupportInstall", "False"},
        {"_clsDorvelRegHand2A.CreateEXEAssociation.sInstallMenuText", "\"\""},
        {"_clsDorvelRegHand2A.CreateEXEAssociation.lDefaultIconIndex", "-1"},
        {"_clsDrvInfo2.Get_FileList.blnSearchSubfolders", "True"},
        {"_clsDrvInfo2.Get_FileList.strPattern", "\"*.*\""},
        {"_clsDrvInfo2.Get_Totals.intDataType", "1"},
        {"_clsDrvInfo2.Get_Totals.strPattern", "\"*.*\""},
        {"_clsDrvInfo2.Get_Totals.blnSearchSubfolders", "True"},
        {"_clsDrvInfo2.Create_Tmp_Filename.strTmpFolder", "\"\""},
        {"_clsDrvInfo2.BrowseForFolder.frm", "Nothing"},
        {"_clsDrvInfo2.BrowseForFolder.strPrompt", "\"\""},
        {"_clsResTarvik.GetTarvikRes_WavSound.SoundFlags", "4"},
        {"_clsCrypto.StringCryptography.sPassword", "\"\""},
        {"_clsCrypto.StringCryptography.CryptographicMethod", "21"},
        {"_clsCrypto.StringCryptography.CryptographicConversion", "0"},
        {"_clsCrypto.StringCryptography.bUsedStandardEncDecClass", "False"},
        {"_clsCrypto.FileCryptography.sPassword", "\"\""},
        {"_clsCrypto.FileCryptography.sDestinationFile", "\"\""},
        {"_clsCrypto.FileCryptography.CryptographicMethod", "21"},
        {"_clsSecretFiles.WriteSecretFile.Record1", "\"\""},
        {"_clsSecretFiles.WriteSecretFile.Record2", "\"\""},
        {"_clsSecretFiles.WriteSecretFile.Record3", "\"\""},
        {"_clsSecretFiles.WriteSecretFile.Record4", "\"\""},
        {"_clsKeyBoard.PressKey.bHold", "False"},
        {"_clsKeyBoard.PressKey.bRelease", "False"},
        {"_clsKeyBoard.PressString.bDoEvents", "True"},
        {"_clsKeyBoard.PressKeyVK.bHold", "False"},
        {"_clsKeyBoard.PressKeyVK.bRelease", "False"},
        {"_clsKeyBoard.PressKeyVK.bCompatible", "False"},
        {"_clsOnTop1.ScrollAdvertisement.SCROLLINGTIME", "0"},
        {"_clSShortCut.doAddShortCut.Arglist", "\"\""},
    };
    auto lib = EmbeddedLibrary();
    ASSERT_TRUE(lib);
    std::map<std::string, std::string> stored;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        ComPtr<ITypeInfo> info;
        if (FAILED(lib->GetTypeInfo(i, info.put()))) continue;
        Attr attr(info.get());
        if (attr.attr->typekind != TKIND_DISPATCH) continue;
        Bstr type;
        info->GetDocumentation(MEMBERID_NIL, type.put(), nullptr, nullptr, nullptr);
        for (UINT f = 0; f < attr.attr->cFuncs; ++f) {
            FUNCDESC* fd = nullptr;
            ASSERT_EQ(info->GetFuncDesc(f, &fd), S_OK);
            BSTR names[32] = {};
            UINT count = 0;
            info->GetNames(fd->memid, names, 32, &count);
            for (SHORT k = 0; k < fd->cParams && static_cast<UINT>(k) + 1 < count; ++k) {
                const PARAMDESC& p = fd->lprgelemdescParam[k].paramdesc;
                if (!(p.wParamFlags & PARAMFLAG_FHASDEFAULT)) continue;
                std::string key = Narrow(type.get()) + "." + Narrow(names[0]) + "." + Narrow(names[k + 1]);
                EXPECT_TRUE(p.wParamFlags & PARAMFLAG_FOPT) << key << " has a default but is not optional";
                const VARIANT* value = p.pparamdescex ? &p.pparamdescex->varDefaultValue : nullptr;
                std::string shown = "(none)";
                if (value && V_VT(value) == VT_BSTR) {
                    shown = "\"" + Narrow(V_BSTR(value)) + "\"";
                } else if (value && V_VT(value) == VT_BOOL) {
                    shown = V_BOOL(value) ? "True" : "False";
                } else if (value && (V_VT(value) == VT_DISPATCH || V_VT(value) == VT_UNKNOWN)) {
                    shown = V_UNKNOWN(value) ? "an object" : "Nothing";
                } else if (value) {
                    Variant number;
                    if (SUCCEEDED(VariantChangeType(number.get(), const_cast<VARIANT*>(value), 0, VT_I4))) shown = std::to_string(V_I4(number.get()));
                }
                stored[key] = shown;
            }
            for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
            info->ReleaseFuncDesc(fd);
        }
    }
    for (const auto& [parameter, value] : catalogue) {
        auto found = stored.find(parameter);
        if (found == stored.end())
            ADD_FAILURE() << parameter << ": no default in the type library (the catalogue gives " << value << ")";
        else
            EXPECT_EQ(found->second, value) << parameter;
    }
    for (const auto& [parameter, value] : stored)
        EXPECT_TRUE(catalogue.count(parameter)) << parameter << ": a default (" << value << ") the catalogue does not give";
}

TEST(Frame, EventInterfaceOfTheFolderWalker) {
    auto lib = EmbeddedLibrary();
    ComPtr<ITypeInfo> events;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(Guid("9E974DB3-A28E-461E-B0E4-CCAF7B79686E"), events.put()), S_OK);
    Attr attr(events.get());
    EXPECT_EQ(attr.attr->typekind, TKIND_DISPATCH);
    ASSERT_EQ(attr.attr->cFuncs, 2);
    const wchar_t* expected[] = {L"CountFiles", L"CountTotals"};
    for (UINT i = 0; i < 2; ++i) {
        FUNCDESC* fd = nullptr;
        events->GetFuncDesc(i, &fd);
        EXPECT_EQ(fd->memid, static_cast<MEMBERID>(i + 1));
        EXPECT_EQ(fd->cParams, 2);
        Bstr name;
        events->GetDocumentation(fd->memid, name.put(), nullptr, nullptr, nullptr);
        EXPECT_STREQ(name.get(), expected[i]);
        events->ReleaseFuncDesc(fd);
    }
}

TEST(Frame, RecordsAndEnumerations) {
    auto lib = EmbeddedLibrary();
    for (const OtherType& type : kOtherTypes) {
        SCOPED_TRACE(std::string(type.name, type.name + wcslen(type.name)));
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(lib->GetTypeInfoOfGuid(Guid(type.guid), info.put()), S_OK);
        Attr attr(info.get());
        EXPECT_EQ(attr.attr->typekind, type.kind);
        EXPECT_EQ(attr.attr->cVars, type.members);
        Bstr name;
        info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
        EXPECT_STREQ(name.get(), type.name);
    }
    // Spot checks of values and member order.
    ComPtr<ITypeInfo> roots;
    lib->GetTypeInfoOfGuid(Guid("ADBFACF2-3A8A-43BA-9663-E9825DF661E1"), roots.put());
    VARDESC* vd = nullptr;
    roots->GetVarDesc(1, &vd);
    EXPECT_EQ(V_I4(vd->lpvarValue), -2147483647);
    roots->ReleaseVarDesc(vd);
    ComPtr<ITypeInfo> pixel;
    lib->GetTypeInfoOfGuid(Guid("A914BC59-F1C7-4AEB-A243-B8787C1199D2"), pixel.put());
    Attr pixelAttr(pixel.get());
    EXPECT_EQ(pixelAttr.attr->cbSizeInstance, 8u);
}

namespace {

// A description as text, one line a member, so that a difference names the member and the field.
std::string DescriptionText(const wx::InterfaceDescription& d) {
    auto guid = [](const GUID* g) {
        if (!g) return std::string("-");
        wchar_t text[40] = {};
        StringFromGUID2(*g, text, 40);
        return Narrow(text);
    };
    std::string out;
    char line[200];
    for (USHORT i = 0; i < d.count; ++i) {
        const wx::MemberDescription& m = d.members[i];
        std::snprintf(line, sizeof line, " id %ld kind %d slot %d result %d:", static_cast<long>(m.id), m.kind, m.slot,
                      m.hasResult);
        out += Narrow(m.name) + line;
        for (USHORT p = 0; p < m.count; ++p) {
            const wx::ParamDescription& pd = m.params[p];
            std::snprintf(line, sizeof line, " (vt %04X flags %X default %04X %llX ", pd.vt, pd.flags, pd.defaultVt,
                          pd.defaultBits);
            out += line + guid(pd.iid) + " " + guid(pd.record) + " " + (pd.defaultText ? "\"" + Narrow(pd.defaultText) + "\"" : "null") + ")";
        }
        out += "\n";
    }
    return out;
}

// The members without a typed call, and why: the events the library raises on its hosts' sinks.
// Their interfaces are dispatch-only, with no function table to call, and no object of the library
// serves them.
const std::set<std::string> kWithoutTypedCall = {"__clsDrvInfo2.CountFiles", "__clsDrvInfo2.CountTotals",
                                                 "__clsTablePrint.NewPage"};

}  // namespace

// The library calls late-bound members from tables the build generated from its type libraries:
// they must say what the type libraries say, for every interface of both (the public one and the
// private one, resource 2), read as the library would read them; and every member has its typed
// call but the few named above.
TEST(Frame, GeneratedDispatchTablesAreTheTypeLibrarys) {
    std::map<std::string, const wx::InterfaceDescription*> generated;
    for (size_t i = 0; i < wx::kGeneratedInterfaceCount; ++i) {
        wchar_t text[40] = {};
        StringFromGUID2(*wx::kGeneratedInterfaces[i].iid, text, 40);
        generated[Narrow(text)] = &wx::kGeneratedInterfaces[i];
    }
    std::set<std::string> described, untyped;
    for (std::wstring path : {LibraryPath(), LibraryPath() + L"\\2"}) {
        ComPtr<ITypeLib> lib;
        ASSERT_EQ(LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put()), S_OK) << Narrow(path.c_str());
        for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
            TYPEKIND kind;
            ASSERT_EQ(lib->GetTypeInfoType(i, &kind), S_OK);
            if (kind != TKIND_DISPATCH && kind != TKIND_INTERFACE) continue;
            ComPtr<ITypeInfo> info;
            ASSERT_EQ(lib->GetTypeInfo(i, info.put()), S_OK);
            Bstr name;
            info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
            wx::ReadInterface read;
            if (FAILED(read.Read(info.get()))) continue;  // not callable late-bound at all
            wchar_t text[40] = {};
            StringFromGUID2(*read.description().iid, text, 40);
            std::string iid = Narrow(text);
            if (!described.insert(iid).second) continue;  // the library asks the public one first
            auto found = generated.find(iid);
            if (found == generated.end()) {
                ADD_FAILURE() << Narrow(name.get()) << " " << iid << ": no generated table";
                continue;
            }
            EXPECT_EQ(DescriptionText(*found->second), DescriptionText(read.description())) << Narrow(name.get());
            for (USHORT m = 0; m < found->second->count; ++m) {
                const wx::MemberDescription& member = found->second->members[m];
                if (!member.call) untyped.insert(Narrow(name.get()) + "." + Narrow(member.name));
            }
        }
    }
    EXPECT_EQ(untyped, kWithoutTypedCall);
    // Every generated table is one of an interface the type libraries describe.
    for (const auto& [iid, description] : generated) EXPECT_TRUE(described.count(iid)) << iid << ": generated, not described";
    EXPECT_GT(described.size(), 20u);
}

TEST(Frame, ClassFactoryAndUnloading) {
    using CanUnloadFn = HRESULT(WINAPI*)();
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto canUnload = ProcAddress<CanUnloadFn>(LibraryModule(), "DllCanUnloadNow");
    auto get = ProcAddress<GetClassObjectFn>(LibraryModule(), "DllGetClassObject");
    ASSERT_TRUE(canUnload && get);
    ASSERT_EQ(canUnload(), S_OK) << "nothing of the library is alive between tests";

    void* bogus = reinterpret_cast<void*>(1);
    EXPECT_EQ(get(LIBID_WENDRAX1, IID_IClassFactory, &bogus), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(bogus, nullptr);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(get(CLSID_cyInifINIFilesObj, IID_IClassFactory, factory.putVoid()), S_OK);
    ComPtr<IDispatch> first, second;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, first.putVoid()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, second.putVoid()), S_OK);
    EXPECT_NE(first.get(), second.get()) << "a new instance per request";
    ComPtr<IUnknown> outer;
    EXPECT_EQ(factory->CreateInstance(first.get(), IID_IUnknown, outer.putVoid()), CLASS_E_NOAGGREGATION);

    factory->LockServer(TRUE);
    factory.reset();
    first.reset();
    second.reset();
    EXPECT_EQ(canUnload(), S_FALSE) << "a lock keeps the library";
    ASSERT_EQ(get(CLSID_cyInifINIFilesObj, IID_IClassFactory, factory.putVoid()), S_OK);
    factory->LockServer(FALSE);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, first.putVoid()), S_OK);
    factory.reset();
    EXPECT_EQ(canUnload(), S_FALSE) << "a live object keeps the library";
    first.reset();
    EXPECT_EQ(canUnload(), S_OK);
}

TEST(Frame, EveryClassIsCreatedByProgIdAndReleased) {
    for (const CatalogueRow& row : kCatalogue) {
        std::wstring progId = std::wstring(L"WENDRAX1.") + row.name;
        auto object = CreateByProgId(progId.c_str());
        EXPECT_TRUE(object) << std::string(progId.begin(), progId.end());
        CLSID clsid;
        ASSERT_EQ(CLSIDFromProgID(progId.c_str(), &clsid), S_OK);
        EXPECT_TRUE(IsEqualCLSID(clsid, Guid(row.clsid)));
    }
}

TEST(Frame, MemberlessClassesHaveNoMembers) {
    auto dsn = CreateByProgId(L"WENDRAX1.clsDSN");
    ASSERT_TRUE(dsn);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(dsn->GetTypeInfo(0, 0, info.put()), S_OK);
    Attr attr(info.get());
    EXPECT_TRUE(IsEqualGUID(attr.attr->guid, IID__clsDSN));
    EXPECT_EQ(Call(dsn.get(), L"Anything").hr, DISP_E_UNKNOWNNAME);
}

TEST(Frame, RaisedErrorsCarryNumberSourceAndDescription) {
    auto ini = Create<_cyInifINIFilesObj>(CLSID_cyInifINIFilesObj, IID__cyInifINIFilesObj);
    ASSERT_TRUE(ini);
    auto support = ini.as<ISupportErrorInfo>(IID_ISupportErrorInfo);
    ASSERT_TRUE(support);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID__cyInifINIFilesObj), S_OK);
    // A null argument pointer is an invalid procedure call (5), raised like any runtime error.
    HRESULT hr = ini->put_Value(nullptr);
    EXPECT_EQ(hr, static_cast<HRESULT>(0x800A0005));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
    Bstr source, description;
    info->GetSource(source.put());
    info->GetDescription(description.put());
    EXPECT_STREQ(source.get(), L"WENDRAX1");
    EXPECT_STREQ(description.get(), L"Invalid procedure call or argument");
}

TEST(Frame, DispatchCoercesScriptVariablesAndReportsTypeMismatch) {
    auto ini = Create<IDispatch>(CLSID_cyInifINIFilesObj, IID_IDispatch);
    ASSERT_TRUE(ini);
    // A by-value Long parameter given text that is no number.
    Variant text = Variant::Text(L"12");
    Variant fallback = Variant::Text(L"seven");
    auto r = Call(ini.get(), L"CLngDefault", {Val(text), Val(fallback)});
    EXPECT_EQ(r.hr, DISP_E_TYPEMISMATCH);
    // Too many arguments.
    r = Call(ini.get(), L"CLngDefault", {Val(text), Val(text), Val(text)});
    EXPECT_EQ(r.hr, DISP_E_BADPARAMCOUNT);
    // A required argument left out.
    r = Call(ini.get(), L"CLngDefault", {});
    EXPECT_EQ(r.hr, DISP_E_PARAMNOTOPTIONAL);
    // Optional argument left out, and an argument passed as a script variable (VARIANT*).
    Variant variable = Variant::Text(L"41");
    r = Call(ini.get(), L"CLngDefault", {Ref(variable)});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(V_I4(r.value.get()), 41);
}

// Script engines call through IDispatchEx: names in any case, their own "this" among the named
// arguments, and results in the shapes they can use. Invoke keeps the declared types.
TEST(Frame, ScriptEnginesGetResultsTheyCanUseThroughInvokeEx) {
    auto files = Create<IDispatch>(CLSID_clsDrvInfo2, IID_IDispatch);
    auto loader = Create<IDispatch>(CLSID_cLoadResPicture, IID_IDispatch);
    ASSERT_TRUE(files && loader);
    auto filesEx = files.as<IDispatchEx>(wx::kIID_IDispatchEx);
    auto loaderEx = loader.as<IDispatchEx>(wx::kIID_IDispatchEx);
    ASSERT_TRUE(filesEx && loaderEx);

    DISPID drives = 0, picture = 0, missing = 0;
    EXPECT_EQ(filesEx->GetDispID(Bstr(L"AVAILABLE_drives").get(), fdexNameCaseSensitive, &drives), S_OK);
    EXPECT_EQ(filesEx->GetDispID(Bstr(L"NoSuchMember").get(), fdexNameCaseInsensitive, &missing), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(missing, DISPID_UNKNOWN);
    ASSERT_EQ(loaderEx->GetDispID(Bstr(L"loadrespicture").get(), fdexNameCaseInsensitive, &picture), S_OK);

    DISPID thisId = DISPID_THIS;
    VARIANT self;
    V_VT(&self) = VT_DISPATCH;
    V_DISPATCH(&self) = files.get();
    DISPPARAMS withThis = {&self, &thisId, 1, 1};
    Variant asScript, asHost;
    ASSERT_EQ(filesEx->InvokeEx(drives, 0, DISPATCH_METHOD, &withThis, asScript.get(), nullptr, nullptr), S_OK);
    ASSERT_EQ(asScript.type(), VT_ARRAY | VT_VARIANT);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    ASSERT_EQ(files->Invoke(drives, IID_NULL, 0, DISPATCH_METHOD, &none, asHost.get(), nullptr, nullptr), S_OK);
    ASSERT_EQ(asHost.type(), VT_ARRAY | VT_BSTR);
    // The same bounds and texts.
    SAFEARRAY* texts = V_ARRAY(asHost.get());
    SAFEARRAY* variants = V_ARRAY(asScript.get());
    LONG lo = -1, hi = -1, vlo = -2, vhi = -2;
    SafeArrayGetLBound(texts, 1, &lo);
    SafeArrayGetUBound(texts, 1, &hi);
    SafeArrayGetLBound(variants, 1, &vlo);
    SafeArrayGetUBound(variants, 1, &vhi);
    EXPECT_EQ(lo, vlo);
    ASSERT_EQ(hi, vhi);
    for (LONG i = lo; i <= hi; ++i) {
        Bstr text;
        Variant element;
        SafeArrayGetElement(texts, &i, text.put());
        SafeArrayGetElement(variants, &i, element.get());
        EXPECT_EQ(TextOf(*element.get()), std::wstring(text.get()));
    }

    // An IPicture result is the object's IDispatch for a script, and stays IPicture otherwise
    // (a property with arguments, read the way late binding reads it).
    VARIANT args[2];
    V_VT(&args[0]) = VT_BSTR;
    V_BSTR(&args[0]) = SysAllocString(L"JPG");
    V_VT(&args[1]) = VT_I4;
    V_I4(&args[1]) = 102;
    DISPPARAMS load = {args, nullptr, 2, 0};
    Variant scriptPicture, hostPicture;
    ASSERT_EQ(loaderEx->InvokeEx(picture, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &load, scriptPicture.get(), nullptr, nullptr), S_OK);
    EXPECT_EQ(scriptPicture.type(), VT_DISPATCH);
    ASSERT_EQ(Get(V_DISPATCH(scriptPicture.get()), L"Width").hr, S_OK);
    ASSERT_EQ(loader->Invoke(picture, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &load, hostPicture.get(), nullptr, nullptr), S_OK);
    EXPECT_EQ(hostPicture.type(), VT_UNKNOWN);
    SysFreeString(V_BSTR(&args[0]));

    // Bytes stay bytes: scripts hold them and hand them back (a registry value copied).
    const wchar_t* scratch = L"Software\\WENDRAX1 unit\\InvokeEx bytes";
    const BYTE five[] = {1, 2, 255, 0, 16};
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, scratch, L"Five", REG_BINARY, five, sizeof five), ERROR_SUCCESS);
    auto handler = Create<IDispatch>(CLSID_clsDorvelRegHand2A, IID_IDispatch);
    ASSERT_TRUE(handler);
    Variant root = Variant::Long(static_cast<LONG>(0x80000001)), section = Variant::Text(scratch),
            name = Variant::Text(L"Five");
    ASSERT_EQ(Put(handler.get(), L"ClassKey", Val(root)).hr, S_OK);
    ASSERT_EQ(Put(handler.get(), L"SectionKey", Val(section)).hr, S_OK);
    ASSERT_EQ(Put(handler.get(), L"ValueKey", Val(name)).hr, S_OK);
    auto handlerEx = handler.as<IDispatchEx>(wx::kIID_IDispatchEx);
    DISPID value = 0;
    ASSERT_EQ(handlerEx->GetDispID(Bstr(L"value").get(), fdexNameCaseInsensitive, &value), S_OK);
    Variant bytes;
    ASSERT_EQ(handlerEx->InvokeEx(value, 0, DISPATCH_PROPERTYGET, &none, bytes.get(), nullptr, nullptr), S_OK);
    ASSERT_EQ(bytes.type(), VT_ARRAY | VT_UI1);
    LONG blo = -1, bhi = -1;
    SafeArrayGetLBound(V_ARRAY(bytes.get()), 1, &blo);
    SafeArrayGetUBound(V_ARRAY(bytes.get()), 1, &bhi);
    EXPECT_EQ(blo, 0);
    EXPECT_EQ(bhi, 4);
    RegDeleteTreeW(HKEY_CURRENT_USER, scratch);
}

namespace {

// A SAFEARRAY descriptor as a caller may build it by hand, with room for the hidden type before it.
struct HandMadeArray {
    DWORD hidden[4] = {};
    SAFEARRAY array = {};
    LONG data[4] = {};
};

}  // namespace

// Whatever a C++ caller builds that no member can read is refused before the member runs, through
// Invoke and InvokeEx alike, and leaves the object as it was; null text, Nothing, a BSTR* pointing
// at null text and a chain of variables stay values.
TEST(Frame, ArgumentReaderRefusesMalformedArgumentsAndKeepsValues) {
    auto ini = Create<IDispatch>(CLSID_cyInifINIFilesObj, IID_IDispatch);
    ASSERT_TRUE(ini);
    auto script = ini.as<IDispatchEx>(wx::kIID_IDispatchEx);
    ASSERT_TRUE(script);
    DISPID path = 0, sections = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Path"), const_cast<LPOLESTR>(L"EnumerateAllSections")};
    ASSERT_EQ(ini->GetIDsOfNames(IID_NULL, &names[0], 1, 0, &path), S_OK);
    ASSERT_EQ(ini->GetIDsOfNames(IID_NULL, &names[1], 1, 0, &sections), S_OK);
    Variant kept = Variant::Text(L"kept.ini");
    ASSERT_EQ(Put(ini.get(), L"Path", Val(kept)).hr, S_OK);
    auto pathNow = [&] { return TextOf(*Get(ini.get(), L"Path").value.get()); };

    DISPID putId = DISPID_PROPERTYPUT;
    auto put = [&](VARIANT argument, bool asScript, UINT* argErr) {
        DISPPARAMS params = {&argument, &putId, 1, 1};
        if (asScript) return script->InvokeEx(path, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
        return ini->Invoke(path, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, argErr);
    };
    auto make = [](VARTYPE vt, void* pointer) {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = vt;
        V_BYREF(&v) = pointer;
        return v;
    };
    VARIANT nullEnd = make(VT_BYREF | VT_VARIANT, nullptr);
    VARIANT middle = make(VT_BYREF | VT_VARIANT, &nullEnd);
    VARIANT loop = make(VT_BYREF | VT_VARIANT, nullptr);
    V_VARIANTREF(&loop) = &loop;
    VARIANT noRecordInfo = make(VT_RECORD, nullptr);
    HandMadeArray flat, wrongSize, bstrFeatures, overflow, noData, otherType;
    for (HandMadeArray* a : {&flat, &wrongSize, &bstrFeatures, &overflow, &noData, &otherType}) {
        a->array.cDims = 1;
        a->array.cbElements = sizeof(BSTR);
        a->array.fFeatures = FADF_BSTR;
        a->array.pvData = a->data;
        a->array.rgsabound[0].cElements = 1;
    }
    flat.array.cDims = 0;
    wrongSize.array.cbElements = 1;
    bstrFeatures.array.fFeatures = FADF_VARIANT;
    overflow.array.rgsabound[0].cElements = 0xFFFFFFFF;
    noData.array.pvData = nullptr;
    otherType.array.fFeatures = FADF_BSTR | FADF_HAVEVARTYPE;
    otherType.hidden[3] = VT_I4;
    SAFEARRAY* arrays[] = {&flat.array, &wrongSize.array, &bstrFeatures.array, &overflow.array, &noData.array,
                           &otherType.array};
    struct Refused { const char* what; VARIANT argument; HRESULT hr; };
    std::vector<Refused> refused = {
        {"null text pointer", make(VT_BYREF | VT_BSTR, nullptr), DISP_E_TYPEMISMATCH},
        {"null Long pointer", make(VT_BYREF | VT_I4, nullptr), DISP_E_TYPEMISMATCH},
        {"null object pointer", make(VT_BYREF | VT_DISPATCH, nullptr), DISP_E_TYPEMISMATCH},
        {"null variable", make(VT_BYREF | VT_VARIANT, nullptr), DISP_E_TYPEMISMATCH},
        {"chain null at depth 2", make(VT_BYREF | VT_VARIANT, &middle), DISP_E_TYPEMISMATCH},
        {"chain that loops", loop, DISP_E_TYPEMISMATCH},
        {"unknown type", make(0x7FFF, nullptr), DISP_E_BADVARTYPE},
        {"vector", make(VT_VECTOR | VT_BSTR, nullptr), DISP_E_BADVARTYPE},
        {"VT_BYREF alone", make(VT_BYREF, &kept), DISP_E_BADVARTYPE},
        {"record without its information", noRecordInfo, DISP_E_TYPEMISMATCH},
    };
    const char* arrayFaults[] = {"no dimensions", "element size", "features of another type", "element count overflow",
                                 "no data", "hidden type of another type"};
    for (size_t i = 0; i < sizeof arrays / sizeof arrays[0]; ++i)
        refused.push_back({arrayFaults[i], make(VT_ARRAY | VT_BSTR, arrays[i]), DISP_E_TYPEMISMATCH});
    for (const Refused& r : refused) {
        for (bool asScript : {false, true}) {
            UINT argErr = 99;
            EXPECT_EQ(put(r.argument, asScript, &argErr), r.hr) << r.what << (asScript ? " (InvokeEx)" : "");
            if (!asScript) {
                EXPECT_EQ(argErr, 0u) << r.what;
            }
        }
        EXPECT_EQ(pathNow(), L"kept.ini") << r.what;
    }
    // A broken array given by reference to a String() parameter: refused, the count untouched.
    LONG count = 42;
    VARIANT byRef[2] = {make(VT_BYREF | VT_I4, &count), make(VT_BYREF | VT_ARRAY | VT_BSTR, &arrays[1])};
    DISPPARAMS twoArgs = {byRef, nullptr, 2, 0};
    UINT argErr = 99;
    EXPECT_EQ(ini->Invoke(sections, IID_NULL, 0, DISPATCH_METHOD, &twoArgs, nullptr, nullptr, &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u);
    EXPECT_EQ(count, 42);

    // Parameter blocks that contradict themselves, and names that match no parameter.
    VARIANT text = make(VT_BSTR, nullptr);
    DISPID noSuchParameter = 7, twice[2] = {DISPID_PROPERTYPUT, DISPID_PROPERTYPUT};
    VARIANT two[2] = {text, text};
    struct Block { const char* what; DISPPARAMS params; HRESULT hr; };
    const Block blocks[] = {
        {"arguments counted, no array", {nullptr, nullptr, 2, 0}, DISP_E_BADPARAMCOUNT},
        {"a name counted, no list", {&text, nullptr, 1, 1}, DISP_E_BADPARAMCOUNT},
        {"more names than arguments", {&text, twice, 1, 2}, DISP_E_BADPARAMCOUNT},
        {"a name of no parameter", {&text, &noSuchParameter, 1, 1}, DISP_E_PARAMNOTFOUND},
        {"a parameter named twice", {two, twice, 2, 2}, DISP_E_PARAMNOTFOUND},
    };
    for (const Block& b : blocks) {
        DISPPARAMS params = b.params;
        EXPECT_EQ(ini->Invoke(path, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), b.hr) << b.what;
        params = b.params;
        EXPECT_EQ(script->InvokeEx(path, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), b.hr) << b.what;
        EXPECT_EQ(pathNow(), L"kept.ini") << b.what;
    }

    // What stays a value: a chain two variables deep, null text by value and through a BSTR*.
    Variant deep = Variant::Text(L"deep.ini");
    VARIANT inner = make(VT_BYREF | VT_VARIANT, deep.get());
    EXPECT_EQ(put(make(VT_BYREF | VT_VARIANT, &inner), false, nullptr), S_OK);
    EXPECT_EQ(pathNow(), L"deep.ini");
    EXPECT_EQ(put(text, true, nullptr), S_OK);
    EXPECT_EQ(pathNow(), L"");
    EXPECT_EQ(Put(ini.get(), L"Path", Val(kept)).hr, S_OK);
    BSTR nullText = nullptr;
    EXPECT_EQ(put(make(VT_BYREF | VT_BSTR, &nullText), false, nullptr), S_OK);
    EXPECT_EQ(pathNow(), L"");
    // Nothing reaches the member, which answers with its own error.
    auto capture = Create<IDispatch>(CLSID_clsCapture, IID_IDispatch);
    ASSERT_TRUE(capture);
    DISPID print = 0;
    LPOLESTR printName = const_cast<LPOLESTR>(L"PrintPictureToFitPage");
    ASSERT_EQ(capture->GetIDsOfNames(IID_NULL, &printName, 1, 0, &print), S_OK);
    IDispatch* nothing = nullptr;
    for (VARIANT printer : {make(VT_DISPATCH, nullptr), make(VT_BYREF | VT_DISPATCH, &nothing)}) {
        VARIANT both[2] = {make(VT_DISPATCH, nullptr), printer};
        DISPPARAMS params = {both, nullptr, 2, 0};
        EXCEPINFO info = {};
        EXPECT_EQ(capture->Invoke(print, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &info, nullptr), DISP_E_EXCEPTION);
        EXPECT_EQ(info.scode, static_cast<HRESULT>(0x800A005B));  // 91
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }

    // Through the function table the member's own reading refuses the same with 13 and 458.
    auto registry = Create<_clsWinReg>(CLSID_clsWinReg, IID__clsWinReg);
    ASSERT_TRUE(registry);
    long type = REG_DWORD, status = 0;
    VARIANT nullLong = make(VT_BYREF | VT_I4, nullptr), unknown = make(0x7FFF, nullptr);
    EXPECT_EQ(registry->SetValueEx(0, &nullText, &type, &nullLong, &status), static_cast<HRESULT>(0x800A000D));
    EXPECT_EQ(registry->SetValueEx(0, &nullText, &type, &unknown, &status), static_cast<HRESULT>(0x800A01CA));
}
