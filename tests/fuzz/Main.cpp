// WENDRAX1 automation fuzzer: every member of every creatable class, called through
// IDispatch::Invoke, or IDispatchEx::InvokeEx as script engines call, with hostile arguments from
// a fixed seed.
//
//   wendrax1_fuzz.exe [--seconds S] [--calls N] [--min-rounds R] [--seed X] [--only Class[.Member]]
//                     [--call-timeout S] [--allow-not-built] [--verbose] [--library path] [--start K]
//
// --start K begins at call K of the sequence (with --calls 1 it replays one call alone; calls are
// numbered in the crash and hang reports).
//
// The first rounds sweep every member (those unsafe to run included) with every malformed argument
// and contradictory parameter block (Values.h), through Invoke and InvokeEx: each such call must
// be refused by the dispatch layer before the member runs. The random calls after them mix
// malformed arguments and blocks in now and then.
//
// A call passes when it returns S_OK or an automation error: a DISP_E_* answer of the dispatch
// layer, or DISP_E_EXCEPTION carrying a failing code and a description. A member answering
// E_NOTIMPL is "not built"; it fails the run unless --allow-not-built is given. Anything else
// (another failure code, internal error 51, an invalid value left in the result or a ByRef
// argument, a crash, a hang, objects still alive at the end) fails the run.
//
// The calls run in worker processes (this program started again with --worker); the driver keeps
// the scratch drive and keys, restarts a worker after a crash from the call after the one that
// crashed, and names the member and arguments of every crash and hang.
#include "fuzz/Fuzz.h"
#include "fuzz/Catalogue.h"
#include "fuzz/Sandbox.h"
#include "fuzz/Shared.h"
#include "fuzz/Values.h"
#include "frame/Handles.h"
#include <shellapi.h>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <map>
#include <vector>

namespace wxfuzz {

std::wstring SharedName(DWORD driverPid) { return L"Local\\WENDRAX1-fuzz-" + std::to_wstring(driverPid); }

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

namespace {

std::wstring ProgramPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

struct Incident {
    std::wstring label;
    std::wstring args;
    LONG call;
    DWORD code;
    bool hang;
};

const char* CodeName(HRESULT code) {
    switch (code) {
    case DISP_E_MEMBERNOTFOUND: return "DISP_E_MEMBERNOTFOUND";
    case DISP_E_PARAMNOTFOUND: return "DISP_E_PARAMNOTFOUND";
    case DISP_E_TYPEMISMATCH: return "DISP_E_TYPEMISMATCH";
    case DISP_E_BADVARTYPE: return "DISP_E_BADVARTYPE";
    case DISP_E_OVERFLOW: return "DISP_E_OVERFLOW";
    case DISP_E_BADPARAMCOUNT: return "DISP_E_BADPARAMCOUNT";
    case DISP_E_PARAMNOTOPTIONAL: return "DISP_E_PARAMNOTOPTIONAL";
    case DISP_E_NONAMEDARGS: return "DISP_E_NONAMEDARGS";
    default: break;
    }
    static char text[48];
    if (HRESULT_FACILITY(code) == FACILITY_CONTROL) snprintf(text, sizeof text, "error %ld", static_cast<long>(HRESULT_CODE(code)));
    else snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    return text;
}

}  // namespace

int RunDriver(const Options& o) {
    std::wstring error;
    Catalogue catalogue = ReadCatalogue(o.library, error);
    if (catalogue.classes.empty()) {
        printf("fuzz: cannot read the type library of %s: %s\n", Narrow(o.library).c_str(), Narrow(error).c_str());
        return 2;
    }
    std::vector<const Member*> runnable = Runnable(catalogue, o.only);
    if (runnable.empty() || runnable.size() > static_cast<size_t>(kMaxMembers)) {
        printf("fuzz: no member to call (filter \"%s\")\n", Narrow(o.only).c_str());
        return 2;
    }
    const LONG n = static_cast<LONG>(runnable.size());
    size_t skipped = 0;
    for (const Member& m : catalogue.members) skipped += m.skipReason ? 1 : 0;
    printf("WENDRAX1 fuzz: seed %llu, %zu creatable classes, %zu members (%zu unsafe to run: swept only), %ld to call",
           o.seed, catalogue.classes.size(), catalogue.members.size(), skipped, n);
    if (o.seconds > 0) printf(", budget %.0f s", o.seconds);
    if (o.calls > 0) printf(", %ld calls", o.calls);
    printf("\n");
    fflush(stdout);

    ScratchDrive drive;
    if (!drive.Make(error)) {
        printf("fuzz: %s\n", Narrow(error).c_str());
        return 2;
    }
    WindowsFolderSnapshot windowsFolder;
    windowsFolder.Take();
    DWORD pid = GetCurrentProcessId();
    if (!MakeScratchKeys(pid)) {
        printf("fuzz: cannot make the scratch registry keys\n");
        return 2;
    }
    std::wstring tmp = drive.Root() + L"tmp";
    SetEnvironmentVariableW(L"TMP", tmp.c_str());
    SetEnvironmentVariableW(L"TEMP", tmp.c_str());

    wx::KernelHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Shared),
                                                SharedName(pid).c_str()));
    Shared* shared = mapping ? static_cast<Shared*>(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)))
                             : nullptr;
    if (!shared) {
        printf("fuzz: cannot share memory with the workers\n");
        RemoveScratchKeys(pid);
        return 2;
    }
    memset(shared, 0, sizeof(Shared));
    shared->memberCount = n;
    shared->currentCall = -1;

    std::vector<Incident> incidents;
    std::wstring refusal;
    // First a worker that only proves the machinery: a dialog gets answered, a running call gets
    // its stop. Without them a fuzzed member could wait for a person forever.
    {
        std::wstring command = Quote(ProgramPath()) + L" --worker " + std::to_wstring(pid) + L" --self-check --library " +
                               Quote(o.library) + L" --root " + drive.Root().substr(0, 2);
        wchar_t timing[96];
        swprintf(timing, 96, L" --call-timeout %g --stop-after %g", o.callTimeout, o.stopAfter);
        command += timing;
        if (!o.only.empty()) command += L" --only " + Quote(o.only);
        if (o.verbose) command += L" --verbose";
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        std::vector<wchar_t> line(command.begin(), command.end());
        line.push_back(0);
        if (CreateProcessW(ProgramPath().c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, drive.Root().c_str(), &si,
                           &pi)) {
            wx::KernelHandle process(pi.hProcess), thread(pi.hThread);
            if (WaitForSingleObject(process.get(), 120000) == WAIT_TIMEOUT) TerminateProcess(process.get(), 0xDEAD);
            if (!shared->finished) refusal = shared->note[0] ? shared->note : L"the self-check worker failed";
        } else {
            refusal = L"cannot start a worker";
        }
        shared->finished = 0;
        shared->currentCall = -1;
        shared->dialogs = 0;
        shared->note[0] = 0;
    }
    DWORD started = GetTickCount();
    DWORD budgetMs = o.seconds > 0 ? static_cast<DWORD>(o.seconds * 1000) : 0;
    LONG to = o.calls > 0 ? o.start + o.calls : LONG_MAX;
    // The hostile sweep first, then at least the rounds asked for.
    LONG minCalls = (SweepRounds() + o.minRounds) * n;
    LONG next = o.start;
    bool finished = false;
    int workers = 0;
    while (refusal.empty() && !finished && next < to && incidents.size() < 25) {
        DWORD elapsed = GetTickCount() - started;
        if (budgetMs && elapsed >= budgetMs && next >= minCalls) break;
        DWORD remaining = budgetMs ? (elapsed < budgetMs ? budgetMs - elapsed : 1) : 0;
        wchar_t numbers[256];
        swprintf(numbers, 256, L" --worker %lu --seed %llu --from %ld --to %ld --min %ld --ms %lu --call-timeout %g --stop-after %g",
                 pid, o.seed, next, to, minCalls, remaining, o.callTimeout, o.stopAfter);
        std::wstring command = Quote(ProgramPath()) + numbers + L" --library " + Quote(o.library) + L" --root " +
                               drive.Root().substr(0, 2);
        if (!o.only.empty()) command += L" --only " + Quote(o.only);
        if (o.verbose) command += L" --verbose";
        shared->currentCall = -1;
        shared->exceptionCode = 0;
        shared->hung = 0;
        shared->finished = 0;
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        std::vector<wchar_t> line(command.begin(), command.end());
        line.push_back(0);
        if (!CreateProcessW(ProgramPath().c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            drive.Root().c_str(), &si, &pi)) {
            refusal = L"cannot start a worker";
            break;
        }
        ++workers;
        wx::KernelHandle process(pi.hProcess), thread(pi.hThread);
        // The worker's own watchdog ends a hanging call; this wait only guards against the
        // watchdog itself being stuck.
        DWORD wait = budgetMs ? remaining + static_cast<DWORD>(o.callTimeout * 1000) * 2 + 120000 : INFINITE;
        if (WaitForSingleObject(process.get(), wait) == WAIT_TIMEOUT) {
            TerminateProcess(process.get(), 0xDEAD);
            WaitForSingleObject(process.get(), 10000);
            shared->hung = 1;
        }
        DWORD exitCode = 0;
        GetExitCodeProcess(process.get(), &exitCode);
        LONG from = next;
        if (shared->finished) {
            finished = true;
            next = shared->nextCall;
            break;
        }
        if (exitCode == 3 && shared->note[0]) {
            refusal = shared->note;
            break;
        }
        Incident incident;
        LONG call = shared->currentCall;
        LONG member = shared->currentMember;
        incident.call = call >= 0 ? call : shared->nextCall;
        incident.label = call >= 0 && member >= 0 && member < n ? runnable[static_cast<size_t>(member)]->Label() : L"(between calls)";
        incident.args = call >= 0 ? shared->currentArgs : L"";
        incident.code = shared->exceptionCode ? shared->exceptionCode : exitCode;
        incident.hang = shared->hung != 0;
        incidents.push_back(incident);
        next = call >= 0 ? call + 1 : shared->nextCall;
        if (next <= from && call < 0) {
            refusal = L"a worker died before its first call (exit code " + std::to_wstring(exitCode) + L")";
            break;
        }
    }
    double seconds = (GetTickCount() - started) / 1000.0;

    // Totals.
    long calls = 0, ok = 0, automation = 0, notBuilt = 0, failures = 0;
    for (LONG i = 0; i < n; ++i) {
        const MemberStats& s = shared->stats[i];
        calls += s.calls;
        ok += s.ok;
        automation += s.automation;
        notBuilt += s.notBuilt;
        failures += s.failures;
    }
    long dispatchErrors = 0, raised = 0;
    for (const CodeCount& c : shared->codes) {
        if (!c.code) continue;
        if (HRESULT_FACILITY(c.code) == FACILITY_DISPATCH) dispatchErrors += c.count;
        else raised += c.count;
    }
    long crashes = 0, hangs = 0;
    for (const Incident& i : incidents) (i.hang ? hangs : crashes)++;

    printf("calls: %ld in %.1f s (%d worker%s)\n", calls, seconds, workers, workers == 1 ? "" : "s");
    printf("outcomes: S_OK %ld, automation errors %ld (DISP_E_* %ld, raised by members %ld), not built %ld, failures %ld\n",
           ok, automation, dispatchErrors, raised, notBuilt, failures);
    printf("dialogs answered %ld, stops sent %ld, crashes %ld, hangs %ld, library objects alive at the end: %s\n",
           static_cast<long>(shared->dialogs), static_cast<long>(shared->stops), crashes, hangs,
           !finished ? "unknown" : shared->objectsAlive ? "YES" : "none");
    std::string codes;
    for (const CodeCount& c : shared->codes)
        if (c.code) codes += std::string(codes.empty() ? "" : ", ") + CodeName(c.code) + " x" + std::to_string(c.count);
    if (!codes.empty()) printf("automation errors by code: %s\n", codes.c_str());

    printf("per class (members called: calls, S_OK, errors, not built, failures):\n");
    std::map<std::wstring, std::vector<LONG>> byClass;
    for (LONG i = 0; i < n; ++i) byClass[runnable[static_cast<size_t>(i)]->className].push_back(i);
    std::vector<std::wstring> unbuilt;
    for (const std::wstring& cls : catalogue.classes) {
        auto found = byClass.find(cls);
        if (found == byClass.end()) {
            if (o.only.empty()) printf("  %-22s no members to call\n", Narrow(cls).c_str());
            continue;
        }
        long c = 0, s = 0, e = 0, nb = 0, f = 0, membersNotBuilt = 0;
        for (LONG i : found->second) {
            const MemberStats& st = shared->stats[i];
            c += st.calls; s += st.ok; e += st.automation; nb += st.notBuilt; f += st.failures;
            if (st.notBuilt) ++membersNotBuilt;
        }
        printf("  %-22s %3zu: %6ld %6ld %6ld %6ld %6ld\n", Narrow(cls).c_str(), found->second.size(), c, s, e, nb, f);
        if (membersNotBuilt)
            unbuilt.push_back(cls + L" (" + std::to_wstring(membersNotBuilt) + L" of " +
                              std::to_wstring(found->second.size()) + L")");
    }
    if (refusal.empty())
        for (LONG i = 0; i < n; ++i)
            if (shared->stats[i].calls == 0) printf("NOT CALLED: %s\n", Narrow(runnable[static_cast<size_t>(i)]->Label()).c_str());
    for (const Member& m : catalogue.members)
        if (m.skipReason) printf("swept only: %s: %s\n", Narrow(m.className + L"." + m.name).c_str(), Narrow(m.skipReason).c_str());
    if (!unbuilt.empty()) {
        std::wstring list;
        for (const std::wstring& u : unbuilt) list += (list.empty() ? L"" : L", ") + u;
        printf("NOT BUILT (members answering E_NOTIMPL): %s\n", Narrow(list).c_str());
    }
    for (LONG i = 0; i < n; ++i) {
        const MemberStats& s = shared->stats[i];
        if (s.failures)
            printf("FAILURE: %s: %ld of %ld calls; first: %s\n", Narrow(runnable[static_cast<size_t>(i)]->Label()).c_str(), static_cast<long>(s.failures),
                   static_cast<long>(s.calls), Narrow(s.failureText).c_str());
    }
    for (const Incident& i : incidents)
        printf("%s: %s, call %ld, code 0x%08lX, arguments: %s\n", i.hang ? "HANG" : "CRASH", Narrow(i.label).c_str(), i.call,
               i.code, Narrow(i.args).c_str());
    if (!refusal.empty()) printf("STOPPED: %s\n", Narrow(refusal).c_str());
    else if (!finished && incidents.size() >= 25) printf("STOPPED: after %zu crashes and hangs\n", incidents.size());

    bool objectsAlive = !finished || shared->objectsAlive;
    UnmapViewOfFile(shared);
    RemoveScratchKeys(pid);
    int restored = windowsFolder.Restore();
    if (restored) printf("Windows folder: %d file%s written by INI members removed or restored\n", restored, restored == 1 ? "" : "s");

    bool passed = refusal.empty() && finished && failures == 0 && crashes == 0 && hangs == 0 && !objectsAlive &&
                  (notBuilt == 0 || o.allowNotBuilt);
    printf("RESULT: %s\n", passed ? "PASS" : "FAIL");
    fflush(stdout);
    return passed ? 0 : 1;
}

}  // namespace wxfuzz

int main() {
    using namespace wxfuzz;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Options o;
    std::wstring folder = [] {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring p(path);
        return p.substr(0, p.find_last_of(L"\\/"));
    }();
    o.library = folder + L"\\WENDRAX1.dll";
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        bool hasValue = i + 1 < argc;
        std::wstring v = hasValue ? argv[i + 1] : L"";
        auto number = [&](double& out) { if (hasValue) { out = _wtof(v.c_str()); ++i; } else usage = true; };
        auto whole = [&](long& out) { if (hasValue) { out = _wtol(v.c_str()); ++i; } else usage = true; };
        if (a == L"--seconds") number(o.seconds);
        else if (a == L"--calls") whole(o.calls);
        else if (a == L"--start") whole(o.start);
        else if (a == L"--min-rounds") whole(o.minRounds);
        else if (a == L"--seed") { if (hasValue) { o.seed = _wcstoui64(v.c_str(), nullptr, 10); ++i; } else usage = true; }
        else if (a == L"--only") { if (hasValue) { o.only = v; ++i; } else usage = true; }
        else if (a == L"--library") { if (hasValue) { o.library = v; ++i; } else usage = true; }
        else if (a == L"--call-timeout") number(o.callTimeout);
        else if (a == L"--stop-after") number(o.stopAfter);
        else if (a == L"--allow-not-built") o.allowNotBuilt = true;
        else if (a == L"--verbose") o.verbose = true;
        else if (a == L"--self-check") o.selfCheck = true;
        else if (a == L"--worker") { o.worker = true; if (hasValue) { o.driverPid = static_cast<DWORD>(_wtol(v.c_str())); ++i; } }
        else if (a == L"--from") whole(o.from);
        else if (a == L"--to") whole(o.to);
        else if (a == L"--min") whole(o.minCalls);
        else if (a == L"--ms") { long ms = 0; whole(ms); o.budgetMs = static_cast<DWORD>(ms); }
        else if (a == L"--root") { if (hasValue) { o.root = v + L"\\"; ++i; } else usage = true; }
        else usage = true;
    }
    LocalFree(argv);
    if (usage) {
        printf("usage: wendrax1_fuzz [--seconds S] [--calls N] [--min-rounds R] [--seed X] [--only Class[.Member]]\n"
               "                     [--call-timeout S] [--stop-after S] [--allow-not-built] [--verbose] [--library path]\n"
               "                     [--start K]\n");
        return 2;
    }
    if (o.worker) return RunWorker(o);
    if (o.seconds <= 0 && o.calls <= 0) o.seconds = 60;
    return RunDriver(o);
}
