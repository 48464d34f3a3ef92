#include "files/clsDrvInfo2.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/FloatingPoint.h"
#include "frame/HostObject.h"
#include "frame/Platform.h"
#include "frame/Runtime.h"
#include "frame/Text.h"
#include "frame/TextFile.h"
#include <shlobj.h>
#include <cmath>
#include <memory>
#include <vector>

namespace wx {

namespace {

const wchar_t kCrLf[] = L"\r\n";
const DWORD kYieldInterval = 10;  // milliseconds between turns of the host's message loop in a walk

std::wstring Trim(const std::wstring& text) {
    size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return std::wstring();
    size_t last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

std::wstring AddSlash(const std::wstring& path) {
    std::wstring t = Trim(path);
    if (t.empty() || t.back() != L'\\') t += L'\\';
    return t;
}

std::wstring RemoveSlash(const std::wstring& path) {
    std::wstring t = Trim(path);
    if (!t.empty() && t.back() == L'\\') t.pop_back();
    return t;
}

std::wstring Lower(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::wstring TextOfRef(BSTR* text) { return text ? TextOf(*text) : std::wstring(); }

// A host's text as a path: what lies before its first NUL (a fixed-length buffer's leftover),
// the part the platform would read. Every member reads its path arguments this one way.
std::wstring PathOf(BSTR text) { return BeforeNul(TextOf(text)); }
std::wstring PathOfRef(BSTR* text) { return BeforeNul(TextOfRef(text)); }

void SetBool(VARIANT_BOOL* result, bool value) {
    Require(result);
    *result = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void SetText(BSTR* result, std::wstring_view text) {
    Require(result);
    *result = NewBstr(text);
}

std::wstring DateText(DATE date) {
    Variant v;
    V_VT(v.get()) = VT_DATE;
    V_DATE(v.get()) = date;
    return ToText(*v.get());
}

bool TryDate(const std::wstring& text, DATE& date) {
    return SUCCEEDED(VarDateFromStr(const_cast<OLECHAR*>(text.c_str()), LOCALE_USER_DEFAULT, 0, &date));
}

// Number and description of the failure being handled (inside a catch block).
struct Failure { long number; std::wstring description; };
Failure CurrentFailure() {
    try {
        throw;
    } catch (const AutomationError& e) {
        return {e.number(), e.description()};
    } catch (const std::bad_alloc&) {
        return {7, RuntimeErrorText(7)};
    } catch (...) {
        return {51, RuntimeErrorText(51)};
    }
}

std::wstring ErrorHead(const Failure& f) {
    return L"Error: " + NumberText(f.number) + L"  " + f.description + kCrLf + kCrLf;
}

void Message(const std::wstring& text, UINT style, const wchar_t* title) {
    std::wstring caption = title;
    ShowMessage(text, style, &caption);
}

// The Size field with thousands separators and no decimals; a text that is not a number stays as it is.
std::wstring GroupedSize(const std::wstring& size) {
    double n = 0;
    if (size.empty() || FAILED(VarR8FromStr(const_cast<OLECHAR*>(size.c_str()), LOCALE_USER_DEFAULT, 0, &n)))
        return size;
    Variant value = Variant::Double(n);
    Bstr formatted;
    if (FAILED(VarFormat(value.get(), const_cast<OLECHAR*>(L"#,0"), 0, 0, 0, formatted.put()))) return size;
    return TextOf(formatted.get());
}

// Byte folding for a case-insensitive search over ANSI text, as the system's text comparison folds.
const unsigned char* FoldTable() {
    static unsigned char table[256];
    static bool made = false;
    if (!made) {
        char bytes[256];
        for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
        CharLowerBuffA(bytes + 1, 255);
        for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(bytes[i]);
        made = true;
    }
    return table;
}

void Fold(std::string& text) {
    const unsigned char* table = FoldTable();
    for (char& c : text) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
}

// Finds a folded needle in a text, folding the text's bytes as it goes (Horspool's search), so a
// file is looked at about once per needle length instead of byte by byte.
class FoldedSearch {
public:
    explicit FoldedSearch(std::string needle) : needle_(std::move(needle)), fold_(FoldTable()) {
        Fold(needle_);
        size_t m = needle_.size();
        for (size_t& s : skip_) s = m ? m : 1;
        for (size_t i = 0; i + 1 < m; ++i) skip_[static_cast<unsigned char>(needle_[i])] = m - 1 - i;
    }
    bool In(const std::string& text) const {
        size_t m = needle_.size(), n = text.size();
        if (m == 0) return true;
        const unsigned char* t = reinterpret_cast<const unsigned char*>(text.data());
        const unsigned char* w = reinterpret_cast<const unsigned char*>(needle_.data());
        for (size_t pos = 0; pos + m <= n; pos += skip_[fold_[t[pos + m - 1]]]) {
            size_t j = m;
            while (j > 0 && fold_[t[pos + j - 1]] == w[j - 1]) --j;
            if (j == 0) return true;
        }
        return false;
    }

private:
    std::string needle_;
    const unsigned char* fold_;
    size_t skip_[256];
};

// A String array (lower bound 0) in a Variant.
void ReturnTextArray(const std::vector<std::wstring>& items, VARIANT* result) {
    SafeArrayOwner array(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(items.size())));
    if (!array.get()) RaiseRuntime(7);
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        const std::wstring& text = items[static_cast<size_t>(i)];
        Bstr item(text.c_str(), static_cast<UINT>(text.size()));
        ThrowIfFailed(SafeArrayPutElement(array.get(), &i, item.get()));
    }
    VariantInit(result);
    V_VT(result) = VT_ARRAY | VT_BSTR;
    V_ARRAY(result) = array.release();
}

// Whether the extension of a path, in lowercase, is `lowered`.
bool ExtensionIs(const std::wstring& path, const std::wstring& lowered) {
    size_t name = path.find_last_of(L"\\/:");
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (name != std::wstring::npos && dot < name)) return lowered.empty();
    size_t length = path.size() - dot - 1;
    if (length != lowered.size()) return false;
    wchar_t small[16];
    if (length < 16) {
        wmemcpy(small, path.c_str() + dot + 1, length);
        CharLowerBuffW(small, static_cast<DWORD>(length));
        return wmemcmp(small, lowered.c_str(), length) == 0;
    }
    return Lower(path.substr(dot + 1)) == lowered;
}

struct PidlDeleter { void operator()(ITEMIDLIST* p) const { CoTaskMemFree(p); } };

}  // namespace

clsDrvInfo2::clsDrvInfo2() : Connectable(IID__clsDrvInfo2, CLSID_clsDrvInfo2, DIID___clsDrvInfo2) { ClearDetails(); }

clsDrvInfo2::~clsDrvInfo2() {
    ClearDetails();
    count_ = 0;
}

void clsDrvInfo2::ClearDetails() {
    for (auto& f : fileDetails_) f.clear();
    for (auto& f : driveDetails_) f.clear();
    count_ = 0;
}

// ---- fields ---------------------------------------------------------------------------------

STDMETHODIMP clsDrvInfo2::get_CancelProcessing(VARIANT_BOOL* result) {
    return Guarded([&] { SetBool(result, cancel_); });
}
STDMETHODIMP clsDrvInfo2::put_CancelProcessing(VARIANT_BOOL value) {
    return Guarded([&] { cancel_ = value != VARIANT_FALSE; });
}
STDMETHODIMP clsDrvInfo2::put_Count(double value) {
    return Guarded([&] { count_ = value; });
}
STDMETHODIMP clsDrvInfo2::get_Count(double* result) {
    return Guarded([&] {
        Require(result);
        *result = count_;
    });
}
STDMETHODIMP clsDrvInfo2::get_DIObject(IDispatch** result) {
    return Guarded([&] {
        Require(result);
        *result = diObject_.get();
        if (*result) (*result)->AddRef();
    });
}
STDMETHODIMP clsDrvInfo2::putref_DIObject(IDispatch* value) {
    return Guarded([&] { diObject_ = value; });
}

// ---- path texts -----------------------------------------------------------------------------

STDMETHODIMP clsDrvInfo2::Add_Trailing_Slash(BSTR strPath, BSTR* result) {
    return Guarded([&] { SetText(result, AddSlash(TextOf(strPath))); });
}
STDMETHODIMP clsDrvInfo2::Remove_Trailing_Slash(BSTR strPath, BSTR* result) {
    return Guarded([&] { SetText(result, RemoveSlash(TextOf(strPath))); });
}
STDMETHODIMP clsDrvInfo2::Remove_Nulls(BSTR* strInput, BSTR* result) {
    return Guarded([&] { SetText(result, BeforeNul(TextOfRef(strInput))); });
}
STDMETHODIMP clsDrvInfo2::Get_Extension(BSTR strFilename, BSTR* result) {
    return Guarded([&] { SetText(result, FileSystem::ExtensionPart(ViewOf(strFilename))); });
}
STDMETHODIMP clsDrvInfo2::Get_Filename(BSTR strFilename, BSTR* result) {
    return Guarded([&] { SetText(result, FileSystem::FileNamePart(ViewOf(strFilename))); });
}
STDMETHODIMP clsDrvInfo2::Get_Path(BSTR strFilename, BSTR* result) {
    return Guarded([&] { SetText(result, FileSystem::GetParentFolderName(TextOf(strFilename))); });
}
STDMETHODIMP clsDrvInfo2::Get_Version(BSTR strFilename, BSTR* result) {
    return Guarded([&] {
        FileSystem fs;
        SetText(result, fs.GetFileVersion(PathOf(strFilename)));
    });
}

STDMETHODIMP clsDrvInfo2::Shrink_2_Fit(BSTR strPath_to_Resize, short* intMaxLen, BSTR* result) {
    return Guarded([&] {
        Require(intMaxLen);
        long maxLen = *intMaxLen;
        std::wstring s = Trim(TextOf(strPath_to_Resize));
        if (static_cast<long>(s.size()) <= maxLen || !((s.size() >= 2 && s[1] == L':') || s.compare(0, 2, L"\\\\") == 0)) {
            SetText(result, s);
            return;
        }
        // Cut whole leading folders after the first one and put "..." in their place. The search
        // for the next separator starts at the same place each time, just after the first folder.
        size_t first = s.find(L'\\', 2);
        size_t a = first == std::wstring::npos ? 0 : first + 1;  // characters kept in front
        long keep = maxLen - static_cast<long>(a + 3);
        std::wstring head = s.substr(0, a) + L"...";
        do {
            size_t d = s.find(L'\\', a);
            // Without a separator past the kept part nothing more can go; a separator at the very
            // start would cut nothing and never end.
            if (d == std::wstring::npos || d == 0) break;
            s.erase(0, d);
        } while (static_cast<long>(s.size()) > keep);
        SetText(result, head + s);
    });
}

STDMETHODIMP clsDrvInfo2::Attribute_String(LONG lngValue, BSTR* result) {
    return Guarded([&] {
        static const struct { long value; const wchar_t* text; } kCodes[] = {
            {1, L"R"},     {2, L"H"},     {3, L"RH"},    {4, L"S"},      {5, L"RS"},    {6, L"HS"},
            {7, L"RHS"},   {8, L"V"},     {16, L"D"},    {17, L"DR"},    {18, L"DH"},   {19, L"DRH"},
            {20, L"DS"},   {23, L"DRHS"}, {32, L"A"},    {33, L"RA"},    {34, L"HA"},   {35, L"RHA"},
            {36, L"SA"},   {39, L"RHSA"}, {48, L"DA"},   {49, L"DRA"},   {50, L"DHA"},  {51, L"DRHA"},
            {52, L"DSA"},  {53, L"DRSA"}, {54, L"DHSA"}, {55, L"DRHSA"}, {64, L"Alias"},
        };
        std::wstring text;
        for (const auto& code : kCodes)
            if (code.value == lngValue) text = code.text;
        SetText(result, text);
    });
}

// ---- drives, folders and files ---------------------------------------------------------------

bool clsDrvInfo2::DriveReady(const std::wstring& drive) const {
    if (drive.empty()) RaiseRuntime(5);
    wchar_t letter = static_cast<wchar_t>(towupper(drive[0]));
    if (letter < L'A' || letter > L'Z') return false;
    FileSystem fs;
    return fs.GetDrive(std::wstring(1, letter) + L":")->IsReady();
}

STDMETHODIMP clsDrvInfo2::IsDriveReady(BSTR strDrive, VARIANT_BOOL* result) {
    return Guarded([&] { SetBool(result, DriveReady(PathOf(strDrive))); });
}

bool clsDrvInfo2::DriveExist(const std::wstring& searchData, long& driveType) {
    driveType = 0;
    bool found = false;
    Quietly([&] {
        FileSystem fs;
        if (searchData.size() < 2 || searchData[1] != L':') return;
        std::wstring root = searchData.substr(0, 2);
        if (!fs.DriveExists(root)) return;
        ComPtr<DriveObject> drive = fs.GetDrive(root);
        if (!DriveReady(root)) return;
        const DISPID members[kDriveFields] = {
            DriveObject::kDriveLetter, DriveObject::kShareName,    DriveObject::kPath,
            DriveObject::kRootFolder,  DriveObject::kSerialNumber, DriveObject::kVolumeName,
            DriveObject::kTotalSize,   DriveObject::kAvailableSpace, DriveObject::kFreeSpace,
            DriveObject::kDriveType,   DriveObject::kFileSystem,   DriveObject::kIsReady,
        };
        for (int i = 0; i < kDriveFields; ++i) {
            Variant value = drive->Value(members[i]);
            if (members[i] == DriveObject::kSerialNumber) {
                wchar_t hex[16];
                swprintf(hex, 16, L"%08lX", static_cast<unsigned long>(ToLong(*value.get())));
                driveDetails_[i] = std::wstring(hex, 4) + L"-" + std::wstring(hex + 4, 4);
            } else if (members[i] == DriveObject::kIsReady) {
                driveDetails_[i] = ToBool(*value.get()) ? L"1" : L"0";
            } else {
                driveDetails_[i] = ToText(*value.get());
            }
        }
        Variant typeText = Variant::TakeText(NewBstr(driveDetails_[9]));
        driveType = ToLong(*typeText.get());
        diObject_ = ComPtr<IDispatch>(drive.get());
        found = true;
    });
    return found;
}

STDMETHODIMP clsDrvInfo2::Drive_Exist(BSTR strSearchData, LONG* lngDriveType, VARIANT_BOOL* result) {
    return Guarded([&] {
        long type = 0;
        bool found = DriveExist(PathOf(strSearchData), type);
        if (lngDriveType) *lngDriveType = type;
        SetBool(result, found);
    });
}

bool clsDrvInfo2::FolderExist(const std::wstring& folder) const {
    std::wstring f = folder;
    std::wstring tail = f.size() > 5 ? f.substr(f.size() - 5) : f;
    if (tail.find(L'.') != std::wstring::npos) f = FileSystem::GetParentFolderName(f);
    FileSystem fs;
    return fs.FolderExists(RemoveSlash(f));
}

STDMETHODIMP clsDrvInfo2::Folder_Exist(BSTR strFolder, VARIANT_BOOL* result) {
    return Guarded([&] { SetBool(result, FolderExist(PathOf(strFolder))); });
}

STDMETHODIMP clsDrvInfo2::File_Exist(BSTR* strSearchItem, VARIANT_BOOL* result) {
    return Guarded([&] {
        std::wstring item = PathOfRef(strSearchItem);
        long type = 0;
        if (Trim(item).empty() || !DriveExist(item.substr(0, 2), type) || type == 0) {
            SetBool(result, false);
            return;
        }
        FileSystem fs;
        // The folder the file lives in must exist; the name itself says nothing about whether it
        // is a folder, so files without a short extension are tested the same way.
        if (item.size() > 3 && !fs.FolderExists(RemoveSlash(FileSystem::GetParentFolderName(item)))) {
            SetBool(result, false);
            return;
        }
        SetBool(result, fs.FileExists(item));
    });
}

STDMETHODIMP clsDrvInfo2::Available_Drives(VARIANT* result) {
    return Guarded([&] {
        Require(result);
        std::wstring text(260, L' ');
        GetLogicalDriveStringsW(260, &text[0]);
        size_t first = text.find_first_not_of(L' '), last = text.find_last_not_of(L' ');
        text = first == std::wstring::npos ? std::wstring() : text.substr(first, last - first + 1);
        size_t slash = text.rfind(L'\\');
        text = slash == std::wstring::npos ? std::wstring() : text.substr(0, slash + 1);
        std::vector<std::wstring> roots;
        if (!text.empty()) {
            size_t start = 0, nul;
            while ((nul = text.find(L'\0', start)) != std::wstring::npos) {
                roots.push_back(text.substr(start, nul - start));
                start = nul + 1;
            }
            roots.push_back(text.substr(start));
        }
        ReturnTextArray(roots, result);
    });
}

STDMETHODIMP clsDrvInfo2::IsThisRestricted(BSTR* strPath, VARIANT_BOOL* result) {
    return Guarded([&] {
        std::wstring s = Trim(PathOfRef(strPath));
        if (s.empty()) {
            SetBool(result, true);
            return;
        }
        std::wstring probe = AddSlash(s) + L"_Test.$$$";
        bool written = Quietly([&] {
            {
                TextFile out(probe, TextFile::Mode::Output);
                out.PrintLine(L"X");
                out.Close();
            }
            {
                TextFile more(probe, TextFile::Mode::Append);
                more.PrintLine(L"ABC");
                more.Close();
            }
            TextFile::Delete(probe);
        });
        // A probe that was made but could not be finished is not left behind.
        if (!written) DeleteFileW(probe.c_str());
        SetBool(result, !written);
    });
}

bool clsDrvInfo2::FileInfo(const std::wstring& fileName) {
    return Quietly([&] {
        FileSystem fs;
        if (Trim(fileName).empty()) throw AutomationError(5, DefaultErrorSource(), RuntimeErrorText(5));
        FileObject file = fs.GetFile(fileName);
        fileDetails_[kFileDrive] = file.Drive();
        fileDetails_[kFilePath] = file.Path();
        fileDetails_[kFileParent] = file.ParentFolder();
        fileDetails_[kFileSize] = std::to_wstring(file.Size());
        fileDetails_[kFileType] = file.Type();
        fileDetails_[kFileExtension] = FileSystem::GetExtensionName(file.Path());
        fileDetails_[kFileAccessed] = DateText(file.DateLastAccessed());
        fileDetails_[kFileModified] = DateText(file.DateLastModified());
        fileDetails_[kFileCreated] = DateText(file.DateCreated());
        Bstr code;
        ThrowIfFailed(Attribute_String(file.Attributes(), code.put()));
        fileDetails_[kFileAttributes] = TextOf(code.get());
    });
}

STDMETHODIMP clsDrvInfo2::Get_FileInfo(BSTR* strFilename, VARIANT_BOOL* result) {
    return Guarded([&] { SetBool(result, FileInfo(PathOfRef(strFilename))); });
}

// ---- file operations -------------------------------------------------------------------------

STDMETHODIMP clsDrvInfo2::Create_Dir_Struct(BSTR strPath, VARIANT_BOOL* result) {
    return Guarded([&] {
        std::wstring path = PathOf(strPath);
        if (Trim(path).empty()) {
            SetBool(result, false);
            return;
        }
        std::wstring p = AddSlash(path), part;
        bool made = true;
        try {
            FileSystem fs;
            for (size_t a = p.find(L'\\'); a != std::wstring::npos; a = p.find(L'\\', a + 1)) {
                part = p.substr(0, a);
                if (!fs.FolderExists(part)) fs.CreateFolder(part);
            }
        } catch (...) {
            Failure f = CurrentFailure();
            Message(ErrorHead(f) + L"An error occured while trying to create " + part, kOkOnly | kInformation,
                    L"Error creating folder");
            made = false;
        }
        SetBool(result, made);
    });
}

bool clsDrvInfo2::Transfer(bool move, const std::wstring& source, const std::wstring& target) {
    try {
        FileSystem fs;
        if (fs.FileExists(target)) {
            std::wstring prompt = L"File already exist at" + std::wstring(kCrLf) + target + kCrLf +
                                  fileDetails_[kFileModified] + kCrLf + fileDetails_[kFileSize] + kCrLf + kCrLf +
                                  L"Do you want to replace it?";
            std::wstring title = L"Replace File?";
            if (ShowMessage(prompt, kYesNo | kQuestion, &title) == kAnswerNo) return false;
            if (!SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL)) FileSystem::RaiseSystemError(GetLastError());
            fs.DeleteFile(target);
        }
        DWORD attributes = GetFileAttributesW(source.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) FileSystem::RaiseSystemError(GetLastError());
        if (move)
            fs.MoveFile(source, target);
        else
            fs.CopyFile(source, target, true);
        if (!SetFileAttributesW(target.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY)))
            FileSystem::RaiseSystemError(GetLastError());
        return true;
    } catch (...) {
        Failure f = CurrentFailure();
        std::wstring text = ErrorHead(f) + (move ? L"Error while moving a file" : L"Error while copying a file") +
                            kCrLf + kCrLf + L"FROM: " + source + kCrLf + L"TO: " + target;
        if (move)
            Message(text, kOkOnly | kInformation, L"Errors detected");
        else
            Message(text, kOkOnly | kExclamation, L"Error Detected");
        return false;
    }
}

STDMETHODIMP clsDrvInfo2::Move_File(BSTR* strSource, BSTR* strTarget, VARIANT_BOOL* result) {
    return Guarded([&] { SetBool(result, Transfer(true, PathOfRef(strSource), PathOfRef(strTarget))); });
}

STDMETHODIMP clsDrvInfo2::Copy_File(BSTR* strSource, BSTR* strTarget, VARIANT_BOOL* result) {
    return Guarded([&] { SetBool(result, Transfer(false, PathOfRef(strSource), PathOfRef(strTarget))); });
}

STDMETHODIMP clsDrvInfo2::DelTree32(BSTR* strPath, VARIANT_BOOL* result) {
    return Guarded([&] {
        std::wstring path = PathOfRef(strPath);
        bool deleted = true;
        try {
            FileSystem fs;
            fs.DeleteFolder(path, true);
        } catch (...) {
            Failure f = CurrentFailure();
            Message(ErrorHead(f) + L"Error while deleting path " + kCrLf + path, kOkOnly | kExclamation,
                    L"Error Detected");
            deleted = false;
        }
        SetBool(result, deleted);
    });
}

float clsDrvInfo2::Random(float low, float high) {
    DoEvents();
    FloatingPointScope realArithmetic;  // after the yield: the host's handlers run under its own state
    SYSTEMTIME now;
    GetLocalTime(&now);
    DATE today = 0;
    SystemTimeToVariantTime(&now, &today);
    double seconds = now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
    Randomize(today + seconds);
    return low + Rnd() * (high - low);
}

STDMETHODIMP clsDrvInfo2::Rnd2(float* sngLow, float* sngHigh, float* result) {
    return Guarded([&] {
        Require(sngLow, sngHigh, result);
        *result = Random(*sngLow, *sngHigh);
    });
}

std::wstring clsDrvInfo2::TmpName(short length) {
    if (length < 1) return std::wstring();
    std::wstring name = L"_";
    while (static_cast<short>(name.size()) < length) {
        int c = static_cast<int>(std::floor(Random(48, 122)));
        // Skip the punctuation between the digits and the letters.
        if ((c >= 58 && c <= 64) || (c >= 91 && c <= 96)) c += 7;
        name += static_cast<wchar_t>(c);
    }
    return Lower(name);
}

STDMETHODIMP clsDrvInfo2::Create_Tmp_Name(short* intLength, BSTR* result) {
    return Guarded([&] {
        Require(intLength);
        SetText(result, TmpName(*intLength));
    });
}

namespace {
// The temporary folder ending in "\" ("C:\" when the platform has none).
std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    if (n == 0 || n > MAX_PATH) return L"C:\\";
    return AddSlash(std::wstring(buffer, n));
}
}  // namespace

STDMETHODIMP clsDrvInfo2::Create_Tmp_Filename(BSTR* strTmpFolder, BSTR* result) {
    return Guarded([&] {
        std::wstring folder = PathOfRef(strTmpFolder);
        if (Trim(folder).empty()) {
            folder = TempFolder();
            if (strTmpFolder) AssignBstr(strTmpFolder, folder);
        }
        std::wstring prefix = TmpName(4);
        wchar_t buffer[MAX_PATH + 1] = {};
        std::wstring made;
        if (GetTempFileNameW(folder.c_str(), prefix.c_str(), 0, buffer) != 0) made = buffer;
        // When the platform could make no file the name is empty text, never a name of blanks.
        SetText(result, made);
    });
}

STDMETHODIMP clsDrvInfo2::Create_Tmp_Folder(BSTR* result) {
    return Guarded([&] {
        FileSystem fs;
        std::wstring name = TmpName(8);
        std::wstring path = RemoveSlash(TempFolder() + name);
        if (!fs.FolderExists(path)) fs.CreateFolder(path);
        SetText(result, AddSlash(path));
    });
}

STDMETHODIMP clsDrvInfo2::BrowseForFolder(IDispatch** frm, BSTR* strPrompt, BSTR* result) {
    return Guarded([&] {
        Require(result);
        HWND owner = nullptr;
        if (frm && *frm) owner = HandleOfLong<HWND>(HostObject(*frm).GetLong(L"hWnd"));
        std::wstring title = TextOfRef(strPrompt);
        BROWSEINFOW info = {};
        info.hwndOwner = owner;
        info.pidlRoot = nullptr;
        info.pszDisplayName = nullptr;
        info.lpszTitle = title.c_str();
        info.ulFlags = BIF_RETURNONLYFSDIRS;
        std::unique_ptr<ITEMIDLIST, PidlDeleter> pidl(SHBrowseForFolderW(&info));
        std::wstring chosen;
        if (pidl) {
            wchar_t buffer[MAX_PATH + 1] = {};
            if (SHGetPathFromIDListW(pidl.get(), buffer)) chosen = buffer;
        }
        SetText(result, chosen);
    });
}

// ---- walks -----------------------------------------------------------------------------------

bool clsDrvInfo2::YieldAndCheck() {
    // The host's loop gets a turn every few milliseconds rather than before every single file:
    // asking the window system for messages costs more than listing a file, and a hundred turns
    // a second keep timers, input and a Cancel button as lively. The flag itself is read every time.
    DWORD now = GetTickCount();
    if (now - lastYield_ >= kYieldInterval) {
        DoEvents();
        lastYield_ = GetTickCount();
    }
    return cancel_;
}

clsDrvInfo2::Filter clsDrvInfo2::FilterOf(const std::wstring& pattern) {
    Filter f;
    if (pattern == L"*.*" || pattern.find(L'*') == std::wstring::npos) return f;
    f.all = false;
    f.extension = Lower(FileSystem::GetExtensionName(pattern));
    return f;
}

bool clsDrvInfo2::CollectFiles(const FileSystem& fs, const std::wstring& root, bool subfolders,
                               const Filter& filter, std::wstring& list) {
    // The folders being walked, each with the next sub-folder to enter and whether it has given
    // text so far. They wait on the heap, so no depth of tree can exhaust the caller's stack.
    struct Open { FolderObject folder; size_t next; bool text; };
    std::vector<Open> open;
    // Lists one folder's own files. True when its sub-folders are to be walked; otherwise
    // `ended` holds the folder's result.
    auto enter = [&](const std::wstring& path, bool& ended) {
        ended = false;
        if (YieldAndCheck()) return false;
        FolderObject folder = fs.GetFolder(path);
        size_t start = list.size();
        bool text = false;
        for (const FileObject& file : folder.Files()) {
            if (YieldAndCheck()) break;
            if (filter.all) {
                list += file.Path();
                list += L';';
                text = true;
            } else if (ExtensionIs(file.Path(), filter.extension)) {
                list += file.Path();
                list += L';';
                text = true;
                Variant count = Variant::Double(count_ + 1);
                count_ += 1;
                Variant shown = Variant::TakeText(NewBstr(file.Path()));
                RaiseEvent(1, {count.get(), shown.get()});
                count_ = ToDouble(*count.get());
            }
        }
        if (YieldAndCheck()) {
            // A walk stopped inside this folder gives up what the folder had listed.
            list.resize(start);
            ended = true;
            return false;
        }
        if (!subfolders) {
            ended = text;
            return false;
        }
        open.push_back({std::move(folder), 0, text});
        return true;
    };
    bool result = false;
    if (!enter(root, result)) return result;
    while (!open.empty()) {
        Open& top = open.back();
        const std::vector<FolderObject>& subs = top.folder.SubFolders();
        if (top.next < subs.size() && !YieldAndCheck()) {
            std::wstring path = subs[top.next++].Path();
            top.text = true;  // a sub-folder walked counts as text, even one with nothing in it
            bool ignored = false;
            enter(path, ignored);
            continue;
        }
        result = top.text;
        open.pop_back();
    }
    return result;
}

Variant clsDrvInfo2::FileList(const std::wstring& folder, bool subfolders, const std::wstring& pattern) {
    FileSystem fs;
    std::wstring list;
    if (!CollectFiles(fs, folder, subfolders, FilterOf(pattern), list)) return Variant();
    return Variant::TakeText(NewBstr(list));
}

STDMETHODIMP clsDrvInfo2::Get_FileList(BSTR strFolder, VARIANT_BOOL blnSearchSubfolders, BSTR* strPattern,
                                       VARIANT* result) {
    return Guarded([&] {
        Require(result);
        std::wstring pattern = TextOfRef(strPattern);
        if (pattern.empty()) pattern = L"*.*";
        Variant list = FileList(PathOf(strFolder), blnSearchSubfolders != VARIANT_FALSE, pattern);
        *result = list.detach();
    });
}

STDMETHODIMP clsDrvInfo2::Get_DirList(BSTR strPath, BSTR* result) {
    return Guarded([&] {
        Require(result);
        FileSystem fs;
        FolderObject folder = fs.GetFolder(PathOf(strPath));
        std::wstring list;
        for (const FolderObject& sub : folder.SubFolders()) {
            if (YieldAndCheck()) break;
            list += sub.Path();
            list += L';';
        }
        if (YieldAndCheck())
            list.clear();
        else if (!list.empty() && list.back() == L';')
            list.pop_back();
        SetText(result, list);
    });
}

STDMETHODIMP clsDrvInfo2::TextSearch(BSTR* strPath, BSTR* strText, VARIANT* result) {
    return Guarded([&] {
        Require(result);
        FileSystem fs;
        FolderObject folder = fs.GetFolder(PathOfRef(strPath));
        // Files are searched as ANSI text. A text the code page cannot hold is in none of them:
        // its best-fit look-alike ("Omega" for "Ωmega") must not be found in its place.
        std::string needle;
        bool searchable = ToAnsiExact(TextOfRef(strText), needle);
        FoldedSearch wanted(needle);
        std::vector<std::wstring> found;
        std::string content;
        for (const FileObject& file : folder.Files()) {
            if (!searchable) break;
            file.ReadAll(content);
            if (content.empty()) continue;  // an empty file contains nothing, not even empty text
            if (wanted.In(content)) found.push_back(file.Path());
        }
        if (found.empty()) found = {L"N/A", std::wstring()};
        ReturnTextArray(found, result);
    });
}

std::wstring clsDrvInfo2::Totals(const std::wstring& path, short dataType, const std::wstring& pattern,
                                 bool subfolders) {
    double total = 0;
    if (dataType < 1 || dataType > 4 || Trim(path).empty()) return L"0";
    DATE since = 0;
    if (dataType >= 2 && !TryDate(pattern, since)) {
        Message(L"An invalid date was passed.", kOkOnly | kInformation, L"Invalid date format");
        return L"0";
    }
    bool listed = false;
    std::wstring entry;
    try {
        Variant list = FileList(path, subfolders, pattern);
        std::wstring text = list.type() == VT_BSTR ? TextOf(V_BSTR(list.get())) : std::wstring();
        if (!text.empty() && text.back() == L';') text.pop_back();
        std::vector<std::wstring> entries;
        if (!text.empty()) {
            size_t start = 0, semi;
            while ((semi = text.find(L';', start)) != std::wstring::npos) {
                entries.push_back(text.substr(start, semi - start));
                start = semi + 1;
            }
            entries.push_back(text.substr(start));
        }
        listed = true;
        for (const std::wstring& e : entries) {
            entry = e;
            if (Trim(entry).empty()) break;
            if (!FileInfo(entry)) continue;
            if (dataType == 1) {
                Variant size = Variant::TakeText(NewBstr(fileDetails_[kFileSize]));
                total += ToDouble(*size.get());
            } else {
                const std::wstring& stamp = fileDetails_[dataType == 2 ? kFileAccessed
                                                         : dataType == 3 ? kFileModified
                                                                         : kFileCreated];
                Variant day = Variant::TakeText(NewBstr(stamp.substr(0, stamp.find(L' '))));
                Variant asDate;
                if (VariantChangeType(asDate.get(), day.get(), 0, VT_DATE) != S_OK) RaiseRuntime(13);
                if (since > V_DATE(asDate.get())) continue;
                total += 1;
            }
            Variant count = Variant::Double(total);
            Variant shown = Variant::TakeText(NewBstr(entry));
            RaiseEvent(2, {count.get(), shown.get()});
            total = ToDouble(*count.get());
        }
    } catch (...) {
        Failure f = CurrentFailure();
        // Before the list exists there is no entry to describe: its fields stay empty.
        std::wstring size, created, modified, accessed;
        if (listed) {
            size = GroupedSize(fileDetails_[kFileSize]);
            created = fileDetails_[kFileCreated];
            modified = fileDetails_[kFileModified];
            accessed = fileDetails_[kFileAccessed];
        } else {
            entry.clear();
        }
        Message(ErrorHead(f) + L"File: " + entry + kCrLf + L"Size: " + size + kCrLf + L"Created:  " + created +
                    kCrLf + L"Modified: " + modified + kCrLf + L"Accessed: " + accessed,
                kOkOnly | kInformation, L"Errors detected");
        return L"0";
    }
    return ToText(*Variant::Double(total).get());
}

STDMETHODIMP clsDrvInfo2::Get_Totals(BSTR strPath, short* intDataType, BSTR* strPattern,
                                     VARIANT_BOOL blnSearchSubfolders, BSTR* result) {
    return Guarded([&] {
        std::wstring pattern = TextOfRef(strPattern);
        if (pattern.empty()) pattern = L"*.*";
        short type = intDataType ? *intDataType : 1;
        SetText(result, Totals(PathOf(strPath), type, pattern, blnSearchSubfolders != VARIANT_FALSE));
    });
}

STDMETHODIMP clsDrvInfo2::Get_Disk_Space(BSTR strPath, double* dblTotalSpace, double* dblFreeSpace,
                                         double* dblUsedSpace, VARIANT_BOOL* result) {
    return Guarded([&] {
        double total = 0, free = 0, used = 0;
        bool known = false;
        std::wstring path = Trim(PathOf(strPath));
        if (!path.empty()) {
            std::wstring root = path.substr(0, 1) + L":";
            // The 64-bit query gives the true figures whatever the size; the 32-bit one is only a
            // fallback for a platform without it.
            ULARGE_INTEGER available = {}, totalBytes = {}, freeBytes = {};
            if (Platform().getDiskFreeSpaceExW &&
                Platform().getDiskFreeSpaceExW(root.c_str(), &available, &totalBytes, &freeBytes)) {
                total = static_cast<double>(totalBytes.QuadPart);
                free = static_cast<double>(freeBytes.QuadPart);
                used = total - free;
                known = true;
            } else {
                DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
                if (Platform().getDiskFreeSpaceW(root.c_str(), &sectors, &bytes, &freeClusters, &clusters)) {
                    // Products of the four 32-bit figures, formed left to right in signed 32-bit
                    // arithmetic: one that does not fit makes the answer False.
                    auto product = [](DWORD a, DWORD b, DWORD c, long long& out) {
                        long long p = static_cast<long long>(static_cast<LONG>(a)) * static_cast<LONG>(b);
                        if (p > 0x7FFFFFFFLL || p < -0x80000000LL) return false;
                        p *= static_cast<LONG>(c);
                        if (p > 0x7FFFFFFFLL || p < -0x80000000LL) return false;
                        out = p;
                        return true;
                    };
                    long long f = 0, t = 0;
                    if (product(freeClusters, sectors, bytes, f)) {
                        free = static_cast<double>(f);
                        if (product(clusters, sectors, bytes, t)) {
                            total = static_cast<double>(t);
                            used = total - free;
                            known = true;
                        }
                    }
                }
            }
        }
        if (dblTotalSpace) *dblTotalSpace = total;
        if (dblFreeSpace) *dblFreeSpace = free;
        if (dblUsedSpace) *dblUsedSpace = used;
        SetBool(result, known);
    });
}

HRESULT Create_clsDrvInfo2(REFIID riid, void** ppv) { return CreateAndQuery<clsDrvInfo2>(riid, ppv); }

}  // namespace wx
