// fCreateShellLink of the setup toolkit: makes a shell link (.lnk) to a program in a folder given
// relative to a parent group, "$(Programs)" being the user's Start-menu programs folder; a folder
// that names the desktop from there lands on the user's desktop. The link is written through the
// shell's own link object, so the shell reads it like any other shortcut.
//
// The toolkit's callers hand ANSI texts; they become wide once, here, and every name reaches the
// shell in Unicode. The library is one function: it keeps to fixed buffers and the platform's own
// string functions, so no language runtime travels with it.
#include "frame/Handles.h"
#include <shlobj.h>
#include <shlwapi.h>

namespace {

// A path of bounded length; an append that would not fit marks it unusable instead of cutting it.
class PathText {
public:
    static const int kCapacity = 2 * MAX_PATH;

    PathText() { text_[0] = L'\0'; }
    explicit PathText(const wchar_t* text) : PathText() { Append(text); }

    // The caller's ANSI text (null counts as empty).
    static PathText FromAnsi(LPCSTR text) {
        PathText path;
        if (!text || !*text) return path;
        int n = MultiByteToWideChar(CP_ACP, 0, text, -1, path.text_, kCapacity);
        if (n <= 0) {
            path.text_[0] = L'\0';
            path.overflow_ = true;
        } else {
            path.length_ = n - 1;
        }
        return path;
    }

    const wchar_t* Get() const { return text_; }
    int Length() const { return length_; }
    bool Empty() const { return length_ == 0; }
    bool Usable() const { return !overflow_; }
    wchar_t At(int i) const { return i >= 0 && i < length_ ? text_[i] : L'\0'; }
    wchar_t Last() const { return At(length_ - 1); }

    PathText& Append(const wchar_t* text) {
        for (; *text; ++text) {
            if (length_ + 1 >= kCapacity) {
                overflow_ = true;
                break;
            }
            text_[length_++] = *text;
        }
        text_[length_] = L'\0';
        return *this;
    }
    PathText& Append(const PathText& other) {
        overflow_ = overflow_ || other.overflow_;
        return Append(other.text_);
    }
    // The text from `start` on.
    PathText From(int start) const {
        PathText rest(start < length_ ? text_ + start : L"");
        rest.overflow_ = overflow_;
        return rest;
    }
    PathText Before(int end) const {
        PathText head;
        for (int i = 0; i < end && i < length_; ++i) head.text_[i] = text_[i];
        head.length_ = end < length_ ? end : length_;
        head.text_[head.length_] = L'\0';
        head.overflow_ = overflow_;
        return head;
    }
    int LastIndexOf(wchar_t c) const {
        for (int i = length_ - 1; i >= 0; --i)
            if (text_[i] == c) return i;
        return -1;
    }

private:
    wchar_t text_[kCapacity];
    int length_ = 0;
    bool overflow_ = false;
};

const wchar_t kProgramsGroup[] = L"$(Programs)";

bool IsAbsolute(const PathText& path) {
    return path.At(1) == L':' || (path.At(0) == L'\\' && path.At(1) == L'\\');
}

int SkipSeparators(const PathText& path, int from) {
    while (path.At(from) == L'\\') ++from;
    return from;
}

PathText Join(const PathText& folder, const PathText& name) {
    if (name.Empty()) return folder;
    if (IsAbsolute(name)) return name;
    PathText joined = folder;
    if (!folder.Empty() && folder.Last() != L'\\') joined.Append(L"\\");
    return joined.Append(name);
}

bool ShellFolder(int csidl, PathText& folder) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return false;
    folder = PathText(path);
    return true;
}

bool ProgramsFolder(PathText& folder) { return ShellFolder(CSIDL_PROGRAMS, folder); }

bool StartsWithIgnoringCase(const PathText& text, const wchar_t* start, int length) {
    return text.Length() >= length &&
           CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, text.Get(), length, start, length) == CSTR_EQUAL;
}

// The parent group: "$(Programs)" (alone or followed by a sub-path), a group name below the
// programs folder, or a folder of its own.
bool ParentFolder(const PathText& parent, PathText& folder) {
    if (IsAbsolute(parent)) {
        folder = parent;
        return true;
    }
    PathText programs;
    if (!ProgramsFolder(programs)) return false;
    const int groupLength = static_cast<int>(sizeof kProgramsGroup / sizeof kProgramsGroup[0]) - 1;
    bool named = parent.Length() >= groupLength &&
                 CompareStringOrdinal(parent.Get(), groupLength, kProgramsGroup, groupLength, FALSE) == CSTR_EQUAL;
    folder = Join(programs, parent.From(SkipSeparators(parent, named ? groupLength : 0)));
    return folder.Usable();
}

// Resolves "." and ".." so the folder can be made and named plainly.
bool Canonical(const PathText& path, PathText& result) {
    wchar_t buffer[MAX_PATH] = {};
    if (!path.Usable() || path.Length() >= MAX_PATH || !PathCanonicalizeW(buffer, path.Get())) return false;
    result = PathText(buffer);
    return true;
}

// The rest of `path` below `folder` ("" for the folder itself), or false when it is not inside.
bool Below(const PathText& path, const PathText& folder, PathText& rest) {
    if (folder.Empty() || !StartsWithIgnoringCase(path, folder.Get(), folder.Length())) return false;
    if (path.Length() > folder.Length() && path.At(folder.Length()) != L'\\' && folder.Last() != L'\\') return false;
    rest = path.From(SkipSeparators(path, folder.Length()));
    return true;
}

// Setup scripts name the desktop as "..\..\Desktop" from the programs group: in the Start menu's
// first layout the desktop folder sat two levels above the programs folder. In today's layout
// that place is an ordinary folder nobody looks at, so a place there (or below it) means the
// user's desktop folder as the shell knows it.
PathText OnTheDesktop(const PathText& place) {
    PathText programs, oldDesktop, desktop, rest;
    if (!ProgramsFolder(programs) || !Canonical(PathText(programs).Append(L"\\..\\..\\Desktop"), oldDesktop)) return place;
    if (!Below(place, oldDesktop, rest) || !ShellFolder(CSIDL_DESKTOPDIRECTORY, desktop)) return place;
    return Join(desktop, rest);
}

bool SaveLink(const PathText& linkFile, const PathText& target, const PathText& arguments) {
    if (!linkFile.Usable() || !target.Usable() || !arguments.Usable()) return false;
    wx::ComScope com;
    wx::ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())))
        return false;
    if (FAILED(link->SetPath(target.Get())) || FAILED(link->SetArguments(arguments.Get()))) return false;
    int slash = target.LastIndexOf(L'\\');
    if (slash >= 0) link->SetWorkingDirectory(target.Before(slash).Get());
    auto file = link.as<IPersistFile>(IID_IPersistFile);
    return file && SUCCEEDED(file->Save(linkFile.Get(), TRUE));
}

}  // namespace

// folder: where the link goes, relative to the parent group; linkName: the shortcut's title;
// linkPath and linkArguments: the program and its command line; privateLink: the user's own
// group rather than the machine's (links are always made for the current user here); parent:
// the group the folder is relative to. Returns nonzero when the link was written.
extern "C" long WINAPI fCreateShellLink(LPCSTR folder, LPCSTR linkName, LPCSTR linkPath, LPCSTR linkArguments,
                                        long privateLink, LPCSTR parent) {
    (void)privateLink;
    PathText name = PathText::FromAnsi(linkName), target = PathText::FromAnsi(linkPath);
    if (name.Empty() || target.Empty()) return 0;
    PathText base, place;
    if (!ParentFolder(PathText::FromAnsi(parent), base) || !Canonical(Join(base, PathText::FromAnsi(folder)), place))
        return 0;
    place = OnTheDesktop(place);
    if (!place.Usable()) return 0;
    int made = SHCreateDirectoryExW(nullptr, place.Get(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) return 0;
    return SaveLink(Join(place, name).Append(L".lnk"), target, PathText::FromAnsi(linkArguments)) ? 1 : 0;
}
