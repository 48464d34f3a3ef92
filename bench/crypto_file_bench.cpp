// FileCryptography on a 64 MB file (encrypt, then decrypt) with method 19 (RC4) and method 20
// (3DES), against bare CryptEncrypt/CryptDecrypt over the same bytes in memory in this process.
// Prints the time ratio (target: at most 1.3) and how far the process's peak memory rose during
// the file calls (target: at most 32 MB).
#include "frame/Interfaces.h"
#include "BenchSupport.h"
#include <windows.h>
#include <wincrypt.h>
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace bench;

namespace {

const size_t kSize = 64u << 20;

// The file is written a megabyte at a time so that making it does not raise the peak.
void MakeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::vector<BYTE> block(1 << 20);
    for (size_t at = 0; at < kSize; at += block.size()) {
        FillBlock(block, static_cast<unsigned>(at >> 20));
        DWORD done = 0;
        WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &done, nullptr);
    }
    CloseHandle(file);
}


double FileSeconds(_clsCrypto* crypto, const std::wstring& path, long method, bool* ok) {
    BSTR file = SysAllocString(path.c_str()), password = SysAllocString(L"benchmark"), none = SysAllocString(L"");
    VARIANT_BOOL encrypted = VARIANT_FALSE, decrypted = VARIANT_FALSE;
    double start = Now();
    crypto->FileCryptography(CRYPTO_ENCRYPTION, file, password, none, static_cast<acCryptographicMethodConst>(method),
                             &encrypted);
    crypto->FileCryptography(CRYPTO_DECRYPTION, file, password, none, static_cast<acCryptographicMethodConst>(method),
                             &decrypted);
    double seconds = Now() - start;
    *ok = encrypted == VARIANT_TRUE && decrypted == VARIANT_TRUE;
    SysFreeString(file);
    SysFreeString(password);
    SysFreeString(none);
    return seconds;
}

// CryptoAPI directly: the same derivation, one call each way over the whole buffer in memory.
struct Bare {
    HCRYPTPROV prov = 0;
    HCRYPTHASH hash = 0;
    HCRYPTKEY key = 0;
    std::vector<BYTE> data;
    explicit Bare(ALG_ID cipher) : data(kSize + 64) {
        const char* name = "Microsoft Enhanced Cryptographic Provider v1.0";
        if (!CryptAcquireContextA(&prov, "", name, PROV_RSA_FULL, 0))
            CryptAcquireContextA(&prov, "", name, PROV_RSA_FULL, CRYPT_NEWKEYSET);
        CryptCreateHash(prov, CALG_MD5, 0, 0, &hash);
        CryptHashData(hash, reinterpret_cast<const BYTE*>("benchmark"), 9, 0);
        CryptDeriveKey(prov, cipher, hash, 0, &key);
        std::vector<BYTE> block(1 << 20);
        for (size_t at = 0; at < kSize; at += block.size()) {
            FillBlock(block, static_cast<unsigned>(at >> 20));
            std::copy(block.begin(), block.end(), data.data() + at);
        }
    }
    ~Bare() {
        CryptDestroyKey(key);
        CryptDestroyHash(hash);
        CryptReleaseContext(prov, 0);
    }
    double Seconds(bool* ok) {
        DWORD length = kSize;
        double start = Now();
        BOOL encrypted = CryptEncrypt(key, 0, TRUE, 0, data.data(), &length, static_cast<DWORD>(data.size()));
        BOOL decrypted = CryptDecrypt(key, 0, TRUE, 0, data.data(), &length);
        double seconds = Now() - start;
        *ok = encrypted && decrypted && length == kSize;
        return seconds;
    }
};

}  // namespace

int main(int argc, char** argv) {
    // An argument (19 or 20) runs that method alone.
    long only = argc > 1 ? std::atol(argv[1]) : 0;
    CoInitialize(nullptr);
    _clsCrypto* crypto = Create<_clsCrypto>(LoadLibraryBeside(), CLSID_clsCrypto, IID__clsCrypto);
    if (!crypto) {
        std::printf("cannot create clsCrypto from WENDRAX1.dll\n");
        return 1;
    }
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + L"wx-crypto-bench.bin";
    MakeFile(path);

    // The machine is shared: both sides run in alternation several times and the fastest run of
    // each counts. The first file run comes before any large buffer exists, for the memory figure.
    struct Case { long method; ALG_ID cipher; int rounds; const char* name; } cases[] = {
        {19, CALG_RC4, 6, "method 19 (RC4) "}, {20, CALG_3DES, 2, "method 20 (3DES)"}};
    int failures = 0;
    double memoryRise = 0;
    for (const Case& c : cases) {
        if (only && c.method != only) continue;
        double bestFile = 1e30, bestBare = 1e30;
        bool ok = true;
        for (int round = 0; round < c.rounds; ++round) {
            bool fileOk = false, bareOk = false;
            double before = MemoryMB(false);
            bestFile = std::min(bestFile, FileSeconds(crypto, path, c.method, &fileOk));
            if (round == 0 && memoryRise == 0) memoryRise = MemoryMB(true) - before;
            Bare bare(c.cipher);
            bestBare = std::min(bestBare, bare.Seconds(&bareOk));
            ok = ok && fileOk && bareOk;
        }
        double ratio = bestFile / bestBare;
        std::printf("%s 64 MB encrypt+decrypt, best of %d: FileCryptography %.2f s, bare CryptEncrypt/CryptDecrypt "
                    "%.2f s, ratio %.2f (target <= 1.30)%s\n",
                    c.name, c.rounds, bestFile, bestBare, ratio, ok ? "" : "  [a call FAILED]");
        if (!ok || ratio > 1.3) ++failures;
    }
    // The peak so far can only overstate the rise: nothing before the first file run held much memory.
    std::printf("peak memory rise during FileCryptography: %.1f MB (target <= 32)\n", memoryRise);
    if (memoryRise > 32) ++failures;
    crypto->Release();
    DeleteFileW(path.c_str());
    CoUninitialize();
    return failures;
}
