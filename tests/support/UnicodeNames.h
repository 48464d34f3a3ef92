// Names the ANSI code page (1252 here) cannot hold, with the look-alike each becomes through the
// platform's best-fit conversion, and a temporary folder that can be pointed at such a name.
#pragma once
#include <windows.h>
#include <string>

namespace wxtest {

const wchar_t kGreek[] = L"\x03A9mega";      // best fit: "Omega"
const wchar_t kGreekTwin[] = L"Omega";
const wchar_t kCyrillic[] = L"\x0414\x043C\x0438\x0442\x0440\x0438\x0439";  // a user called Dmitrij
const wchar_t kChinese[] = L"\x4E2D\x6587";  // "??"
const wchar_t kEmoji[] = L"\xD83D\xDE00";    // one character, a surrogate pair

// Points TMP and TEMP (where the platform's temporary folder comes from, read at each call) at
// another folder for as long as the object lives.
class TempFolderOverride {
public:
    explicit TempFolderOverride(const std::wstring& folder) {
        for (int i = 0; i < 2; ++i) {
            wchar_t old[MAX_PATH] = {};
            had_[i] = GetEnvironmentVariableW(kNames[i], old, MAX_PATH) > 0;
            old_[i] = old;
            SetEnvironmentVariableW(kNames[i], (folder + L"\\").c_str());
        }
    }
    ~TempFolderOverride() {
        for (int i = 0; i < 2; ++i) SetEnvironmentVariableW(kNames[i], had_[i] ? old_[i].c_str() : nullptr);
    }
    TempFolderOverride(const TempFolderOverride&) = delete;
    TempFolderOverride& operator=(const TempFolderOverride&) = delete;

private:
    static constexpr const wchar_t* kNames[2] = {L"TMP", L"TEMP"};
    bool had_[2];
    std::wstring old_[2];
};

}  // namespace wxtest
