// The platform calls whose answers a test cannot arrange under Wine (NetBIOS, network enumeration,
// sound output, the shell's property sheet, synthesized key events, disk sizes, a failing text
// measurement, the tick count near its wrap). Each is reached through this table, which starts out
// holding the real functions; a test may put its own in place and restore the table afterwards.
// Everything else calls the platform directly.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <winnetwk.h>
#include <nb30.h>

namespace wx {

struct PlatformCalls {
    UCHAR(APIENTRY* netbios)(PNCB ncb);
    DWORD(APIENTRY* wnetOpenEnumW)(DWORD scope, DWORD type, DWORD usage, LPNETRESOURCEW resource, LPHANDLE handle);
    DWORD(APIENTRY* wnetEnumResourceW)(HANDLE handle, LPDWORD count, LPVOID buffer, LPDWORD size);
    DWORD(APIENTRY* wnetCloseEnum)(HANDLE handle);
    // The sound is a WAVE image in memory (SND_MEMORY), never a name: no text crosses here.
    BOOL(WINAPI* sndPlaySoundA)(LPCSTR sound, UINT flags);
    BOOL(WINAPI* shellExecuteExW)(SHELLEXECUTEINFOW* info);
    VOID(WINAPI* keybdEvent)(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extra);
    SHORT(WINAPI* getKeyState)(int vk);
    BOOL(WINAPI* getDiskFreeSpaceW)(LPCWSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                                    LPDWORD freeClusters, LPDWORD totalClusters);
    BOOL(WINAPI* getDiskFreeSpaceExW)(LPCWSTR root, PULARGE_INTEGER available, PULARGE_INTEGER total,
                                      PULARGE_INTEGER free);
    // The banner's text measurement (which cannot be made to fail under Wine) and its clock
    // (which cannot be moved near the 32-bit wrap).
    int(WINAPI* drawTextW)(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format);
    DWORD(WINAPI* getTickCount)();
};

// The table in use (the real functions unless a test replaced them).
PlatformCalls& Platform();
// The real functions, for putting the table back.
const PlatformCalls& RealPlatform();

}  // namespace wx
