// Owners for CryptoAPI handles. A key and a hash belong to the provider context they were made
// with: whoever holds several destroys the key and the hash before releasing the context.
#pragma once
#include "frame/Handles.h"
#include <wincrypt.h>

namespace wx {

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

// Handles travel through the automation interface as Long values; a 32-bit process has 32-bit
// handles, and the value is read without sign extension.
inline HCRYPTKEY KeyOfLong(long value) { return static_cast<HCRYPTKEY>(static_cast<unsigned long>(value)); }
inline long LongOfHandle(ULONG_PTR handle) { return static_cast<long>(handle); }

}  // namespace wx
