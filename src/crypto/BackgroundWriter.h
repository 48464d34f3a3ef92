// Writes a file's result on a thread of its own while the next piece is read and transformed, so
// the time a file call takes is close to the time of its cipher alone. One write is in flight at
// a time.
#pragma once
#include "frame/Handles.h"

namespace wx {

// Reads or writes exactly `count` bytes; false on any failure or a short transfer.
bool ReadFully(HANDLE file, BYTE* into, DWORD count);
bool WriteFully(HANDLE file, const BYTE* from, DWORD count);

class BackgroundWriter {
public:
    explicit BackgroundWriter(HANDLE file);
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;
    ~BackgroundWriter();
    bool started() const { return static_cast<bool>(thread_); }

    // Hands over bytes to write once the previous write is done; false when a write failed.
    // The bytes must stay untouched until the next call of Write or Finish.
    bool Write(const BYTE* data, DWORD count);
    // Waits for the write in flight; false when any write failed.
    bool Finish();

private:
    static DWORD WINAPI Run(void* self);

    HANDLE file_;
    KernelHandle ready_, idle_, thread_;
    const BYTE* data_ = nullptr;
    DWORD count_ = 0;
    volatile bool failed_ = false;
    volatile bool stop_ = false;
};

}  // namespace wx
