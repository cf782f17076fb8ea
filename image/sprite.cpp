// Sprite blits: a picture placed at a position, clipped to the destination, opaque or
// weighted by the picture's own alpha.
#include <algorithm>

#include "image/ops.h"

namespace tw {

void drawSprite(const Bitmap& source, Bitmap& dest, int32_t x, int32_t y, bool blend) {
    if (!source.pixels || !dest.pixels) return;
    const int64_t sw = source.pixelCount() ? source.width : 0;
    const int64_t sh = source.pixelCount() ? source.height : 0;
    const int64_t dw = dest.pixelCount() ? dest.width : 0;
    const int64_t dh = dest.pixelCount() ? dest.height : 0;
    // 64-bit positions: x + width must not wrap for positions near the int32 limits.
    const int64_t px = x, py = y;
    if (px > dw || px + sw < 0 || py > dh || py + sh < 0) return;
    const int64_t sx0 = std::max<int64_t>(0, -px);
    const int64_t sx1 = sw - std::max<int64_t>(0, px + sw - dw);
    const int64_t sy0 = std::max<int64_t>(0, -py);
    const int64_t sy1 = sh - std::max<int64_t>(0, py + sh - dh);
    if (sx0 >= sx1 || sy0 >= sy1) return;

    for (int64_t sy = sy0; sy < sy1; ++sy) {
        const uint32_t* s = source.pixels + sy * sw;
        uint32_t* d = dest.pixels + (py + sy) * dw + px;
        if (!blend) {
            std::copy(s + sx0, s + sx1, d + sx0);
            continue;
        }
        for (int64_t sx = sx0; sx < sx1; ++sx) {
            const uint32_t sp = s[sx], dp = d[sx];
            const uint32_t a = sp >> 24;
            uint32_t out = 0; // the result's alpha byte is 0
            for (int c = 0; c < 3; ++c) {
                const uint32_t sc = (sp >> (8 * c)) & 255u, dc = (dp >> (8 * c)) & 255u;
                out |= (((sc * a) >> 8) + ((dc * (255u - a)) >> 8)) << (8 * c);
            }
            d[sx] = out;
        }
    }
}

} // namespace tw
