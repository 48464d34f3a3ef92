// The library's own key-less text cipher: every character's code in the cipher code page moved up
// (or down) by 64.
//
// Codes 0 to 191 move up to 64..255, as they always have. What has no room there travels behind
// an escape made of codes below 64, which the enciphered form never held before (and never a
// double quote, a comma, CR or LF, so an enciphered record still fits a line of its own):
//   code 1, then c - 128       a character of the code page with code c of 192 to 255
//   code 2, then three codes   any other UTF-16 code unit u (a lone surrogate included), as
//                              64 + (u >> 12), 64 + ((u >> 6) & 63), 64 + (u & 63)
// Every code after an escape lies in 64..127. Deciphering drops, as it always has, every code
// below 64 that does not begin a whole escape, and every character the code page lacks.
#pragma once
#include <string>

namespace wx {

std::wstring EncipherText(const std::wstring& text);
std::wstring DecipherText(const std::wstring& text);

}  // namespace wx
