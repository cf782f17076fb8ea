// Film grain: darkens each pixel's colour channels by one random amount.
#include "base/random.h"
#include "image/frame_kernels.h"
#include "image/kernels.h"
#include "image/ops.h"

namespace tw {

namespace kernels {

uint32_t noiseScalar(uint32_t* p, size_t n, uint32_t state, uint32_t amplitude) {
    // draw % amplitude without a division per pixel: with m = floor(2^32 / a) + 1,
    // (r * m) >> 32 == r / a exactly for every r < 2^15 <= 2^32 / a. Amplitudes above the
    // random range leave r as it is.
    const uint64_t a = amplitude;
    const uint64_t m = a < 32768 ? (uint64_t{1} << 32) / a + 1 : 0;
    for (size_t i = 0; i < n; ++i) {
        state = state * kRandomMul + kRandomAdd;
        const uint64_t r = (state >> 16) & 0x7fffu;
        const auto k = static_cast<uint32_t>(r - ((r * m) >> 32) * a);
        const uint32_t d = p[i];
        uint32_t out = d & 0xFF000000u; // alpha kept
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = (d >> (8 * c)) & 255u;
            out |= (v > k ? v - k : 0u) << (8 * c);
        }
        p[i] = out;
    }
    return state;
}

} // namespace kernels

void addNoise(Bitmap& bitmap, int32_t amplitude) {
    if (amplitude <= 0 || !bitmap.pixels) return;
    const auto n = static_cast<size_t>(bitmap.pixelCount());
    detail::gRandomState = kernels::active().noise(bitmap.pixels, n, detail::gRandomState,
                                                   static_cast<uint32_t>(amplitude));
}

} // namespace tw
