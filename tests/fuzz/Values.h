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

// A SAFEARRAY descriptor built by hand, as a C++ caller may: room for the hidden type before it,
// a second dimension after it and two elements of data.
struct HandMadeArray {
    DWORD hidden[4];
    SAFEARRAY array;
    SAFEARRAYBOUND second;
    VARIANT data[2];
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
    // A malformed argument: what it points into is the fuzzer's own, never freed as a value.
    bool hostile = false;
    VARIANT links[4];       // a chain of variables
    HandMadeArray handMade;
};

// Parameter blocks that contradict themselves.
enum class BlockFault { None, ArgumentsWithoutArray, NamesWithoutList, MoreNamesThanArguments, UnknownName, NamedTwice };

// The malformed arguments and blocks every member is swept with: null by-reference pointers of
// every type, chains of variables null at each depth, types no member takes and broken array
// descriptors, then the contradictory blocks. Each must be refused before the member runs.
int HostileCaseCount();
// Case `which`: its value in `a` (BlockFault::None), or the fault of the block.
BlockFault MakeHostileCase(int which, Argument& a);
const wchar_t* BlockFaultName(BlockFault fault);
// The sweep's rounds: every case through Invoke, then through InvokeEx.
inline int SweepRounds() { return 2 * HostileCaseCount(); }

// Fills `out` with arguments for one call of `member` (too few, too many, missing, ByRef and
// by-value forms and now and then a malformed argument included).
BlockFault MakeArguments(const Member& member, Random& rng, const ValueContext& context,
                         std::vector<std::unique_ptr<Argument>>& out);
// The arguments of a sweep call: hostile case `which` at one parameter, the missing marker at the
// others (one extra argument for a member without parameters).
BlockFault MakeSweepArguments(const Member& member, int which, std::vector<std::unique_ptr<Argument>>& out);

// A value for the host double to answer with (small numbers only, so loops over a host
// object's size stay short).
void MakeHostAnswer(Random& rng, const wchar_t* name, HWND window, HDC dc, IDispatch* self, VARIANT* out);

// Names that exist in the scratch folder before each round (the texts refer to them).
extern const wchar_t* const kSeedFiles[];

}  // namespace wxfuzz
