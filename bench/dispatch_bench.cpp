// Late-bound calls: the library's IDispatch::Invoke against the platform's own invokers and against
// the call itself, in one run.
//   CheckByte(300), Get_Extension(text) and the Count property get against oleaut32's
//   ITypeInfo::Invoke on the same object and member (at most 0.35x);
//   the same three against a direct call through the function table: what Invoke adds, in ns;
//   Get_Extension and Add_Trailing_Slash against the scripting runtime's
//   FileSystemObject.GetExtensionName (at most 1.0x);
//   the first and the last member of _clsDrvInfo2 with the same shape (within 1.2x of each other);
//   a script's variable (VT_BYREF|VT_VARIANT) into a typed ByRef parameter against a typed
//   reference (at most 1.2x).
// Names are looked up once; the calls then run in rounds, A and B interleaved, and each figure is
// the ratio of the median round times: <figure>: <ours> vs <peer> = <ratio>x.
// With --baseline, the three figures against ITypeInfo::Invoke are measured in the same rounds for
// another build of the library too (a copy of an earlier WENDRAX1.dll under another file name),
// and each line also shows that build's ratio and how much this build's is above or below it.
// Run: tools/wine-run build/bin/dispatch_bench.exe [rounds] [--baseline Z:\path\WENDRAX1-before.dll]
//      (x64: WENDRAX1_ARCH=x64 tools/wine-run build/bin/x64/dispatch_bench.exe)
#include "frame/Interfaces.h"
#include "BenchSupport.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace bench;

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

using Call = std::function<HRESULT()>;

struct Medians {
    double ours = 0, peer = 0;  // microseconds per call; 0 when a call failed
};

// Microseconds per call of each side, from interleaved rounds.
Medians Measure(const char* figure, const Call& ours, const Call& peer, int rounds) {
    const int calls = 20000;
    for (int i = 0; i < 2000; ++i) { ours(); peer(); }  // warm up
    HRESULT oursResult = ours(), peerResult = peer();
    if (FAILED(oursResult) || FAILED(peerResult)) {
        std::printf("%s: a call failed (0x%08lX / 0x%08lX)\n", figure, static_cast<unsigned long>(oursResult),
                    static_cast<unsigned long>(peerResult));
        return {};
    }
    std::vector<double> a, b;
    for (int r = 0; r < rounds; ++r) {
        double start = Now();
        for (int i = 0; i < calls; ++i) ours();
        a.push_back((Now() - start) / calls * 1e6);
        start = Now();
        for (int i = 0; i < calls; ++i) peer();
        b.push_back((Now() - start) / calls * 1e6);
    }
    return {Median(a), Median(b)};
}

void Compare(const char* figure, const Call& ours, const Call& peer, int rounds, double limit) {
    Medians m = Measure(figure, ours, peer, rounds);
    if (m.peer > 0)
        std::printf("%s: %.3f us vs %.3f us = %.2fx (at most %.2fx)\n", figure, m.ours, m.peer, m.ours / m.peer, limit);
}

// What Invoke adds to the call itself, in nanoseconds.
void Overhead(const char* figure, const Call& invoke, const Call& direct, int rounds) {
    Medians m = Measure(figure, invoke, direct, rounds);
    if (m.peer > 0)
        std::printf("%s: %.1f ns vs %.1f ns direct: %.1f ns over the direct call (%.2fx)\n", figure, m.ours * 1e3,
                    m.peer * 1e3, (m.ours - m.peer) * 1e3, m.ours / m.peer);
}

// The same, with a second library's pair measured in the same rounds.
void CompareTwice(const char* figure, const Call& ours, const Call& peer, const Call& before, const Call& beforePeer,
                  int rounds) {
    const int calls = 20000;
    for (int i = 0; i < 2000; ++i) { ours(); peer(); before(); beforePeer(); }  // warm up
    if (FAILED(ours()) || FAILED(peer()) || FAILED(before()) || FAILED(beforePeer())) {
        std::printf("%s: a call failed\n", figure);
        return;
    }
    // Short rounds, many of them, each side's turn moving round by round: a machine busy with
    // other work disturbs all four alike.
    std::vector<double> times[4];
    const Call* sides[4] = {&ours, &peer, &before, &beforePeer};
    const int shortCalls = calls / 10;
    for (int r = 0; r < rounds * 10; ++r) {
        for (int k = 0; k < 4; ++k) {
            int s = (r + k) % 4;
            double start = Now();
            for (int i = 0; i < shortCalls; ++i) (*sides[s])();
            times[s].push_back((Now() - start) / shortCalls * 1e6);
        }
    }
    double m[4] = {Median(times[0]), Median(times[1]), Median(times[2]), Median(times[3])};
    double now = m[0] / m[1], then = m[2] / m[3];
    std::printf("%s: this build %.3f us vs %.3f us = %.2fx, the baseline %.3f us vs %.3f us = %.2fx: %+.1f%%\n", figure,
                m[0], m[1], now, m[2], m[3], then, (now / then - 1) * 100);
}

DISPID IdOf(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

// The function-table view of a dual interface, which the platform's invoker calls through.
ITypeInfo* VtableInfo(IDispatch* object) {
    ITypeInfo* dispatch = nullptr;
    ITypeInfo* vtable = nullptr;
    HREFTYPE ref = 0;
    if (SUCCEEDED(object->GetTypeInfo(0, 0, &dispatch)) &&
        SUCCEEDED(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)))
        dispatch->GetRefTypeInfo(ref, &vtable);
    if (dispatch) dispatch->Release();
    return vtable;
}

// One prepared late-bound call: arguments last to first, as Invoke takes them.
struct Prepared {
    DISPID id;
    WORD flags;
    std::vector<VARIANT> args;
    VARIANT result;

    HRESULT Through(IDispatch* object) {
        DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        VariantClear(&result);
        return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, nullptr, nullptr);
    }
    HRESULT Through(ITypeInfo* info, void* instance) {
        DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        VariantClear(&result);
        return info->Invoke(instance, id, flags, &params, &result, nullptr, nullptr);
    }
};

Prepared Prepare(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args) {
    Prepared p{IdOf(object, name), flags, std::move(args), {}};
    VariantInit(&p.result);
    return p;
}

VARIANT Text(const wchar_t* s) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(s);
    return v;
}

VARIANT Long(LONG n) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = n;
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 15;
    const char* baselinePath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--baseline" && i + 1 < argc) baselinePath = argv[++i];
        else rounds = std::max(3, std::atoi(argv[i]));
    }
    CoInitialize(nullptr);
    HMODULE library = LoadLibraryBeside();
    if (baselinePath) {
        HMODULE before = LoadLibraryA(baselinePath);
        if (!before || before == library) {
            std::printf("the baseline library %s could not be loaded beside this one\n", baselinePath);
            return 1;
        }
        auto* pixels = Create<_clzBriCon>(library, CLSID_clzBriCon, IID__clzBriCon);
        auto* files = Create<_clsDrvInfo2>(library, CLSID_clsDrvInfo2, IID__clsDrvInfo2);
        auto* oldPixels = Create<_clzBriCon>(before, CLSID_clzBriCon, IID__clzBriCon);
        auto* oldFiles = Create<_clsDrvInfo2>(before, CLSID_clsDrvInfo2, IID__clsDrvInfo2);
        ITypeInfo* infos[4] = {pixels ? VtableInfo(pixels) : nullptr, files ? VtableInfo(files) : nullptr,
                               oldPixels ? VtableInfo(oldPixels) : nullptr, oldFiles ? VtableInfo(oldFiles) : nullptr};
        if (!infos[0] || !infos[1] || !infos[2] || !infos[3]) {
            std::printf("the libraries' objects or type information could not be had\n");
            return 1;
        }
        const wchar_t* path = L"C:\\docs\\report.final.txt";
        Prepared checkByte = Prepare(pixels, L"CheckByte", DISPATCH_METHOD, {Long(300)});
        Prepared oldCheckByte = Prepare(oldPixels, L"CheckByte", DISPATCH_METHOD, {Long(300)});
        CompareTwice("CheckByte(300), Invoke against ITypeInfo::Invoke", [&] { return checkByte.Through(pixels); },
                     [&] { return checkByte.Through(infos[0], static_cast<_clzBriCon*>(pixels)); },
                     [&] { return oldCheckByte.Through(oldPixels); },
                     [&] { return oldCheckByte.Through(infos[2], static_cast<_clzBriCon*>(oldPixels)); }, rounds);
        Prepared extension = Prepare(files, L"Get_Extension", DISPATCH_METHOD, {Text(path)});
        Prepared oldExtension = Prepare(oldFiles, L"Get_Extension", DISPATCH_METHOD, {Text(path)});
        CompareTwice("Get_Extension(text), Invoke against ITypeInfo::Invoke", [&] { return extension.Through(files); },
                     [&] { return extension.Through(infos[1], static_cast<_clsDrvInfo2*>(files)); },
                     [&] { return oldExtension.Through(oldFiles); },
                     [&] { return oldExtension.Through(infos[3], static_cast<_clsDrvInfo2*>(oldFiles)); }, rounds);
        Prepared count = Prepare(files, L"Count", DISPATCH_PROPERTYGET, {});
        Prepared oldCount = Prepare(oldFiles, L"Count", DISPATCH_PROPERTYGET, {});
        CompareTwice("Count get, Invoke against ITypeInfo::Invoke", [&] { return count.Through(files); },
                     [&] { return count.Through(infos[1], static_cast<_clsDrvInfo2*>(files)); },
                     [&] { return oldCount.Through(oldFiles); },
                     [&] { return oldCount.Through(infos[3], static_cast<_clsDrvInfo2*>(oldFiles)); }, rounds);
        for (ITypeInfo* info : infos) info->Release();
        pixels->Release();
        files->Release();
        oldPixels->Release();
        oldFiles->Release();
        CoUninitialize();
        return 0;
    }
    auto* pixels = Create<_clzBriCon>(library, CLSID_clzBriCon, IID__clzBriCon);
    auto* files = Create<_clsDrvInfo2>(library, CLSID_clsDrvInfo2, IID__clsDrvInfo2);
    if (!pixels || !files) {
        std::printf("the library's objects could not be made\n");
        return 1;
    }
    ITypeInfo* pixelsInfo = VtableInfo(pixels);
    ITypeInfo* filesInfo = VtableInfo(files);
    if (!pixelsInfo || !filesInfo) {
        std::printf("no type information\n");
        return 1;
    }
    const wchar_t* path = L"C:\\docs\\report.final.txt";

    std::printf("%s build, %d rounds\n", sizeof(void*) == 8 ? "x64" : "x86", rounds);
    Prepared checkByte = Prepare(pixels, L"CheckByte", DISPATCH_METHOD, {Long(300)});
    Compare("CheckByte(300), Invoke against ITypeInfo::Invoke", [&] { return checkByte.Through(pixels); },
            [&] { return checkByte.Through(pixelsInfo, static_cast<_clzBriCon*>(pixels)); }, rounds, 0.35);

    Prepared extension = Prepare(files, L"Get_Extension", DISPATCH_METHOD, {Text(path)});
    Compare("Get_Extension(text), Invoke against ITypeInfo::Invoke", [&] { return extension.Through(files); },
            [&] { return extension.Through(filesInfo, static_cast<_clsDrvInfo2*>(files)); }, rounds, 0.35);

    Prepared count = Prepare(files, L"Count", DISPATCH_PROPERTYGET, {});
    Compare("Count get, Invoke against ITypeInfo::Invoke", [&] { return count.Through(files); },
            [&] { return count.Through(filesInfo, static_cast<_clsDrvInfo2*>(files)); }, rounds, 0.35);

    // The same calls made directly through the function table, as an early-bound caller makes them
    // (the text result freed, as VariantClear frees Invoke's).
    BSTR pathText = SysAllocString(path);
    Overhead("CheckByte(300), Invoke over the direct call", [&] { return checkByte.Through(pixels); },
             [&] { SHORT r = 0; return pixels->CheckByte(300, &r); }, rounds);
    Overhead("Get_Extension(text), Invoke over the direct call", [&] { return extension.Through(files); },
             [&] {
                 BSTR r = nullptr;
                 HRESULT hr = files->Get_Extension(pathText, &r);
                 SysFreeString(r);
                 return hr;
             }, rounds);
    Overhead("Count get, Invoke over the direct call", [&] { return count.Through(files); },
             [&] { double r = 0; return files->get_Count(&r); }, rounds);

    CLSID fsoClass;
    IDispatch* fso = nullptr;
    if (SUCCEEDED(CLSIDFromProgID(L"Scripting.FileSystemObject", &fsoClass)))
        CoCreateInstance(fsoClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&fso));
    if (fso) {
        Prepared runtime = Prepare(fso, L"GetExtensionName", DISPATCH_METHOD, {Text(path)});
        Compare("Get_Extension against FileSystemObject.GetExtensionName", [&] { return extension.Through(files); },
                [&] { return runtime.Through(fso); }, rounds, 1.0);
        Prepared slash = Prepare(files, L"Add_Trailing_Slash", DISPATCH_METHOD, {Text(L"C:\\docs\\reports")});
        Compare("Add_Trailing_Slash against FileSystemObject.GetExtensionName", [&] { return slash.Through(files); },
                [&] { return runtime.Through(fso); }, rounds, 1.0);
    } else {
        std::printf("against FileSystemObject.GetExtensionName: the scripting runtime is missing\n");
    }

    // Both take nothing and give one value: the first and the last entry of the interface.
    Prepared first = Prepare(files, L"CancelProcessing", DISPATCH_PROPERTYGET, {});
    Prepared last = Prepare(files, L"DIObject", DISPATCH_PROPERTYGET, {});
    Compare("Last member against the first (DIObject get, CancelProcessing get)", [&] { return last.Through(files); },
            [&] { return first.Through(files); }, rounds, 1.2);

    // Remove_Nulls(strInput) takes its text by reference.
    VARIANT scriptVariable = Text(L"no nulls in here");
    BSTR typedVariable = SysAllocString(L"no nulls in here");
    VARIANT byScript, byType;
    V_VT(&byScript) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&byScript) = &scriptVariable;
    V_VT(&byType) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&byType) = &typedVariable;
    Prepared scriptRef = Prepare(files, L"Remove_Nulls", DISPATCH_METHOD, {byScript});
    Prepared typedRef = Prepare(files, L"Remove_Nulls", DISPATCH_METHOD, {byType});
    Compare("Script variable into a typed ByRef parameter against a typed reference (Remove_Nulls)",
            [&] { return scriptRef.Through(files); }, [&] { return typedRef.Through(files); }, rounds, 1.2);

    SysFreeString(pathText);
    files->Release();
    pixels->Release();
    if (fso) fso->Release();
    CoUninitialize();
    return 0;
}
