#include "frame/Platform.h"
#include <mmsystem.h>

namespace wx {

namespace {
const PlatformCalls kReal = {
    &Netbios,           &WNetOpenEnumA, &WNetEnumResourceA, &WNetCloseEnum, &sndPlaySoundA,
    &ShellExecuteExA,   &keybd_event,   &GetKeyState,       &GetDiskFreeSpaceA, &GetDiskFreeSpaceExA,
    &DrawTextA,         &GetTickCount,
};
PlatformCalls g_calls = kReal;
}  // namespace

PlatformCalls& Platform() { return g_calls; }
const PlatformCalls& RealPlatform() { return kReal; }

}  // namespace wx
