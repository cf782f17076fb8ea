// The fixed-step clock used by offline runs.
#include "host/platform.h"

namespace tw {

float FixedStepClock::tick() {
    // Mirror the loop's single-precision sum so that after frame k the demo time is the float
    // nearest k / fps: the step absorbs the rounding of the previous additions.
    ++frame;
    double target = static_cast<double>(frame) / fps;
    float delta = static_cast<float>(target - static_cast<double>(sum));
    if (delta <= 0.0f) delta = 1e-6f; // never a zero step
    sum = sum + delta;
    last = target;
    return delta;
}

} // namespace tw
