#include "crypto/basEncDec.h"
#include "crypto/AnsiBytes.h"
#include <vector>

namespace wx {

namespace {

const int kShift = 64;
const unsigned char kHighCode = 1;   // a code of 192..255 follows, less 128
const unsigned char kCodeUnit = 2;   // a UTF-16 code unit follows, six bits a code
const int kEscapedLow = 64, kEscapedHigh = 127;

bool Escaped(int code) { return code >= kEscapedLow && code <= kEscapedHigh; }

}  // namespace

std::wstring EncipherText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        int code = CipherByteOf(c);
        if (code >= 0 && code + kShift <= 255) {
            out.push_back(CipherCharOf(static_cast<unsigned char>(code + kShift)));
        } else if (code >= 0) {
            out.push_back(CipherCharOf(kHighCode));
            out.push_back(CipherCharOf(static_cast<unsigned char>(code - 128)));
        } else {
            unsigned u = static_cast<unsigned short>(c);
            out.push_back(CipherCharOf(kCodeUnit));
            out.push_back(CipherCharOf(static_cast<unsigned char>(kEscapedLow + (u >> 12))));
            out.push_back(CipherCharOf(static_cast<unsigned char>(kEscapedLow + ((u >> 6) & 63))));
            out.push_back(CipherCharOf(static_cast<unsigned char>(kEscapedLow + (u & 63))));
        }
    }
    return out;
}

std::wstring DecipherText(const std::wstring& text) {
    // The codes of the enciphered characters; -1 for a character the code page lacks.
    std::vector<int> codes(text.size(), -1);
    for (size_t i = 0; i < text.size(); ++i) codes[i] = CipherByteOf(text[i]);
    auto escapedAt = [&](size_t at) { return at < codes.size() && Escaped(codes[at]); };
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < codes.size(); ++i) {
        int code = codes[i];
        if (code >= kShift) {
            out.push_back(CipherCharOf(static_cast<unsigned char>(code - kShift)));
        } else if (code == kHighCode && escapedAt(i + 1)) {
            out.push_back(CipherCharOf(static_cast<unsigned char>(codes[i + 1] + 128)));
            i += 1;
        } else if (code == kCodeUnit && escapedAt(i + 1) && escapedAt(i + 2) && escapedAt(i + 3) &&
                   codes[i + 1] - kEscapedLow < 16) {
            unsigned u = (static_cast<unsigned>(codes[i + 1] - kEscapedLow) << 12) |
                         (static_cast<unsigned>(codes[i + 2] - kEscapedLow) << 6) |
                         static_cast<unsigned>(codes[i + 3] - kEscapedLow);
            out.push_back(static_cast<wchar_t>(u));
            i += 3;
        }
        // Anything else below 64 has no plain form: dropped.
    }
    return out;
}

}  // namespace wx
