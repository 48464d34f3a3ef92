// One folder as the file-system service hands it out: its path, its files and its sub-folders,
// both read with a single directory listing when first asked for.
#pragma once
#include "files/FileObject.h"
#include <string>
#include <vector>

namespace wx {

class FolderObject {
public:
    explicit FolderObject(std::wstring path) : path_(std::move(path)) {}

    // Whether a name the platform lists in a folder names something inside it: not "." or
    // "..", which name the folder itself and its parent, nor anything empty or holding a
    // separator. A walk that enters only such names goes deeper at every step.
    static bool IsEntryName(const wchar_t* name);

    const std::wstring& Path() const { return path_; }
    // The folder's files and sub-folders in the order the file system lists them. Raises the
    // service's error when the folder cannot be listed.
    const std::vector<FileObject>& Files();
    const std::vector<FolderObject>& SubFolders();

private:
    void List();
    std::wstring Child(const wchar_t* name) const;
    std::wstring path_;
    bool listed_ = false;
    std::vector<FileObject> files_;
    std::vector<FolderObject> folders_;
};

}  // namespace wx
