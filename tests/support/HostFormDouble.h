// Host forms and controls for the form-scaling tests: FakeHostObjects with Left, Top, Width and
// Height, a Move method that sets all four, and (for forms) Count and Controls(index). A control can
// also answer one of the host runtime's control interfaces, as the host's built-in kinds do.
#pragma once
#include "support/FakeHostObject.h"
#include <vector>

namespace wxtest {

struct Placement {
    double left, top, width, height;
};

// A control (or form) whose four members hold the given values as Singles; `withMove` false leaves
// out the Move method.
wx::ComPtr<FakeHostObject> MakeControl(const Placement& at, bool withMove = true);

// An IDispatch that forwards to `inner` and also answers QueryInterface for `extra`, so late-bound
// callers see the host control kind that interface stands for.
wx::ComPtr<IDispatch> WithInterface(FakeHostObject* inner, const IID& extra);

// A form with the four members, Move, ScaleMode, and Count and Controls(index) over `controls`.
wx::ComPtr<FakeHostObject> MakeForm(const Placement& at, const std::vector<wx::ComPtr<IDispatch>>& controls);

// The four members as they are now, read as Doubles.
Placement PlacementOf(FakeHostObject* object);

}  // namespace wxtest
