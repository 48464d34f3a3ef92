#include "frame/Text.h"
#include "frame/Errors.h"
#include <algorithm>
#include <climits>
#include <new>

namespace wx {

bool ToAnsiExact(std::wstring_view text, std::string& bytes, UINT codePage) {
    bytes.clear();
    if (text.empty()) return true;
    if (text.size() > static_cast<size_t>(INT_MAX / 4)) return false;
    const int count = static_cast<int>(text.size());
    // UTF-8 and UTF-7 take no best-fit flag and have no default character.
    const DWORD flags = codePage == CP_UTF8 || codePage == CP_UTF7 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* reportDefault = flags ? &usedDefault : nullptr;
    int n = WideCharToMultiByte(codePage, flags, text.data(), count, nullptr, 0, nullptr, reportDefault);
    if (n <= 0 || usedDefault) return false;
    bytes.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), count, &bytes[0], n, nullptr, nullptr);
    // The round trip proves it (the used-default flag is not reported for every code page).
    if (FromAnsi(bytes, codePage) != text) {
        bytes.clear();
        return false;
    }
    return true;
}

std::wstring FromAnsi(const char* bytes, size_t count, UINT codePage) {
    if (count == 0) return std::wstring();
    std::wstring out;
    // Pieces an int can count; a piece ends on a lead byte's own boundary only in single-byte code
    // pages, so larger texts are converted whole wherever a character may take two bytes.
    CPINFO info;
    const bool singleByte = GetCPInfo(codePage, &info) && info.MaxCharSize == 1;
    const size_t piece = singleByte ? (1u << 24) : count;
    for (size_t at = 0; at < count; at += piece) {
        int length = static_cast<int>(std::min(piece, count - at));
        int n = MultiByteToWideChar(codePage, 0, bytes + at, length, nullptr, 0);
        size_t start = out.size();
        out.resize(start + static_cast<size_t>(n));
        if (n) MultiByteToWideChar(codePage, 0, bytes + at, length, &out[start], n);
    }
    return out;
}

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            // A lone surrogate lands here too: its own three bytes.
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool FromUtf8(const char* bytes, size_t count, std::wstring& text) {
    text.clear();
    text.reserve(count);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    const unsigned char* end = p + count;
    auto continuation = [&](const unsigned char* at) { return at < end && (*at & 0xC0) == 0x80; };
    while (p < end) {
        unsigned long c = *p;
        int more;
        unsigned long lowest;
        if (c < 0x80) {
            text.push_back(static_cast<wchar_t>(c));
            ++p;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1, lowest = 0x80, c &= 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2, lowest = 0x800, c &= 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3, lowest = 0x10000, c &= 0x07;
        } else {
            return false;
        }
        for (int k = 1; k <= more; ++k) {
            if (!continuation(p + k)) return false;
            c = (c << 6) | (p[k] & 0x3F);
        }
        if (c < lowest || c > 0x10FFFF) return false;
        p += more + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            text.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
            text.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
        } else {
            text.push_back(static_cast<wchar_t>(c));
        }
    }
    return true;
}

BSTR NewBstr(std::wstring_view text) {
    BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!b) throw std::bad_alloc();
    return b;
}

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
