// Film grain: darkens each pixel's colour channels by one random amount.
#include "base/random.h"
#include "image/ops.h"

namespace tw {

void addNoise(Bitmap& bitmap, int32_t amplitude) {
    if (amplitude <= 0 || !bitmap.pixels) return;
    const int32_t n = bitmap.pixelCount();
    uint32_t* p = bitmap.pixels;
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t r = static_cast<uint32_t>(demoRand() % amplitude);
        const uint32_t d = p[i];
        uint32_t out = d & 0xFF000000u; // alpha kept
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = (d >> (8 * c)) & 255u;
            out |= (v > r ? v - r : 0u) << (8 * c);
        }
        p[i] = out;
    }
}

} // namespace tw
