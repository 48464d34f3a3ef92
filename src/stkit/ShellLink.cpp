// fCreateShellLink of the setup toolkit: makes a shell link (.lnk) to a program in a folder given
// relative to a parent group, "$(Programs)" being the user's Start-menu programs folder; a folder
// that names the desktop from there lands on the user's desktop. The link is written through the
// shell's own link object, so the shell reads it like any other shortcut.
#include "frame/Handles.h"
#include <shlobj.h>
#include <shlwapi.h>
#include <string>

namespace {

const char kProgramsGroup[] = "$(Programs)";

std::string Text(LPCSTR text) { return text ? std::string(text) : std::string(); }

bool IsAbsolute(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':') || (path.size() >= 2 && path[0] == '\\' && path[1] == '\\');
}

std::string Join(const std::string& folder, const std::string& name) {
    if (name.empty()) return folder;
    if (IsAbsolute(name)) return name;
    if (!folder.empty() && folder.back() == '\\') return folder + name;
    return folder + "\\" + name;
}

bool ShellFolder(int csidl, std::string& folder) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return false;
    folder = path;
    return true;
}

bool ProgramsFolder(std::string& folder) { return ShellFolder(CSIDL_PROGRAMS, folder); }

// The parent group: "$(Programs)" (alone or followed by a sub-path), a group name below the
// programs folder, or a folder of its own.
bool ParentFolder(const std::string& parent, std::string& folder) {
    if (IsAbsolute(parent)) {
        folder = parent;
        return true;
    }
    std::string programs;
    if (!ProgramsFolder(programs)) return false;
    std::string rest = parent;
    if (rest.compare(0, sizeof kProgramsGroup - 1, kProgramsGroup) == 0) rest = rest.substr(sizeof kProgramsGroup - 1);
    while (!rest.empty() && rest[0] == '\\') rest.erase(0, 1);
    folder = Join(programs, rest);
    return true;
}

// Resolves "." and ".." so the folder can be made and named plainly.
bool Canonical(const std::string& path, std::string& result) {
    char buffer[MAX_PATH] = {};
    if (path.size() >= MAX_PATH || !PathCanonicalizeA(buffer, path.c_str())) return false;
    result = buffer;
    return true;
}

// The rest of `path` below `folder` ("" for the folder itself), or false when it is not inside.
bool Below(const std::string& path, const std::string& folder, std::string& rest) {
    if (folder.empty() || path.size() < folder.size()) return false;
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), static_cast<int>(folder.size()),
                       folder.c_str(), static_cast<int>(folder.size())) != CSTR_EQUAL)
        return false;
    if (path.size() > folder.size() && path[folder.size()] != '\\' && folder.back() != '\\') return false;
    rest = path.substr(folder.size());
    while (!rest.empty() && rest[0] == '\\') rest.erase(0, 1);
    return true;
}

// Setup scripts name the desktop as "..\..\Desktop" from the programs group: in the Start menu's
// first layout the desktop folder sat two levels above the programs folder. In today's layout
// that place is an ordinary folder nobody looks at, so a place there (or below it) means the
// user's desktop folder as the shell knows it.
std::string OnTheDesktop(const std::string& place) {
    std::string programs, oldDesktop, desktop, rest;
    if (!ProgramsFolder(programs) || !Canonical(programs + "\\..\\..\\Desktop", oldDesktop)) return place;
    if (!Below(place, oldDesktop, rest) || !ShellFolder(CSIDL_DESKTOPDIRECTORY, desktop)) return place;
    return Join(desktop, rest);
}

std::wstring Wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

// COM for the length of one call; left alone when the caller's thread already has it in
// another mode.
class ComScope {
public:
    ComScope() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() { if (initialized_) CoUninitialize(); }

private:
    bool initialized_;
};

bool SaveLink(const std::string& linkFile, const std::string& target, const std::string& arguments) {
    ComScope com;
    wx::ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.putVoid())))
        return false;
    if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetArguments(arguments.c_str()))) return false;
    std::string::size_type slash = target.find_last_of('\\');
    if (slash != std::string::npos) link->SetWorkingDirectory(target.substr(0, slash).c_str());
    auto file = link.as<IPersistFile>(IID_IPersistFile);
    return file && SUCCEEDED(file->Save(Wide(linkFile).c_str(), TRUE));
}

}  // namespace

// folder: where the link goes, relative to the parent group; linkName: the shortcut's title;
// linkPath and linkArguments: the program and its command line; privateLink: the user's own
// group rather than the machine's (links are always made for the current user here); parent:
// the group the folder is relative to. Returns nonzero when the link was written.
extern "C" long WINAPI fCreateShellLink(LPCSTR folder, LPCSTR linkName, LPCSTR linkPath, LPCSTR linkArguments,
                                        long privateLink, LPCSTR parent) {
    (void)privateLink;
    std::string name = Text(linkName), target = Text(linkPath);
    if (name.empty() || target.empty()) return 0;
    std::string base, place;
    if (!ParentFolder(Text(parent), base) || !Canonical(Join(base, Text(folder)), place)) return 0;
    place = OnTheDesktop(place);
    int made = SHCreateDirectoryExA(nullptr, place.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) return 0;
    return SaveLink(Join(place, name + ".lnk"), target, Text(linkArguments)) ? 1 : 0;
}
