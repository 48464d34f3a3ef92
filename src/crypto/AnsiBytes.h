// Texts as the byte strings CryptoAPI and the shift cipher work on: one byte per character in the
// system ANSI code page, and back. Raw ciphertext travels as text with one character per byte, so
// the conversion must be one-to-one; when the system code page is a multi-byte one (where a byte
// is not a character), Western European (1252) stands in for it.
#pragma once
#include <windows.h>
#include <string>

namespace wx {

// The single-byte code page texts are converted in.
UINT CipherCodePage();
// The ANSI bytes of a text, one per character.
std::string AnsiBytesOf(const std::wstring& text);
// The text of ANSI bytes, one character per byte.
std::wstring TextOfAnsiBytes(const char* bytes, size_t count);
inline std::wstring TextOfAnsiBytes(const std::string& bytes) { return TextOfAnsiBytes(bytes.data(), bytes.size()); }

}  // namespace wx
