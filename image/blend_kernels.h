// Per-channel whole-buffer kernels over raw pixel runs, shared by the public operations
// and by the tests that hold vector kernels to the plain ones bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw::kernels {

// Plain one-pixel-at-a-time kernels: the reference for every faster twin. Weights are
// already cut to 0..255. Source and destination may be the same array.
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

#if defined(__SSE2__)
// Four pixels per step; bit-identical to the plain kernels for every input, any length and
// any alignment (the plain kernels finish the last n % 4 pixels).
void scaleSse2(uint32_t* d, size_t n, uint32_t k);
void crossfadeSse2(const uint32_t* s, uint32_t* d, size_t n, uint32_t k);
void brightenSse2(uint32_t* d, size_t n, uint32_t k);
void multiplySse2(const uint32_t* s, uint32_t* d, size_t n);
void addSse2(const uint32_t* s, uint32_t* d, size_t n);
void alphaOverlaySse2(const uint32_t* s, uint32_t* d, size_t n);
void maskBlendSse2(const uint32_t* s, uint32_t* d, const uint32_t* m, size_t n);
void blendFillSse2(uint32_t* d, size_t n, uint32_t k, uint32_t colour);
void spriteBlendSse2(const uint32_t* s, uint32_t* d, size_t n);
void desaturateSse2(uint32_t* d, size_t n, uint32_t k);
#endif

// The kernels the public operations run: the vector twin where the target has one.
struct Kernels {
    void (*scale)(uint32_t*, size_t, uint32_t);
    void (*crossfade)(const uint32_t*, uint32_t*, size_t, uint32_t);
    void (*brighten)(uint32_t*, size_t, uint32_t);
    void (*multiply)(const uint32_t*, uint32_t*, size_t);
    void (*add)(const uint32_t*, uint32_t*, size_t);
    void (*alphaOverlay)(const uint32_t*, uint32_t*, size_t);
    void (*maskBlend)(const uint32_t*, uint32_t*, const uint32_t*, size_t);
    void (*blendFill)(uint32_t*, size_t, uint32_t, uint32_t);
    void (*spriteBlend)(const uint32_t*, uint32_t*, size_t);
    void (*desaturate)(uint32_t*, size_t, uint32_t);
};
const Kernels& active();
const Kernels& scalarKernels();
// Tests and benchmarks switch every operation (blurs included) to its plain kernels to
// compare; false restores the default.
void forceScalar(bool on);

} // namespace tw::kernels
