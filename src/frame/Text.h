// Text crossing between automation strings (UTF-16 BSTR) and ANSI bytes in the system code page,
// for the places where a stored format or a protocol fixes the bytes; names and paths go to the
// platform's wide functions as they are. Null text (a BSTR never assigned) stays distinct from
// empty text: it becomes a null pointer, empty text a pointer to "".
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <string>
#include <string_view>

namespace wx {

// The bytes of a text in a code page (the system's ANSI code page unless another is named), with
// no best-fit look-alike and no default character: false, and nothing to use, when a character
// of the text (a lone surrogate included) has no byte form of its own there. Every text that
// becomes ANSI bytes goes through here: it is stored exactly, or the caller refuses it.
bool ToAnsiExact(std::wstring_view text, std::string& bytes, UINT codePage = CP_ACP);
std::wstring FromAnsi(const char* bytes, size_t count, UINT codePage = CP_ACP);
inline std::wstring FromAnsi(const std::string& bytes, UINT codePage = CP_ACP) {
    return FromAnsi(bytes.data(), bytes.size(), codePage);
}

// UTF-8 that keeps every UTF-16 text, lone surrogates included: a surrogate pair becomes its
// four-byte character, a lone surrogate its own three bytes (as Python's "surrogatepass" writes
// it). The platform's UTF-8 conversion would put U+FFFD in a lone surrogate's place.
std::string ToUtf8(std::wstring_view text);
// The text of such bytes; false when they are not well-formed (an overlong or cut-off sequence, a
// value beyond U+10FFFF, a stray continuation byte).
bool FromUtf8(const char* bytes, size_t count, std::wstring& text);

// The text of a BSTR; a null BSTR reads as empty text.
inline std::wstring TextOf(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }
// The same without a copy, for members that only read the text.
inline std::wstring_view ViewOf(BSTR text) { return text ? std::wstring_view(text, SysStringLen(text)) : std::wstring_view(); }
// The text before its first NUL character, the whole text when it holds none. The platform's
// functions read a text only that far, so this is also how the library reads a path.
inline std::wstring BeforeNul(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }
// A new BSTR holding the text (never null).
BSTR NewBstr(std::wstring_view text);
// Replaces *target with a new BSTR holding the text.
void AssignBstr(BSTR* target, const std::wstring& text);
// A copy of a BSTR that keeps null text null.
BSTR CopyBstr(BSTR text);

// Decimal text of a number as the runtime's Str$/CStr write it ("12", "-3").
std::wstring NumberText(long n);

}  // namespace wx
