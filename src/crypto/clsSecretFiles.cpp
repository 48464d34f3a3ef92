#include "crypto/clsSecretFiles.h"
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

std::wstring Joined(const std::wstring (&records)[4], const wchar_t* separator) {
    return records[0] + separator + records[1] + separator + records[2] + separator + records[3];
}

}  // namespace

clsSecretFiles::clsSecretFiles() : Dispatchable(IID__clsSecretFiles) {}
clsSecretFiles::~clsSecretFiles() = default;

STDMETHODIMP clsSecretFiles::WriteSecretFile(BSTR FilePath, BSTR Record1, BSTR Record2, BSTR Record3, BSTR Record4,
                                             BSTR* result) {
    return Guarded([&] {
        if (!result) RaiseRuntime(5);
        CipherService cipher;
        BSTR given[4] = {Record1, Record2, Record3, Record4};
        for (int k = 0; k < 4; ++k) {
            std::wstring text = TextOf(given[k]);
            if (cipher.Transform(CRYPTO_ENCRYPTION, text)) records_[k] = text;
        }
        std::unique_ptr<TextFile> file;
        Quietly([&] { file.reset(new TextFile(TextOf(FilePath), TextFile::Mode::Output)); });
        if (file) {
            for (const std::wstring& record : records_)
                Quietly([&] { file->WriteFields({Variant::TakeText(NewBstr(record))}); });
            Quietly([&] { file->Close(); });
        }
        *result = NewBstr(Joined(records_, L"\r\n"));
    });
}

STDMETHODIMP clsSecretFiles::ReadSecretFile(BSTR FilePath, BSTR /*sUnused*/, VARIANT* result) {
    return Guarded([&] {
        if (!result) RaiseRuntime(5);
        std::unique_ptr<TextFile> file;
        Quietly([&] { file.reset(new TextFile(TextOf(FilePath), TextFile::Mode::Input)); });
        if (file) {
            // A field that cannot be read leaves its record as it was; the rest are still read.
            for (std::wstring& record : records_) Quietly([&] { record = file->InputField(); });
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
