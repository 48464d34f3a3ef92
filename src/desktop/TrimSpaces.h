// The runtime's Trim: spaces (only spaces) removed from both ends of a text.
#pragma once
#include <string>

namespace wx {

inline std::wstring TrimSpaces(const std::wstring& text) {
    size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return std::wstring();
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

}  // namespace wx
