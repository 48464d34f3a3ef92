// Classes whose interface has no members: they can be created and released and do nothing else.
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"

namespace wx {

template <class Itf>
class Memberless : public Dispatchable<Itf> {
public:
    explicit Memberless(const IID& iid) : Dispatchable<Itf>(iid) {}
};

}  // namespace wx
