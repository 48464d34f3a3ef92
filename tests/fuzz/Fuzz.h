// The fuzzer's two halves: the driver (one per run: scratch drive and keys, shared record,
// workers, summary) and the worker (a child process that makes the calls).
#pragma once
#include <windows.h>
#include <string>

namespace wxfuzz {

struct Options {
    unsigned long long seed = 20261208;
    double seconds = 0;          // time budget of the whole run (0: none)
    long calls = 0;              // number of calls (0: until the time budget ends)
    long start = 0;              // the first call of the sequence
    long minRounds = 0;          // call every member at least this often, even past the budget
    double callTimeout = 60;     // a single call running longer than this counts as a hang
    double stopAfter = 1.5;      // a call still running after this is sent its class's stop
    bool allowNotBuilt = false;  // members answering E_NOTIMPL do not fail the run
    bool verbose = false;        // print every call
    std::wstring only;           // "Class" or "Class.Member"
    std::wstring library;        // the library file
    // Worker only.
    bool worker = false;
    bool selfCheck = false;      // prove the dialog answerer and the stop, then end
    DWORD driverPid = 0;
    long from = 0, to = 0, minCalls = 0;
    DWORD budgetMs = 0;          // 0: none
    std::wstring root;           // the scratch drive's root, "Y:\"
};

int RunDriver(const Options& options);
int RunWorker(const Options& options);
std::wstring SharedName(DWORD driverPid);
std::string Narrow(const std::wstring& text);

}  // namespace wxfuzz
