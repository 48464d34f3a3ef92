// Texts as the byte strings CryptoAPI and the shift cipher work on, in the cipher code page: the
// system's ANSI code page, or Western European (1252) where that one has characters of two bytes
// (raw ciphertext travels as text with one character per byte, so the conversion must be one
// byte per character). Every byte of these code pages stands for a character of its own and comes
// back from it, so raw ciphertext survives the trip through text.
//
// Plain texts and passwords must survive whatever they hold. A text the code page holds exactly
// gives the same bytes as it always has, so everything stored earlier still opens; any other text
// gives a marker and its UTF-8 (lone surrogates kept: see ToUtf8). The marker begins with a NUL
// character, which no typed text or password begins with, and the UTF-8 byte-order mark is not
// used because an ANSI text read from a UTF-8 file begins with it.
#pragma once
#include <windows.h>
#include <string>
#include <string_view>

namespace wx {

// The single-byte code page texts are converted in.
UINT CipherCodePage();

// The byte that stands for the character in the cipher code page, exactly (no look-alike), or -1.
int CipherByteOf(wchar_t c);
// The character a byte stands for in the cipher code page.
wchar_t CipherCharOf(unsigned char byte);
// The bytes of a text made of characters of the cipher code page, one per character: raw
// ciphertext, enciphered text. False when a character has no byte of its own.
bool CipherBytesOf(std::wstring_view text, std::string& bytes);
// The text of bytes, one character per byte.
std::wstring TextOfCipherBytes(const char* bytes, size_t count);
inline std::wstring TextOfCipherBytes(const std::string& bytes) { return TextOfCipherBytes(bytes.data(), bytes.size()); }

// What marks a text carried as UTF-8.
extern const char kUnicodeMarker[4];
// The bytes a plain text or a password is encrypted or hashed as: its cipher code page bytes when
// it has them exactly (and they do not begin with the marker), else the marker and its UTF-8.
std::string PlainBytesOf(std::wstring_view text);
// The text of decrypted bytes: marked UTF-8 when it decodes cleanly, else one character per byte.
std::wstring TextOfPlainBytes(const char* bytes, size_t count);

}  // namespace wx
