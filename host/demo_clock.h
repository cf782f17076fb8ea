// The live frame clock: real time between frames from a monotonic high-resolution counter.
#pragma once

#include <cstdint>
#include <functional>

#include "host/platform.h"

namespace tw {

// A counter and its rate in counts per second. The live clock reads CLOCK_MONOTONIC in
// nanoseconds; tests inject a scripted counter.
struct TickCounter {
    std::function<int64_t()> read;
    int64_t frequency = 0;
};

// CLOCK_MONOTONIC in nanoseconds (frequency 1e9).
TickCounter monotonicCounter();

// Sums of its deltas are the demo time, so the arithmetic is fixed: times are measured from
// `startCount` in double precision and stored as floats, and a tick never returns 0.
struct DemoClock final : FrameClock {
    DemoClock() : counter(monotonicCounter()) {}
    explicit DemoClock(TickCounter c) : counter(std::move(c)) {}

    // Reads the frequency, then the counter twice: `startCount` from the first reading,
    // `lastTime` from the second, so the first tick measures from the second reading.
    void start() override;
    // Reads until the time (as a float) differs from `lastTime`, then returns the step.
    float tick() override;

    int64_t startCount = 0;
    float lastTime = 0.0f;
    float delta = 0.0f;
    double secondsPerTick = 0.0;
    TickCounter counter;
};

} // namespace tw
