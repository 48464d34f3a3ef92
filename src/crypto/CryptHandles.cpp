#include "crypto/CryptHandles.h"

namespace wx {

bool CouldBeCryptHandle(ULONG_PTR handle) {
    if (!handle) return false;
    // The platform's records start with a few pointer-sized fields; all of them must be readable.
    const SIZE_T needed = 4 * sizeof(void*);
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(reinterpret_cast<LPCVOID>(handle), &info, sizeof info) != sizeof info) return false;
    if (info.State != MEM_COMMIT) return false;
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (!(info.Protect & readable) || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS))) return false;
    ULONG_PTR end = reinterpret_cast<ULONG_PTR>(info.BaseAddress) + info.RegionSize;
    return handle + needed <= end;
}

BOOL DecryptPiece(HCRYPTKEY key, BOOL final, BYTE* data, DWORD* length) {
    DWORD blockBits = 0, size = sizeof blockBits;
    if (final && *length == 0 && CryptGetKeyParam(key, KP_BLOCKLEN, reinterpret_cast<BYTE*>(&blockBits), &size, 0) &&
        blockBits > 0) {
        SetLastError(static_cast<DWORD>(NTE_BAD_DATA));
        return FALSE;
    }
    return CryptDecrypt(key, 0, final, 0, data, length);
}

}  // namespace wx
