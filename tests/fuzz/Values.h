// Hostile arguments: every call's values come from a generator seeded by (run seed, call number),
// so a call can be replayed alone and a worker restarted after a crash continues the same sequence.
#pragma once
#include "fuzz/Catalogue.h"
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wxfuzz {

class Random {
public:
    Random(uint64_t seed, uint64_t stream);
    uint32_t Next();
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
    bool Chance(uint32_t percent) { return Below(100) < percent; }

private:
    uint64_t state_;
};

// What a generated value may refer to besides plain data.
struct ValueContext {
    IDispatch* hostDouble = nullptr;   // answers every name
    IDispatch* picture = nullptr;      // a real picture object
};

// One argument as Invoke receives it, with the storage a by-reference form points into.
// The owner frees whatever the callee left in that storage.
class Argument {
public:
    Argument();
    ~Argument();
    Argument(const Argument&) = delete;
    Argument& operator=(const Argument&) = delete;
    VARIANT arg;            // what goes into DISPPARAMS
    VARIANT held;           // the variable a by-reference argument points at
    void* record = nullptr; // a record made for the call
    wx::ComPtr<IRecordInfo> recordInfo;
    std::wstring description;
};

// Fills `out` with arguments for one call of `member` (too few, too many, missing, ByRef and
// by-value forms included).
void MakeArguments(const Member& member, Random& rng, const ValueContext& context,
                   std::vector<std::unique_ptr<Argument>>& out);

// A value for the host double to answer with (small numbers only, so loops over a host
// object's size stay short).
void MakeHostAnswer(Random& rng, const wchar_t* name, HWND window, HDC dc, IDispatch* self, VARIANT* out);

// Names that exist in the scratch folder before each round (the texts refer to them).
extern const wchar_t* const kSeedFiles[];

}  // namespace wxfuzz
