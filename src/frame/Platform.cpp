#include "frame/Platform.h"
#include <mmsystem.h>

namespace wx {

namespace {
const PlatformCalls kReal = {
    &Netbios,           &WNetOpenEnumW, &WNetEnumResourceW, &WNetCloseEnum, &sndPlaySoundA,
    &ShellExecuteExW,   &keybd_event,   &GetKeyState,       &GetDiskFreeSpaceW, &GetDiskFreeSpaceExW,
    &DrawTextW,         &GetTickCount,
};
PlatformCalls g_calls = kReal;
}  // namespace

PlatformCalls& Platform() { return g_calls; }
const PlatformCalls& RealPlatform() { return kReal; }

}  // namespace wx
