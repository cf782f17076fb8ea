// The live frame clock's arithmetic, driven by a scripted counter.
#include <gtest/gtest.h>

#include <vector>

#include "host/demo_clock.h"

namespace tw {
namespace {

// A counter that returns the scripted readings in order and then repeats the last one
// forever (a test that loops on it past the script fails by timeout, not by luck).
struct Script {
    std::vector<int64_t> readings;
    size_t next = 0;
    size_t reads = 0;
    TickCounter counter(int64_t frequency) {
        return TickCounter{[this] {
                               ++reads;
                               int64_t v = readings[next];
                               if (next + 1 < readings.size()) ++next;
                               return v;
                           },
                           frequency};
    }
};

TEST(DemoClock, StartReadsTwiceAndTheFirstTickMeasuresFromTheSecondReading) {
    Script s{{5000, 5250, 6250}};
    DemoClock clock(s.counter(1000));
    clock.start();
    EXPECT_FLOAT_EQ(clock.lastTime, 0.25f);
    EXPECT_EQ(s.reads, 2u);
    // From 0.25 s (second start reading), not from 0 (startCount): 1.0 s, not 1.25 s.
    EXPECT_FLOAT_EQ(clock.tick(), 1.0f);
    EXPECT_FLOAT_EQ(clock.lastTime, 1.25f);
}

TEST(DemoClock, RepeatedReadingsAreSkippedSoNoStepIsZero) {
    // Same value as the second start reading three times, then a move.
    Script s{{0, 100, 100, 100, 100, 300, 300, 700}};
    DemoClock clock(s.counter(1000));
    clock.start();
    EXPECT_FLOAT_EQ(clock.tick(), 0.2f);
    EXPECT_EQ(s.reads, 6u); // 2 at start, 3 repeats of 100, then 300
    EXPECT_FLOAT_EQ(clock.tick(), 0.4f);
    EXPECT_EQ(s.reads, 8u);
}

TEST(DemoClock, CounterStepsBelowFloatResolutionWaitForTheFloatToMove) {
    // Nanosecond counter 100 s into the run: one float step of lastTime is about 7.6 us, so
    // readings 1 ns apart compare equal as floats and the tick keeps reading. Comparing the
    // double with the float would instead return a rounding error, possibly negative.
    const int64_t base = 100'000'000'000;
    std::vector<int64_t> readings{0, base};
    for (int i = 1; i <= 20; ++i) readings.push_back(base + i);
    readings.push_back(base + 1'000'000); // 1 ms later
    Script s{readings};
    DemoClock clock(s.counter(1'000'000'000));
    clock.start();
    EXPECT_NEAR(clock.tick(), 0.001, 1e-5); // positive, not a rounding error
    EXPECT_EQ(s.reads, readings.size());
}

TEST(DemoClock, MonotonicCounterAdvances) {
    DemoClock clock;
    clock.start();
    float a = clock.tick(), b = clock.tick();
    EXPECT_GT(a, 0.0f);
    EXPECT_GT(b, 0.0f);
    EXPECT_LT(a + b, 1.0f);
}

} // namespace
} // namespace tw
