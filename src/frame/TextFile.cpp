#include "frame/TextFile.h"
#include "frame/ArgumentReader.h"
#include "frame/Errors.h"
#include "frame/HostObject.h"
#include "frame/Runtime.h"
#include "frame/Text.h"

namespace wx {

TextFile::TextFile(const std::wstring& path, Mode mode, UINT codePage) : mode_(mode), codePage_(codePage) {
    DWORD access = mode == Mode::Input ? GENERIC_READ : GENERIC_WRITE;
    DWORD disposition = mode == Mode::Input ? OPEN_EXISTING : mode == Mode::Output ? CREATE_ALWAYS : OPEN_ALWAYS;
    if (path.empty()) RaiseRuntime(mode == Mode::Input ? 53 : 75);
    file_.reset(CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!file_) RaiseRuntime(FileErrorNumber(GetLastError()));
    if (mode == Mode::Append) {
        SetFilePointer(file_.get(), 0, nullptr, FILE_END);
    } else if (mode == Mode::Input) {
        char chunk[65536];
        DWORD got = 0;
        while (ReadFile(file_.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) content_.append(chunk, got);
    }
}

TextFile::~TextFile() { Close(); }

void TextFile::Close() { file_.reset(); }

void TextFile::Write(const std::string& bytes) {
    if (mode_ == Mode::Input || !file_) RaiseRuntime(54);
    DWORD done = 0;
    if (!bytes.empty() &&
        (!WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) || done != bytes.size()))
        RaiseRuntime(61);
}

void TextFile::PrintLine(const std::wstring& text) { Write(BytesOf(text, codePage_) + "\r\n"); }

std::string TextFile::BytesOf(std::wstring_view text, UINT codePage) {
    // A character the file's code page lacks is refused rather than stored as a look-alike.
    std::string bytes;
    if (!ToAnsiExact(text, bytes, codePage)) RaiseRuntime(5);
    return bytes;
}

namespace {

std::string FieldText(const VARIANT& raw, UINT codePage) {
    const VARIANT* v = &ReadArgument(raw);
    switch (V_VT(v) & ~VT_BYREF) {
    case VT_EMPTY: return std::string();
    case VT_NULL: return "#NULL#";
    case VT_BOOL: return ToBool(*v) ? "#TRUE#" : "#FALSE#";
    case VT_ERROR: return "#ERROR " + std::to_string(V_VT(v) & VT_BYREF ? *V_ERRORREF(v) : V_ERROR(v)) + "#";
    case VT_BSTR: return "\"" + TextFile::BytesOf(ToText(*v), codePage) + "\"";
    case VT_DATE: {
        Bstr text;
        if (FAILED(VarFormat(const_cast<VARIANT*>(v), const_cast<LPOLESTR>(L"yyyy-mm-dd hh:nn:ss"), 1, 1, 0, text.put())))
            RaiseRuntime(13);
        return "#" + TextFile::BytesOf(TextOf(text.get()), codePage) + "#";
    }
    default: {
        // Numbers as the invariant decimal text the runtime writes (a point, never a comma).
        Variant text;
        if (FAILED(VariantChangeTypeEx(text.get(), const_cast<VARIANT*>(v), MAKELCID(0x409, SORT_DEFAULT), 0, VT_BSTR)))
            RaiseRuntime(13);
        return TextFile::BytesOf(ToText(*text.get()), codePage);
    }
    }
}

}  // namespace

void TextFile::WriteFields(const std::vector<Variant>& values) {
    std::string line;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) line += ',';
        line += FieldText(*values[i].get(), codePage_);
    }
    Write(line + "\r\n");
}

bool TextFile::AtEnd() const { return position_ >= content_.size(); }

std::wstring TextFile::LineInput() {
    if (mode_ != Mode::Input) RaiseRuntime(54);
    if (AtEnd()) RaiseRuntime(62);
    size_t end = content_.find_first_of("\r\n", position_);
    if (end == std::string::npos) end = content_.size();
    std::string line = content_.substr(position_, end - position_);
    position_ = end;
    if (position_ < content_.size() && content_[position_] == '\r') ++position_;
    if (position_ < content_.size() && content_[position_] == '\n') ++position_;
    return FromAnsi(line, codePage_);
}

std::wstring TextFile::InputField() {
    if (mode_ != Mode::Input) RaiseRuntime(54);
    while (position_ < content_.size() && (content_[position_] == ' ' || content_[position_] == '\t')) ++position_;
    if (AtEnd()) RaiseRuntime(62);
    std::string field;
    if (content_[position_] == '"') {
        size_t close = content_.find('"', position_ + 1);
        if (close == std::string::npos) close = content_.size();
        field = content_.substr(position_ + 1, close - position_ - 1);
        position_ = close < content_.size() ? close + 1 : close;
        // Anything between the closing quote and the delimiter is passed over.
        while (position_ < content_.size() && content_[position_] != ',' && content_[position_] != '\r' &&
               content_[position_] != '\n')
            ++position_;
    } else {
        size_t end = content_.find_first_of(",\r\n", position_);
        if (end == std::string::npos) end = content_.size();
        field = content_.substr(position_, end - position_);
        position_ = end;
        while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.pop_back();
    }
    if (position_ < content_.size() && content_[position_] == ',') {
        ++position_;
    } else {
        if (position_ < content_.size() && content_[position_] == '\r') ++position_;
        if (position_ < content_.size() && content_[position_] == '\n') ++position_;
    }
    return FromAnsi(field, codePage_);
}

void TextFile::Delete(const std::wstring& path) {
    if (!DeleteFileW(path.c_str())) RaiseRuntime(FileErrorNumber(GetLastError()));
}

}  // namespace wx
