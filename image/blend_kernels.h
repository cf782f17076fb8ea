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

} // namespace tw::kernels
