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

class AnsiText {
public:
    AnsiText() = default;  // null text
    explicit AnsiText(std::string bytes) : null_(false), bytes_(std::move(bytes)) {}
    bool isNull() const { return null_; }
    const std::string& bytes() const { return bytes_; }
    // The pointer to hand to an ANSI function: null for null text.
    const char* ptr() const { return null_ ? nullptr : bytes_.c_str(); }
    int length() const { return static_cast<int>(bytes_.size()); }

private:
    bool null_ = true;
    std::string bytes_;
};

AnsiText ToAnsi(BSTR text);
std::string ToAnsi(const std::wstring& text);
// The ANSI bytes of a name that can only travel as ANSI (through an interface that takes nothing
// else), with no best-fit look-alike: false, and nothing to use, when a character of the text
// (a lone surrogate included) has no byte form of its own in the code page.
bool ToAnsiExact(std::wstring_view text, std::string& bytes);
std::wstring FromAnsi(const char* bytes, size_t count);
inline std::wstring FromAnsi(const std::string& bytes) { return FromAnsi(bytes.data(), bytes.size()); }

// The text of a BSTR; a null BSTR reads as empty text.
inline std::wstring TextOf(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }
// The same without a copy, for members that only read the text.
inline std::wstring_view ViewOf(BSTR text) { return text ? std::wstring_view(text, SysStringLen(text)) : std::wstring_view(); }
// The text before its first NUL character, the whole text when it holds none. The platform's
// functions read a text only that far, so this is also how the library reads a path.
inline std::wstring BeforeNul(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }
// A new BSTR holding the text (never null).
BSTR NewBstr(std::wstring_view text);
BSTR NewBstrFromAnsi(const char* bytes, size_t count);
// Replaces *target with a new BSTR holding the text.
void AssignBstr(BSTR* target, const std::wstring& text);
// A copy of a BSTR that keeps null text null.
BSTR CopyBstr(BSTR text);

// Decimal text of a number as the runtime's Str$/CStr write it ("12", "-3").
std::wstring NumberText(long n);

}  // namespace wx
