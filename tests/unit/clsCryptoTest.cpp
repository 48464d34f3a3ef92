// clsCrypto as hosts meet it: the shift cipher of the default mode, the 25 CryptoAPI combinations
// for texts and files (checked against CryptoAPI called directly with the same derivation), the
// fields, the handles the instance keeps, and files that must survive every failure.
#include "frame/Interfaces.h"
#include "support/Library.h"
#include "support/StoredFixture.h"
#include <gtest/gtest.h>
#include <wincrypt.h>
#include <algorithm>
#include <random>
#include <thread>

using namespace wxtest;

namespace {

struct MethodRow {
    bool enhanced;
    ALG_ID hash, cipher;
};
const MethodRow kRows[25] = {
    {false, CALG_MD2, CALG_RC2}, {false, CALG_MD2, CALG_RC4}, {false, CALG_MD2, CALG_DES},
    {false, CALG_MD4, CALG_RC2}, {false, CALG_MD5, CALG_RC2}, {false, CALG_MD5, CALG_RC4},
    {false, CALG_MD5, CALG_DES}, {false, CALG_SHA, CALG_RC2}, {false, CALG_SHA, CALG_RC4},
    {false, CALG_SHA, CALG_DES}, {true, CALG_MD2, CALG_RC2}, {true, CALG_MD2, CALG_RC4},
    {true, CALG_MD2, CALG_DES}, {true, CALG_MD2, CALG_3DES}, {true, CALG_MD4, CALG_RC2},
    {true, CALG_MD4, CALG_RC4}, {true, CALG_MD4, CALG_3DES}, {true, CALG_MD4, CALG_3DES_112},
    {true, CALG_MD5, CALG_RC2}, {true, CALG_MD5, CALG_RC4}, {true, CALG_MD5, CALG_3DES},
    {true, CALG_MD5, CALG_3DES_112}, {true, CALG_SHA, CALG_RC2}, {true, CALG_SHA, CALG_RC4},
    {true, CALG_SHA, CALG_3DES_112},
};
const DWORD kChunk = 1u << 20;

const char* ProviderName(bool enhanced) {
    return enhanced ? "Microsoft Enhanced Cryptographic Provider v1.0" : "Microsoft Base Cryptographic Provider v1.0";
}

// The same context and key the class derives, made here directly, for one-shot reference results.
struct Reference {
    HCRYPTPROV prov = 0;
    HCRYPTHASH hash = 0;
    HCRYPTKEY key = 0;
    Reference(int method, const std::string& password) {
        const MethodRow& row = kRows[method];
        if (!CryptAcquireContextA(&prov, "", ProviderName(row.enhanced), PROV_RSA_FULL, 0))
            CryptAcquireContextA(&prov, "", ProviderName(row.enhanced), PROV_RSA_FULL, CRYPT_NEWKEYSET);
        CryptCreateHash(prov, row.hash, 0, 0, &hash);
        CryptHashData(hash, reinterpret_cast<const BYTE*>(password.data()), static_cast<DWORD>(password.size()), 0);
        CryptDeriveKey(prov, row.cipher, hash, 0, &key);
    }
    ~Reference() {
        if (key) CryptDestroyKey(key);
        if (hash) CryptDestroyHash(hash);
        if (prov) CryptReleaseContext(prov, 0);
    }
    HCRYPTKEY take() { HCRYPTKEY k = key; key = 0; return k; }
    std::string Encrypt(const std::string& plain) const {
        std::string buffer = plain + std::string(64, '\0');
        DWORD length = static_cast<DWORD>(plain.size());
        EXPECT_TRUE(CryptEncrypt(key, 0, TRUE, 0, reinterpret_cast<BYTE*>(&buffer[0]), &length,
                                 static_cast<DWORD>(buffer.size())));
        return buffer.substr(0, length);
    }
};

std::string RandomBytes(size_t count, unsigned seed) {
    std::mt19937 gen(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
    return bytes;
}

// One character per byte: the texts used here are made only of ANSI codes, so a code page
// conversion is exact.
std::wstring TextOfBytes(const std::string& bytes) {
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    if (n) MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
    return text;
}
std::string BytesOfText(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    if (n) WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
    return bytes;
}

class CryptoTest : public ::testing::Test {
protected:
    void SetUp() override {
        crypto = Create<_clsCrypto>(CLSID_clsCrypto, IID__clsCrypto);
        ASSERT_TRUE(crypto);
    }
    std::wstring Text(acCryptographicTypeConst type, const std::wstring& source, const wchar_t* password = L"",
                      long method = 21, long conversion = 0, bool cryptoApi = true) {
        Bstr s(source.c_str(), static_cast<UINT>(source.size())), p(password), out;
        HRESULT hr = crypto->StringCryptography(type, s.get(), p.get(), static_cast<acCryptographicMethodConst>(method),
                                                static_cast<acCryptographicConversionConst>(conversion),
                                                cryptoApi ? VARIANT_TRUE : VARIANT_FALSE, out.put());
        EXPECT_EQ(hr, S_OK);
        return out.isNull() ? std::wstring() : std::wstring(out.get(), out.length());
    }
    bool File(acCryptographicTypeConst type, const std::wstring& path, const wchar_t* password, long method,
              const wchar_t* destination = L"") {
        Bstr p(path.c_str()), pw(password), d(destination);
        VARIANT_BOOL done = VARIANT_TRUE;
        EXPECT_EQ(crypto->FileCryptography(type, p.get(), pw.get(), d.get(), static_cast<acCryptographicMethodConst>(method),
                                           &done),
                  S_OK);
        return done == VARIANT_TRUE;
    }
    // A number field, or a handle field (pointer-sized).
    template <class Number>
    Number Field(HRESULT (STDMETHODCALLTYPE _clsCrypto::*get)(Number*)) {
        Number v = -1;
        EXPECT_EQ((crypto.get()->*get)(&v), S_OK);
        return v;
    }
    std::wstring TextField(HRESULT (STDMETHODCALLTYPE _clsCrypto::*get)(BSTR*)) {
        Bstr v;
        EXPECT_EQ((crypto.get()->*get)(v.put()), S_OK);
        return v.isNull() ? std::wstring() : std::wstring(v.get(), v.length());
    }
    ComPtr<_clsCrypto> crypto;
};

size_t FilesIn(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &data);
    size_t n = 0;
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return n;
}

}  // namespace

TEST_F(CryptoTest, DefaultModeIsTheShiftCipherAndTouchesNoField) {
    std::wstring enciphered = Text(CRYPTO_ENCRYPTION, L"abc", L"pw", 21, 1, false);
    EXPECT_EQ(BytesOfText(enciphered), "\xA1\xA2\xA3");
    EXPECT_EQ(Text(CRYPTO_DECRYPTION, enciphered, L"", 21, 0, false), L"abc");
    {  // a type neither one nor the other (no value of the enumeration: as a host passes it)
        ComPtr<IDispatch> object = crypto.as<IDispatch>(IID_IDispatch);
        Variant type = Variant::Long(2), source = Variant::Text(L"abc"), password = Variant::Text(L""),
                method = Variant::Long(21), conversion = Variant::Long(0), standard = Variant::Bool(false);
        CallResult r = Call(object.get(), L"StringCryptography",
                            {Val(type), Val(source), Val(password), Val(method), Val(conversion), Val(standard)});
        EXPECT_EQ(r.hr, S_OK);
        EXPECT_EQ(TextOf(*r.value.get()), L"");
    }
    EXPECT_EQ(TextField(&_clsCrypto::get_m_EncDec_Password), L"");
    EXPECT_EQ(TextField(&_clsCrypto::get_sProvider), L"");
    EXPECT_EQ(TextField(&_clsCrypto::get_s_DataValue), L"");
    EXPECT_EQ(Field(&_clsCrypto::get_m_Hash_Algorithm), 0);
    EXPECT_EQ(Field(&_clsCrypto::get_m_CSP_Provider), 0);
    EXPECT_EQ(Field(&_clsCrypto::get_lHSessionKey), 0);

    // Codes 0..191 survive a round trip; 192 and above have no enciphered form; below 64 no plain one.
    std::string low;
    for (int c = 0; c < 192; ++c) low.push_back(static_cast<char>(c));
    std::wstring lowText = TextOfBytes(low);
    std::wstring lowEnciphered = Text(CRYPTO_ENCRYPTION, lowText, L"", 0, 0, false);
    EXPECT_EQ(Text(CRYPTO_DECRYPTION, lowEnciphered, L"", 0, 0, false), lowText);
    std::string outBytes = BytesOfText(lowEnciphered);
    EXPECT_EQ(outBytes.find_first_of("\",\r\n"), std::string::npos);
    // Codes 192 and above travel behind code 1, less 128.
    EXPECT_EQ(BytesOfText(Text(CRYPTO_ENCRYPTION, TextOfBytes("a\xC0z\xFF"), L"", 0, 0, false)),
              "\xA1\x01\x40\xBA\x01\x7F");
    EXPECT_EQ(Text(CRYPTO_DECRYPTION, L"123", L"", 0, 0, false), L"");
    EXPECT_EQ(Text(CRYPTO_ENCRYPTION, L"", L"", 0, 0, false), L"");
}

TEST_F(CryptoTest, EveryMethodMatchesCryptoApiAndRoundTripsRawAndHexadecimal) {
    std::string plain = "Attack at dawn, 12:00!";
    for (int c = 0; c < 256; ++c) plain.push_back(static_cast<char>(c));
    std::wstring plainText = TextOfBytes(plain);
    for (int method = 0; method < 25; ++method) {
        SCOPED_TRACE(method);
        std::wstring raw = Text(CRYPTO_ENCRYPTION, plainText, L"secret", method, 0);
        Reference reference(method, "secret");
        EXPECT_EQ(BytesOfText(raw), reference.Encrypt(plain));
        EXPECT_EQ(Field(&_clsCrypto::get_m_Hash_Algorithm), static_cast<long>(kRows[method].hash));
        EXPECT_EQ(Field(&_clsCrypto::get_m_EncDec_Algorithm), static_cast<long>(kRows[method].cipher));
        std::wstring provider = TextField(&_clsCrypto::get_sProvider);
        EXPECT_EQ(BytesOfText(provider), std::string(ProviderName(kRows[method].enhanced)) + '\0');
        EXPECT_NE(Field(&_clsCrypto::get_m_CSP_Provider), 0);
        EXPECT_NE(Field(&_clsCrypto::get_lHSessionKey), 0);
        EXPECT_EQ(Text(CRYPTO_DECRYPTION, raw, L"secret", method, 0), plainText);

        std::wstring hex = Text(CRYPTO_ENCRYPTION, plainText, L"secret", method, 1);
        EXPECT_EQ(hex.size(), raw.size() * 2);
        EXPECT_EQ(hex.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos);
        EXPECT_EQ(Text(CRYPTO_DECRYPTION, hex, L"secret", method, 1), plainText);
        EXPECT_NE(Text(CRYPTO_DECRYPTION, raw, L"other", method, 0), plainText);
    }
}

TEST_F(CryptoTest, HexadecimalFormIsTwoUppercaseDigitsPerCode) {
    // Method 19 is RC4: the ciphertext is as long as the text, so the digits can be checked against
    // the raw form character by character.
    std::wstring raw = Text(CRYPTO_ENCRYPTION, L"hexadecimal", L"k", 19, 0);
    std::wstring hex = Text(CRYPTO_ENCRYPTION, L"hexadecimal", L"k", 19, 1);
    std::string bytes = BytesOfText(raw);
    std::string expected;
    char two[3];
    for (char c : bytes) { sprintf(two, "%02X", static_cast<unsigned char>(c)); expected += two; }
    EXPECT_EQ(BytesOfText(hex), expected);
    // Lowercase digits and a single trailing digit are read too.
    std::wstring lower = hex;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
    EXPECT_EQ(Text(CRYPTO_DECRYPTION, lower, L"k", 19, 1), L"hexadecimal");
    EXPECT_EQ(Text(CRYPTO_DECRYPTION, std::wstring(), L"k", 19, 1), L"");
}

TEST_F(CryptoTest, NonHexadecimalPairRaisesTypeMismatch) {
    ComPtr<IDispatch> object = crypto.as<IDispatch>(IID_IDispatch);
    Variant type = Variant::Long(CRYPTO_DECRYPTION), source = Variant::Text(L"41G1"), password = Variant::Text(L"p"),
            method = Variant::Long(21), conversion = Variant::Long(1), standard = Variant::Bool(true);
    CallResult r = Call(object.get(), L"StringCryptography",
                        {Val(type), Val(source), Val(password), Val(method), Val(conversion), Val(standard)});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.number, 13);
}

TEST_F(CryptoTest, MethodsOutsideTheTableKeepTheEarlierSelection) {
    EXPECT_EQ(Text(CRYPTO_ENCRYPTION, L"abc", L"p", 26, 0), L"");
    EXPECT_EQ(Text(CRYPTO_ENCRYPTION, L"abc", L"p", -1, 0), L"");
    EXPECT_EQ(Field(&_clsCrypto::get_m_Hash_Algorithm), 0);
    EXPECT_EQ(TextField(&_clsCrypto::get_sProvider), L"");
    EXPECT_EQ(Field(&_clsCrypto::get_lHSessionKey), 0);
    EXPECT_EQ(TextField(&_clsCrypto::get_s_DataValue), L"abc");
    EXPECT_EQ(TextField(&_clsCrypto::get_m_EncDec_Password), L"p");

    // After a valid selection, an invalid one reuses it.
    std::wstring first = Text(CRYPTO_ENCRYPTION, L"abc", L"p", 19, 1);
    EXPECT_EQ(Text(CRYPTO_ENCRYPTION, L"abc", L"p", 99, 1), first);
    // After method 25 the fields name CNG's provider and algorithms, which CryptoAPI cannot serve.
    Text(CRYPTO_ENCRYPTION, L"abc", L"p", 25, 1);
    EXPECT_EQ(TextField(&_clsCrypto::get_sProvider), std::wstring(L"Microsoft Primitive Provider\0", 29));
    EXPECT_EQ(Text(CRYPTO_ENCRYPTION, L"abc", L"p", -1, 1), L"");
    Text(CRYPTO_ENCRYPTION, L"abc", L"p", 19, 1);
    EXPECT_EQ(Field(&_clsCrypto::get_m_EncDec_Algorithm), static_cast<long>(CALG_RC4));

    // The Base provider cannot derive 3DES: selected through the fields, the text gives "".
    Bstr base(L"Microsoft Base Cryptographic Provider v1.0");
    ASSERT_EQ(crypto->put_sProvider(base.get()), S_OK);
    ASSERT_EQ(crypto->put_m_Hash_Algorithm(CALG_MD5), S_OK);
    ASSERT_EQ(crypto->put_m_EncDec_Algorithm(CALG_3DES), S_OK);
    EXPECT_EQ(Text(CRYPTO_ENCRYPTION, L"abc", L"p", -1, 0), L"");
    EXPECT_NE(Field(&_clsCrypto::get_m_CSP_Provider), 0);
    EXPECT_EQ(Field(&_clsCrypto::get_lHSessionKey), 0);

    ScratchFolder folder;
    WriteFileBytes(folder.file(L"a.bin"), "data");
    EXPECT_FALSE(File(CRYPTO_ENCRYPTION, folder.file(L"a.bin"), L"p", 26));
    EXPECT_EQ(ReadFileBytes(folder.file(L"a.bin")), "data");
    ComPtr<_clsCrypto> fresh = Create<_clsCrypto>(CLSID_clsCrypto, IID__clsCrypto);
    crypto = fresh;
    EXPECT_FALSE(File(CRYPTO_ENCRYPTION, folder.file(L"a.bin"), L"p", 26));
    EXPECT_EQ(ReadFileBytes(folder.file(L"a.bin")), "data");
}

TEST_F(CryptoTest, FieldsAndBuffersAreReadWriteWithoutChecks) {
    Bstr text(L"x\0y", 3), out;
    EXPECT_EQ(crypto->put_m_EncDec_Password(text.get()), S_OK);
    EXPECT_EQ(TextField(&_clsCrypto::get_m_EncDec_Password), std::wstring(L"x\0y", 3));
    EXPECT_EQ(crypto->put_lHSessionKey(-5), S_OK);
    EXPECT_EQ(Field(&_clsCrypto::get_lHSessionKey), -5);
    EXPECT_EQ(crypto->put_m_CSP_Provider(7), S_OK);
    EXPECT_EQ(Field(&_clsCrypto::get_m_CSP_Provider), 7);
    Bstr in(L"in");
    EXPECT_EQ(crypto->put_InBuffer(in.get()), S_OK);
    EXPECT_EQ(TextField(&_clsCrypto::get_m_sInBuffer), L"in");
    Bstr o(L"out");
    EXPECT_EQ(crypto->put_m_sOutBuffer(o.get()), S_OK);
    EXPECT_EQ(TextField(&_clsCrypto::get_OutBuffer), L"out");

    _Collection* none = reinterpret_cast<_Collection*>(1);
    EXPECT_EQ(crypto->EnumCSPs(&none), S_OK);
    EXPECT_EQ(none, nullptr);
    none = reinterpret_cast<_Collection*>(1);
    EXPECT_EQ(crypto->EnumCSPTypes(&none), S_OK);
    EXPECT_EQ(none, nullptr);
    LONG zero = 9;
    Bstr prov(L"x"), type(L"1");
    EXPECT_EQ(crypto->SetCSP(prov.get(), type.get(), &zero), S_OK);
    EXPECT_EQ(zero, 0);
}

TEST_F(CryptoTest, KeyMembersUseTheBuffers) {
    Text(CRYPTO_ENCRYPTION, L"seed", L"pw", 20, 0);
    LONG_PTR key = Field(&_clsCrypto::get_lHSessionKey);
    ASSERT_NE(key, 0);
    Variant data = Variant::Text(L"some text");
    Bstr cipher, plain, out;
    ASSERT_EQ(crypto->DoEncryptString(&key, *data.get(), cipher.put()), S_OK);
    EXPECT_EQ(cipher.length() % 8, 0u);
    EXPECT_EQ(TextField(&_clsCrypto::get_InBuffer), L"some text");
    EXPECT_EQ(TextField(&_clsCrypto::get_OutBuffer), L"");
    ASSERT_EQ(crypto->DoDecryptString(&key, cipher.get(), plain.put()), S_OK);
    EXPECT_EQ(std::wstring(plain.get(), plain.length()), L"some text");
    EXPECT_EQ(TextField(&_clsCrypto::get_OutBuffer), L"some text");
    EXPECT_EQ(TextField(&_clsCrypto::get_m_sInBuffer), std::wstring(cipher.get(), cipher.length()));

    // A failed decryption (not a whole block) returns "" and keeps the output buffer.
    Bstr broken(L"abc");
    ASSERT_EQ(crypto->DoDecryptString(&key, broken.get(), out.put()), S_OK);
    EXPECT_EQ(out.length(), 0u);
    EXPECT_EQ(TextField(&_clsCrypto::get_OutBuffer), L"some text");
    // No ciphertext at all is no 3DES text either (and never reaches the provider).
    Bstr nothing(L"");
    ASSERT_EQ(crypto->DoDecryptString(&key, nothing.get(), out.put()), S_OK);
    EXPECT_EQ(out.length(), 0u);
    EXPECT_EQ(TextField(&_clsCrypto::get_OutBuffer), L"some text");
    // A number is encrypted as its text; a zero key gives "".
    Variant number = Variant::Long(42);
    LONG_PTR none = 0;
    ASSERT_EQ(crypto->DoEncryptString(&none, *number.get(), out.put()), S_OK);
    EXPECT_EQ(out.length(), 0u);
    EXPECT_EQ(TextField(&_clsCrypto::get_InBuffer), L"42");
}

TEST_F(CryptoTest, ReplacedAndFinalHandlesAreReleased) {
    Text(CRYPTO_ENCRYPTION, L"one", L"pw", 19, 0);
    HCRYPTPROV firstProvider = static_cast<ULONG_PTR>(Field(&_clsCrypto::get_m_CSP_Provider));
    HCRYPTKEY firstKey = static_cast<ULONG_PTR>(Field(&_clsCrypto::get_lHSessionKey));
    ASSERT_NE(firstProvider, 0u);
    DWORD length = 0;
    BYTE scratch[16];
    EXPECT_TRUE(CryptEncrypt(firstKey, 0, TRUE, 0, scratch, &length, sizeof scratch));
    Text(CRYPTO_ENCRYPTION, L"two", L"pw", 19, 0);
    HCRYPTPROV secondProvider = static_cast<ULONG_PTR>(Field(&_clsCrypto::get_m_CSP_Provider));
    HCRYPTKEY secondKey = static_cast<ULONG_PTR>(Field(&_clsCrypto::get_lHSessionKey));
    BYTE name[256];
    DWORD size = sizeof name;
    EXPECT_FALSE(CryptGetProvParam(firstProvider, PP_NAME, name, &size, 0));
    if (firstKey != secondKey) {
        EXPECT_FALSE(CryptEncrypt(firstKey, 0, TRUE, 0, scratch, &length, sizeof scratch));
    }
    size = sizeof name;
    EXPECT_TRUE(CryptGetProvParam(secondProvider, PP_NAME, name, &size, 0));
    crypto.reset();
    size = sizeof name;
    EXPECT_FALSE(CryptGetProvParam(secondProvider, PP_NAME, name, &size, 0));
    EXPECT_FALSE(CryptEncrypt(secondKey, 0, TRUE, 0, scratch, &length, sizeof scratch));
}

TEST_F(CryptoTest, FilesRoundTripWithEveryMethod) {
    ScratchFolder folder;
    std::wstring path = folder.file(L"data.bin");
    std::string original = RandomBytes(5000, 1);
    for (int method = 0; method < 25; ++method) {
        SCOPED_TRACE(method);
        WriteFileBytes(path, original);
        ASSERT_TRUE(File(CRYPTO_ENCRYPTION, path, L"file password", method, L"ignored.bin"));
        EXPECT_EQ(Field(&_clsCrypto::get_lHSessionKey), 0);
        EXPECT_NE(Field(&_clsCrypto::get_m_CSP_Provider), 0);
        std::string encrypted = ReadFileBytes(path);
        Reference reference(method, "file password");
        EXPECT_EQ(encrypted, reference.Encrypt(original));
        ASSERT_TRUE(File(CRYPTO_DECRYPTION, path, L"file password", method));
        EXPECT_EQ(ReadFileBytes(path), original);  // cut to the plaintext's length
        EXPECT_EQ(FilesIn(folder.path()), 1u);
    }
    EXPECT_EQ(GetFileAttributesW(folder.file(L"ignored.bin").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CryptoTest, ChunkedFileEqualsOneShotForStreamAndBlockCiphers) {
    ScratchFolder folder;
    std::wstring path = folder.file(L"sizes.bin");
    const size_t sizes[] = {0, 1, 7, 8, 9, kChunk - 1, kChunk, kChunk + 1, 3 * kChunk + 5};
    for (int method : {19, 20}) {
        for (size_t size : sizes) {
            SCOPED_TRACE(testing::Message() << "method " << method << " size " << size);
            std::string original = RandomBytes(size, static_cast<unsigned>(size) + static_cast<unsigned>(method));
            WriteFileBytes(path, original);
            ASSERT_TRUE(File(CRYPTO_ENCRYPTION, path, L"chunks", method));
            Reference reference(method, "chunks");
            std::string expected = reference.Encrypt(original);
            std::string encrypted = ReadFileBytes(path);
            EXPECT_EQ(encrypted.size(), expected.size());
            EXPECT_TRUE(encrypted == expected);
            ASSERT_TRUE(File(CRYPTO_DECRYPTION, path, L"chunks", method));
            std::string decrypted = ReadFileBytes(path);
            EXPECT_EQ(decrypted.size(), original.size());
            EXPECT_TRUE(decrypted == original);
        }
    }
}

TEST_F(CryptoTest, WrongPasswordLeavesTheFileUntouched) {
    ScratchFolder folder;
    for (size_t size : {size_t(100), size_t(2 * kChunk + 3)}) {
        std::wstring path = folder.file(L"secret.bin");
        std::string original = RandomBytes(size, 7);
        WriteFileBytes(path, original);
        ASSERT_TRUE(File(CRYPTO_ENCRYPTION, path, L"right", 20));
        std::string encrypted = ReadFileBytes(path);
        EXPECT_FALSE(File(CRYPTO_DECRYPTION, path, L"wrong", 20));
        EXPECT_TRUE(ReadFileBytes(path) == encrypted);
        EXPECT_NE(Field(&_clsCrypto::get_lHSessionKey), 0);  // not destroyed on failure
        EXPECT_EQ(FilesIn(folder.path()), 1u);
        ASSERT_TRUE(File(CRYPTO_DECRYPTION, path, L"right", 20));
        EXPECT_TRUE(ReadFileBytes(path) == original);
    }
    // Ciphertext that is not whole blocks, and an empty file, cannot be 3DES ciphertext.
    std::wstring odd = folder.file(L"odd.bin");
    WriteFileBytes(odd, "1234567890");
    EXPECT_FALSE(File(CRYPTO_DECRYPTION, odd, L"right", 20));
    EXPECT_EQ(ReadFileBytes(odd), "1234567890");
}

TEST_F(CryptoTest, KeyHandedToFileMembersIsDestroyedOnlyOnSuccess) {
    ScratchFolder folder;
    std::wstring good = folder.file(L"good.bin"), bad = folder.file(L"bad.bin");
    std::string original = RandomBytes(2 * kChunk + 11, 3);
    {
        Reference reference(20, "k");
        WriteFileBytes(good, reference.Encrypt(original));
    }
    // Same ciphertext with its last block damaged: the failure comes after whole chunks went through.
    std::string damaged = ReadFileBytes(good);
    damaged[damaged.size() - 1] ^= 0x55;
    WriteFileBytes(bad, damaged);

    Reference reference(20, "k");
    LONG_PTR key = static_cast<LONG_PTR>(reference.take());
    Bstr badPath(bad.c_str()), goodPath(good.c_str());
    VARIANT_BOOL done = VARIANT_TRUE;
    ASSERT_EQ(crypto->DoFileDecrypt(badPath.get(), &key, &done), S_OK);
    EXPECT_EQ(done, VARIANT_FALSE);
    EXPECT_NE(key, 0);
    EXPECT_TRUE(ReadFileBytes(bad) == damaged);
    // The key is as it was handed over: it still decrypts the intact file from its start.
    ASSERT_EQ(crypto->DoFileDecrypt(goodPath.get(), &key, &done), S_OK);
    EXPECT_EQ(done, VARIANT_TRUE);
    EXPECT_EQ(key, 0);
    EXPECT_TRUE(ReadFileBytes(good) == original);
}

TEST_F(CryptoTest, AttributeRuleAndFilesTheSearchDoesNotFind) {
    ScratchFolder folder;
    std::wstring readOnly = folder.file(L"ro.txt"), archive = folder.file(L"ar.txt");
    WriteFileBytes(readOnly, "read only");
    WriteFileBytes(archive, "archive");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(archive.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_TRUE(File(CRYPTO_ENCRYPTION, readOnly, L"p", 19));
    EXPECT_EQ(GetFileAttributesW(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
    EXPECT_NE(ReadFileBytes(readOnly), "read only");
    ASSERT_TRUE(File(CRYPTO_DECRYPTION, readOnly, L"p", 19));
    EXPECT_EQ(ReadFileBytes(readOnly), "read only");
    EXPECT_EQ(GetFileAttributesW(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
    // Attribute value 0 goes back: the file reads as one whose attributes were cleared (the platform
    // may still report its own archive bit for such a file).
    std::wstring cleared = folder.file(L"cleared.txt");
    WriteFileBytes(cleared, "x");
    SetFileAttributesW(cleared.c_str(), 0);
    ASSERT_TRUE(File(CRYPTO_ENCRYPTION, archive, L"p", 19));
    EXPECT_EQ(GetFileAttributesW(archive.c_str()), GetFileAttributesW(cleared.c_str()));
    DeleteFileW(cleared.c_str());

    // A failure keeps the read-only file read-only.
    EXPECT_FALSE(File(CRYPTO_DECRYPTION, readOnly, L"p", 20));
    EXPECT_EQ(GetFileAttributesW(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ReadFileBytes(readOnly), "read only");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

    std::wstring hidden = folder.file(L"hidden.txt");
    WriteFileBytes(hidden, "hidden");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    DWORD hiddenAttributes = GetFileAttributesW(hidden.c_str());
    EXPECT_FALSE(File(CRYPTO_ENCRYPTION, hidden, L"p", 19));
    EXPECT_EQ(ReadFileBytes(hidden), "hidden");
    EXPECT_EQ(GetFileAttributesW(hidden.c_str()), hiddenAttributes);
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
    CreateDirectoryW(folder.file(L"sub").c_str(), nullptr);
    EXPECT_FALSE(File(CRYPTO_ENCRYPTION, folder.file(L"sub"), L"p", 19));
    EXPECT_FALSE(File(CRYPTO_ENCRYPTION, folder.file(L"missing.txt"), L"p", 19));
    EXPECT_FALSE(File(CRYPTO_ENCRYPTION, L"", L"p", 19));
    EXPECT_FALSE(File(CRYPTO_ENCRYPTION, folder.file(L"*.txt"), L"p", 19));
    EXPECT_EQ(ReadFileBytes(readOnly), "read only");
    EXPECT_EQ(GetFileAttributesW(folder.file(L"missing.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    LONG_PTR key = 0;
    VARIANT_BOOL done = VARIANT_TRUE;
    Bstr sub(folder.file(L"sub").c_str());
    EXPECT_EQ(crypto->DoFileEncrypt(sub.get(), &key, &done), S_OK);
    EXPECT_EQ(done, VARIANT_FALSE);
    EXPECT_EQ(FilesIn(folder.path()), 3u);
}

TEST_F(CryptoTest, FileMembersThroughDispatchClearTheCallersKey) {
    ScratchFolder folder;
    std::wstring path = folder.file(L"d.txt");
    WriteFileBytes(path, "through IDispatch");
    Text(CRYPTO_ENCRYPTION, L"x", L"pw", 11, 0);
    ComPtr<IDispatch> object = crypto.as<IDispatch>(IID_IDispatch);
    Variant key = Variant::Long(static_cast<LONG>(Field(&_clsCrypto::get_lHSessionKey)));
    Variant name = Variant::Text(path.c_str());
    CallResult r = Call(object.get(), L"DoFileEncrypt", {Val(name), Ref(key)});
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(V_BOOL(r.value.get()), VARIANT_TRUE);
    EXPECT_EQ(V_I4(key.get()), 0);
    // The instance's own key went with it: its field no longer names a destroyed key.
    EXPECT_EQ(Field(&_clsCrypto::get_lHSessionKey), 0);
    Reference reference(11, "pw");
    EXPECT_EQ(ReadFileBytes(path), reference.Encrypt("through IDispatch"));
}

// A host window whose handler cuts a file short when the library hands control to the host.
std::wstring g_cutPath;
unsigned long long g_cutAt = 0;
const UINT kCutMessage = WM_APP + 5;
LRESULT CALLBACK CutterProc(HWND wnd, UINT message, WPARAM w, LPARAM l) {
    if (message == kCutMessage) {
        HANDLE file = CreateFileW(g_cutPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(g_cutAt);
        SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
        return 0;
    }
    return DefWindowProcW(wnd, message, w, l);
}

TEST_F(CryptoTest, FailuresHalfWayLeaveTheOriginalAndTheKeyAsTheyWere) {
    ScratchFolder folder;
    std::wstring path = folder.file(L"big.bin");
    // Large enough that the host gets control during the run (after 64 MB), where its handler
    // shortens the file: the next read comes up short.
    const unsigned long long size = (65ull << 20) + 5;
    {
        std::string block = RandomBytes(kChunk, 5);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD done = 0;
        for (unsigned long long at = 0; at < size; at += kChunk)
            WriteFile(file, block.data(), static_cast<DWORD>(std::min<unsigned long long>(kChunk, size - at)), &done,
                      nullptr);
        CloseHandle(file);
    }
    WNDCLASSW wc = {};
    wc.lpfnWndProc = CutterProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"WxCryptoCutter";
    RegisterClassW(&wc);
    HWND cutter = CreateWindowW(L"WxCryptoCutter", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(cutter, nullptr);
    g_cutPath = path;
    g_cutAt = (64ull << 20) + 100;
    PostMessageW(cutter, kCutMessage, 0, 0);

    Reference reference(19, "k");
    LONG_PTR key = static_cast<LONG_PTR>(reference.take());
    Bstr name(path.c_str());
    VARIANT_BOOL done = VARIANT_TRUE;
    ASSERT_EQ(crypto->DoFileEncrypt(name.get(), &key, &done), S_OK);
    DestroyWindow(cutter);
    EXPECT_EQ(done, VARIANT_FALSE);
    EXPECT_NE(key, 0);
    EXPECT_EQ(ReadFileBytes(path).size(), g_cutAt);  // only the host's own change
    EXPECT_EQ(FilesIn(folder.path()), 1u);
    DeleteFileW(path.c_str());

    // The key is back at its start: a later run gives the one-shot ciphertext.
    std::string original = RandomBytes(3000, 11);
    path = folder.file(L"small.bin");
    name = Bstr(path.c_str());
    WriteFileBytes(path, original);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(crypto->DoFileEncrypt(name.get(), &key, &done), S_OK);
    EXPECT_EQ(done, VARIANT_TRUE);
    EXPECT_EQ(key, 0);
    Reference again(19, "k");
    EXPECT_TRUE(ReadFileBytes(path) == again.Encrypt(original));
    std::string encrypted = ReadFileBytes(path);
    Reference second(19, "k");
    key = static_cast<LONG_PTR>(second.take());
    {
        // Held open without leave to delete it: the finished result cannot replace it.
        HANDLE other = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        ASSERT_EQ(crypto->DoFileDecrypt(name.get(), &key, &done), S_OK);
        CloseHandle(other);
    }
    EXPECT_EQ(done, VARIANT_FALSE);
    EXPECT_NE(key, 0);
    EXPECT_TRUE(ReadFileBytes(path) == encrypted);
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(FilesIn(folder.path()), 1u);
    CryptDestroyKey(static_cast<HCRYPTKEY>(key));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);

    // An empty file is no 3DES ciphertext; with RC4 it decrypts to nothing.
    std::wstring empty = folder.file(L"empty.bin");
    WriteFileBytes(empty, "");
    EXPECT_FALSE(File(CRYPTO_DECRYPTION, empty, L"k", 20));
    EXPECT_EQ(ReadFileBytes(empty), "");
    EXPECT_TRUE(File(CRYPTO_DECRYPTION, empty, L"k", 19));
    EXPECT_EQ(ReadFileBytes(empty), "");
}

// Key handles come back from the host as plain numbers: one that is no live key of the library
// must not reach the platform, which would take it as a pointer.
TEST_F(CryptoTest, NumbersThatAreNoLiveKeyAreRefused) {
    for (LONG bogus : {1L, 255L, 3000L, -2147483647L, 0x7FFFFFFFL}) {
        LONG_PTR key = bogus;
        Variant data = Variant::Text(L"text");
        Bstr out;
        ASSERT_EQ(crypto->DoEncryptString(&key, *data.get(), out.put()), S_OK);
        EXPECT_EQ(out.length(), 0u);
        Bstr in(L"cipher");
        Bstr plain;
        ASSERT_EQ(crypto->DoDecryptString(&key, in.get(), plain.put()), S_OK);
        EXPECT_EQ(plain.length(), 0u);
        VARIANT_BOOL done = VARIANT_TRUE;
        Bstr file(L"C:\\\\no-such-file.bin");
        ASSERT_EQ(crypto->DoFileEncrypt(file.get(), &key, &done), S_OK);
        EXPECT_EQ(done, VARIANT_FALSE);
    }
}

TEST_F(CryptoTest, TextsAndFilesStoredByAnEarlierBuildStillOpenAndAreMadeAlike) {
    std::vector<std::string> lines = LinesOf(ReadFileBytes(StoredFixture(L"texts.txt")));
    ASSERT_GE(lines.size(), 30u);
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        std::vector<std::string> f = FieldsOf(line);
        ASSERT_EQ(f.size(), 6u);
        bool cryptoApi = f[0] == "crypto";
        long method = std::stol(f[1]), conversion = std::stol(f[2]);
        std::wstring password = TextOfHex(f[3]), plain = TextOfHex(f[4]), stored = TextOfHex(f[5]);
        // The shift cipher lost the codes of 192 and above (here the Latin-1 letters) on the way in;
        // a text without them is enciphered as it was, the others now keep them.
        std::wstring recovered;
        for (wchar_t c : plain)
            if (cryptoApi || c < 0xC0 || c > 0xFF) recovered += c;
        EXPECT_EQ(Text(CRYPTO_DECRYPTION, stored, password.c_str(), method, conversion, cryptoApi), recovered);
        if (recovered == plain) {
            EXPECT_EQ(Text(CRYPTO_ENCRYPTION, plain, password.c_str(), method, conversion, cryptoApi), stored);
        }
    }

    ScratchFolder folder;
    std::wstring path = folder.file(L"stored.bin");
    std::string plain = ReadFileBytes(StoredFixture(L"plain.txt"));
    std::vector<std::string> files = LinesOf(ReadFileBytes(StoredFixture(L"files.txt")));
    ASSERT_GE(files.size(), 5u);
    std::wstring password = TextOfHex(files[0]);
    for (size_t i = 1; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        long method = std::stol(files[i]);
        std::string encrypted = ReadFileBytes(StoredFixture((L"encrypted-" + std::to_wstring(method) + L".bin").c_str()));
        ASSERT_FALSE(encrypted.empty());
        WriteFileBytes(path, encrypted);
        ASSERT_TRUE(File(CRYPTO_DECRYPTION, path, password.c_str(), method));
        EXPECT_EQ(ReadFileBytes(path), plain);
        ASSERT_TRUE(File(CRYPTO_ENCRYPTION, path, password.c_str(), method));
        EXPECT_EQ(ReadFileBytes(path), encrypted);
    }
}

TEST(CryptoProvider, FirstAcquisitionsAtOnceOnAFreshProfileAllSucceed) {
    const wchar_t* providers[] = {L"Microsoft Base Cryptographic Provider v1.0",
                                  L"Microsoft Enhanced Cryptographic Provider v1.0"};
    for (int round = 0; round < 4; ++round) {
        // A fresh profile: the default key container does not exist yet.
        for (const wchar_t* provider : providers) {
            HCRYPTPROV gone = 0;
            CryptAcquireContextW(&gone, L"", provider, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
        }
        const int kThreads = 8;
        std::vector<std::wstring> results(kThreads);
        volatile LONG waiting = kThreads;
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                auto crypto = Create<_clsCrypto>(CLSID_clsCrypto, IID__clsCrypto);
                Bstr source(L"text"), password(L"pw"), out;
                InterlockedDecrement(&waiting);
                while (waiting > 0) YieldProcessor();
                if (crypto)
                    crypto->StringCryptography(CRYPTO_ENCRYPTION, source.get(), password.get(),
                                               t % 2 ? MS_DEF_PROV__CALG_MD5__CALG_RC4 : MS_ENHANCED_PROV__CALG_SHA__CALG_3DES_112,
                                               CRYPTO_CONVERSION_HEXA, VARIANT_TRUE, out.put());
                results[static_cast<size_t>(t)] = out.isNull() ? std::wstring() : std::wstring(out.get(), out.length());
            });
        for (auto& thread : threads) thread.join();
        for (int t = 0; t < kThreads; ++t) EXPECT_FALSE(results[static_cast<size_t>(t)].empty()) << "round " << round << ", thread " << t;
    }
}

// ---- Texts and passwords of every language --------------------------------------------------

namespace {

// The code page texts become bytes in: the system's, or 1252 where the system's has characters of
// two bytes.
UINT CipherPage() {
    CPINFO info;
    UINT acp = GetACP();
    return GetCPInfo(acp, &info) && info.MaxCharSize == 1 ? acp : 1252;
}
bool PageBytes(const std::wstring& text, std::string& bytes) {
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(CipherPage(), WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                                nullptr, 0, nullptr, &usedDefault);
    bytes.assign(static_cast<size_t>(n), '\0');
    if (n) WideCharToMultiByte(CipherPage(), WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), &bytes[0],
                               n, nullptr, nullptr);
    std::wstring back(bytes.size(), L'\0');
    if (n) MultiByteToWideChar(CipherPage(), 0, bytes.data(), n, &back[0], n);
    return !usedDefault && back == text;
}
std::wstring PageText(const std::string& bytes) {
    std::wstring text(bytes.size(), L'\0');
    if (!bytes.empty())
        MultiByteToWideChar(CipherPage(), 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                            static_cast<int>(text.size()));
    return text;
}
std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    if (n) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
    return bytes;
}
// UTF-8 with each lone surrogate as its own three bytes (the platform's conversion would put
// U+FFFD in its place).
std::string Utf8Kept(const std::wstring& text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            bytes += Utf8(text.substr(i, 2));
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            bytes += {char(0xE0 | c >> 12), char(0x80 | ((c >> 6) & 63)), char(0x80 | (c & 63))};
        } else {
            bytes += Utf8(text.substr(i, 1));
        }
    }
    return bytes;
}
const std::string kMarker("\0\x1BU8", 4);

// Native letters of the three systems tested here, letters none of them has, codes 192-255 of
// Western European, lone surrogates, and a text that begins like the marker.
std::vector<std::wstring> Texts() {
    std::wstring lone = L"x";
    lone += wchar_t(0xD800);
    lone += L"y";
    lone += wchar_t(0xDC00);
    lone += L" \U0001F600";
    return {L"Meet \u0414\u043C\u0438 at 5", L"\u4F1A\u8B70\u306F5\u6642", L"Caf\u00E9 \u00C0\u00FF \u20AC",
            L"\u041F\u0440\u0438\u0432\u0435\u0442", lone, L"plain", std::wstring(L"\0\x1BU8\u00E9", 5)};
}
const wchar_t kJapanese[] = L"\u79D8\u5BC6";                        // 秘密
const wchar_t kRussian[] = L"\u043F\u0430\u0440\u043E\u043B\u044C";  // пароль
std::wstring NativePassword() {
    switch (GetACP()) {
    case 932: return kJapanese;
    case 1251: return kRussian;
    default: return L"Kennw\u00F6rt\u20AC";
    }
}
// The same length, one letter changed.
std::wstring Wrong(std::wstring password) {
    password.back() = password.back() == L'x' ? L'y' : L'x';
    return password;
}

class CryptoCodePage : public CryptoTest {};

}  // namespace

TEST_F(CryptoCodePage, EveryTextAndPasswordComesBackAndExactOnesKeepTheirBytes) {
    for (const std::wstring& password : {NativePassword(), std::wstring(kJapanese), std::wstring(kRussian)}) {
        std::string passwordBytes;
        if (!PageBytes(password, passwordBytes)) passwordBytes = kMarker + Utf8Kept(password);
        for (const std::wstring& text : Texts())
            for (long method : {21L, 19L})
                for (long conversion : {0L, 1L}) {
                    SCOPED_TRACE(testing::Message() << "text " << Utf8(text) << ", password " << Utf8(password)
                                                    << ", method " << method << ", conversion " << conversion);
                    std::wstring sealed = Text(CRYPTO_ENCRYPTION, text, password.c_str(), method, conversion);
                    ASSERT_FALSE(sealed.empty());
                    EXPECT_EQ(Text(CRYPTO_DECRYPTION, sealed, password.c_str(), method, conversion), text);
                    EXPECT_NE(Text(CRYPTO_DECRYPTION, sealed, Wrong(password).c_str(), method, conversion), text);
                    if (conversion) continue;
                    // What the page documents: the code page's bytes for an exact text (as always),
                    // else the marker and UTF-8; the password alike.
                    std::string plainBytes;
                    if (!PageBytes(text, plainBytes) || plainBytes.compare(0, 4, kMarker) == 0)
                        plainBytes = kMarker + Utf8Kept(text);
                    std::string raw;
                    ASSERT_TRUE(PageBytes(sealed, raw));
                    EXPECT_TRUE(raw == Reference(method, passwordBytes).Encrypt(plainBytes));
                }
    }
    // The UTF-8 of a password read as Western European text is another password.
    std::string utf8 = Utf8(kRussian);
    std::wstring lookalike(utf8.size(), L'\0');
    MultiByteToWideChar(1252, 0, utf8.data(), static_cast<int>(utf8.size()), &lookalike[0],
                        static_cast<int>(lookalike.size()));
    for (long method : {21L, 19L}) {
        std::wstring one = Text(CRYPTO_ENCRYPTION, L"secret text", kRussian, method, 1);
        std::wstring other = Text(CRYPTO_ENCRYPTION, L"secret text", lookalike.c_str(), method, 1);
        EXPECT_NE(Text(CRYPTO_DECRYPTION, one, lookalike.c_str(), method, 1), L"secret text");
        EXPECT_NE(Text(CRYPTO_DECRYPTION, other, kRussian, method, 1), L"secret text");
        // Nor does the form a code page without these letters made of them.
        EXPECT_NE(Text(CRYPTO_DECRYPTION, Text(CRYPTO_ENCRYPTION, L"secret text", kJapanese, method, 1), L"??",
                       method, 1),
                  L"secret text");
    }
}

TEST_F(CryptoCodePage, FilesWithANativePassword) {
    ScratchFolder folder;
    std::wstring path = folder.file(L"native.bin");
    std::string original = RandomBytes(5000, 21);
    WriteFileBytes(path, original);
    std::wstring password = NativePassword();
    ASSERT_TRUE(File(CRYPTO_ENCRYPTION, path, password.c_str(), 20));
    std::string encrypted = ReadFileBytes(path);
    EXPECT_FALSE(File(CRYPTO_DECRYPTION, path, Wrong(password).c_str(), 20));
    EXPECT_FALSE(File(CRYPTO_DECRYPTION, path, L"??", 20));
    EXPECT_TRUE(ReadFileBytes(path) == encrypted);
    ASSERT_TRUE(File(CRYPTO_DECRYPTION, path, password.c_str(), 20));
    EXPECT_TRUE(ReadFileBytes(path) == original);
}

TEST_F(CryptoCodePage, ShiftCipherCarriesEverythingAndReadsOldFormsAsBefore) {
    std::string every;
    for (int c = 0; c < 256; ++c) every.push_back(static_cast<char>(c));
    std::vector<std::wstring> texts = Texts();
    texts.push_back(PageText(every));
    for (const std::wstring& text : texts) {
        SCOPED_TRACE(Utf8(text));
        std::wstring enciphered = Text(CRYPTO_ENCRYPTION, text, L"", 0, 0, false);
        EXPECT_EQ(Text(CRYPTO_DECRYPTION, enciphered, L"", 0, 0, false), text);
        std::string bytes;
        ASSERT_TRUE(PageBytes(enciphered, bytes));
        EXPECT_EQ(bytes.find_first_of("\",\r\n"), std::string::npos);
    }
    // Codes 0..191 move up by 64 as they always did, so every enciphered text made before (codes
    // 64 and above only) deciphers as before.
    std::string low = every.substr(0, 192), high = every.substr(64);
    std::string shifted;
    for (char c : low) shifted.push_back(static_cast<char>(static_cast<unsigned char>(c) + 64));
    EXPECT_TRUE(Text(CRYPTO_ENCRYPTION, PageText(low), L"", 0, 0, false) == PageText(shifted));
    EXPECT_TRUE(Text(CRYPTO_DECRYPTION, PageText(high), L"", 0, 0, false) == PageText(every.substr(0, 192)));
    // A broken escape is dropped as any code below 64 always was; what follows it stays.
    EXPECT_TRUE(Text(CRYPTO_DECRYPTION, PageText(std::string("\x01\xA1", 2)), L"", 0, 0, false) == L"a");
    EXPECT_TRUE(Text(CRYPTO_DECRYPTION, PageText(std::string("\x02\x81\x81", 3)), L"", 0, 0, false) ==
                PageText("AA"));
    EXPECT_TRUE(Text(CRYPTO_DECRYPTION, PageText(std::string("\x02\x50\x40\x40", 4)), L"", 0, 0, false) ==
                PageText(std::string("\x10\0\0", 3)));
    EXPECT_EQ(Text(CRYPTO_DECRYPTION, PageText("\x01"), L"", 0, 0, false), L"");
    // A character the code page lacks was never enciphered text: dropped.
    EXPECT_EQ(Text(CRYPTO_DECRYPTION, PageText("\xA1") + L"\u4F1A", L"", 0, 0, false), L"a");
}

// ---- Method 25: AES-256-GCM -----------------------------------------------------------------

namespace {

const size_t kSealHeader = 40, kSealTag = 16, kSealSegment = 1u << 20;

std::string BytesOfHex(const std::wstring& hex) {
    std::string bytes;
    for (size_t at = 0; at + 1 < hex.size(); at += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16)));
    return bytes;
}
std::wstring HexOf(const std::string& bytes) {
    std::wstring hex;
    wchar_t two[3];
    for (char c : bytes) {
        swprintf(two, 3, L"%02X", static_cast<unsigned char>(c));
        hex += two;
    }
    return hex;
}

// A text call through IDispatch, as hosts see its errors.
CallResult SealedCall(_clsCrypto* crypto, long type, const std::wstring& source, const std::wstring& password,
                      long conversion = 1, bool cryptoApi = true) {
    ComPtr<IDispatch> object;
    crypto->QueryInterface(IID_IDispatch, object.putVoid());
    Variant t = Variant::Long(type), s = Variant::Text(source.c_str()), p = Variant::Text(password.c_str()),
            m = Variant::Long(25), c = Variant::Long(conversion), standard = Variant::Bool(cryptoApi);
    return Call(object.get(), L"StringCryptography", {Val(t), Val(s), Val(p), Val(m), Val(c), Val(standard)});
}

}  // namespace

TEST_F(CryptoTest, SealedTextsComeBackDifferEachTimeAndLeaveNoCryptoApiHandles) {
    Text(CRYPTO_ENCRYPTION, L"x", L"k", 19, 0);  // CryptoAPI handles an earlier call left
    std::vector<std::wstring> texts = Texts();
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::wstring& text = texts[i];
        long conversion = static_cast<long>(i % 2);
        SCOPED_TRACE(Utf8(text));
        std::wstring sealed = Text(CRYPTO_ENCRYPTION, text, kJapanese, 25, conversion);
        if (i == 0) {
            EXPECT_NE(Text(CRYPTO_ENCRYPTION, text, kJapanese, 25, conversion), sealed);
        }
        EXPECT_EQ(Text(CRYPTO_DECRYPTION, sealed, kJapanese, 25, conversion), text);
        EXPECT_EQ(TextField(&_clsCrypto::get_OutBuffer), text);
        std::string bytes;
        if (conversion) bytes = BytesOfHex(sealed);
        else ASSERT_TRUE(PageBytes(sealed, bytes));
        // Header, one segment: the text's UTF-8 (lone surrogates in three bytes each) and a tag.
        EXPECT_EQ(bytes.substr(0, 8), std::string("WXSEAL\x01\0", 8));
        EXPECT_EQ(bytes.size(), kSealHeader + Utf8(text).size() + kSealTag);
    }
    EXPECT_EQ(TextField(&_clsCrypto::get_sProvider), std::wstring(L"Microsoft Primitive Provider\0", 29));
    EXPECT_EQ(Field(&_clsCrypto::get_m_Hash_Algorithm), static_cast<long>(CALG_SHA_256));
    EXPECT_EQ(Field(&_clsCrypto::get_m_EncDec_Algorithm), static_cast<long>(CALG_AES_256));
    EXPECT_EQ(Field(&_clsCrypto::get_m_CSP_Provider), 0);
    EXPECT_EQ(Field(&_clsCrypto::get_lHSessionKey), 0);
    EXPECT_EQ(TextField(&_clsCrypto::get_m_EncDec_Password), kJapanese);
    // A password of megabytes is as good as any other.
    std::wstring huge(4u << 20, L'\u00E9');
    huge += L"!";
    std::wstring sealed = Text(CRYPTO_ENCRYPTION, L"big key", huge.c_str(), 25, 1);
    EXPECT_EQ(Text(CRYPTO_DECRYPTION, sealed, huge.c_str(), 25, 1), L"big key");
    huge.back() = L'?';
    EXPECT_EQ(SealedCall(crypto.get(), CRYPTO_DECRYPTION, sealed, huge).number, 26010);
}

TEST_F(CryptoTest, SealedTextsRefuseWrongPasswordsChangesAndForeignData) {
    std::wstring sealed = Text(CRYPTO_ENCRYPTION, L"Meet at 5", kRussian, 25, 1);
    Text(CRYPTO_DECRYPTION, sealed, kRussian, 25, 1);
    std::string bytes = BytesOfHex(sealed);
    CallResult wrong = SealedCall(crypto.get(), CRYPTO_DECRYPTION, sealed, Wrong(kRussian));
    EXPECT_EQ(wrong.number, 26010);
    EXPECT_EQ(wrong.source, L"WENDRAX1");
    EXPECT_NE(wrong.description.find(L"wrong password"), std::wstring::npos);
    EXPECT_EQ(TextField(&_clsCrypto::get_OutBuffer), L"Meet at 5");  // the last success stays
    // Any byte changed, the text cut short or made longer: not opened.
    for (size_t at : {size_t(7), size_t(8), size_t(20), size_t(36), kSealHeader, bytes.size() - 1}) {
        std::string changed = bytes;
        changed[at] ^= 0x01;
        CallResult r = SealedCall(crypto.get(), CRYPTO_DECRYPTION, HexOf(changed), kRussian);
        EXPECT_EQ(r.number, at == 7 ? 26011 : 26010) << "byte " << at;
    }
    for (const std::string& other : {bytes.substr(0, bytes.size() - 1), bytes + "x", bytes.substr(0, kSealHeader + 15)})
        EXPECT_EQ(SealedCall(crypto.get(), CRYPTO_DECRYPTION, HexOf(other), kRussian).number, 26010);
    // Not this format, or settings outside what is accepted: refused before any key is made.
    std::string iterations = bytes;
    iterations.replace(8, 4, std::string("\x9F\x86\x01\x00", 4));  // 99,999
    std::string rounds = bytes;
    rounds.replace(8, 4, std::string("\x81\x96\x98\x00", 4));  // 10,000,001
    std::string segment = bytes;
    segment.replace(12, 4, std::string("\xFF\xFF\xFF\x7F", 4));
    for (const std::string& foreign : {std::string(), bytes.substr(0, 39), std::string("WXSEAL\x02", 7) + bytes.substr(7),
                                       iterations, rounds, segment})
        EXPECT_EQ(SealedCall(crypto.get(), CRYPTO_DECRYPTION, HexOf(foreign), kRussian).number, 26011);
    EXPECT_EQ(SealedCall(crypto.get(), CRYPTO_DECRYPTION, L"\u4F1A\u8B70", kRussian, 0).number, 26011);
    EXPECT_EQ(SealedCall(crypto.get(), CRYPTO_DECRYPTION, L"5758G1", kRussian).number, 13);
    // Method 25 is never the key-less default mode.
    EXPECT_EQ(SealedCall(crypto.get(), CRYPTO_ENCRYPTION, L"text", L"pw", 1, false).number, 5);
}

TEST_F(CryptoTest, SealedFilesOpenOnlyWhenEverySegmentIsThereInItsPlace) {
    ScratchFolder folder;
    std::wstring path = folder.file(L"sealed.bin");
    std::string original = RandomBytes(2 * kSealSegment + 12345, 25);
    WriteFileBytes(path, original);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(File(CRYPTO_ENCRYPTION, path, kRussian, 25));
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::string sealed = ReadFileBytes(path);
    ASSERT_EQ(sealed.size(), kSealHeader + original.size() + 3 * kSealTag);
    EXPECT_EQ(Field(&_clsCrypto::get_lHSessionKey), 0);
    // No CryptoAPI key is left for the key members.
    LONG_PTR key = Field(&_clsCrypto::get_lHSessionKey);
    VARIANT_BOOL done = VARIANT_TRUE;
    Bstr name(path.c_str());
    ASSERT_EQ(crypto->DoFileDecrypt(name.get(), &key, &done), S_OK);
    EXPECT_EQ(done, VARIANT_FALSE);

    const size_t whole = kSealSegment + kSealTag;
    auto segment = [&](size_t i) { return sealed.substr(kSealHeader + i * whole, i < 2 ? whole : std::string::npos); };
    std::string header = sealed.substr(0, kSealHeader);
    std::string flipped = sealed;
    flipped[kSealHeader + whole + 77] ^= 0x40;
    std::string header99999 = sealed;
    header99999.replace(8, 4, std::string("\x9F\x86\x01\x00", 4));
    const std::string damaged[] = {
        flipped,
        header + segment(0) + segment(2),               // one dropped
        header + segment(1) + segment(0) + segment(2),  // two swapped
        header + segment(0) + segment(1),               // the last cut off
        header + segment(0),
        sealed.substr(0, sealed.size() - 1),
        sealed + std::string(kSealTag, '\0'),
        header99999,
        sealed.substr(0, kSealHeader),
        "WXSEAL",
        "",
    };
    for (const std::string& bytes : damaged) {
        SCOPED_TRACE(bytes.size());
        WriteFileBytes(path, bytes);
        EXPECT_FALSE(File(CRYPTO_DECRYPTION, path, kRussian, 25));
        EXPECT_TRUE(ReadFileBytes(path) == bytes);
        EXPECT_EQ(FilesIn(folder.path()), 1u);
    }
    WriteFileBytes(path, sealed);
    EXPECT_FALSE(File(CRYPTO_DECRYPTION, path, Wrong(kRussian).c_str(), 25));
    EXPECT_TRUE(ReadFileBytes(path) == sealed);
    ASSERT_TRUE(File(CRYPTO_DECRYPTION, path, kRussian, 25));
    EXPECT_TRUE(ReadFileBytes(path) == original);

    // An empty file is sealed as one empty segment.
    WriteFileBytes(path, "");
    ASSERT_TRUE(File(CRYPTO_ENCRYPTION, path, L"", 25));
    EXPECT_EQ(ReadFileBytes(path).size(), kSealHeader + kSealTag);
    ASSERT_TRUE(File(CRYPTO_DECRYPTION, path, L"", 25));
    EXPECT_EQ(ReadFileBytes(path), "");
}

// Python's `cryptography` package seals texts and a file for the library and opens what the library
// seals: tests/interop/run-sealed-interop runs this with the folder they share.
TEST(CryptoInterop, BothWaysWithPython) {
    wchar_t folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"WX_INTEROP_FOLDER", folder, MAX_PATH))
        GTEST_SKIP() << "run by tests/interop/run-sealed-interop";
    std::wstring base = std::wstring(folder) + L"\\";
    ComPtr<_clsCrypto> crypto = Create<_clsCrypto>(CLSID_clsCrypto, IID__clsCrypto);
    auto text = [&](long type, const std::wstring& source, const std::wstring& password) {
        CallResult r = SealedCall(crypto.get(), type, source, password);
        EXPECT_EQ(r.hr, S_OK) << Utf8(r.description);
        return TextOf(*r.value.get());
    };
    std::string written;
    std::vector<std::string> lines = LinesOf(ReadFileBytes(base + L"texts-python.txt"));
    ASSERT_GE(lines.size(), 4u);
    for (const std::string& line : lines) {
        std::vector<std::string> f = FieldsOf(line);
        ASSERT_EQ(f.size(), 3u);
        std::wstring password = TextOfHex(f[0]), plain = TextOfHex(f[1]);
        EXPECT_TRUE(text(CRYPTO_DECRYPTION, std::wstring(f[2].begin(), f[2].end()), password) == plain) << line;
        std::wstring mine = text(CRYPTO_ENCRYPTION, plain, password);
        written += f[0] + "|" + f[1] + "|" + std::string(mine.begin(), mine.end()) + "\n";
    }
    WriteFileBytes(base + L"texts-library.txt", written);

    auto file = [&](long type, const std::wstring& path) {
        Bstr p(path.c_str()), pw(L"Datei\u043F\u0430\u0440\u043E\u043B\u044C"), none(L"");
        VARIANT_BOOL done = VARIANT_FALSE;
        crypto->FileCryptography(static_cast<acCryptographicTypeConst>(type), p.get(), pw.get(), none.get(),
                                 CNG_AES256_GCM__PBKDF2_SHA256, &done);
        return done == VARIANT_TRUE;
    };
    ASSERT_TRUE(file(CRYPTO_DECRYPTION, base + L"file-python.sealed"));
    EXPECT_TRUE(ReadFileBytes(base + L"file-python.sealed") == ReadFileBytes(base + L"file-python.plain"));
    std::string content = RandomBytes(kSealSegment + 4321, 26);
    WriteFileBytes(base + L"file-library.plain", content);
    WriteFileBytes(base + L"file-library.sealed", content);
    ASSERT_TRUE(file(CRYPTO_ENCRYPTION, base + L"file-library.sealed"));
}

// ---- Data stored by the build before texts kept every character, on this system's code page ----

namespace {

class CryptoStored : public CryptoTest {};

// What that build keyed and encrypted for a text: each character the code page lacks as its
// look-alike or "?".
std::wstring EarlierForm(const std::wstring& text) {
    std::string bytes(text.size() * 2 + 1, '\0');
    int n = WideCharToMultiByte(CipherPage(), 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                                static_cast<int>(bytes.size()), nullptr, nullptr);
    return PageText(bytes.substr(0, static_cast<size_t>(n)));
}

}  // namespace

TEST_F(CryptoStored, TextsAndFilesOpenAsTheyDidAndExactOnesAreMadeAlike) {
    std::vector<std::string> lines = LinesOf(ReadFileBytes(CodePageFixture(L"texts.txt")));
    if (lines.empty()) GTEST_SKIP() << "no stored data of code page " << GetACP();
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        std::vector<std::string> f = FieldsOf(line);
        ASSERT_EQ(f.size(), 7u);
        bool cryptoApi = f[0] == "crypto";
        long method = std::stol(f[1]), conversion = std::stol(f[2]);
        std::wstring password = TextOfHex(f[3]), plain = TextOfHex(f[4]), stored = TextOfHex(f[5]),
                     opened = TextOfHex(f[6]);
        std::string unused;
        if (!PageBytes(password, unused)) {
            // Keyed with the look-alike form: that form opens it, the password itself no longer.
            EXPECT_EQ(Text(CRYPTO_DECRYPTION, stored, EarlierForm(password).c_str(), method, conversion), opened);
            EXPECT_NE(Text(CRYPTO_DECRYPTION, stored, password.c_str(), method, conversion), opened);
            continue;
        }
        EXPECT_EQ(Text(CRYPTO_DECRYPTION, stored, password.c_str(), method, conversion, cryptoApi), opened);
        if (opened == plain) {
            EXPECT_EQ(Text(CRYPTO_ENCRYPTION, plain, password.c_str(), method, conversion, cryptoApi), stored);
        }
    }

    ScratchFolder folder;
    std::wstring path = folder.file(L"stored.bin");
    std::string plain = ReadFileBytes(CodePageFixture(L"plain.bin"));
    std::vector<std::string> files = LinesOf(ReadFileBytes(CodePageFixture(L"files.txt")));
    ASSERT_EQ(files.size(), 4u);
    for (const std::string& line : files) {
        SCOPED_TRACE(line);
        std::vector<std::string> f = FieldsOf(line);
        std::string encrypted = ReadFileBytes(CodePageFixture(std::wstring(f[0].begin(), f[0].end())));
        long method = std::stol(f[1]);
        std::wstring password = TextOfHex(f[2]);
        WriteFileBytes(path, encrypted);
        std::string unused;
        if (!PageBytes(password, unused)) {
            EXPECT_FALSE(File(CRYPTO_DECRYPTION, path, password.c_str(), method));
            password = EarlierForm(password);
        }
        ASSERT_TRUE(File(CRYPTO_DECRYPTION, path, password.c_str(), method));
        EXPECT_TRUE(ReadFileBytes(path) == plain);
        ASSERT_TRUE(File(CRYPTO_ENCRYPTION, path, password.c_str(), method));
        EXPECT_TRUE(ReadFileBytes(path) == encrypted);
    }
}
