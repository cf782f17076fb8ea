// The presentation's own random generator: values 0..32767 from a fixed seed, so that a
// capture at a fixed frame rate is bit-reproducible. Replaces the C runtime's rand().
#pragma once

#include <cstdint>

namespace tw {

constexpr uint32_t kRandomSeed = 0x7a3e1u;
// One step of the generator: state' = state * kRandomMul + kRandomAdd (mod 2^32).
constexpr uint32_t kRandomMul = 1664525u, kRandomAdd = 1013904223u;

// k steps at once: state after k steps = state * mul + add, the k-fold composition of the
// affine step, built by squaring (so lanes k apart can run side by side).
struct RandomJump {
    uint32_t mul = 1, add = 0;
};
constexpr RandomJump randomJump(uint64_t k) {
    RandomJump out, step{kRandomMul, kRandomAdd};
    for (; k != 0; k >>= 1) {
        if (k & 1) out = {out.mul * step.mul, out.add * step.mul + step.add};
        step = {step.mul * step.mul, step.add * step.mul + step.add};
    }
    return out;
}

// Restart the sequence (the demo does this once before its first frame; tests as they like).
void seedRandom(uint32_t seed = kRandomSeed);

// Next value in 0..32767. Cheap enough to call once per pixel (an LCG step and a shift).
inline int demoRand();

namespace detail {
extern uint32_t gRandomState;
}

inline int demoRand() {
    // Numerical Recipes LCG; the top 15 bits of the state have the longest period.
    detail::gRandomState = detail::gRandomState * kRandomMul + kRandomAdd;
    return static_cast<int>((detail::gRandomState >> 16) & 0x7fffu);
}

} // namespace tw
