// The library's own floating-point state. A host thread comes with its own precision control,
// rounding mode and exception masks (hosts built with the platform's C runtime run the x87 unit at
// 53-bit precision); real-valued results must not depend on them. A member that computes with
// real numbers opens a FloatingPointScope: for its life the x87 unit runs at 64-bit precision and
// SSE and x87 round to nearest with every exception masked; at its end the caller's state comes
// back as it was, sticky flags included, on every path.
#pragma once

namespace wx {

class FloatingPointScope {
public:
    FloatingPointScope();
    ~FloatingPointScope();
    FloatingPointScope(const FloatingPointScope&) = delete;
    FloatingPointScope& operator=(const FloatingPointScope&) = delete;

    // Around a call into host code from inside a scope (a host object's member, an event
    // handler): the host's code runs under the state its caller gave the library, and the
    // library's own state comes back afterwards; exception flags the host's code raised stay
    // raised for the caller. Outside any scope it does nothing.
    class HostCall {
    public:
        HostCall();
        ~HostCall();
        HostCall(const HostCall&) = delete;
        HostCall& operator=(const HostCall&) = delete;

    private:
        FloatingPointScope* scope_;
    };

private:
    struct State {
        unsigned int x87[7];  // the x87 environment as FNSTENV stores it
        unsigned int mxcsr;
    };

    State saved_;
    State* caller_;  // the state of the host that called into the library
    FloatingPointScope* outer_;
};

}  // namespace wx
