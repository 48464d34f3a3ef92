// Encrypting or decrypting a whole file with a CryptoAPI key, as the file members of clsCrypto do.
//
// The file is streamed in chunks whose size is a multiple of every cipher's block size, with
// Final = TRUE only on the chunk holding the last byte, so the result is byte for byte what a
// single call over the whole file would give, while memory stays the same for any file size
// (sizes are 64-bit). The result is written to a new file beside the original and moved over it
// only once it is complete: a wrong password, a full disk or a read error leaves the original as
// it was.
#pragma once
#include <windows.h>
#include <wincrypt.h>
#include <functional>
#include <string>

namespace wx {

// True when a directory search with no special attributes finds the path: ordinary, read-only
// and archive files pass; hidden and system files, folders and missing paths do not.
bool FindsPlainFile(const std::wstring& path);

// The one attribute value the file members put back on a transformed file: 0x80 (normal; nothing
// is changed or restored), else read-only (1), else temporary (0x100), else 0. Folders give
// INVALID_FILE_ATTRIBUTES.
DWORD RememberedAttribute(DWORD attributes);

enum class CryptDirection { Encrypt, Decrypt };

// Transforms the file with the key. `completed` runs once the result has replaced the file, before
// its attribute value is put back. Returns false, with the file and its attributes as they were,
// when anything fails; a key whose state moved on is put back to its starting state.
bool TransformFile(const std::wstring& path, HCRYPTKEY key, CryptDirection direction,
                   const std::function<void()>& completed);

// Any transformation of a whole file: reads `size` bytes from `source` and writes the result to
// `target`; false when anything fails.
using FileTransform = std::function<bool(HANDLE source, HANDLE target, unsigned long long size)>;

// Transforms the file into a new file beside it and moves the result over it, as TransformFile
// does with a CryptoAPI key.
bool ReplaceFileContent(const std::wstring& path, const FileTransform& transform,
                        const std::function<void()>& completed);

// The host's pending messages are handled after this many bytes, so a very large file does not
// freeze its windows; smaller files are transformed without giving control away.
const unsigned long long kYieldEvery = 64ull << 20;
// Counts bytes done and lets the host handle its messages after every kYieldEvery of them.
void YieldNowAndThen(unsigned long long& sinceYield, unsigned long long count);

// Bytes handed to CryptoAPI per call.
const DWORD kCryptChunk = 1u << 20;

}  // namespace wx
