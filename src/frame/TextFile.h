// Sequential text files as the runtime's Open/Print #/Write #/Line Input #/Input # statements
// handle them: ANSI bytes, lines ending in CR LF, Write # putting texts in double quotes and
// Input # reading a quoted field back without its quotes. The bytes are those of the system's
// ANSI code page, or of the code page the file is opened with; a text that code page cannot hold
// exactly is refused (error 5), never written as a look-alike.
#pragma once
#include "frame/Handles.h"
#include <string>
#include <string_view>
#include <vector>

namespace wx {

class TextFile {
public:
    enum class Mode { Output, Append, Input };

    // Opens the file; Output creates or empties it. Raises the runtime's file errors (53, 76, 75...).
    TextFile(const std::wstring& path, Mode mode, UINT codePage = CP_ACP);
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    ~TextFile();

    // Print #: the text and CR LF.
    void PrintLine(const std::wstring& text);
    // Write #: the values separated by commas, texts in double quotes, then CR LF.
    void WriteFields(const std::vector<Variant>& values);

    // Line Input #: the next line without its end. Raises 62 past the end.
    std::wstring LineInput();
    // Input # into a text variable: the next field, a quoted one without its quotes.
    // Raises 62 past the end.
    std::wstring InputField();
    bool AtEnd() const;

    void Close();

    // Kill: deletes a file. Raises 53 when it is missing.
    static void Delete(const std::wstring& path);

    // The exact bytes of a text in a code page; raises 5 when a character has none.
    static std::string BytesOf(std::wstring_view text, UINT codePage);

private:
    void Write(const std::string& bytes);
    FileHandle file_;
    Mode mode_;
    UINT codePage_;
    std::string content_;  // input files are read whole when opened
    size_t position_ = 0;
};

}  // namespace wx
