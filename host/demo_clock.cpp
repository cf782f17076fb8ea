// The live frame clock on CLOCK_MONOTONIC.
#include "host/demo_clock.h"

#include <time.h>

namespace tw {

TickCounter monotonicCounter() {
    TickCounter c;
    c.frequency = 1000000000;
    c.read = [] {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    };
    return c;
}

void DemoClock::start() {
    secondsPerTick = 1.0 / static_cast<double>(counter.frequency);
    startCount = counter.read();
    int64_t second = counter.read();
    delta = 0.0f;
    lastTime = static_cast<float>(static_cast<double>(second - startCount) * secondsPerTick);
}

float DemoClock::tick() {
    // The comparison is made on the stored float: a double compared with its own float
    // rounding would almost never be equal, and the step would then be a rounding error
    // (possibly negative) instead of a wait for the counter to move on. Because rounding is
    // monotonic, a float(t) different from lastTime on a forward counter means t > lastTime,
    // so the step is strictly positive.
    double t;
    do {
        t = static_cast<double>(counter.read() - startCount) * secondsPerTick;
    } while (static_cast<float>(t) == lastTime);
    delta = static_cast<float>(t - static_cast<double>(lastTime));
    lastTime = static_cast<float>(t);
    return delta;
}

} // namespace tw
