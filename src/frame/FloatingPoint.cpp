#include "frame/FloatingPoint.h"
#include <windows.h>

namespace wx {

namespace {

// 64-bit precision, round to nearest, every exception masked.
const unsigned short kLibraryControlWord = 0x037F;
// Round to nearest, every exception masked, denormals kept (no flush to zero), no flags.
const unsigned int kLibraryMxcsr = 0x1F80;

// The x86-64 unit always has SSE; a 32-bit one may predate it, and then MXCSR does not exist.
bool HasSse() {
#if defined(__x86_64__)
    return true;
#elif defined(__i386__)
    static const bool present = IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE) != FALSE;
    return present;
#else
#error "floating-point state: x86 and x86-64 only"
#endif
}

// The exception flags: x87 status bits 0-6 with their summary bits 7 and 15; SSE bits 0-5.
const unsigned int kX87Flags = 0x80FF;
const unsigned int kSseFlags = 0x3F;

// The scope whose state is in force on this thread; none while host code runs.
thread_local FloatingPointScope* t_active = nullptr;

struct X87Environment {
    unsigned int words[7];
};

// These run out of line, at call boundaries, where the x87 register stack is empty: loading a
// saved environment (with its empty tags) therefore loses no value in flight.
void Store(unsigned int (&x87)[7], unsigned int& mxcsr) {
    __asm__ __volatile__("fnstenv %0" : "=m"(*reinterpret_cast<X87Environment*>(x87)));
    if (HasSse()) __asm__ __volatile__("stmxcsr %0" : "=m"(mxcsr));
}

void Load(const unsigned int (&x87)[7], unsigned int mxcsr) {
    __asm__ __volatile__("fldenv %0" : : "m"(*reinterpret_cast<const X87Environment*>(x87)));
    if (HasSse()) __asm__ __volatile__("ldmxcsr %0" : : "m"(mxcsr));
}

void LoadLibraryState() {
    // Flags the caller left pending must not fire inside the library.
    __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(kLibraryControlWord));
    if (HasSse()) __asm__ __volatile__("ldmxcsr %0" : : "m"(kLibraryMxcsr));
}

}  // namespace

FloatingPointScope::FloatingPointScope() : saved_(), caller_(&saved_), outer_(t_active) {
    Store(saved_.x87, saved_.mxcsr);
    if (outer_) caller_ = outer_->caller_;
    LoadLibraryState();
    t_active = this;
}

FloatingPointScope::~FloatingPointScope() {
    t_active = outer_;
    Load(saved_.x87, saved_.mxcsr);
}

FloatingPointScope::HostCall::HostCall() : scope_(t_active) {
    if (!scope_) return;
    t_active = nullptr;
    Load(scope_->caller_->x87, scope_->caller_->mxcsr);
}

FloatingPointScope::HostCall::~HostCall() {
    if (!scope_) return;
    State host;
    Store(host.x87, host.mxcsr);
    scope_->caller_->x87[1] |= host.x87[1] & kX87Flags;
    scope_->caller_->mxcsr |= host.mxcsr & kSseFlags;
    LoadLibraryState();
    t_active = scope_;
}

}  // namespace wx
