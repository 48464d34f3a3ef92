#include "crypto/basEncDec.h"
#include "crypto/AnsiBytes.h"

namespace wx {

namespace {
const int kShift = 64;

std::wstring Shifted(const std::wstring& text, int by) {
    std::string in = AnsiBytesOf(text), out;
    out.reserve(in.size());
    for (unsigned char c : in) {
        int code = c + by;
        if (code >= 0 && code <= 255) out.push_back(static_cast<char>(code));
    }
    return TextOfAnsiBytes(out);
}
}  // namespace

std::wstring EncipherText(const std::wstring& text) { return Shifted(text, kShift); }
std::wstring DecipherText(const std::wstring& text) { return Shifted(text, -kShift); }

}  // namespace wx
