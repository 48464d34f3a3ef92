// The stored-data fixture (tests/fixtures/stored): ciphertexts, encrypted files and a four-record
// file made by an earlier build, which the library must keep opening. Its texts are written as the
// hexadecimal UTF-16 code units of their characters.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace wxtest {

// A file of the fixture, by its Windows path (Wine shows the Unix tree as drive Z:).
inline std::wstring StoredFixture(const wchar_t* name) {
    std::string here = __FILE__;  // .../tests/support/StoredFixture.h
    std::string tests = here.substr(0, here.find_last_of("/\\", here.find_last_of("/\\") - 1));
    std::wstring path = here[0] == '/' ? L"Z:" : L"";
    for (char c : tests) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return path + L"\\fixtures\\stored\\" + name;
}

// A file of the fixture made on a system of this process's code page (cp1252\, cp932\...).
inline std::wstring CodePageFixture(const std::wstring& name) {
    return StoredFixture((L"cp" + std::to_wstring(GetACP()) + L"\\" + name).c_str());
}

inline std::wstring TextOfHex(const std::string& hex) {
    std::wstring text;
    for (size_t at = 0; at + 4 <= hex.size(); at += 4)
        text.push_back(static_cast<wchar_t>(std::stoul(hex.substr(at, 4), nullptr, 16)));
    return text;
}

// The lines of a text file, without their ends.
inline std::vector<std::string> LinesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

inline std::vector<std::string> FieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t bar = line.find('|'); bar != std::string::npos; bar = line.find('|', start)) {
        fields.push_back(line.substr(start, bar - start));
        start = bar + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

}  // namespace wxtest
