#include "frame/ClassTable.h"
#include "frame/Interfaces.h"
#include "frame/Memberless.h"
#include "frame/Creators.h"

namespace wx {

namespace {

template <class Itf, const IID* Iid>
HRESULT CreateMemberless(REFIID riid, void** ppv) {
    return CreateAndQuery<Memberless<Itf>>(riid, ppv, *Iid);
}

const ClassEntry kClasses[] = {
    {L"clsNetw", &CLSID_clsNetw, &IID__clsNetw, true, &Create_clsNetw},
    {L"cyInifINIFilesObj", &CLSID_cyInifINIFilesObj, &IID__cyInifINIFilesObj, true, &Create_cyInifINIFilesObj},
    {L"classMRU", &CLSID_classMRU, &IID__classMRU, true, &Create_classMRU},
    {L"clSShortCut", &CLSID_clSShortCut, &IID__clSShortCut, true, &Create_clSShortCut},
    {L"clzBriCon", &CLSID_clzBriCon, &IID__clzBriCon, true, &Create_clzBriCon},
    {L"clsCrypto", &CLSID_clsCrypto, &IID__clsCrypto, true, &Create_clsCrypto},
    {L"clsResolu", &CLSID_clsResolu, &IID__clsResolu, true, &Create_clsResolu},
    {L"clsOnTop1", &CLSID_clsOnTop1, &IID__clsOnTop1, true, &Create_clsOnTop1},
    {L"clsKeyBoard", &CLSID_clsKeyBoard, &IID__clsKeyBoard, true, &Create_clsKeyBoard},
    {L"clsCapture", &CLSID_clsCapture, &IID__clsCapture, true, &Create_clsCapture},
    {L"clsMSAgent", &CLSID_clsMSAgent, &IID__clsMSAgent, true, &CreateMemberless<_clsMSAgent, &IID__clsMSAgent>},
    {L"clsVFW", &CLSID_clsVFW, &IID__clsVFW, true, &CreateMemberless<_clsVFW, &IID__clsVFW>},
    {L"clsWinReg", &CLSID_clsWinReg, &IID__clsWinReg, true, &Create_clsWinReg},
    {L"clsEnetAdd", &CLSID_clsEnetAdd, &IID__clsEnetAdd, true, &Create_clsEnetAdd},
    {L"clsDrvInfo2", &CLSID_clsDrvInfo2, &IID__clsDrvInfo2, true, &Create_clsDrvInfo2},
    {L"clsDriveInfo", &CLSID_clsDriveInfo, &IID__clsDriveInfo, true, &Create_clsDriveInfo},
    {L"clsSecretFiles", &CLSID_clsSecretFiles, &IID__clsSecretFiles, true, &Create_clsSecretFiles},
    {L"clsResTarvik", &CLSID_clsResTarvik, &IID__clsResTarvik, true, &Create_clsResTarvik},
    {L"cLoadResPicture", &CLSID_cLoadResPicture, &IID__cLoadResPicture, true, &Create_cLoadResPicture},
    {L"clsControlPanelEntry", &CLSID_clsControlPanelEntry, &IID__clsControlPanelEntry, false,
     &Create_clsControlPanelEntry},
    {L"clsDSN", &CLSID_clsDSN, &IID__clsDSN, false, &CreateMemberless<_clsDSN, &IID__clsDSN>},
    {L"clsDorvelRegHand2A", &CLSID_clsDorvelRegHand2A, &IID__clsDorvelRegHand2A, false,
     &Create_clsDorvelRegHand2A},
};

}  // namespace

const ClassEntry* Classes() { return kClasses; }
size_t ClassCount() { return sizeof kClasses / sizeof kClasses[0]; }

const ClassEntry* FindClass(REFCLSID clsid) {
    for (const ClassEntry& entry : kClasses)
        if (IsEqualCLSID(*entry.clsid, clsid)) return &entry;
    return nullptr;
}

}  // namespace wx
