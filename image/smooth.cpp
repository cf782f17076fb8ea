// Four-neighbour smoothing in place over a flat pixel array with 320-pixel rows.
#include "image/frame_kernels.h"
#include "image/kernels.h"
#include "image/ops.h"

namespace tw {

namespace kernels {

namespace {

// A pixel spread into four 16-bit lanes (blue, red, green, alpha), so four neighbours can be
// summed at once: each lane sum is at most 1020 and never reaches the lane above.
inline uint64_t spread(uint32_t p) {
    return (p & 0x00FF00FFu) | (static_cast<uint64_t>(p & 0xFF00FF00u) << 24);
}
inline uint32_t pack(uint64_t lanes) {
    return static_cast<uint32_t>(lanes & 0x00FF00FFu) |
           static_cast<uint32_t>((lanes >> 24) & 0xFF00FF00u);
}

} // namespace

void smoothScalar(uint32_t* p, size_t begin, size_t end) {
    constexpr size_t kRow = kSmoothRow;
    // In increasing order: p[i-1] and p[i-320] already hold this pass's values, p[i+1] and
    // p[i+320] the old ones.
    uint64_t left = spread(p[begin - 1]);
    for (size_t i = begin; i < end; ++i) {
        const uint64_t sum = left + spread(p[i + 1]) + spread(p[i - kRow]) + spread(p[i + kRow]);
        // >> 2 lets two bits of each lane fall into the top of the lane below; the mask drops them.
        const uint64_t avg = (sum >> 2) & 0x00FF00FF00FF00FFull;
        p[i] = pack(avg);
        left = avg;
    }
}

} // namespace kernels

void smooth4(Bitmap& bitmap) {
    constexpr auto kRow = static_cast<int32_t>(kernels::kSmoothRow); // not the bitmap's width
    const int32_t n = bitmap.pixels ? bitmap.pixelCount() : 0;
    if (n < 2 * kRow + 1) return;
    // The first 321 and last 320 pixels stay as they are.
    kernels::active().smooth(bitmap.pixels, kRow + 1, static_cast<size_t>(n - kRow));
}

} // namespace tw
