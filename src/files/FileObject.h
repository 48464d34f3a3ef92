// One file as the file-system service hands it out: its path and the facts a directory listing
// gives about it (size, dates, attributes), read once when the object is made, plus its shell type description and its content on request.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <string>

namespace wx {

class FileObject {
public:
    FileObject(std::wstring path, const WIN32_FIND_DATAW& data);

    const std::wstring& Path() const { return path_; }
    // The drive's path ("C:"; "\\server\share" for a UNC path).
    std::wstring Drive() const;
    std::wstring ParentFolder() const;
    ULONGLONG Size() const { return size_; }
    // The shell's description of the file's type ("Text Document").
    std::wstring Type() const;
    DATE DateLastAccessed() const;
    DATE DateLastModified() const;
    DATE DateCreated() const;
    // The attribute bits the service reports (read-only, hidden, system, volume, directory,
    // archive, alias, compressed); a plain file reads 0.
    long Attributes() const { return attributes_; }
    // The whole content as bytes (the ANSI text a text stream reads), into `content`, whose
    // storage is reused from file to file.
    void ReadAll(std::string& content) const;

private:
    std::wstring path_;
    ULONGLONG size_;
    // Kept as the listing gives them; turned into local dates only when asked for, since a
    // walk over thousands of files never looks at them.
    FILETIME accessed_, modified_, created_;
    long attributes_;
};

// A file time as a local date value, the way the service shows dates.
DATE LocalDateOf(const FILETIME& time);

}  // namespace wx
