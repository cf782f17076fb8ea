// Film grain: darkens each pixel's colour channels by one random amount.
#include "base/random.h"
#include "image/ops.h"

namespace tw {

void addNoise(Bitmap& bitmap, int32_t amplitude) {
    if (amplitude <= 0 || !bitmap.pixels) return;
    const int32_t n = bitmap.pixelCount();
    uint32_t* p = bitmap.pixels;
    // demoRand() % amplitude without a division per pixel: with m = floor(2^32 / a) + 1,
    // (r * m) >> 32 == r / a exactly for every r < 2^15 <= 2^32 / a. Amplitudes above the
    // random range leave r as it is.
    const auto a = static_cast<uint64_t>(amplitude);
    const uint64_t m = a < 32768 ? (uint64_t{1} << 32) / a + 1 : 0;
    // Draws are taken in batches into a local array: pixel stores could alias the generator's
    // state, which would otherwise force it through memory on every pixel.
    constexpr int32_t kBatch = 256;
    uint32_t draws[kBatch];
    for (int32_t base = 0; base < n; base += kBatch) {
        const int32_t count = n - base < kBatch ? n - base : kBatch;
        for (int32_t j = 0; j < count; ++j) {
            const auto r = static_cast<uint64_t>(demoRand());
            draws[j] = static_cast<uint32_t>(r - ((r * m) >> 32) * a);
        }
        uint32_t* px = p + base;
        for (int32_t j = 0; j < count; ++j) {
            const uint32_t k = draws[j], d = px[j];
            uint32_t out = d & 0xFF000000u; // alpha kept
            for (int c = 0; c < 3; ++c) {
                const uint32_t v = (d >> (8 * c)) & 255u;
                out |= (v > k ? v - k : 0u) << (8 * c);
            }
            px[j] = out;
        }
    }
}

} // namespace tw
