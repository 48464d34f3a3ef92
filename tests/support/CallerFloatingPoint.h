// The calling thread's floating-point state as a host sets it: the x87 control and status words
// and, where the processor has it, SSE's MXCSR. Tests put the caller in every precision and
// rounding mode and check that the library hands the state back as it found it.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace wxtest {

struct FloatingPointState {
    unsigned short control = 0;
    unsigned short status = 0;  // the exception flags, sticky until cleared
    unsigned int mxcsr = 0;
    bool operator==(const FloatingPointState& o) const {
        return control == o.control && (status & 0xFF) == (o.status & 0xFF) && mxcsr == o.mxcsr;
    }
};

// Precision, rounding and masks alike; the exception flags may differ (host code called back
// raises flags of its own, and those stay the caller's).
inline bool SameControls(const FloatingPointState& a, const FloatingPointState& b) {
    return a.control == b.control && (a.mxcsr & ~0x3Fu) == (b.mxcsr & ~0x3Fu);
}

inline bool HasSse() {
#if defined(__x86_64__)
    return true;
#else
    return IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE) != FALSE;
#endif
}

inline FloatingPointState CurrentFloatingPoint() {
    FloatingPointState s;
    __asm__ __volatile__("fnstcw %0" : "=m"(s.control));
    __asm__ __volatile__("fnstsw %0" : "=m"(s.status));
    if (HasSse()) __asm__ __volatile__("stmxcsr %0" : "=m"(s.mxcsr));
    return s;
}

// x87 precision control: 24, 53 or 64 bits; rounding: 0 nearest, 1 down, 2 up, 3 toward zero.
// The exception masks stay set unless `unmasked` names some (x87 bits: 1 invalid, 4 zero
// divide, 8 overflow); SSE gets the same rounding and masks. The flags are cleared.
inline FloatingPointState CallerState(int precisionBits, int rounding, unsigned short unmasked = 0) {
    unsigned short precision = precisionBits == 24 ? 0 : precisionBits == 53 ? 2 : 3;
    FloatingPointState s;
    s.control = static_cast<unsigned short>((0x037F & ~unmasked & ~0x0F00) | (precision << 8) | (rounding << 10));
    s.mxcsr = HasSse() ? ((0x1F80u & ~(static_cast<unsigned>(unmasked) << 7)) | (static_cast<unsigned>(rounding) << 13)) : 0;
    return s;
}

inline void LoadFloatingPoint(const FloatingPointState& s) {
    __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(s.control));
    if (HasSse()) __asm__ __volatile__("ldmxcsr %0" : : "m"(s.mxcsr));
}

inline std::string Describe(const FloatingPointState& s) {
    char text[64];
    wsprintfA(text, "cw %04x sw %04x mxcsr %08x", s.control, s.status & 0xFF, s.mxcsr);
    return text;
}

// Every caller state the checks run under: three precisions times four rounding modes, and
// one with the invalid, zero-divide and overflow exceptions unmasked.
inline std::vector<FloatingPointState> EveryCallerState() {
    std::vector<FloatingPointState> states;
    for (int bits : {24, 53, 64})
        for (int rounding = 0; rounding < 4; ++rounding) states.push_back(CallerState(bits, rounding));
    states.push_back(CallerState(53, 0, 1 | 4 | 8));
    return states;
}

// Runs `body` with the caller in `state`; gives back the state found afterwards and puts the
// test program's own state back before anything else computes.
template <class Body>
FloatingPointState UnderCallerState(const FloatingPointState& state, Body&& body) {
    FloatingPointState own = CurrentFloatingPoint();
    LoadFloatingPoint(state);
    body();
    FloatingPointState after = CurrentFloatingPoint();
    LoadFloatingPoint(own);
    return after;
}

}  // namespace wxtest
