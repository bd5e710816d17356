// VirtualClock: milliseconds that move only when told (advance) or when the program sleeps.
//
// Headless runs use it so that a run with the same seed, input and tick is the same frame for
// frame, whatever the machine's speed; unit tests use it through the test backend. Sleeping never
// waits. Depends on: platform/Platform.h only.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace plat::headless {

class VirtualClock : public plat::Clock {
public:
    std::int64_t ticks() override { return now_; }
    void sleep(int ms) override {
        if (ms > 0) now_ += ms;
        slept_ += ms > 0 ? ms : 0;
    }
    void advance(std::int64_t ms) { now_ += ms; }
    void set(std::int64_t ms) { now_ = ms; }
    std::int64_t totalSlept() const { return slept_; }

private:
    std::int64_t now_ = 0;
    std::int64_t slept_ = 0;
};

} // namespace plat::headless
