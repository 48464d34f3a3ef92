#include "settings/classMRU.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/HostObject.h"
#include "frame/Runtime.h"
#include "frame/Text.h"
#include <cmath>
#include <cwctype>
#include <vector>

namespace wx {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n'; }

// The leading number of a text as the runtime's Val reads it: blanks are skipped (also between
// digits), a sign, digits, a fraction and an exponent are taken, &H and &O prefixes read hex and
// octal; anything else ends the number, and no number at all reads as 0.
double LeadingNumber(const std::wstring& text) {
    std::wstring s;
    for (wchar_t c : text)
        if (!IsBlank(c)) s += c;
    size_t i = 0;
    if (s.size() >= 2 && s[0] == L'&' && (s[1] == L'H' || s[1] == L'h' || s[1] == L'O' || s[1] == L'o')) {
        int base = (s[1] == L'H' || s[1] == L'h') ? 16 : 8;
        unsigned long value = 0;
        for (i = 2; i < s.size(); ++i) {
            int digit = iswdigit(s[i]) ? s[i] - L'0' : (base == 16 && iswxdigit(s[i]) ? (towupper(s[i]) - L'A' + 10) : -1);
            if (digit < 0 || digit >= base) break;
            value = value * static_cast<unsigned long>(base) + static_cast<unsigned long>(digit);
        }
        // Up to four hex digits read as an Integer (&HFFFF is -1), more as a Long.
        if (value <= 0xFFFF) return static_cast<short>(value);
        return static_cast<long>(value);
    }
    std::string number;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) number += static_cast<char>(s[i++]);
    bool digits = false;
    while (i < s.size() && iswdigit(s[i])) { number += static_cast<char>(s[i++]); digits = true; }
    if (i < s.size() && s[i] == L'.') {
        number += '.';
        ++i;
        while (i < s.size() && iswdigit(s[i])) { number += static_cast<char>(s[i++]); digits = true; }
    }
    if (!digits) return 0;
    if (i < s.size() && (s[i] == L'E' || s[i] == L'e' || s[i] == L'D' || s[i] == L'd')) {
        std::string exponent = "e";
        size_t j = i + 1;
        if (j < s.size() && (s[j] == L'+' || s[j] == L'-')) exponent += static_cast<char>(s[j++]);
        bool any = false;
        while (j < s.size() && iswdigit(s[j])) { exponent += static_cast<char>(s[j++]); any = true; }
        if (any) number += exponent;
    }
    return strtod(number.c_str(), nullptr);
}

}  // namespace

classMRU::classMRU()
    : Dispatchable(IID__classMRU), parent_(L"MRU"), child_(L"MRU"), prefix_(L"MRU") {}

std::wstring classMRU::KeyName(const std::wstring& suffix) const { return TextOf(prefix_.get()) + suffix; }

std::wstring classMRU::Entry(long number) const {
    return GetSetting(TextOf(parent_.get()), TextOf(child_.get()), KeyName(NumberText(number)));
}

void classMRU::SaveEntry(const std::wstring& key, const std::wstring& text) const {
    SaveSetting(TextOf(parent_.get()), TextOf(child_.get()), key, text);
}

// The stored count, read as its leading number and rounded to an Integer (overflow raises 6).
short classMRU::StoredCount() const {
    std::wstring text = GetSetting(TextOf(parent_.get()), TextOf(child_.get()), KeyName(L"Num"));
    return ToInteger(*Variant::Double(LeadingNumber(text)).get());
}

STDMETHODIMP classMRU::get_MaxNum(short* result) {
    return Returning(result, [&] { return maxNum_; });
}
STDMETHODIMP classMRU::put_MaxNum(short value) { return Guarded([&] { maxNum_ = value; }); }
STDMETHODIMP classMRU::get_Parent(BSTR* result) {
    return Returning(result, [&] { return CopyBstr(parent_.get()); });
}
STDMETHODIMP classMRU::put_Parent(BSTR value) { return Guarded([&] { parent_ = Bstr::Attach(CopyBstr(value)); }); }
STDMETHODIMP classMRU::get_Child(BSTR* result) {
    return Returning(result, [&] { return CopyBstr(child_.get()); });
}
STDMETHODIMP classMRU::put_Child(BSTR value) { return Guarded([&] { child_ = Bstr::Attach(CopyBstr(value)); }); }
STDMETHODIMP classMRU::get_Prefix(BSTR* result) {
    return Returning(result, [&] { return CopyBstr(prefix_.get()); });
}
STDMETHODIMP classMRU::put_Prefix(BSTR value) { return Guarded([&] { prefix_ = Bstr::Attach(CopyBstr(value)); }); }

STDMETHODIMP classMRU::get_Num(short* result) {
    return Returning(result, [&] { return StoredCount(); });
}

STDMETHODIMP classMRU::get_Last(BSTR* result) {
    return Returning(result, [&] { return NewBstr(Entry(1)); });
}

STDMETHODIMP classMRU::put_Last(BSTR* value) {
    return Guarded([&] {
        Require(value);
        SaveEntry(KeyName(L"1"), TextOf(*value));
    });
}

STDMETHODIMP classMRU::GetArray(SAFEARRAY** varArray) {
    return Guarded([&] {
        Require(varArray);
        ReadArray(*varArray, VT_BSTR);
        short count = StoredCount();
        if (count <= 0) return;  // the caller's array stays as it was
        std::vector<std::wstring> entries;
        for (long i = 1; i <= count; ++i) entries.push_back(Entry(i));
        SAFEARRAYBOUND bound = {static_cast<ULONG>(count), 1};
        SafeArrayOwner array(SafeArrayCreate(VT_BSTR, 1, &bound));
        if (!array.get()) RaiseRuntime(7);
        for (LONG i = 1; i <= count; ++i) {
            const std::wstring& e = entries[static_cast<size_t>(i - 1)];
            Bstr text(e.c_str(), static_cast<UINT>(e.size()));
            ThrowIfFailed(SafeArrayPutElement(array.get(), &i, text.get()));
        }
        if (*varArray) ThrowIfFailed(SafeArrayDestroy(*varArray));
        *varArray = array.release();
    });
}

STDMETHODIMP classMRU::Save(BSTR varMRU) {
    return Guarded([&] {
        if (maxNum_ < 1) RaiseRuntime(9);
        const std::wstring text = TextOf(varMRU);
        long count = StoredCount();
        if (count <= 0) {
            SaveEntry(KeyName(L"Num"), L"1");
            SaveEntry(KeyName(L"1"), text);
            return;
        }
        // After the host lowered MaxNum below the stored count, the newest MaxNum entries are
        // the list; the older ones fall off with this save.
        if (count > maxNum_) count = maxNum_;
        std::vector<std::wstring> list(static_cast<size_t>(maxNum_) + 1);  // places 1 to MaxNum
        auto place = [&list](long i) -> std::wstring& { return list[static_cast<size_t>(i)]; };
        long found = 0;
        for (long i = 1; i <= count; ++i) {
            place(i) = Entry(i);
            if (place(i) == text) found = i;  // exact, case-sensitive
        }
        if (found == 0) {
            long from = count < maxNum_ ? count : count - 1;
            for (long k = from; k >= 1; --k) place(k + 1) = place(k);
            if (count < maxNum_) ++count;
        } else {
            for (long k = found - 1; k >= 1; --k) place(k + 1) = place(k);
        }
        place(1) = text;
        SaveEntry(KeyName(L"Num"), NumberText(count));
        for (long i = 1; i <= count; ++i) SaveEntry(KeyName(NumberText(i)), place(i));
    });
}

STDMETHODIMP classMRU::Clear() {
    return Guarded([&] { Quietly([&] { DeleteSetting(TextOf(parent_.get()), TextOf(child_.get())); }); });
}

STDMETHODIMP classMRU::ClearParent() {
    return Guarded([&] { Quietly([&] { DeleteSetting(TextOf(parent_.get())); }); });
}

HRESULT Create_classMRU(REFIID riid, void** ppv) { return CreateAndQuery<classMRU>(riid, ppv); }

}  // namespace wx
