#include "crypto/clsSecretFiles.h"
#include "crypto/AnsiBytes.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/Text.h"
#include "frame/TextFile.h"
#include <memory>

namespace wx {

namespace {

// One clsCrypto for the length of a call, made through the library's own class on first use and
// used through its interface, in its default mode (the shift cipher; password, method and
// conversion have no effect there).
class CipherService {
public:
    bool Transform(acCryptographicTypeConst type, std::wstring& text) {
        if (!crypto_ && FAILED(Create_clsCrypto(IID__clsCrypto, crypto_.putVoid()))) return false;
        Bstr source(text.c_str(), static_cast<UINT>(text.size()));
        Bstr password(L"");
        Bstr out;
        HRESULT hr = crypto_->StringCryptography(type, source.get(), password.get(), MS_DEF_PROV__CALG_MD2__CALG_RC2,
                                                 CRYPTO_CONVERSION_HEXA, VARIANT_FALSE, out.put());
        if (FAILED(hr)) return false;
        text = TextOf(out.get());
        return true;
    }

private:
    ComPtr<_clsCrypto> crypto_;
};

// Where the system's code page has characters of two bytes, earlier versions wrote the enciphered
// characters through it, a second conversion that put look-alikes in place of most of them. A
// record written now there begins with code 3, which no earlier file holds and which deciphering
// drops; a field without it is read back as those versions read it. Elsewhere the system's code
// page is the cipher's own and both ways give the same bytes.
const wchar_t kWrittenAsItIs = L'\x03';

bool SystemPageIsCipherPage() { return GetACP() == CipherCodePage(); }

std::wstring FieldToWrite(const std::wstring& record) {
    if (record.empty() || SystemPageIsCipherPage()) return record;
    return kWrittenAsItIs + record;
}

std::wstring RecordOfField(const std::wstring& field) {
    std::string bytes;
    if (SystemPageIsCipherPage() || (!field.empty() && field[0] == kWrittenAsItIs) || !CipherBytesOf(field, bytes))
        return field;
    // The characters those versions wrote, and the cipher's characters they made of them again,
    // look-alikes included: what they deciphered. Nothing is stored this way.
    std::wstring written = FromAnsi(bytes, CP_ACP);
    if (written.empty()) return field;
    int n = WideCharToMultiByte(CipherCodePage(), 0, written.data(), static_cast<int>(written.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string read(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CipherCodePage(), 0, written.data(), static_cast<int>(written.size()), &read[0], n, nullptr,
                            nullptr);
    return TextOfCipherBytes(read);
}

std::wstring Joined(const std::wstring (&records)[4], const wchar_t* separator) {
    return records[0] + separator + records[1] + separator + records[2] + separator + records[3];
}

}  // namespace

clsSecretFiles::clsSecretFiles() : Dispatchable(IID__clsSecretFiles) {}
clsSecretFiles::~clsSecretFiles() = default;

STDMETHODIMP clsSecretFiles::WriteSecretFile(BSTR FilePath, BSTR Record1, BSTR Record2, BSTR Record3, BSTR Record4,
                                             BSTR* result) {
    return Guarded([&] {
        Require(result);
        CipherService cipher;
        BSTR given[4] = {Record1, Record2, Record3, Record4};
        for (int k = 0; k < 4; ++k) {
            std::wstring text = TextOf(given[k]);
            if (cipher.Transform(CRYPTO_ENCRYPTION, text)) records_[k] = text;
        }
        // The file holds the cipher's bytes as they are: enciphered text is made of characters of the
        // cipher code page, which need not be the system's.
        std::unique_ptr<TextFile> file;
        Quietly([&] { file.reset(new TextFile(TextOf(FilePath), TextFile::Mode::Output, CipherCodePage())); });
        if (file) {
            for (const std::wstring& record : records_)
                Quietly([&] { file->WriteFields({Variant::TakeText(NewBstr(FieldToWrite(record)))}); });
            Quietly([&] { file->Close(); });
        }
        *result = NewBstr(Joined(records_, L"\r\n"));
    });
}

STDMETHODIMP clsSecretFiles::ReadSecretFile(BSTR FilePath, BSTR /*sUnused*/, VARIANT* result) {
    return Guarded([&] {
        Require(result);
        std::unique_ptr<TextFile> file;
        Quietly([&] { file.reset(new TextFile(TextOf(FilePath), TextFile::Mode::Input, CipherCodePage())); });
        if (file) {
            // A field that cannot be read leaves its record as it was; the rest are still read.
            for (std::wstring& record : records_) Quietly([&] { record = RecordOfField(file->InputField()); });
            Quietly([&] { file->Close(); });
        }
        CipherService cipher;
        for (std::wstring& record : records_) {
            std::wstring text = record;
            if (cipher.Transform(CRYPTO_DECRYPTION, text)) record = text;
        }
        VariantInit(result);
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = NewBstr(Joined(records_, L"|"));
    });
}

HRESULT Create_clsSecretFiles(REFIID riid, void** ppv) { return CreateAndQuery<clsSecretFiles>(riid, ppv); }

}  // namespace wx
