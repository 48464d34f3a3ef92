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
    std::wstring text(n, L'\0');
    if (n) MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
    return text;
}
std::string BytesOfText(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
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
    EXPECT_EQ(Text(static_cast<acCryptographicTypeConst>(2), L"abc", L"", 21, 0, false), L"");
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
    EXPECT_EQ(Text(CRYPTO_ENCRYPTION, TextOfBytes("\xC0\xFF\xE9"), L"", 0, 0, false), L"");
    EXPECT_EQ(BytesOfText(Text(CRYPTO_ENCRYPTION, TextOfBytes("a\xC0z"), L"", 0, 0, false)), "\xA1\xBA");
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
    for (unsigned char c : bytes) { sprintf(two, "%02X", c); expected += two; }
    EXPECT_EQ(BytesOfText(hex), expected);
    // Lowercase digits and a single trailing digit are read too.
    std::wstring lower = hex;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
    EXPECT_EQ(Text(CRYPTO_DECRYPTION, lower, L"k", 19, 1), L"hexadecimal");
    EXPECT_EQ(Text(CRYPTO_DECRYPTION, L"", L"k", 19, 1), L"");
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
    EXPECT_EQ(Text(CRYPTO_ENCRYPTION, L"abc", L"p", 25, 0), L"");
    EXPECT_EQ(Text(CRYPTO_ENCRYPTION, L"abc", L"p", -1, 0), L"");
    EXPECT_EQ(Field(&_clsCrypto::get_m_Hash_Algorithm), 0);
    EXPECT_EQ(TextField(&_clsCrypto::get_sProvider), L"");
    EXPECT_EQ(Field(&_clsCrypto::get_lHSessionKey), 0);
    EXPECT_EQ(TextField(&_clsCrypto::get_s_DataValue), L"abc");
    EXPECT_EQ(TextField(&_clsCrypto::get_m_EncDec_Password), L"p");

    // After a valid selection, an invalid one reuses it.
    std::wstring first = Text(CRYPTO_ENCRYPTION, L"abc", L"p", 19, 1);
    EXPECT_EQ(Text(CRYPTO_ENCRYPTION, L"abc", L"p", 99, 1), first);
    EXPECT_EQ(Field(&_clsCrypto::get_m_EncDec_Algorithm), static_cast<long>(CALG_RC4));

    // The Base provider cannot derive 3DES: selected through the fields, the text gives "".
    Bstr base(L"Microsoft Base Cryptographic Provider v1.0");
    ASSERT_EQ(crypto->put_sProvider(base.get()), S_OK);
    ASSERT_EQ(crypto->put_m_Hash_Algorithm(CALG_MD5), S_OK);
    ASSERT_EQ(crypto->put_m_EncDec_Algorithm(CALG_3DES), S_OK);
    EXPECT_EQ(Text(CRYPTO_ENCRYPTION, L"abc", L"p", 25, 0), L"");
    EXPECT_NE(Field(&_clsCrypto::get_m_CSP_Provider), 0);
    EXPECT_EQ(Field(&_clsCrypto::get_lHSessionKey), 0);

    ScratchFolder folder;
    WriteFileBytes(folder.file(L"a.bin"), "data");
    EXPECT_FALSE(File(CRYPTO_ENCRYPTION, folder.file(L"a.bin"), L"p", 25));
    EXPECT_EQ(ReadFileBytes(folder.file(L"a.bin")), "data");
    ComPtr<_clsCrypto> fresh = Create<_clsCrypto>(CLSID_clsCrypto, IID__clsCrypto);
    crypto = fresh;
    EXPECT_FALSE(File(CRYPTO_ENCRYPTION, folder.file(L"a.bin"), L"p", 25));
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
            std::string original = RandomBytes(size, static_cast<unsigned>(size + method));
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
    Variant key = Variant::Long(Field(&_clsCrypto::get_lHSessionKey));
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
        // The shift cipher loses the codes of 192 and above (here the Latin-1 letters) on the way in.
        std::wstring recovered;
        for (wchar_t c : plain)
            if (cryptoApi || c < 0xC0 || c > 0xFF) recovered += c;
        EXPECT_EQ(Text(CRYPTO_DECRYPTION, stored, password.c_str(), method, conversion, cryptoApi), recovered);
        EXPECT_EQ(Text(CRYPTO_ENCRYPTION, plain, password.c_str(), method, conversion, cryptoApi), stored);
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
                results[t] = out.isNull() ? std::wstring() : std::wstring(out.get(), out.length());
            });
        for (auto& thread : threads) thread.join();
        for (int t = 0; t < kThreads; ++t) EXPECT_FALSE(results[t].empty()) << "round " << round << ", thread " << t;
    }
}
