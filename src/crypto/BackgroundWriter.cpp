#include "crypto/BackgroundWriter.h"

namespace wx {

bool ReadFully(HANDLE file, BYTE* into, DWORD count) {
    while (count > 0) {
        DWORD got = 0;
        if (!ReadFile(file, into, count, &got, nullptr) || got == 0) return false;
        into += got;
        count -= got;
    }
    return true;
}

bool WriteFully(HANDLE file, const BYTE* from, DWORD count) {
    while (count > 0) {
        DWORD done = 0;
        if (!WriteFile(file, from, count, &done, nullptr) || done == 0) return false;
        from += done;
        count -= done;
    }
    return true;
}

BackgroundWriter::BackgroundWriter(HANDLE file)
    : file_(file), ready_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), idle_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
    if (ready_ && idle_) thread_.reset(CreateThread(nullptr, 64 * 1024, &BackgroundWriter::Run, this, 0, nullptr));
}

BackgroundWriter::~BackgroundWriter() {
    if (thread_) {
        Finish();
        stop_ = true;
        SetEvent(ready_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
    }
}

bool BackgroundWriter::Write(const BYTE* data, DWORD count) {
    if (!Finish()) return false;
    data_ = data;
    count_ = count;
    ResetEvent(idle_.get());
    SetEvent(ready_.get());
    return true;
}

bool BackgroundWriter::Finish() {
    WaitForSingleObject(idle_.get(), INFINITE);
    return !failed_;
}

DWORD WINAPI BackgroundWriter::Run(void* self) {
    auto* writer = static_cast<BackgroundWriter*>(self);
    for (;;) {
        WaitForSingleObject(writer->ready_.get(), INFINITE);
        if (writer->stop_) return 0;
        if (!WriteFully(writer->file_, writer->data_, writer->count_)) writer->failed_ = true;
        SetEvent(writer->idle_.get());
    }
}

}  // namespace wx
