// The worker: creates the classes through the library's own class factories and calls member
// after member through IDispatch::Invoke, recording each outcome in the shared record. A second
// thread answers dialogs, sends a class's stop to a call that keeps running (the scrolling banner,
// folder walks) and ends the process when a call hangs, so the driver can name it.
#include "fuzz/Fuzz.h"
#include "frame/DispatchEx.h"
#include "fuzz/Catalogue.h"
#include "fuzz/HostDouble.h"
#include "fuzz/Sandbox.h"
#include "fuzz/Shared.h"
#include "fuzz/Values.h"
#include <olectl.h>
#include <climits>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>

namespace wxfuzz {

namespace {

const UINT kStopMessage = WM_APP + 1;

Shared* g_shared = nullptr;
DWORD g_mainThread = 0;
HWND g_window = nullptr;
volatile LONG g_quit = 0;
const Options* g_options = nullptr;

// The call in progress, for the stop handler (it runs on the worker's own thread, inside the
// member's message loop, the way a host's event handler would).
IDispatch* g_currentObject = nullptr;
const Member* g_currentMember = nullptr;
const std::vector<const Member*>* g_runnable = nullptr;
const Catalogue* g_catalogue = nullptr;
bool g_stopApplied = false;
volatile LONG g_stopsSeen = 0;

// Calls that keep running until the host stops them, and how each class is stopped.
struct Stopper {
    const wchar_t* className;
    const wchar_t* member;
    INVOKEKIND invkind;
    bool stopText;  // call member(Nothing, "stop"); otherwise set the property to True
};
const Stopper kStoppers[] = {
    {L"clsOnTop1", L"ScrollAdvertisement", INVOKE_FUNC, true},
    {L"clsDrvInfo2", L"CancelProcessing", INVOKE_PROPERTYPUT, false},
};

const Member* FindMember(const std::wstring& cls, const wchar_t* name, INVOKEKIND kind) {
    for (const Member& m : g_catalogue->members)
        if (m.className == cls && m.name == name && m.invkind == kind) return &m;
    return nullptr;
}

void ApplyStop() {
    if (!g_currentObject || !g_currentMember) return;
    for (const Stopper& s : kStoppers) {
        if (g_currentMember->className != s.className) continue;
        const Member* target = FindMember(s.className, s.member, s.invkind);
        if (!target) return;
        VARIANT args[2];
        VariantInit(&args[0]);
        VariantInit(&args[1]);
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params = {args, nullptr, 0, 0};
        if (s.stopText) {
            V_VT(&args[0]) = VT_BSTR;
            V_BSTR(&args[0]) = SysAllocString(L"stop");
            V_VT(&args[1]) = VT_DISPATCH;
            V_DISPATCH(&args[1]) = nullptr;
            params.cArgs = 2;
        } else {
            V_VT(&args[0]) = VT_BOOL;
            V_BOOL(&args[0]) = VARIANT_TRUE;
            params.cArgs = 1;
            params.cNamedArgs = 1;
            params.rgdispidNamedArgs = &put;
        }
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO info = {};
        UINT argErr = 0;
        g_currentObject->Invoke(target->memid, IID_NULL, LOCALE_USER_DEFAULT,
                                s.stopText ? DISPATCH_METHOD : DISPATCH_PROPERTYPUT, &params, &result, &info, &argErr);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
        VariantClear(&result);
        VariantClear(&args[0]);
        g_stopApplied = true;
        InterlockedIncrement(&g_shared->stops);
        return;
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kStopMessage) {
        if (static_cast<LONG>(wParam) == g_shared->currentCall) {
            ++g_stopsSeen;
            ApplyStop();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Presses a button on every dialog of the worker's thread (message boxes, the folder picker),
// taking the buttons in turn so that both answers of a question get exercised. A dialog is
// answered once it is shown (before that its buttons may not exist yet), and closed if it shows
// no known button for a while.
struct Seen {
    DWORD first;
    DWORD lastPress;
};
std::map<HWND, Seen> g_answered;
LONG g_turn = 0;

BOOL CALLBACK AnswerDialog(HWND window, LPARAM) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (wcscmp(cls, L"#32770") != 0) return TRUE;
    DWORD now = GetTickCount();
    auto seen = g_answered.find(window);
    if (seen == g_answered.end()) {
        InterlockedIncrement(&g_shared->dialogs);
        LONG member = g_shared->currentMember;
        if (member >= 0 && member < kMaxMembers) InterlockedIncrement(&g_shared->stats[member].dialogs);
        seen = g_answered.emplace(window, Seen{now, 0}).first;
    }
    if (!IsWindowVisible(window) && now - seen->second.first < 2000) return TRUE;
    if (seen->second.lastPress && now - seen->second.lastPress < 300) return TRUE;
    seen->second.lastPress = now;
    const int order[] = {IDYES, IDOK, IDNO, IDCANCEL, IDRETRY, IDIGNORE, IDABORT};
    int start = static_cast<int>(g_turn++ % 7);
    for (int i = 0; i < 7; ++i) {
        int id = order[(start + i) % 7];
        HWND button = GetDlgItem(window, id);
        if (button) {
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            return TRUE;
        }
    }
    if (now - seen->second.first > 3000) PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

DWORD WINAPI Watchdog(void*) {
    LONG stopSentFor = -1;
    DWORD stopAfter = static_cast<DWORD>(g_options->stopAfter * 1000);
    DWORD timeout = static_cast<DWORD>(g_options->callTimeout * 1000);
    while (!g_quit) {
        Sleep(40);
        EnumThreadWindows(g_mainThread, AnswerDialog, 0);
        if (g_answered.size() > 256) g_answered.clear();
        LONG call = g_shared->currentCall;
        if (call < 0) continue;
        DWORD elapsed = GetTickCount() - g_shared->callStart;
        if (elapsed > stopAfter && stopSentFor != call) {
            stopSentFor = call;
            PostMessageW(g_window, kStopMessage, static_cast<WPARAM>(call), 0);
        }
        if (elapsed > timeout && g_shared->currentCall == call) {
            g_shared->hung = 1;
            TerminateProcess(GetCurrentProcess(), 0xDEAD);
        }
    }
    return 0;
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
    g_shared->exceptionCode = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 1;
    TerminateProcess(GetCurrentProcess(), 0xC0DE);
    return EXCEPTION_EXECUTE_HANDLER;
}

void OnTerminate() {
    g_shared->exceptionCode = 0xE000DEAD;  // a C++ exception nobody caught
    TerminateProcess(GetCurrentProcess(), 0xC0DE);
}

void Note(const std::wstring& text) {
    wcsncpy(g_shared->note, text.c_str(), 299);
    g_shared->note[299] = 0;
}

void CountCode(HRESULT code) {
    for (LONG i = 0; i < kMaxCodes; ++i) {
        CodeCount& slot = g_shared->codes[i];
        if (slot.code == code) { ++slot.count; return; }
        if (slot.code == 0) { slot.code = code; slot.count = 1; return; }
    }
}

// Puts the scratch drive back into its starting shape: empty but for a few known files.
void SeedScratch(const std::wstring& root) {
    std::wstring base = root.substr(0, 2);  // "Y:"
    EmptyFolder(base);
    CreateDirectoryW((base + L"\\tmp").c_str(), nullptr);
    CreateDirectoryW((base + L"\\sub").c_str(), nullptr);
    const char* contents[] = {"hello\r\nworld\r\n", "[A]\r\nk=v\r\nLeft=100\r\n[B]\r\nMaximised=1\r\n", "stop\r\n"};
    for (int i = 0; kSeedFiles[i]; ++i) {
        wx::FileHandle file(CreateFileW((base + L"\\" + kSeedFiles[i]).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        0, nullptr));
        DWORD done = 0;
        if (file) WriteFile(file.get(), contents[i], static_cast<DWORD>(strlen(contents[i])), &done, nullptr);
    }
}

enum class Outcome { Ok, Automation, NotBuilt, Failure };

Outcome Classify(HRESULT hr, EXCEPINFO& info, HRESULT& code, std::wstring& why) {
    code = hr;
    if (SUCCEEDED(hr)) return Outcome::Ok;
    if (hr == E_NOTIMPL) return Outcome::NotBuilt;
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
        code = info.scode ? info.scode : (info.wCode ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info.wCode) : 0);
        if (code == E_NOTIMPL) return Outcome::NotBuilt;
        if (code == MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 51)) {
            why = L"internal error 51: an unexpected C++ exception inside the member";
            return Outcome::Failure;
        }
        if (FAILED(code) && info.bstrDescription && SysStringLen(info.bstrDescription) > 0) return Outcome::Automation;
        why = L"DISP_E_EXCEPTION without a failing code and a description";
        return Outcome::Failure;
    }
    if (HRESULT_FACILITY(hr) == FACILITY_DISPATCH && (hr & 0xFFFF) >= 1 && (hr & 0xFFFF) <= 0x13)
        return Outcome::Automation;  // DISP_E_*
    why = L"not an automation error";
    return Outcome::Failure;
}

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

WORD FlagsFor(const Member& m, Random& rng) {
    if (rng.Chance(3)) {  // the wrong kind of call
        const WORD wrong[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF};
        return wrong[rng.Below(4)];
    }
    switch (m.invkind) {
    case INVOKE_PROPERTYGET: return rng.Chance(30) ? DISPATCH_METHOD | DISPATCH_PROPERTYGET : DISPATCH_PROPERTYGET;
    case INVOKE_PROPERTYPUT: return DISPATCH_PROPERTYPUT;
    case INVOKE_PROPERTYPUTREF: return DISPATCH_PROPERTYPUTREF;
    default: return rng.Chance(50) ? DISPATCH_METHOD | DISPATCH_PROPERTYGET : DISPATCH_METHOD;
    }
}

// The kind of call a member is: what the sweep calls it with.
WORD NaturalFlags(const Member& m) {
    switch (m.invkind) {
    case INVOKE_PROPERTYGET: return DISPATCH_PROPERTYGET;
    case INVOKE_PROPERTYPUT: return DISPATCH_PROPERTYPUT;
    case INVOKE_PROPERTYPUTREF: return DISPATCH_PROPERTYPUTREF;
    default: return DISPATCH_METHOD;
    }
}

// Makes a well-formed block contradict itself; `names` holds the names it then points at.
void Contradict(DISPPARAMS& params, BlockFault fault, const Member& m, std::vector<DISPID>& names) {
    DISPID first = m.invkind == INVOKE_PROPERTYPUT || m.invkind == INVOKE_PROPERTYPUTREF ? DISPID_PROPERTYPUT : 0;
    switch (fault) {
    case BlockFault::None: return;
    case BlockFault::ArgumentsWithoutArray: params.rgvarg = nullptr; break;
    case BlockFault::NamesWithoutList:
        params.cNamedArgs = params.cArgs;
        params.rgdispidNamedArgs = nullptr;
        break;
    case BlockFault::MoreNamesThanArguments:
        names.assign(params.cArgs + 1, first);
        for (size_t i = 1; i < names.size(); ++i) names[i] = static_cast<DISPID>(i - 1);
        params.cNamedArgs = params.cArgs + 1;
        break;
    case BlockFault::UnknownName:
        names.assign(1, 12345);
        params.cNamedArgs = 1;
        break;
    case BlockFault::NamedTwice:
        names.assign(2, first);
        params.cNamedArgs = 2;
        break;
    }
    if (!names.empty()) params.rgdispidNamedArgs = names.data();
}

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(WINAPI*)();

wx::ComPtr<IDispatch> CreateObject(GetClassObjectFn get, REFCLSID clsid, HRESULT& hr) {
    wx::ComPtr<IClassFactory> factory;
    wx::ComPtr<IDispatch> object;
    hr = get(clsid, IID_IClassFactory, factory.putVoid());
    if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IDispatch, object.putVoid());
    return object;
}

wx::ComPtr<IDispatch> MakePicture() {
    PICTDESC desc = {};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = PICTYPE_BITMAP;
    HDC screen = GetDC(nullptr);
    desc.bmp.hbitmap = CreateCompatibleBitmap(screen, 8, 8);
    ReleaseDC(nullptr, screen);
    wx::ComPtr<IDispatch> picture;
    if (FAILED(OleCreatePictureIndirect(&desc, IID_IDispatch, TRUE, picture.putVoid())) && desc.bmp.hbitmap)
        DeleteObject(desc.bmp.hbitmap);
    return picture;
}

// Proves the machinery before any member runs: a message box on this thread gets answered, and a
// call that keeps running receives the stop message inside its message loop.
bool SelfCheck(std::wstring& why) {
    const LONG probeCall = LONG_MAX - 1;
    g_shared->currentMember = -1;
    g_shared->callStart = GetTickCount();
    g_shared->currentCall = probeCall;
    DWORD shown = GetTickCount();
    int answer = MessageBoxW(nullptr, L"Fuzzer self-check", L"WENDRAX1 fuzz", MB_YESNO | MB_ICONQUESTION);
    DWORD answeredAfter = GetTickCount() - shown;
    if (answer != IDYES && answer != IDNO) {
        g_shared->currentCall = -1;
        why = L"the dialog answerer did not answer a message box (MessageBox returned " + std::to_wstring(answer) + L")";
        return false;
    }
    g_shared->callStart = GetTickCount();
    LONG seen = g_stopsSeen;
    DWORD waited = GetTickCount();
    while (g_stopsSeen == seen && GetTickCount() - waited < static_cast<DWORD>(g_options->stopAfter * 1000) + 10000) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(10);
    }
    g_shared->currentCall = -1;
    if (g_stopsSeen == seen) {
        why = L"a running call never received its stop message";
        return false;
    }
    if (g_options->verbose)
        printf("self-check: message box answered after %lu ms, stop delivered after %lu ms\n", answeredAfter,
               GetTickCount() - waited);
    return true;
}

}  // namespace

int RunWorker(const Options& o) {
    g_options = &o;
    g_mainThread = GetCurrentThreadId();
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    wx::KernelHandle mapping(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, SharedName(o.driverPid).c_str()));
    if (!mapping) return 3;
    g_shared = static_cast<Shared*>(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared)));
    if (!g_shared) return 3;
    // WXFUZZ_DEBUGGER leaves crashes to the system's debugger (a backtrace under winedbg).
    if (!GetEnvironmentVariableW(L"WXFUZZ_DEBUGGER", nullptr, 0)) SetUnhandledExceptionFilter(OnCrash);
    std::set_terminate(OnTerminate);

    // Refuse to run anywhere but at the root of the scratch drive.
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    if (o.root.empty() || _wcsicmp(cwd, o.root.c_str()) != 0) {
        Note(L"the worker is not at the root of the scratch drive: " + std::wstring(cwd));
        return 3;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring error;
    Catalogue catalogue = ReadCatalogue(o.library, error);
    std::vector<const Member*> runnable = Runnable(catalogue, o.only);
    g_catalogue = &catalogue;
    g_runnable = &runnable;
    if (runnable.empty() || static_cast<LONG>(runnable.size()) != g_shared->memberCount) {
        Note(L"the worker reads a different catalogue: " + error);
        return 3;
    }
    HMODULE library = LoadLibraryW(o.library.c_str());
    auto get = wx::ProcAddress<GetClassObjectFn>(library, "DllGetClassObject");
    auto canUnload = wx::ProcAddress<CanUnloadFn>(library, "DllCanUnloadNow");
    if (!get || !canUnload) {
        Note(L"the library cannot be loaded: " + o.library);
        return 3;
    }

    // What host objects stand on: a real (hidden) window and a memory device context.
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"WENDRAX1FuzzHost";
    RegisterClassW(&wc);
    g_window = CreateWindowExW(0, wc.lpszClassName, L"WENDRAX1 fuzz host", WS_OVERLAPPEDWINDOW, 10, 10, 200, 150,
                               nullptr, nullptr, wc.hInstance, nullptr);
    wx::MemoryDc dc(CreateCompatibleDC(nullptr));
    wx::GdiObject bitmap;
    {
        HDC screen = GetDC(nullptr);
        bitmap.reset(CreateCompatibleBitmap(screen, 32, 32));
        ReleaseDC(nullptr, screen);
    }
    wx::SelectedObject selected(dc.get(), bitmap.get());

    if (!RedirectRegistry(o.driverPid)) {
        Note(L"the registry roots cannot be redirected to the scratch keys");
        return 3;
    }

    {
        wx::ComPtr<HostDouble> host = HostDouble::Make(g_window, dc.get());
        wx::ComPtr<IDispatch> picture = MakePicture();
        ValueContext context;
        context.hostDouble = host.get();
        context.picture = picture.get();
        std::map<std::wstring, wx::ComPtr<IDispatch>> objects;

        DWORD watchdogId = 0;
        wx::KernelHandle watchdog(CreateThread(nullptr, 0, Watchdog, nullptr, 0, &watchdogId));
        if (o.verbose) printf("worker thread %04lx, watchdog thread %04lx\n", GetCurrentThreadId(), watchdogId);
        if (o.selfCheck) {
            std::wstring why;
            bool ok = SelfCheck(why);
            InterlockedExchange(&g_quit, 1);
            WaitForSingleObject(watchdog.get(), 5000);
            RestoreRegistry();
            if (!ok) {
                Note(L"self-check: " + why);
                return 3;
            }
            g_shared->finished = 1;
            return 0;
        }
        DWORD started = GetTickCount();
        const LONG n = static_cast<LONG>(runnable.size());
        bool first = true;
        for (LONG k = o.from; k < o.to; ++k) {
            if (o.budgetMs && k >= o.minCalls && GetTickCount() - started >= o.budgetMs) break;
            LONG index = k % n;
            const Member& m = *runnable[static_cast<size_t>(index)];
            // The first rounds sweep every member with every hostile case, through Invoke and
            // InvokeEx in turn; the members unsafe to run are called in the sweep only, where
            // nothing may reach them.
            const LONG round = k / n;
            const bool sweep = round < SweepRounds();
            if (m.skipReason && !sweep) {
                g_shared->nextCall = k + 1;
                continue;
            }
            if (index == 0 || first) SeedScratch(o.root);
            first = false;
            MemberStats& stats = g_shared->stats[index];
            Random rng(o.seed, static_cast<uint64_t>(k));
            wx::ComPtr<IDispatch>& object = objects[m.className];
            bool renew = rng.Chance(2);  // drawn always, so a replayed call sees the same values
            bool asScript = rng.Chance(2);  // through IDispatchEx::InvokeEx, as script engines call
            if (sweep) asScript = round % 2 == 1;
            if (!object || renew) {
                object.reset();
                HRESULT hr;
                object = CreateObject(get, m.clsid, hr);
                if (!object) {
                    ++stats.calls;
                    ++stats.failures;
                    InterlockedIncrement(&g_shared->creationFailures);
                    if (!stats.firstFailure) {
                        stats.firstFailure = hr ? hr : E_FAIL;
                        wcsncpy(stats.failureText, (L"the class cannot be created: " + Hex(hr)).c_str(), 199);
                    }
                    g_shared->nextCall = k + 1;
                    continue;
                }
            }
            host->Reseed(o.seed, static_cast<uint64_t>(k));
            std::vector<std::unique_ptr<Argument>> args;
            BlockFault fault = sweep ? MakeSweepArguments(m, static_cast<int>(round / 2), args)
                                     : MakeArguments(m, rng, context, args);
            WORD flags = sweep ? NaturalFlags(m) : FlagsFor(m, rng);
            std::wstring described;
            for (auto& a : args) described += (described.empty() ? L"" : L", ") + a->description;
            if (fault != BlockFault::None) described = std::wstring(L"block: ") + BlockFaultName(fault) + L"; " + described;
            wcsncpy(g_shared->currentArgs, described.c_str(), 599);
            g_shared->currentArgs[599] = 0;

            std::vector<VARIANT> reversed;
            for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back((*it)->arg);
            DISPID put = DISPID_PROPERTYPUT;
            DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
            if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && !reversed.empty()) {
                params.cNamedArgs = 1;
                params.rgdispidNamedArgs = &put;
            }
            std::vector<DISPID> names;
            Contradict(params, fault, m, names);
            VARIANT result;
            VariantInit(&result);
            EXCEPINFO info;
            memset(&info, 0, sizeof info);
            UINT argErr = 0;

            g_currentObject = object.get();
            g_currentMember = &m;
            g_stopApplied = false;
            g_shared->currentMember = index;
            g_shared->callStart = GetTickCount();
            g_shared->currentCall = k;
            auto ex = asScript ? object.as<IDispatchEx>(wx::kIID_IDispatchEx) : wx::ComPtr<IDispatchEx>();
            HRESULT hr = ex ? ex->InvokeEx(m.memid, LOCALE_USER_DEFAULT, flags, &params, &result, &info, nullptr)
                            : object->Invoke(m.memid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, &info, &argErr);
            g_shared->currentCall = -1;
            g_currentObject = nullptr;
            g_currentMember = nullptr;

            HRESULT code = 0;
            std::wstring why;
            Outcome outcome = Classify(hr, info, code, why);
            if (sweep && (SUCCEEDED(hr) || hr == DISP_E_EXCEPTION)) {
                outcome = Outcome::Failure;
                why = L"a malformed argument or block reached the member";
            }
            // What the member left in the caller's variables and the result must be sound values.
            if (FAILED(VariantClear(&result)) && outcome != Outcome::Failure) {
                outcome = Outcome::Failure;
                why = L"the result is not a valid value";
            }
            for (auto& a : args) {
                if (!(V_VT(&a->arg) & VT_BYREF) || a->hostile) continue;
                if (FAILED(VariantClear(&a->held)) && outcome != Outcome::Failure) {
                    outcome = Outcome::Failure;
                    why = L"a ByRef argument was left holding an invalid value";
                }
            }
            ++stats.calls;
            switch (outcome) {
            case Outcome::Ok: ++stats.ok; break;
            case Outcome::Automation: ++stats.automation; CountCode(code); break;
            case Outcome::NotBuilt: ++stats.notBuilt; break;
            case Outcome::Failure:
                ++stats.failures;
                if (!stats.firstFailure) {
                    stats.firstFailure = code ? code : E_FAIL;
                    std::wstring text = Hex(code) + L" " + why + L"; arguments: " + described;
                    wcsncpy(stats.failureText, text.c_str(), 199);
                    stats.failureText[199] = 0;
                }
                break;
            }
            if (o.verbose) {
                const char* outcomes[] = {"ok", "error", "not built", "FAILURE"};
                printf("%ld %s (%s) -> %s %08lX\n", k, Narrow(m.Label()).c_str(), Narrow(described).c_str(),
                       outcomes[static_cast<int>(outcome)], static_cast<unsigned long>(code));
                fflush(stdout);
            }
            SysFreeString(info.bstrSource);
            SysFreeString(info.bstrDescription);
            SysFreeString(info.bstrHelpFile);
            args.clear();
            if (g_stopApplied) object.reset();  // a stopped instance stays stopped
            g_shared->nextCall = k + 1;
        }
        InterlockedExchange(&g_quit, 1);
        WaitForSingleObject(watchdog.get(), 5000);
        objects.clear();
    }
    // Every instance, and everything the members handed out, is gone: the library must agree.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    g_shared->objectsAlive = canUnload() == S_OK ? 0 : 1;
    RestoreRegistry();
    DestroyWindow(g_window);
    g_shared->finished = 1;
    CoUninitialize();
    return 0;
}

}  // namespace wxfuzz
