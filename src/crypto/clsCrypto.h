// Texts and files encrypted with a key derived from a password through CryptoAPI, with one of 25
// fixed combinations of provider, hash and cipher, or (method 25) sealed with AES-256-GCM through
// CNG; by default StringCryptography runs the library's own shift cipher instead. The instance's
// state is its public fields.
//
// Handles: the fields hold the provider context and key of the last acquisition as Long values.
// The instance owns the ones it acquired itself: when it replaces one it releases the one it
// replaces, and it releases what it still holds when it goes. Hash objects live only until their
// key is derived.
#pragma once
#include "crypto/CryptHandles.h"
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"
#include <string>

namespace wx {

class clsCrypto : public Dispatchable<_clsCrypto> {
public:
    clsCrypto();
    ~clsCrypto() override;

    STDMETHODIMP get_m_EncDec_Password(BSTR* result) override;
    STDMETHODIMP put_m_EncDec_Password(BSTR value) override;
    STDMETHODIMP get_sProvider(BSTR* result) override;
    STDMETHODIMP put_sProvider(BSTR value) override;
    STDMETHODIMP get_m_Hash_Algorithm(LONG* result) override;
    STDMETHODIMP put_m_Hash_Algorithm(LONG value) override;
    STDMETHODIMP get_m_EncDec_Algorithm(LONG* result) override;
    STDMETHODIMP put_m_EncDec_Algorithm(LONG value) override;
    STDMETHODIMP get_s_DataValue(BSTR* result) override;
    STDMETHODIMP put_s_DataValue(BSTR value) override;
    STDMETHODIMP get_m_CSP_Provider(LONG_PTR* result) override;
    STDMETHODIMP put_m_CSP_Provider(LONG_PTR value) override;
    STDMETHODIMP get_lHSessionKey(LONG_PTR* result) override;
    STDMETHODIMP put_lHSessionKey(LONG_PTR value) override;
    STDMETHODIMP get_m_sInBuffer(BSTR* result) override;
    STDMETHODIMP put_m_sInBuffer(BSTR value) override;
    STDMETHODIMP get_m_sOutBuffer(BSTR* result) override;
    STDMETHODIMP put_m_sOutBuffer(BSTR value) override;
    STDMETHODIMP DoEncryptString(LONG_PTR* HSessionKey, VARIANT sDataValue, BSTR* result) override;
    STDMETHODIMP DoDecryptString(LONG_PTR* HSessionKey, BSTR sDataValue, BSTR* result) override;
    STDMETHODIMP get_InBuffer(BSTR* result) override;
    STDMETHODIMP put_InBuffer(BSTR value) override;
    STDMETHODIMP get_OutBuffer(BSTR* result) override;
    STDMETHODIMP StringCryptography(acCryptographicTypeConst CryptographicType, BSTR sSourceString, BSTR sPassword,
                                    acCryptographicMethodConst CryptographicMethod,
                                    acCryptographicConversionConst CryptographicConversion,
                                    VARIANT_BOOL bUsedStandardEncDecClass, BSTR* result) override;
    STDMETHODIMP FileCryptography(acCryptographicTypeConst CrytographicType, BSTR sSourceFile, BSTR sPassword,
                                  BSTR sDestinationFile, acCryptographicMethodConst CryptographicMethod,
                                  VARIANT_BOOL* result) override;
    STDMETHODIMP DoFileEncrypt(BSTR sFileName, LONG_PTR* lKey, VARIANT_BOOL* result) override;
    STDMETHODIMP DoFileDecrypt(BSTR sFileName, LONG_PTR* lKey, VARIANT_BOOL* result) override;
    STDMETHODIMP EnumCSPs(_Collection** result) override;
    STDMETHODIMP EnumCSPTypes(_Collection** result) override;
    STDMETHODIMP SetCSP(BSTR Prov, BSTR ProvType, LONG* result) override;

private:
    void SelectCryptographicMethod(long method);
    void ReleaseCryptoApiHandles();
    void AcquireProvider();
    void DeriveKey();
    // The raw ciphertext of a text with a CryptoAPI key; false when CryptoAPI fails.
    bool EncryptBytes(CryptNumber key, const std::wstring& data, std::string& cipher);
    // The plain text of raw ciphertext; "" when CryptoAPI fails.
    std::wstring DecryptBytes(CryptNumber key, const std::string& cipher);
    std::wstring DecryptText(CryptNumber key, const std::wstring& data);
    // Method 25 with the password field; failures raise the library's errors.
    std::wstring SealText(const std::wstring& source, bool hexadecimal);
    std::wstring OpenText(const std::wstring& source, bool hexadecimal);
    bool TransformFileWithKey(BSTR fileName, CryptNumber* key, bool encrypt);
    void DropKey(CryptNumber key);

    Bstr password_, provider_, dataValue_, inBuffer_, outBuffer_;
    long hashAlgorithm_ = 0, cipherAlgorithm_ = 0;
    CryptNumber providerField_ = 0, keyField_ = 0;
    // What this instance acquired and must release (the fields may have been changed by the host).
    CryptProvider ownedProvider_;
    CryptKey ownedKey_;
};

// Hexadecimal text of bytes, two uppercase digits per byte, and back (raising 13 for a pair that
// is not hexadecimal; a single digit at the end is a byte of its own).
std::wstring HexTextOf(const std::string& bytes);
std::string BytesOfHexText(const std::wstring& text);

}  // namespace wx
