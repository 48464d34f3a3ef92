#include "crypto/AesGcmSealer.h"
#include "crypto/BackgroundWriter.h"
#include "crypto/CryptFile.h"
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace wx {

namespace {

const BYTE kMagic[6] = {'W', 'X', 'S', 'E', 'A', 'L'};
const BYTE kVersion = 1;
const DWORD kKeySize = 32;
const DWORD kNonceSize = 12;
const unsigned long long kMaxSegments = 1ull << 32;  // the nonce counts segments in 4 bytes
// HMAC hashes a key longer than the hash's block first; done here once, since a platform that
// does it again for every iteration would take hours over a password of megabytes.
const size_t kHmacBlock = 64;

void PutLittle(BYTE* at, DWORD value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<BYTE>(value >> (8 * i));
}
DWORD GetLittle(const BYTE* at) {
    return static_cast<DWORD>(at[0]) | static_cast<DWORD>(at[1]) << 8 | static_cast<DWORD>(at[2]) << 16 |
           static_cast<DWORD>(at[3]) << 24;
}

// Key material is wiped once it has been handed over.
class SecretBytes {
public:
    explicit SecretBytes(size_t size) : bytes_(size) {}
    ~SecretBytes() { if (!bytes_.empty()) SecureZeroMemory(bytes_.data(), bytes_.size()); }
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;
    BYTE* data() { return bytes_.data(); }
    ULONG size() const { return static_cast<ULONG>(bytes_.size()); }
    void resize(size_t size) { bytes_.resize(size); }

private:
    std::vector<BYTE> bytes_;
};

bool Sha256(const std::string& data, SecretBytes& digest) {
    CngAlgorithm algorithm;
    CngHash hash;
    digest.resize(32);
    return BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
           BCRYPT_SUCCESS(BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0)) &&
           BCRYPT_SUCCESS(BCryptHashData(hash.get(), reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
                                         static_cast<ULONG>(data.size()), 0)) &&
           BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest.data(), digest.size(), 0));
}

}  // namespace

unsigned long long AesGcmSealer::SegmentsForPlain(unsigned long long plainSize, DWORD segmentSize) {
    return plainSize == 0 ? 1 : (plainSize - 1) / segmentSize + 1;
}

unsigned long long AesGcmSealer::SegmentsInSealed(unsigned long long sealedSize, DWORD segmentSize) {
    const unsigned long long whole = static_cast<unsigned long long>(segmentSize) + kTagSize;
    if (sealedSize < kTagSize) return 0;
    unsigned long long segments = (sealedSize - 1) / whole + 1;
    unsigned long long last = sealedSize - (segments - 1) * whole;
    // Only a message without any plain byte ends in a segment that is a bare tag.
    if (last < kTagSize || (segments > 1 && last == kTagSize) || segments > kMaxSegments) return 0;
    return segments;
}

AesGcmSealer::Status AesGcmSealer::MakeKey(const std::string& password) {
    SecretBytes derived(kKeySize);
    {
        CngAlgorithm hmac;
        if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(hmac.put(), BCRYPT_SHA256_ALGORITHM, nullptr,
                                                        BCRYPT_ALG_HANDLE_HMAC_FLAG)))
            return Status::Failed;
        SecretBytes secret(password.size());
        if (password.size() > kHmacBlock) {
            if (!Sha256(password, secret)) return Status::Failed;
        } else {
            std::copy(password.begin(), password.end(), secret.data());
        }
        BYTE none = 0;
        if (!BCRYPT_SUCCESS(BCryptDeriveKeyPBKDF2(hmac.get(), secret.size() ? secret.data() : &none, secret.size(),
                                                  header_ + 16, kSaltSize, GetLittle(header_ + 8), derived.data(),
                                                  kKeySize, 0)))
            return Status::Failed;
    }
    static const wchar_t gcm[] = BCRYPT_CHAIN_MODE_GCM;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(aes_.put(), BCRYPT_AES_ALGORITHM, nullptr, 0)) ||
        !BCRYPT_SUCCESS(BCryptSetProperty(aes_.get(), BCRYPT_CHAINING_MODE,
                                          reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(gcm)), sizeof gcm, 0)) ||
        !BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(aes_.get(), key_.put(), nullptr, 0, derived.data(), kKeySize, 0)))
        return Status::Failed;
    return Status::Ok;
}

AesGcmSealer::Status AesGcmSealer::Begin(const std::string& password) {
    std::memcpy(header_, kMagic, sizeof kMagic);
    header_[6] = kVersion;
    header_[7] = 0;
    PutLittle(header_ + 8, kIterations);
    PutLittle(header_ + 12, kSegmentSize);
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, header_ + 16, kSaltSize + kNonceBaseSize,
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return Status::Failed;
    segmentSize_ = kSegmentSize;
    return MakeKey(password);
}

AesGcmSealer::Status AesGcmSealer::Resume(const BYTE* header, const std::string& password) {
    if (std::memcmp(header, kMagic, sizeof kMagic) != 0 || header[6] != kVersion || header[7] != 0)
        return Status::Foreign;
    DWORD iterations = GetLittle(header + 8), segmentSize = GetLittle(header + 12);
    if (iterations < kMinIterations || iterations > kMaxIterations || segmentSize < kMinSegmentSize ||
        segmentSize > kMaxSegmentSize)
        return Status::Foreign;
    std::memcpy(header_, header, kHeaderSize);
    segmentSize_ = segmentSize;
    return MakeKey(password);
}

AesGcmSealer::Status AesGcmSealer::Crypt(bool seal, unsigned long long index, bool last, const BYTE* in, DWORD count,
                                         BYTE* out, BYTE* tag) {
    if (!key_ || index >= kMaxSegments || count > segmentSize_) return Status::Failed;
    BYTE nonce[kNonceSize];
    std::memcpy(nonce, header_ + 32, kNonceBaseSize);
    for (DWORD i = 0; i < 4; ++i) nonce[kNonceBaseSize + i] = static_cast<BYTE>(index >> (8 * (3 - i)));
    BYTE authenticated[kHeaderSize + 1];
    std::memcpy(authenticated, header_, kHeaderSize);
    authenticated[kHeaderSize] = last ? 1 : 0;
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = nonce;
    info.cbNonce = kNonceSize;
    info.pbAuthData = authenticated;
    info.cbAuthData = sizeof authenticated;
    info.pbTag = tag;
    info.cbTag = kTagSize;
    // The platform reads and writes through these pointers even for no bytes.
    BYTE none = 0;
    PUCHAR input = const_cast<PUCHAR>(count ? in : &none);
    PUCHAR output = count ? out : &none;
    ULONG done = 0;
    NTSTATUS status = seal ? BCryptEncrypt(key_.get(), input, count, &info, nullptr, 0, output, count, &done, 0)
                           : BCryptDecrypt(key_.get(), input, count, &info, nullptr, 0, output, count, &done, 0);
    if (status == static_cast<NTSTATUS>(0xC000A002L)) return Status::Mismatch;  // STATUS_AUTH_TAG_MISMATCH
    if (!BCRYPT_SUCCESS(status) || done != count) return Status::Failed;
    return Status::Ok;
}

AesGcmSealer::Status AesGcmSealer::Seal(unsigned long long index, bool last, const BYTE* plain, DWORD count,
                                        BYTE* sealed) {
    return Crypt(true, index, last, plain, count, sealed, sealed + count);
}

AesGcmSealer::Status AesGcmSealer::Open(unsigned long long index, bool last, const BYTE* sealed, DWORD count,
                                        BYTE* plain) {
    if (count < kTagSize) return Status::Mismatch;
    // The platform takes the tag to check through a writable pointer: a copy of it.
    BYTE tag[kTagSize];
    std::memcpy(tag, sealed + count - kTagSize, kTagSize);
    return Crypt(false, index, last, sealed, count - kTagSize, plain, tag);
}

AesGcmSealer::Status AesGcmSealer::SealMessage(const std::string& password, const std::string& plain,
                                               std::string& sealed) {
    AesGcmSealer sealer;
    Status status = sealer.Begin(password);
    if (status != Status::Ok) return status;
    const unsigned long long segments = SegmentsForPlain(plain.size(), sealer.segmentSize_);
    // A 32-bit host cannot hold a text whose sealing outgrows its address space: out of memory.
    const unsigned long long sealedSize = kHeaderSize + plain.size() + segments * kTagSize;
    if (sealedSize > sealed.max_size()) throw std::bad_alloc();
    sealed.assign(static_cast<size_t>(sealedSize), '\0');
    std::memcpy(&sealed[0], sealer.header_, kHeaderSize);
    const BYTE* from = reinterpret_cast<const BYTE*>(plain.data());
    BYTE* to = reinterpret_cast<BYTE*>(&sealed[0]) + kHeaderSize;
    size_t remaining = plain.size();
    for (unsigned long long i = 0; i < segments; ++i) {
        DWORD count = static_cast<DWORD>(std::min<size_t>(remaining, sealer.segmentSize_));
        status = sealer.Seal(i, i + 1 == segments, from, count, to);
        if (status != Status::Ok) return status;
        from += count;
        to += count + kTagSize;
        remaining -= count;
    }
    return Status::Ok;
}

AesGcmSealer::Status AesGcmSealer::OpenMessage(const std::string& password, const std::string& sealed,
                                               std::string& plain) {
    plain.clear();
    if (sealed.size() < kHeaderSize) return Status::Foreign;
    AesGcmSealer sealer;
    const BYTE* at = reinterpret_cast<const BYTE*>(sealed.data());
    Status status = sealer.Resume(at, password);
    if (status != Status::Ok) return status;
    const unsigned long long segments = SegmentsInSealed(sealed.size() - kHeaderSize, sealer.segmentSize_);
    if (segments == 0) return Status::Mismatch;  // cut inside a segment, or bytes added
    // The segments were counted from the sealed size, so their tags fit in it.
    std::string opened(static_cast<size_t>(sealed.size() - kHeaderSize - segments * kTagSize), '\0');
    at += kHeaderSize;
    BYTE* to = reinterpret_cast<BYTE*>(&opened[0]);
    size_t remaining = opened.size();
    for (unsigned long long i = 0; i < segments; ++i) {
        DWORD count = static_cast<DWORD>(std::min<size_t>(remaining, sealer.segmentSize_));
        status = sealer.Open(i, i + 1 == segments, at, count + kTagSize, to);
        if (status != Status::Ok) {
            SecureZeroMemory(&opened[0], opened.size());
            return status;
        }
        at += count + kTagSize;
        to += count;
        remaining -= count;
    }
    plain.swap(opened);
    return Status::Ok;
}

bool AesGcmSealer::SealStream(HANDLE source, HANDLE target, unsigned long long size, const std::string& password) {
    AesGcmSealer sealer;
    if (sealer.Begin(password) != Status::Ok) return false;
    const DWORD segmentSize = sealer.segmentSize_;
    const unsigned long long segments = SegmentsForPlain(size, segmentSize);
    if (segments > kMaxSegments) return false;
    // Each segment sealed in place and written at once: a writing thread beside it, or a second
    // buffer, measured slower here, the work per segment being too short to gain from them.
    std::vector<BYTE> segment(segmentSize + kTagSize);
    if (!WriteFully(target, sealer.header_, kHeaderSize)) return false;
    unsigned long long remaining = size, sinceYield = 0;
    for (unsigned long long i = 0; i < segments; ++i) {
        DWORD count = static_cast<DWORD>(std::min<unsigned long long>(remaining, segmentSize));
        if (!ReadFully(source, segment.data(), count) ||
            sealer.Seal(i, i + 1 == segments, segment.data(), count, segment.data()) != Status::Ok ||
            !WriteFully(target, segment.data(), count + kTagSize))
            return false;
        remaining -= count;
        YieldNowAndThen(sinceYield, count);
    }
    return true;
}

bool AesGcmSealer::OpenStream(HANDLE source, HANDLE target, unsigned long long size, const std::string& password) {
    if (size < kHeaderSize) return false;
    BYTE header[kHeaderSize];
    if (!ReadFully(source, header, kHeaderSize)) return false;
    AesGcmSealer sealer;
    if (sealer.Resume(header, password) != Status::Ok) return false;
    const DWORD segmentSize = sealer.segmentSize_;
    const unsigned long long segments = SegmentsInSealed(size - kHeaderSize, segmentSize);
    if (segments == 0) return false;
    std::vector<BYTE> segment(segmentSize + kTagSize);
    unsigned long long remaining = size - kHeaderSize - segments * kTagSize, sinceYield = 0;
    for (unsigned long long i = 0; i < segments; ++i) {
        DWORD count = static_cast<DWORD>(std::min<unsigned long long>(remaining, segmentSize));
        // Only a segment whose tag matched reaches the result file, and the result replaces the
        // original only once every segment has.
        if (!ReadFully(source, segment.data(), count + kTagSize) ||
            sealer.Open(i, i + 1 == segments, segment.data(), count + kTagSize, segment.data()) != Status::Ok ||
            !WriteFully(target, segment.data(), count))
            return false;
        remaining -= count;
        YieldNowAndThen(sinceYield, count);
    }
    return true;
}

}  // namespace wx
