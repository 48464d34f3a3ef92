#include "files/FolderObject.h"
#include "files/FileSystem.h"
#include "frame/Handles.h"

namespace wx {

bool FolderObject::IsEntryName(const wchar_t* name) {
    if (!name[0] || wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0) return false;
    return !wcspbrk(name, L"\\/");
}

std::wstring FolderObject::Child(const wchar_t* name) const {
    if (!path_.empty() && path_.back() == L'\\') return path_ + name;
    return path_ + L"\\" + name;
}

void FolderObject::List() {
    if (listed_) return;
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileExW(Child(L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES) FileSystem::RaiseSystemError(error);
    } else {
        do {
            if (!IsEntryName(data.cFileName)) continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                // Made first and moved in: made in place, GCC 12 takes the path's move for a
                // read of uninitialised memory.
                folders_.push_back(FolderObject(Child(data.cFileName)));
            } else {
                files_.emplace_back(Child(data.cFileName), data);
            }
        } while (FindNextFileW(find.get(), &data));
    }
    listed_ = true;
}

const std::vector<FileObject>& FolderObject::Files() {
    List();
    return files_;
}

const std::vector<FolderObject>& FolderObject::SubFolders() {
    List();
    return folders_;
}

}  // namespace wx
