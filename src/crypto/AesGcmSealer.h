// Method 25: AES-256-GCM through the platform's CNG functions, the key derived from the password
// with PBKDF2-HMAC-SHA-256. A text and a file are sealed alike: a header, then the data in
// segments, each a GCM message of its own with its own nonce and tag.
//
//   header (40 bytes, authenticated with every segment)
//     0   6  "WXSEAL"
//     6   1  format version, 1
//     7   1  0 (reserved)
//     8   4  PBKDF2 iteration count, little-endian
//    12   4  segment size S (plain bytes per segment), little-endian
//    16  16  salt
//    32   8  nonce base
//   segment i (i = 0, 1, ...): the GCM ciphertext of plain bytes i*S .. i*S+S-1, then its 16-byte
//     tag. Every segment but the last holds S plain bytes; the last holds 1..S (0 only when
//     there is no plain byte at all). Nonce: the nonce base, then i as 4 bytes big-endian.
//     Authenticated data: the header, then one byte, 1 for the last segment and 0 for the others.
//
// Each segment is sealed on its own, never with the platform's call chaining: Wine's CNG restarts
// a chained call from the same nonce and so reuses the keystream. A segment dropped, repeated,
// moved or cut off changes a nonce or the last-segment byte, and its tag fails.
#pragma once
#include "crypto/CryptHandles.h"
#include <string>

namespace wx {

class AesGcmSealer {
public:
    enum class Status {
        Ok,
        Foreign,   // no header of this format and version, or a setting outside the accepted range
        Mismatch,  // a tag did not match: wrong password, or data changed, added or cut off
        Failed     // the platform's cryptography failed
    };

    static const DWORD kHeaderSize = 40;
    static const DWORD kTagSize = 16;
    static const DWORD kSaltSize = 16;
    static const DWORD kNonceBaseSize = 8;
    static const DWORD kIterations = 200000;
    static const DWORD kMinIterations = 100000;
    static const DWORD kMaxIterations = 10000000;
    static const DWORD kSegmentSize = 1u << 20;
    static const DWORD kMinSegmentSize = 1024;
    static const DWORD kMaxSegmentSize = 8u << 20;

    AesGcmSealer() = default;
    AesGcmSealer(const AesGcmSealer&) = delete;
    AesGcmSealer& operator=(const AesGcmSealer&) = delete;

    // Ready to seal new data: a fresh salt and nonce base, the default iteration count and segment
    // size. `password` is the password's UTF-8.
    Status Begin(const std::string& password);
    // Ready to open sealed data with this header (kHeaderSize bytes). A header this version does not
    // accept is Foreign, found before any key is derived.
    Status Resume(const BYTE* header, const std::string& password);

    const BYTE* header() const { return header_; }
    DWORD segmentSize() const { return segmentSize_; }

    // Seals `count` plain bytes as segment `index` into `sealed` (count + kTagSize bytes; it may be
    // the plain bytes' own buffer).
    Status Seal(unsigned long long index, bool last, const BYTE* plain, DWORD count, BYTE* sealed);
    // Opens segment `index` of `count` sealed bytes (its tag included) into `plain`
    // (count - kTagSize bytes; it may be the sealed bytes' own buffer).
    Status Open(unsigned long long index, bool last, const BYTE* sealed, DWORD count, BYTE* plain);

    // A whole message in memory.
    static Status SealMessage(const std::string& password, const std::string& plain, std::string& sealed);
    static Status OpenMessage(const std::string& password, const std::string& sealed, std::string& plain);
    // A whole file of `size` bytes from `source` into `target`; memory stays the same for any size.
    static bool SealStream(HANDLE source, HANDLE target, unsigned long long size, const std::string& password);
    static bool OpenStream(HANDLE source, HANDLE target, unsigned long long size, const std::string& password);

    // How many segments `plainSize` bytes take; how many a sealed body (what follows the header)
    // of `sealedSize` bytes holds, 0 when no sealer could have made that length.
    static unsigned long long SegmentsForPlain(unsigned long long plainSize, DWORD segmentSize);
    static unsigned long long SegmentsInSealed(unsigned long long sealedSize, DWORD segmentSize);

private:
    Status MakeKey(const std::string& password);
    Status Crypt(bool seal, unsigned long long index, bool last, const BYTE* in, DWORD count, BYTE* out, BYTE* tag);

    BYTE header_[kHeaderSize] = {};
    DWORD segmentSize_ = 0;
    CngAlgorithm aes_;
    CngKey key_;
};

}  // namespace wx
