// One file as the file-system service hands it out: its path and the facts a directory listing
// gives about it (size, dates, attributes), read once when the object is made, as a listing reads
// them, plus its shell type description and its content on request.
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
    DATE DateLastAccessed() const { return accessed_; }
    DATE DateLastModified() const { return modified_; }
    DATE DateCreated() const { return created_; }
    // The attribute bits the service reports (read-only, hidden, system, volume, directory,
    // archive, alias, compressed); a plain file reads 0.
    long Attributes() const { return attributes_; }
    // The whole content as bytes (the ANSI text a text stream reads).
    std::string ReadAll() const;

private:
    std::wstring path_;
    ULONGLONG size_;
    DATE accessed_, modified_, created_;
    long attributes_;
};

// A file time as a local date value, the way the service shows dates.
DATE LocalDateOf(const FILETIME& time);

}  // namespace wx
