// Plain reference kernels for the whole-frame passes that are not per-channel runs: grain,
// four-neighbour smoothing and the warped texture fill. Their vector twins must match them
// bit for bit; the public operations in ops.h call whichever the kernel table holds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw::kernels {

// Grain over p[0..n): one draw per pixel in order from the generator `state` (base/random.h), k =
// draw % amplitude, each colour channel lowered by k (floored at 0), alpha kept. Returns the state
// after the last draw. amplitude >= 1.
uint32_t noiseScalar(uint32_t* p, size_t n, uint32_t state, uint32_t amplitude);

// Four-neighbour smoothing in place, rows of kSmoothRow pixels: pixels begin .. end-1 in
// increasing order each become the per-channel (left + right + up + down) >> 2, where left
// and up already hold this pass's values. Needs kSmoothRow < begin and end + kSmoothRow <= n.
constexpr size_t kSmoothRow = 320;
void smoothScalar(uint32_t* p, size_t begin, size_t end);

// The warped fill: a 320x240 frame from a 256x256 texture. Row y samples from (lu, lv) in
// 16.16 texel steps of ((ru - lu) / 320, (rv - lv) / 320), wrapping at 256; every row then
// moves the left and right ends by (dlu, dlv) and (dru, drv).
constexpr int32_t kWarpW = 320, kWarpH = 240, kWarpTex = 256;
struct WarpQuad {
    int32_t lu, lv, ru, rv;
    int32_t dlu, dlv, dru, drv;
};
void warpScalar(uint32_t* out, const uint32_t* tex, const WarpQuad& q);

} // namespace tw::kernels
