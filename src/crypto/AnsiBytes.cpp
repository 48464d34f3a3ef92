#include "crypto/AnsiBytes.h"
#include <algorithm>

namespace wx {

UINT CipherCodePage() {
    static const UINT page = [] {
        CPINFO info;
        UINT acp = GetACP();
        return GetCPInfo(acp, &info) && info.MaxCharSize == 1 ? acp : 1252u;
    }();
    return page;
}

std::string AnsiBytesOf(const std::wstring& text) {
    if (text.empty()) return std::string();
    // Texts longer than an int can count are beyond any automation string; convert in pieces anyway.
    std::string out;
    out.reserve(text.size());
    const size_t piece = 1u << 24;
    for (size_t at = 0; at < text.size(); at += piece) {
        int count = static_cast<int>(std::min(piece, text.size() - at));
        int n = WideCharToMultiByte(CipherCodePage(), 0, text.data() + at, count, nullptr, 0, nullptr, nullptr);
        size_t start = out.size();
        out.resize(start + static_cast<size_t>(n));
        if (n) WideCharToMultiByte(CipherCodePage(), 0, text.data() + at, count, &out[start], n, nullptr, nullptr);
    }
    return out;
}

std::wstring TextOfAnsiBytes(const char* bytes, size_t count) {
    std::wstring out;
    out.reserve(count);
    const size_t piece = 1u << 24;
    for (size_t at = 0; at < count; at += piece) {
        int n = static_cast<int>(std::min(piece, count - at));
        int chars = MultiByteToWideChar(CipherCodePage(), 0, bytes + at, n, nullptr, 0);
        size_t start = out.size();
        out.resize(start + static_cast<size_t>(chars));
        if (chars) MultiByteToWideChar(CipherCodePage(), 0, bytes + at, n, &out[start], chars);
    }
    return out;
}

}  // namespace wx
