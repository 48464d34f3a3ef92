// Creators of the catalogue classes, one per class, each defined beside its class.
#pragma once
#include <windows.h>

namespace wx {

HRESULT Create_cyInifINIFilesObj(REFIID riid, void** ppv);
HRESULT Create_clsWinReg(REFIID riid, void** ppv);
HRESULT Create_clsDorvelRegHand2A(REFIID riid, void** ppv);
HRESULT Create_classMRU(REFIID riid, void** ppv);
HRESULT Create_clsControlPanelEntry(REFIID riid, void** ppv);
HRESULT Create_clsCapture(REFIID riid, void** ppv);
HRESULT Create_clsDrvInfo2(REFIID riid, void** ppv);
HRESULT Create_clsDriveInfo(REFIID riid, void** ppv);
HRESULT Create_cLoadResPicture(REFIID riid, void** ppv);
HRESULT Create_clsResTarvik(REFIID riid, void** ppv);
HRESULT Create_clsResolu(REFIID riid, void** ppv);
HRESULT Create_clsCrypto(REFIID riid, void** ppv);
HRESULT Create_clsSecretFiles(REFIID riid, void** ppv);
HRESULT Create_clzBriCon(REFIID riid, void** ppv);
HRESULT Create_clsKeyBoard(REFIID riid, void** ppv);
HRESULT Create_clsOnTop1(REFIID riid, void** ppv);
HRESULT Create_clSShortCut(REFIID riid, void** ppv);
HRESULT Create_clsNetw(REFIID riid, void** ppv);
HRESULT Create_clsEnetAdd(REFIID riid, void** ppv);

}  // namespace wx
