// Deterministic hash noise for the forge: the same numbers on every run and machine.
#pragma once

#include <cmath>
#include <cstdint>

namespace tw {

// A well-mixed 32-bit hash of up to three integers and a seed.
inline uint32_t hash3(int32_t x, int32_t y, int32_t z, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h = (h << 17) | (h >> 15);
    h ^= static_cast<uint32_t>(z) * 0x27D4EB2Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

// Uniform in [0, 1).
inline float hashUnit(int32_t x, int32_t y, int32_t z, uint32_t seed) {
    return static_cast<float>(hash3(x, y, z, seed) >> 8) * (1.0f / 16777216.0f);
}

// Smooth value noise in [0, 1) on a lattice that repeats every `period` cells (period <= 0:
// no repeat), so textures built from it tile seamlessly.
inline float valueNoise(float x, float y, int period, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto wrap = [period](int v) {
        if (period <= 0) return v;
        v %= period;
        return v < 0 ? v + period : v;
    };
    float a = hashUnit(wrap(ix), wrap(iy), 0, seed);
    float b = hashUnit(wrap(ix + 1), wrap(iy), 0, seed);
    float c = hashUnit(wrap(ix), wrap(iy + 1), 0, seed);
    float d = hashUnit(wrap(ix + 1), wrap(iy + 1), 0, seed);
    return a + (b - a) * tx + (c - a) * ty + (a - b - c + d) * tx * ty;
}

// Octaves of value noise; each octave doubles the frequency and the period.
inline float fbm(float x, float y, int period, int octaves, uint32_t seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * valueNoise(x, y, period, seed + static_cast<uint32_t>(i) * 101u);
        norm += amp;
        x *= 2;
        y *= 2;
        if (period > 0) period *= 2;
        amp *= 0.5f;
    }
    return sum / norm;
}

} // namespace tw
