// The plain per-channel whole-buffer kernels over raw pixel runs: the reference every vector
// kernel (image/blend_simd.cpp) is held to bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw::kernels {

// One pixel at a time. Weights are already cut to 0..255. Source and destination may be the
// same array.
void scaleScalar(uint32_t* d, size_t n, uint32_t k);
void crossfadeScalar(const uint32_t* s, uint32_t* d, size_t n, uint32_t k);
void brightenScalar(uint32_t* d, size_t n, uint32_t k);
void multiplyScalar(const uint32_t* s, uint32_t* d, size_t n);
void addScalar(const uint32_t* s, uint32_t* d, size_t n);
void alphaOverlayScalar(const uint32_t* s, uint32_t* d, size_t n);
void maskBlendScalar(const uint32_t* s, uint32_t* d, const uint32_t* m, size_t n);
void desaturateScalar(uint32_t* d, size_t n, uint32_t k);
void blendFillScalar(uint32_t* d, size_t n, uint32_t k, uint32_t colour);
// One row of the alpha sprite blit: colour channels (s*a >> 8) + (d*(255-a) >> 8), alpha 0.
void spriteBlendScalar(const uint32_t* s, uint32_t* d, size_t n);

// Every pixel set to c.
void fillScalar(uint32_t* d, size_t n, uint32_t c);

// x / 3 == (x * kThird) >> 16 for every grey sum x <= 765 (checked below, at compile time).
constexpr uint32_t kThird = 21846;
constexpr bool thirdIsExact() {
    for (uint32_t x = 0; x <= 765; ++x)
        if ((x * kThird) >> 16 != x / 3) return false;
    return true;
}
static_assert(thirdIsExact());

} // namespace tw::kernels
