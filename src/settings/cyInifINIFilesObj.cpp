#include "settings/cyInifINIFilesObj.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/HostObject.h"
#include "frame/Runtime.h"
#include "frame/Text.h"
#include <initializer_list>
#include <vector>

namespace wx {

namespace {
const DWORD kValueBuffer = 255;
const DWORD kListBuffer = 8192;

// An optional minimum the caller left out (a C++ caller passes the missing marker itself).
double MinimumOr3000(const VARIANT& value) {
    if (IsMissingArgument(value)) return 3000;
    return ToDouble(value);
}

// Product or difference of screen metrics, converted to Long as the runtime converts
// (nearest, halves to even; overflow raises 6).
long Round(double value) { return ToLong(*Variant::Double(value).get()); }
}  // namespace

cyInifINIFilesObj::cyInifINIFilesObj() : Dispatchable(IID__cyInifINIFilesObj) {}
cyInifINIFilesObj::~cyInifINIFilesObj() = default;

namespace {

// The file name the profile functions use: read up to its first NUL; null for no file at all.
std::wstring FileNameOf(BSTR path) { return BeforeNul(TextOf(path)); }

// A bare file name, with no folder in it, lives in the Windows folder.
bool IsBareName(const std::wstring& name) { return name.find_first_of(L"\\/") == std::wstring::npos; }

std::wstring WindowsFolder() {
    wchar_t folder[MAX_PATH] = {};
    UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(folder, n) : std::wstring();
}

// Whether the platform can open the file at all. A name longer than a path may be is refused
// here: some platforms copy a bare file name behind the Windows folder into a fixed buffer.
bool UsablePath(BSTR path) {
    if (!path) return true;
    std::wstring name = FileNameOf(path);
    if (!IsBareName(name)) return name.size() < MAX_PATH;
    return WindowsFolder().size() + 1 + name.size() < MAX_PATH;
}

// The profile functions carry every text as a counted string of at most 32,767 characters;
// a longer one is not passed on (platforms differ, and some crash on it).
bool FitsProfileCall(std::initializer_list<BSTR> texts) {
    for (BSTR text : texts)
        if (text && SysStringLen(text) > 32766) return false;
    return true;
}

// Whether the file starts with a UTF-16 byte order mark: the profile functions then keep its
// texts in Unicode. Any other file, and a file still to be made, holds ANSI text.
bool HoldsUnicode(const std::wstring& name) {
    std::wstring path = IsBareName(name) ? WindowsFolder() + L"\\" + name : name;
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    BYTE mark[2] = {};
    DWORD got = 0;
    if (!ReadFile(file.get(), mark, sizeof mark, &got, nullptr) || got != sizeof mark) return false;
    return (mark[0] == 0xFF && mark[1] == 0xFE) || (mark[0] == 0xFE && mark[1] == 0xFF);
}

// In an ANSI file the platform would store a character of the code page's own in place of one
// the code page lacks: "Ωmega" would become the section, key or text "Omega". Such a write is
// refused instead; texts the code page holds are stored exactly as before.
bool StoresExactly(const std::wstring& fileName, std::initializer_list<BSTR> texts) {
    bool plain = true;
    std::string bytes;
    for (BSTR text : texts)
        if (text && !ToAnsiExact(BeforeNul(TextOf(text)), bytes)) plain = false;
    return plain || HoldsUnicode(fileName);
}

}  // namespace

std::wstring cyInifINIFilesObj::ReadEntry(BSTR section, BSTR key, DWORD bufferSize) const {
    BSTR path = path_.get(), fallbackText = default_.get();
    if (!UsablePath(path) || !FitsProfileCall({section, key, fallbackText, path})) {
        // What the platform answers for a file it cannot open: the default text.
        std::wstring fallback = TextOf(fallbackText);
        return fallback.substr(0, bufferSize - 1);
    }
    std::wstring file = FileNameOf(path);
    std::vector<wchar_t> buffer(bufferSize + 1, L' ');
    DWORD n = GetPrivateProfileStringW(section, key, fallbackText, buffer.data(), bufferSize,
                                       path ? file.c_str() : nullptr);
    if (n > bufferSize) n = bufferSize;
    return std::wstring(buffer.data(), n);
}

void cyInifINIFilesObj::WriteEntry(BSTR section, BSTR key, BSTR value) {
    BSTR path = path_.get();
    // Without a section there is nothing to write to; only the all-null call (which flushes the
    // platform's cache) means something then. Some platforms crash on the other forms, on file
    // names too long to be a path and on texts beyond the profile functions' length.
    if ((!section && !(!key && !value)) || !UsablePath(path) || !FitsProfileCall({section, key, value, path})) {
        lastReturnCode_ = 0;
        return;
    }
    std::wstring file = FileNameOf(path);
    if (section && !StoresExactly(path ? file : std::wstring(L"win.ini"), {section, key, value})) {
        lastReturnCode_ = 0;
        return;
    }
    lastReturnCode_ = WritePrivateProfileStringW(section, key, value, path ? file.c_str() : nullptr);
}

std::wstring cyInifINIFilesObj::ReadValue() const { return ReadEntry(section_.get(), key_.get(), kValueBuffer); }

void cyInifINIFilesObj::WriteValue(const std::wstring& text) {
    BSTR value = NewBstr(text);
    HRESULT hr = put_Value(&value);
    SysFreeString(value);
    ThrowIfFailed(hr);
}

STDMETHODIMP cyInifINIFilesObj::get_LastReturnCode(long* result) {
    return Returning(result, [&] { return lastReturnCode_; });
}

STDMETHODIMP cyInifINIFilesObj::get_Success(VARIANT_BOOL* result) {
    return Returning(result, [&] { return lastReturnCode_ != 0 ? VARIANT_TRUE : VARIANT_FALSE; });
}

STDMETHODIMP cyInifINIFilesObj::put_Default(BSTR* value) { return Guarded([&] { default_ = Bstr::Attach(CopyBstr(Required(value))); }); }
STDMETHODIMP cyInifINIFilesObj::get_Default(BSTR* result) { return Returning(result, [&] { return CopyBstr(default_.get()); }); }
STDMETHODIMP cyInifINIFilesObj::put_Path(BSTR* value) { return Guarded([&] { path_ = Bstr::Attach(CopyBstr(Required(value))); }); }
STDMETHODIMP cyInifINIFilesObj::get_Path(BSTR* result) { return Returning(result, [&] { return CopyBstr(path_.get()); }); }
STDMETHODIMP cyInifINIFilesObj::put_Key(BSTR* value) { return Guarded([&] { key_ = Bstr::Attach(CopyBstr(Required(value))); }); }
STDMETHODIMP cyInifINIFilesObj::get_Key(BSTR* result) { return Returning(result, [&] { return CopyBstr(key_.get()); }); }
STDMETHODIMP cyInifINIFilesObj::put_Section(BSTR* value) { return Guarded([&] { section_ = Bstr::Attach(CopyBstr(Required(value))); }); }
STDMETHODIMP cyInifINIFilesObj::get_Section(BSTR* result) { return Returning(result, [&] { return CopyBstr(section_.get()); }); }

STDMETHODIMP cyInifINIFilesObj::get_Value(BSTR* result) {
    return Guarded([&] {
        Require(result);
        *result = NewBstr(ReadValue());
    });
}

STDMETHODIMP cyInifINIFilesObj::put_Value(BSTR* value) {
    return Guarded([&] {
        Require(value);
        // The profile functions end a value at its first NUL; the NULs are dropped instead, and the
        // caller's variable holds the text actually written.
        if (*value) {
            std::wstring text = TextOf(*value);
            std::wstring cleaned;
            for (wchar_t c : text)
                if (c != L'\0') cleaned += c;
            if (cleaned.size() != text.size()) AssignBstr(value, cleaned);
        }
        WriteEntry(section_.get(), key_.get(), *value);
    });
}

STDMETHODIMP cyInifINIFilesObj::DeleteKeyINI() { return Guarded([&] { WriteEntry(section_.get(), key_.get(), nullptr); }); }

STDMETHODIMP cyInifINIFilesObj::DeleteSectionINI() { return Guarded([&] { WriteEntry(section_.get(), nullptr, nullptr); }); }

STDMETHODIMP cyInifINIFilesObj::get_INISection(BSTR* result) {
    return Guarded([&] {
        Require(result);
        *result = NewBstr(ReadEntry(section_.get(), nullptr, kListBuffer));
    });
}

STDMETHODIMP cyInifINIFilesObj::put_INISection(BSTR* value) {
    return Guarded([&] {
        Require(value);
        // With no key the platform deletes the section and never reads the text: no text can fail it.
        WriteEntry(section_.get(), nullptr, nullptr);
    });
}

STDMETHODIMP cyInifINIFilesObj::get_Sections(BSTR* result) {
    return Guarded([&] {
        Require(result);
        *result = NewBstr(ReadEntry(nullptr, nullptr, kListBuffer));
    });
}

void cyInifINIFilesObj::SplitList(const std::wstring& list, bool keepEmpty, SAFEARRAY** names, long* count) {
    Require(names, count);
    if (ReadArray(*names, VT_BSTR)) {
        ThrowIfFailed(SafeArrayDestroy(*names));
        *names = nullptr;
    }
    *count = 0;
    if (list.empty()) return;
    std::vector<std::wstring> found;
    size_t start = 0;
    for (size_t nul = list.find(L'\0'); nul != std::wstring::npos; nul = list.find(L'\0', start)) {
        std::wstring name = list.substr(start, nul - start);
        if (keepEmpty || !name.empty()) found.push_back(name);
        start = nul + 1;
    }
    // Text after the last NUL is a name cut by the buffer: it is dropped.
    if (found.empty()) return;
    SAFEARRAYBOUND bound = {static_cast<ULONG>(found.size()), 1};
    SafeArrayOwner array(SafeArrayCreate(VT_BSTR, 1, &bound));
    if (!array.get()) RaiseRuntime(7);
    for (LONG i = 0; i < static_cast<LONG>(found.size()); ++i) {
        LONG index = i + 1;
        const std::wstring& name = found[static_cast<size_t>(i)];
        Bstr text(name.c_str(), static_cast<UINT>(name.size()));
        ThrowIfFailed(SafeArrayPutElement(array.get(), &index, text.get()));
    }
    *names = array.release();
    *count = static_cast<long>(found.size());
}

STDMETHODIMP cyInifINIFilesObj::EnumerateCurrentSection(SAFEARRAY** sKey, long* iCount) {
    return Guarded([&] {
        Require(sKey, iCount);
        SplitList(ReadEntry(section_.get(), nullptr, kListBuffer), true, sKey, iCount);
    });
}

STDMETHODIMP cyInifINIFilesObj::EnumerateAllSections(SAFEARRAY** sSections, long* iCount) {
    return Guarded([&] {
        Require(sSections, iCount);
        SplitList(ReadEntry(nullptr, nullptr, kListBuffer), false, sSections, iCount);
    });
}

STDMETHODIMP cyInifINIFilesObj::SaveFormPosition(IDispatch** frmThis) {
    return Guarded([&] {
        Bstr rememberedKey = key_;
        bool ok = Quietly([&] {
            HostObject form(frmThis ? *frmThis : nullptr);
            long state = form.GetLong(L"WindowState");
            if (state == 1) return;  // a minimized form keeps its saved placement
            key_ = Bstr(L"Maximised");
            WriteValue(state == 2 ? L"1" : L"0");
            if (state == 2) return;
            for (const wchar_t* name : {L"Left", L"Top", L"Width", L"Height"}) {
                key_ = Bstr(name);
                WriteValue(ToText(*form.Get(name).get()));
            }
        });
        key_ = rememberedKey;
        if (!ok) lastReturnCode_ = 0;
    });
}

STDMETHODIMP cyInifINIFilesObj::LoadFormPosition(IDispatch** frmThis, VARIANT lMinWidth, VARIANT lMinHeight) {
    return Guarded([&] {
        Bstr rememberedKey = key_;
        Bstr rememberedDefault = default_;
        bool ok = Quietly([&] {
            HostObject form(frmThis ? *frmThis : nullptr);
            double minWidth = MinimumOr3000(lMinWidth);
            double minHeight = MinimumOr3000(lMinHeight);
            default_ = Bstr(L"FAIL");
            long place[4];
            const wchar_t* names[4] = {L"Left", L"Top", L"Width", L"Height"};
            for (int i = 0; i < 4; ++i) {
                key_ = Bstr(names[i]);
                std::wstring stored = ReadValue();
                place[i] = ConvertOr(stored, form.GetLong(names[i]));
                if (i == 2 && place[2] < minWidth) place[2] = Round(minWidth);
                if (i == 3 && place[3] < minHeight) place[3] = Round(minHeight);
            }
            long& left = place[0];
            long& top = place[1];
            long& width = place[2];
            long& height = place[3];
            ScreenMetrics screen = Screen();
            double marginX = 4 * screen.twipsPerPixelX;
            double marginY = 4 * screen.twipsPerPixelY;
            auto sum = [](long a, long b) {
                long long s = static_cast<long long>(a) + b;
                if (s > 0x7FFFFFFFLL || s < -0x80000000LL) RaiseRuntime(6);
                return static_cast<long>(s);
            };
            if (left < marginX) left = Round(marginX);
            if (top < marginY) top = Round(marginY);
            if (screen.width - marginX < sum(left, width)) {
                left = Round(screen.width - marginX - width);
                if (left < marginX) left = Round(marginX);
                if (screen.width - marginX < sum(left, width)) width = Round(screen.width - left - marginX);
            }
            if (screen.height - marginY < sum(top, height)) {
                top = Round(screen.height - marginY - height);
                if (top < marginY) top = Round(marginY);
                if (screen.height - marginY < sum(top, height)) height = Round(screen.height - top - marginY);
            }
            if (width >= minWidth && height >= minHeight) {
                Variant l = Variant::Long(left), t = Variant::Long(top), w = Variant::Long(width),
                        h = Variant::Long(height);
                form.CallByRef(L"Move", {l.get(), t.get(), w.get(), h.get()});
            }
            key_ = Bstr(L"Maximised");
            if (ConvertOr(ReadValue(), 0) != 0) form.Let(L"WindowState", Variant::Long(2));
        });
        key_ = rememberedKey;
        default_ = rememberedDefault;
        if (!ok) lastReturnCode_ = 0;
    });
}

long cyInifINIFilesObj::ConvertOr(const std::wstring& text, long fallback) {
    Variant source = Variant::Text(text.c_str());
    Variant converted;
    if (FAILED(VariantChangeType(converted.get(), source.get(), 0, VT_I4))) return fallback;
    return V_I4(converted.get());
}

STDMETHODIMP cyInifINIFilesObj::CLngDefault(BSTR sString, long lDefault, long* result) {
    return Guarded([&] {
        Require(result);
        *result = ConvertOr(TextOf(sString), lDefault);
    });
}

}  // namespace wx

namespace wx {
HRESULT Create_cyInifINIFilesObj(REFIID riid, void** ppv) { return CreateAndQuery<cyInifINIFilesObj>(riid, ppv); }
}  // namespace wx
