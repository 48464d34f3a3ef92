// The library's own key-less text cipher: every character's ANSI code moved up (or down) by 64.
// Characters that would leave the range 0..255 have no counterpart and are left out.
#pragma once
#include <string>

namespace wx {

std::wstring EncipherText(const std::wstring& text);
std::wstring DecipherText(const std::wstring& text);

}  // namespace wx
