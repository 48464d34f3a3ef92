#include "crypto/AnsiBytes.h"
#include "frame/Text.h"
#include <cstring>
#include <memory>

namespace wx {

namespace {

// Both directions of the cipher code page, made once: a byte's character, and for every UTF-16
// code unit the byte that gives it back exactly (-1 for none).
struct CipherTable {
    wchar_t character[256];
    short byte[65536];

    explicit CipherTable(UINT page) {
        for (short& b : byte) b = -1;
        for (int b = 0; b < 256; ++b) {
            char c = static_cast<char>(b);
            wchar_t w[2] = {};
            int n = MultiByteToWideChar(page, 0, &c, 1, w, 2);
            character[b] = n == 1 ? w[0] : L'\0';
            char back[4];
            BOOL usedDefault = FALSE;
            if (n == 1 &&
                WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, w, 1, back, sizeof back, nullptr, &usedDefault) == 1 &&
                !usedDefault && static_cast<unsigned char>(back[0]) == b && byte[w[0]] < 0)
                byte[w[0]] = static_cast<short>(b);
        }
    }
};

const CipherTable& Table() {
    static const std::unique_ptr<CipherTable> table(new CipherTable(CipherCodePage()));
    return *table;
}

bool StartsWithMarker(const std::string& bytes) {
    return bytes.size() >= sizeof kUnicodeMarker && std::memcmp(bytes.data(), kUnicodeMarker, sizeof kUnicodeMarker) == 0;
}

}  // namespace

const char kUnicodeMarker[4] = {'\0', '\x1B', 'U', '8'};

UINT CipherCodePage() {
    static const UINT page = [] {
        CPINFO info;
        UINT acp = GetACP();
        return GetCPInfo(acp, &info) && info.MaxCharSize == 1 ? acp : 1252u;
    }();
    return page;
}

int CipherByteOf(wchar_t c) { return Table().byte[static_cast<unsigned short>(c)]; }

wchar_t CipherCharOf(unsigned char byte) { return Table().character[byte]; }

bool CipherBytesOf(std::wstring_view text, std::string& bytes) {
    const CipherTable& table = Table();
    bytes.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        short b = table.byte[static_cast<unsigned short>(text[i])];
        if (b < 0) {
            bytes.clear();
            return false;
        }
        bytes[i] = static_cast<char>(b);
    }
    return true;
}

std::wstring TextOfCipherBytes(const char* bytes, size_t count) {
    const CipherTable& table = Table();
    std::wstring text(count, L'\0');
    for (size_t i = 0; i < count; ++i) text[i] = table.character[static_cast<unsigned char>(bytes[i])];
    return text;
}

std::string PlainBytesOf(std::wstring_view text) {
    std::string bytes;
    if (CipherBytesOf(text, bytes) && !StartsWithMarker(bytes)) return bytes;
    // A text that begins with the marker's own characters is carried marked too, so that it cannot
    // be read back as UTF-8.
    return std::string(kUnicodeMarker, sizeof kUnicodeMarker) + ToUtf8(text);
}

std::wstring TextOfPlainBytes(const char* bytes, size_t count) {
    if (count >= sizeof kUnicodeMarker && std::memcmp(bytes, kUnicodeMarker, sizeof kUnicodeMarker) == 0) {
        std::wstring text;
        if (FromUtf8(bytes + sizeof kUnicodeMarker, count - sizeof kUnicodeMarker, text)) return text;
    }
    return TextOfCipherBytes(bytes, count);
}

}  // namespace wx
