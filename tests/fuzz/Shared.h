// The record a worker process keeps in memory shared with the driver: what it is calling right now
// (so a crash or a hang names the member and its arguments) and the running counts, which survive
// the worker's death.
#pragma once
#include <windows.h>

namespace wxfuzz {

const LONG kMaxMembers = 1024;
const LONG kMaxCodes = 128;

struct MemberStats {
    LONG calls, ok, automation, notBuilt, failures, dialogs;
    HRESULT firstFailure;
    WCHAR failureText[200];
};

struct CodeCount {
    HRESULT code;   // HRESULT of a DISP_E_* answer, or the scode of a raised error
    LONG count;
};

struct Shared {
    LONG memberCount;
    volatile LONG nextCall;        // the first call that has not started
    volatile LONG currentCall;     // -1 between calls
    volatile LONG currentMember;   // index into the runnable list
    volatile DWORD callStart;      // GetTickCount when the current call started
    volatile DWORD exceptionCode;  // an unhandled exception in the worker
    volatile LONG hung;            // the worker's watchdog ended it
    volatile LONG finished;        // the worker completed its range
    volatile LONG objectsAlive;    // DllCanUnloadNow answered S_FALSE after everything was released
    volatile LONG dialogs;
    volatile LONG stops;
    volatile LONG creationFailures;
    WCHAR currentArgs[600];
    WCHAR note[300];               // the worker's reason when it refused to run
    CodeCount codes[kMaxCodes];
    MemberStats stats[kMaxMembers];
};

}  // namespace wxfuzz
