// Owners for CryptoAPI and CNG handles. A key and a hash belong to the provider context (or
// algorithm) they were made with: whoever holds several destroys the key and the hash before
// releasing the context.
#pragma once
#include "frame/Handles.h"
#include <wincrypt.h>
#include <bcrypt.h>

namespace wx {

// Hosts hand provider and key handles back as Long numbers, and the platform takes any number as
// a pointer to its own record (it checks the record's tag, but only after reading it). A number
// that does not even point at readable memory is therefore read as no handle (0) before it can
// reach the platform; a readable one is refused by the platform's own check.
bool CouldBeCryptHandle(ULONG_PTR handle);

// CryptDecrypt for one piece of ciphertext. The final piece of a block cipher is never empty, and
// a provider asked to decrypt an empty final piece may read the byte before the buffer (in a
// 64-bit process, 4 GB past it): that call fails here with bad data instead.
BOOL DecryptPiece(HCRYPTKEY key, BOOL final, BYTE* data, DWORD* length);

struct CryptProviderTraits {
    static HCRYPTPROV invalid() { return 0; }
    static bool valid(HCRYPTPROV h) { return h != 0; }
    static void close(HCRYPTPROV h) { CryptReleaseContext(h, 0); }
};
struct CryptHashTraits {
    static HCRYPTHASH invalid() { return 0; }
    static bool valid(HCRYPTHASH h) { return h != 0; }
    static void close(HCRYPTHASH h) { CryptDestroyHash(h); }
};
struct CryptKeyTraits {
    static HCRYPTKEY invalid() { return 0; }
    static bool valid(HCRYPTKEY h) { return h != 0; }
    static void close(HCRYPTKEY h) { CryptDestroyKey(h); }
};

using CryptProvider = UniqueOwner<HCRYPTPROV, CryptProviderTraits>;
using CryptHash = UniqueOwner<HCRYPTHASH, CryptHashTraits>;
using CryptKey = UniqueOwner<HCRYPTKEY, CryptKeyTraits>;

struct CngAlgorithmTraits {
    static BCRYPT_ALG_HANDLE invalid() { return nullptr; }
    static bool valid(BCRYPT_ALG_HANDLE h) { return h != nullptr; }
    static void close(BCRYPT_ALG_HANDLE h) { BCryptCloseAlgorithmProvider(h, 0); }
};
struct CngKeyTraits {
    static BCRYPT_KEY_HANDLE invalid() { return nullptr; }
    static bool valid(BCRYPT_KEY_HANDLE h) { return h != nullptr; }
    static void close(BCRYPT_KEY_HANDLE h) { BCryptDestroyKey(h); }
};
struct CngHashTraits {
    static BCRYPT_HASH_HANDLE invalid() { return nullptr; }
    static bool valid(BCRYPT_HASH_HANDLE h) { return h != nullptr; }
    static void close(BCRYPT_HASH_HANDLE h) { BCryptDestroyHash(h); }
};

using CngAlgorithm = UniqueOwner<BCRYPT_ALG_HANDLE, CngAlgorithmTraits>;
using CngKey = UniqueOwner<BCRYPT_KEY_HANDLE, CngKeyTraits>;
using CngHash = UniqueOwner<BCRYPT_HASH_HANDLE, CngHashTraits>;

// Provider and key handles are addresses: they travel through the automation interface as
// pointer-sized numbers (Long in a 32-bit process, LongLong in a 64-bit one), read without sign
// extension.
using CryptNumber = LONG_PTR;
inline HCRYPTKEY KeyOfNumber(CryptNumber value) {
    HCRYPTKEY key = static_cast<HCRYPTKEY>(static_cast<ULONG_PTR>(value));
    return CouldBeCryptHandle(key) ? key : 0;
}
inline HCRYPTPROV ProviderOfNumber(CryptNumber value) {
    HCRYPTPROV provider = static_cast<HCRYPTPROV>(static_cast<ULONG_PTR>(value));
    return CouldBeCryptHandle(provider) ? provider : 0;
}
// Destroys the key a host handed over as a number.
inline void DestroyKeyOfNumber(CryptNumber value) {
    HCRYPTKEY key = KeyOfNumber(value);
    if (key) CryptKeyTraits::close(key);
}
inline CryptNumber NumberOfHandle(ULONG_PTR handle) { return static_cast<CryptNumber>(handle); }

}  // namespace wx
