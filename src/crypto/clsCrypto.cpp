#include "crypto/clsCrypto.h"
#include "crypto/AesGcmSealer.h"
#include "crypto/AnsiBytes.h"
#include "crypto/CryptFile.h"
#include "crypto/basEncDec.h"
#include "frame/ArgumentReader.h"
#include "frame/Creators.h"
#include "frame/Errors.h"
#include "frame/HostObject.h"
#include "frame/Text.h"
#include <algorithm>
#include <climits>
#include <vector>

namespace wx {

namespace {

const wchar_t kBaseProvider[] = L"Microsoft Base Cryptographic Provider v1.0";
const wchar_t kEnhancedProvider[] = L"Microsoft Enhanced Cryptographic Provider v1.0";

struct Method {
    bool enhanced;
    long hash;
    long cipher;
};

// acCryptographicMethodConst 0..24.
const Method kMethods[25] = {
    {false, CALG_MD2, CALG_RC2},  {false, CALG_MD2, CALG_RC4},  {false, CALG_MD2, CALG_DES},
    {false, CALG_MD4, CALG_RC2},  {false, CALG_MD5, CALG_RC2},  {false, CALG_MD5, CALG_RC4},
    {false, CALG_MD5, CALG_DES},  {false, CALG_SHA, CALG_RC2},  {false, CALG_SHA, CALG_RC4},
    {false, CALG_SHA, CALG_DES},  {true, CALG_MD2, CALG_RC2},   {true, CALG_MD2, CALG_RC4},
    {true, CALG_MD2, CALG_DES},   {true, CALG_MD2, CALG_3DES},  {true, CALG_MD4, CALG_RC2},
    {true, CALG_MD4, CALG_RC4},   {true, CALG_MD4, CALG_3DES},  {true, CALG_MD4, CALG_3DES_112},
    {true, CALG_MD5, CALG_RC2},   {true, CALG_MD5, CALG_RC4},   {true, CALG_MD5, CALG_3DES},
    {true, CALG_MD5, CALG_3DES_112}, {true, CALG_SHA, CALG_RC2}, {true, CALG_SHA, CALG_RC4},
    {true, CALG_SHA, CALG_3DES_112},
};

// Method 25: AES-256-GCM through CNG. The fields name CNG's provider and the CryptoAPI ids of
// its hash and cipher.
const long kSealedMethod = 25;
const wchar_t kPrimitiveProvider[] = L"Microsoft Primitive Provider";

// The library's own errors of method 25.
const long kErrorNotOpened = 26010;
const long kErrorNotSealed = 26011;
const long kErrorPlatform = 26012;

[[noreturn]] void RaiseSealStatus(AesGcmSealer::Status status) {
    switch (status) {
    case AesGcmSealer::Status::Mismatch:
        RaiseError(kErrorNotOpened, DefaultErrorSource(),
                   L"The text cannot be decrypted: wrong password, or the encrypted text was changed or cut short");
    case AesGcmSealer::Status::Foreign:
        RaiseError(kErrorNotSealed, DefaultErrorSource(),
                   L"The text is not encrypted with method 25, or in a form this version does not read");
    default:
        RaiseError(kErrorPlatform, DefaultErrorSource(), L"The platform's AES-GCM or PBKDF2 functions failed");
    }
}

// Room for the padding a block cipher adds, whatever size the provider's size query reported
// (rsaenh answers 0 for RC4).
const DWORD kPaddingRoom = 64;

void ReturnText(const Bstr& field, BSTR* result) { Required(result) = CopyBstr(field.get()); }

void StoreText(Bstr& field, BSTR value) { field = Bstr::Attach(CopyBstr(value)); }

template <class Number>
void ReturnNumber(Number field, Number* result) { Required(result) = field; }

HCRYPTPROV AcquireProviderContext(BSTR providerName) {
    // The provider is found by its name, read up to its first NUL.
    std::wstring name = BeforeNul(TextOf(providerName));
    const wchar_t* provider = providerName ? name.c_str() : nullptr;
    HCRYPTPROV context = 0;
    if (CryptAcquireContextW(&context, L"", provider, PROV_RSA_FULL, 0)) return context;
    // A fresh profile has no key container yet. Several threads or processes may find it missing
    // at once: the one that loses the race to create it opens the one the winner made.
    if (CryptAcquireContextW(&context, L"", provider, PROV_RSA_FULL, CRYPT_NEWKEYSET)) return context;
    if (GetLastError() == static_cast<DWORD>(NTE_EXISTS) &&
        CryptAcquireContextW(&context, L"", provider, PROV_RSA_FULL, 0))
        return context;
    return 0;
}

HCRYPTKEY DerivePasswordKey(HCRYPTPROV context, long hashId, BSTR password, long cipherId) {
    CryptHash hash;
    if (!CryptCreateHash(context, static_cast<ALG_ID>(hashId), 0, 0, hash.put())) return 0;
    std::string bytes = PlainBytesOf(ViewOf(password));
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0))
        return 0;
    HCRYPTKEY key = 0;
    if (!CryptDeriveKey(context, static_cast<ALG_ID>(cipherId), hash.get(), 0, &key)) return 0;
    return key;  // the hash has done its work and goes with its owner
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

}  // namespace

std::wstring HexTextOf(const std::string& bytes) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring hex;
    hex.reserve(bytes.size() * 2);
    for (char byte : bytes) {
        const unsigned char c = static_cast<unsigned char>(byte);
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    return hex;
}

std::string BytesOfHexText(const std::wstring& text) {
    std::string bytes;
    bytes.reserve(text.size() / 2 + 1);
    for (size_t at = 0; at < text.size(); at += 2) {
        int value = 0;
        for (size_t i = at; i < at + 2 && i < text.size(); ++i) {
            int digit = HexDigit(text[i]);
            if (digit < 0) RaiseRuntime(13);
            value = value * 16 + digit;
        }
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

clsCrypto::clsCrypto() : Dispatchable(IID__clsCrypto) {}

clsCrypto::~clsCrypto() {
    // The key belongs to the context: it goes first.
    ownedKey_.reset();
    ownedProvider_.reset();
}

STDMETHODIMP clsCrypto::get_m_EncDec_Password(BSTR* result) { return Guarded([&] { ReturnText(password_, result); }); }
STDMETHODIMP clsCrypto::put_m_EncDec_Password(BSTR value) { return Guarded([&] { StoreText(password_, value); }); }
STDMETHODIMP clsCrypto::get_sProvider(BSTR* result) { return Guarded([&] { ReturnText(provider_, result); }); }
STDMETHODIMP clsCrypto::put_sProvider(BSTR value) { return Guarded([&] { StoreText(provider_, value); }); }
STDMETHODIMP clsCrypto::get_m_Hash_Algorithm(LONG* result) { return Guarded([&] { ReturnNumber(hashAlgorithm_, result); }); }
STDMETHODIMP clsCrypto::put_m_Hash_Algorithm(LONG value) { return Guarded([&] { hashAlgorithm_ = value; }); }
STDMETHODIMP clsCrypto::get_m_EncDec_Algorithm(LONG* result) { return Guarded([&] { ReturnNumber(cipherAlgorithm_, result); }); }
STDMETHODIMP clsCrypto::put_m_EncDec_Algorithm(LONG value) { return Guarded([&] { cipherAlgorithm_ = value; }); }
STDMETHODIMP clsCrypto::get_s_DataValue(BSTR* result) { return Guarded([&] { ReturnText(dataValue_, result); }); }
STDMETHODIMP clsCrypto::put_s_DataValue(BSTR value) { return Guarded([&] { StoreText(dataValue_, value); }); }
STDMETHODIMP clsCrypto::get_m_CSP_Provider(LONG_PTR* result) { return Guarded([&] { ReturnNumber(providerField_, result); }); }
STDMETHODIMP clsCrypto::put_m_CSP_Provider(LONG_PTR value) { return Guarded([&] { providerField_ = value; }); }
STDMETHODIMP clsCrypto::get_lHSessionKey(LONG_PTR* result) { return Guarded([&] { ReturnNumber(keyField_, result); }); }
STDMETHODIMP clsCrypto::put_lHSessionKey(LONG_PTR value) { return Guarded([&] { keyField_ = value; }); }
STDMETHODIMP clsCrypto::get_m_sInBuffer(BSTR* result) { return Guarded([&] { ReturnText(inBuffer_, result); }); }
STDMETHODIMP clsCrypto::put_m_sInBuffer(BSTR value) { return Guarded([&] { StoreText(inBuffer_, value); }); }
STDMETHODIMP clsCrypto::get_m_sOutBuffer(BSTR* result) { return Guarded([&] { ReturnText(outBuffer_, result); }); }
STDMETHODIMP clsCrypto::put_m_sOutBuffer(BSTR value) { return Guarded([&] { StoreText(outBuffer_, value); }); }
STDMETHODIMP clsCrypto::get_InBuffer(BSTR* result) { return Guarded([&] { ReturnText(inBuffer_, result); }); }
STDMETHODIMP clsCrypto::put_InBuffer(BSTR value) { return Guarded([&] { StoreText(inBuffer_, value); }); }
STDMETHODIMP clsCrypto::get_OutBuffer(BSTR* result) { return Guarded([&] { ReturnText(outBuffer_, result); }); }

void clsCrypto::SelectCryptographicMethod(long method) {
    // Any other value keeps the selection already in force.
    if (method < 0 || method > kSealedMethod) return;
    std::wstring name;
    if (method == kSealedMethod) {
        name = kPrimitiveProvider;
        hashAlgorithm_ = CALG_SHA_256;
        cipherAlgorithm_ = CALG_AES_256;
    } else {
        const Method& m = kMethods[method];
        name = m.enhanced ? kEnhancedProvider : kBaseProvider;
        hashAlgorithm_ = m.hash;
        cipherAlgorithm_ = m.cipher;
    }
    name.push_back(L'\0');
    provider_ = Bstr::Attach(NewBstr(name));
}

void clsCrypto::ReleaseCryptoApiHandles() {
    // Method 25 makes its key for each text or file and destroys it before returning: no CryptoAPI
    // context or key is left for the fields to name.
    ownedKey_.reset();
    ownedProvider_.reset();
    providerField_ = 0;
    keyField_ = 0;
}

void clsCrypto::AcquireProvider() {
    HCRYPTPROV fresh = AcquireProviderContext(provider_.get());
    // The key derived from the context being replaced cannot outlive it.
    if (ownedKey_) DropKey(NumberOfHandle(ownedKey_.get()));
    ownedProvider_.reset(fresh);
    providerField_ = NumberOfHandle(fresh);
}

void clsCrypto::DeriveKey() {
    HCRYPTKEY fresh = DerivePasswordKey(ProviderOfNumber(providerField_),
                                        hashAlgorithm_, password_.get(), cipherAlgorithm_);
    ownedKey_.reset(fresh);
    keyField_ = NumberOfHandle(fresh);
}

// The instance is done with a key: destroyed when it is the instance's own (a key the caller
// brought is destroyed by the caller's member), and the key field no longer names it.
void clsCrypto::DropKey(CryptNumber key) {
    if (ownedKey_ && NumberOfHandle(ownedKey_.get()) == key) ownedKey_.reset();
    if (keyField_ == key) keyField_ = 0;
}

bool clsCrypto::EncryptBytes(CryptNumber key, const std::wstring& data, std::string& cipher) {
    inBuffer_ = Bstr::Attach(NewBstr(data));
    cipher.clear();
    std::string bytes = PlainBytesOf(data);
    DWORD n = static_cast<DWORD>(bytes.size());
    DWORD required = n;
    if (!CryptEncrypt(KeyOfNumber(key), 0, TRUE, 0, nullptr, &required, 0)) return false;
    if (2ull * required > static_cast<unsigned long long>(INT_MAX)) RaiseRuntime(6);
    DWORD capacity = std::max<DWORD>(2 * required, n + kPaddingRoom);
    std::vector<BYTE> buffer(capacity);
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    DWORD length = n;
    if (!CryptEncrypt(KeyOfNumber(key), 0, TRUE, 0, buffer.data(), &length, capacity)) return false;
    cipher.assign(reinterpret_cast<const char*>(buffer.data()), length);
    return true;
}

std::wstring clsCrypto::DecryptBytes(CryptNumber key, const std::string& cipher) {
    std::vector<BYTE> buffer(cipher.begin(), cipher.end());
    buffer.push_back(0);  // never an empty buffer
    DWORD length = static_cast<DWORD>(cipher.size());
    if (!DecryptPiece(KeyOfNumber(key), TRUE, buffer.data(), &length)) return std::wstring();
    std::wstring plain = TextOfPlainBytes(reinterpret_cast<const char*>(buffer.data()), length);
    outBuffer_ = Bstr::Attach(NewBstr(plain));
    return plain;
}

std::wstring clsCrypto::DecryptText(CryptNumber key, const std::wstring& data) {
    inBuffer_ = Bstr::Attach(NewBstr(data));
    // Raw ciphertext holds characters of the cipher code page only: anything else was never made
    // by an encryption, and fails as a wrong ciphertext does.
    std::string cipher;
    if (!CipherBytesOf(data, cipher)) return std::wstring();
    return DecryptBytes(key, cipher);
}

std::wstring clsCrypto::SealText(const std::wstring& source, bool hexadecimal) {
    inBuffer_ = Bstr::Attach(NewBstr(source));
    std::string sealed;
    AesGcmSealer::Status status = AesGcmSealer::SealMessage(ToUtf8(ViewOf(password_.get())), ToUtf8(source), sealed);
    if (status != AesGcmSealer::Status::Ok) RaiseSealStatus(status);
    return hexadecimal ? HexTextOf(sealed) : TextOfCipherBytes(sealed);
}

std::wstring clsCrypto::OpenText(const std::wstring& source, bool hexadecimal) {
    std::string sealed;
    if (hexadecimal) {
        sealed = BytesOfHexText(source);
    } else if (!CipherBytesOf(source, sealed)) {
        inBuffer_ = Bstr::Attach(NewBstr(source));
        RaiseSealStatus(AesGcmSealer::Status::Foreign);
    }
    inBuffer_ = Bstr::Attach(NewBstr(TextOfCipherBytes(sealed)));
    std::string plain;
    AesGcmSealer::Status status = AesGcmSealer::OpenMessage(ToUtf8(ViewOf(password_.get())), sealed, plain);
    if (status != AesGcmSealer::Status::Ok) RaiseSealStatus(status);
    // Authentic bytes that are no UTF-8 were not sealed from a text.
    std::wstring text;
    bool isText = FromUtf8(plain.data(), plain.size(), text);
    SecureZeroMemory(&plain[0], plain.size());
    if (!isText) RaiseSealStatus(AesGcmSealer::Status::Foreign);
    outBuffer_ = Bstr::Attach(NewBstr(text));
    return text;
}

STDMETHODIMP clsCrypto::DoEncryptString(LONG_PTR* HSessionKey, VARIANT sDataValue, BSTR* result) {
    return Guarded([&] {
        Require(HSessionKey, result);
        std::wstring data = ToText(sDataValue);
        std::string cipher;
        *result = NewBstr(EncryptBytes(*HSessionKey, data, cipher) ? TextOfCipherBytes(cipher) : std::wstring());
    });
}

STDMETHODIMP clsCrypto::DoDecryptString(LONG_PTR* HSessionKey, BSTR sDataValue, BSTR* result) {
    return Guarded([&] {
        Require(HSessionKey, result);
        *result = NewBstr(DecryptText(*HSessionKey, TextOf(sDataValue)));
    });
}

STDMETHODIMP clsCrypto::StringCryptography(acCryptographicTypeConst CryptographicType, BSTR sSourceString,
                                           BSTR sPassword, acCryptographicMethodConst CryptographicMethod,
                                           acCryptographicConversionConst CryptographicConversion,
                                           VARIANT_BOOL bUsedStandardEncDecClass, BSTR* result) {
    return Guarded([&] {
        Require(result);
        std::wstring out;
        if (!bUsedStandardEncDecClass) {
            // Method 25 is never the key-less cipher a caller forgot to leave.
            if (CryptographicMethod == kSealedMethod) RaiseRuntime(5);
            if (CryptographicType == CRYPTO_ENCRYPTION)
                out = EncipherText(TextOf(sSourceString));
            else if (CryptographicType == CRYPTO_DECRYPTION)
                out = DecipherText(TextOf(sSourceString));
            *result = NewBstr(out);
            return;
        }
        StoreText(dataValue_, sSourceString);
        StoreText(password_, sPassword);
        SelectCryptographicMethod(CryptographicMethod);
        bool hexadecimal = CryptographicConversion == CRYPTO_CONVERSION_HEXA;
        std::wstring source = TextOf(dataValue_.get());
        if (CryptographicMethod == kSealedMethod) {
            ReleaseCryptoApiHandles();
            if (CryptographicType == CRYPTO_ENCRYPTION)
                out = SealText(source, hexadecimal);
            else if (CryptographicType == CRYPTO_DECRYPTION)
                out = OpenText(source, hexadecimal);
            *result = NewBstr(out);
            return;
        }
        AcquireProvider();
        DeriveKey();
        if (CryptographicType == CRYPTO_ENCRYPTION) {
            std::string cipher;
            if (EncryptBytes(keyField_, source, cipher))
                out = hexadecimal ? HexTextOf(cipher) : TextOfCipherBytes(cipher);
        } else if (CryptographicType == CRYPTO_DECRYPTION) {
            if (hexadecimal) {
                std::string cipher = BytesOfHexText(source);
                inBuffer_ = Bstr::Attach(NewBstr(TextOfCipherBytes(cipher)));
                out = DecryptBytes(keyField_, cipher);
            } else {
                out = DecryptText(keyField_, source);
            }
        }
        *result = NewBstr(out);
    });
}

STDMETHODIMP clsCrypto::FileCryptography(acCryptographicTypeConst CrytographicType, BSTR sSourceFile, BSTR sPassword,
                                         BSTR /*sDestinationFile: the source file itself is transformed*/,
                                         acCryptographicMethodConst CryptographicMethod, VARIANT_BOOL* result) {
    return Guarded([&] {
        Require(result);
        *result = VARIANT_FALSE;
        if (!FindsPlainFile(BeforeNul(TextOf(sSourceFile)))) return;
        StoreText(password_, sPassword);
        SelectCryptographicMethod(CryptographicMethod);
        if (CryptographicMethod == kSealedMethod) {
            ReleaseCryptoApiHandles();
            std::string password = ToUtf8(ViewOf(password_.get()));
            bool encrypt = CrytographicType == CRYPTO_ENCRYPTION;
            bool done = ReplaceFileContent(
                BeforeNul(TextOf(sSourceFile)),
                [&](HANDLE source, HANDLE target, unsigned long long size) {
                    return encrypt ? AesGcmSealer::SealStream(source, target, size, password)
                                   : AesGcmSealer::OpenStream(source, target, size, password);
                },
                nullptr);
            *result = done ? VARIANT_TRUE : VARIANT_FALSE;
            return;
        }
        AcquireProvider();
        if (!providerField_) return;
        DeriveKey();
        if (!keyField_) return;
        bool done = TransformFileWithKey(sSourceFile, &keyField_, CrytographicType == CRYPTO_ENCRYPTION);
        *result = done ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

bool clsCrypto::TransformFileWithKey(BSTR fileName, CryptNumber* key, bool encrypt) {
    CryptNumber given = *key;
    return TransformFile(BeforeNul(TextOf(fileName)), KeyOfNumber(given),
                         encrypt ? CryptDirection::Encrypt : CryptDirection::Decrypt, [&] {
                             // The key has done its work: destroyed once, and the caller's variable cleared.
                             if (given) {
                                 if (!(ownedKey_ && NumberOfHandle(ownedKey_.get()) == given))
                                     DestroyKeyOfNumber(given);
                                 DropKey(given);
                             }
                             *key = 0;
                         });
}

STDMETHODIMP clsCrypto::DoFileEncrypt(BSTR sFileName, LONG_PTR* lKey, VARIANT_BOOL* result) {
    return Guarded([&] {
        Require(lKey, result);
        *result = TransformFileWithKey(sFileName, lKey, true) ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

STDMETHODIMP clsCrypto::DoFileDecrypt(BSTR sFileName, LONG_PTR* lKey, VARIANT_BOOL* result) {
    return Guarded([&] {
        Require(lKey, result);
        *result = TransformFileWithKey(sFileName, lKey, false) ? VARIANT_TRUE : VARIANT_FALSE;
    });
}

STDMETHODIMP clsCrypto::EnumCSPs(_Collection** result) {
    return Guarded([&] {
        Require(result);
        *result = nullptr;
    });
}

STDMETHODIMP clsCrypto::EnumCSPTypes(_Collection** result) {
    return Guarded([&] {
        Require(result);
        *result = nullptr;
    });
}

STDMETHODIMP clsCrypto::SetCSP(BSTR, BSTR, LONG* result) {
    return Guarded([&] {
        Require(result);
        *result = 0;
    });
}

HRESULT Create_clsCrypto(REFIID riid, void** ppv) { return CreateAndQuery<clsCrypto>(riid, ppv); }

}  // namespace wx
