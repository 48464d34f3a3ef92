#include "frame/Text.h"
#include "frame/Errors.h"
#include <new>

namespace wx {

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

AnsiText ToAnsi(BSTR text) {
    if (!text) return AnsiText();
    return AnsiText(ToAnsi(std::wstring(text, SysStringLen(text))));
}

bool ToAnsiExact(std::wstring_view text, std::string& bytes) {
    bytes.clear();
    if (text.empty()) return true;
    const int count = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), count, nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return false;
    bytes.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), count, &bytes[0], n, nullptr, nullptr);
    // The round trip proves it (the used-default flag is not reported for every code page).
    if (FromAnsi(bytes) != text) {
        bytes.clear();
        return false;
    }
    return true;
}

std::wstring FromAnsi(const char* bytes, size_t count) {
    if (count == 0) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(count), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(count), &out[0], n);
    return out;
}

BSTR NewBstr(std::wstring_view text) {
    BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!b) throw std::bad_alloc();
    return b;
}

BSTR NewBstrFromAnsi(const char* bytes, size_t count) { return NewBstr(FromAnsi(bytes, count)); }

void AssignBstr(BSTR* target, const std::wstring& text) {
    BSTR fresh = NewBstr(text);
    SysFreeString(*target);
    *target = fresh;
}

BSTR CopyBstr(BSTR text) {
    if (!text) return nullptr;
    BSTR b = SysAllocStringLen(text, SysStringLen(text));
    if (!b) throw std::bad_alloc();
    return b;
}

std::wstring NumberText(long n) { return std::to_wstring(n); }

}  // namespace wx
