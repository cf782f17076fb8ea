// Sprite blits: a picture placed at a position, clipped to the destination, opaque or
// weighted by the picture's own alpha.
#include <algorithm>

#include "image/kernels.h"
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

    const auto blendRow = kernels::active().spriteBlend;
    const auto cols = static_cast<size_t>(sx1 - sx0);
    for (int64_t sy = sy0; sy < sy1; ++sy) {
        const uint32_t* s = source.pixels + sy * sw + sx0;
        uint32_t* d = dest.pixels + (py + sy) * dw + (px + sx0);
        if (blend)
            blendRow(s, d, cols);
        else
            std::copy(s, s + cols, d);
    }
}

} // namespace tw
