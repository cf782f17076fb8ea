// The presentation's own random generator: values 0..32767 from a fixed seed, so that a
// capture at a fixed frame rate is bit-reproducible. Replaces the C runtime's rand().
#pragma once

#include <cstdint>

namespace tw {

constexpr uint32_t kRandomSeed = 0x7a3e1u;

// Restart the sequence (the demo does this once before its first frame; tests as they like).
void seedRandom(uint32_t seed = kRandomSeed);

// Next value in 0..32767. Cheap enough to call once per pixel (an LCG step and a shift).
inline int demoRand();

namespace detail {
extern uint32_t gRandomState;
}

inline int demoRand() {
    // Numerical Recipes LCG; the top 15 bits of the state have the longest period.
    detail::gRandomState = detail::gRandomState * 1664525u + 1013904223u;
    return static_cast<int>((detail::gRandomState >> 16) & 0x7fffu);
}

} // namespace tw
