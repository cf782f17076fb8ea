// Vector four-neighbour smoothing, compiled once per instruction set through Highway.
//
// In place and in increasing order, each pixel is x[i] = (x[i-1] + c[i]) >> 2 per channel,
// where c[i] = up + right + down is known before the row runs (up is final, right and down
// are still the old values). The recurrence unrolls exactly: since floor((floor(A/4) + c)/4)
// == floor((A + 4c)/16),
//     x[b+j] = (x[b-1] + c[b] + 4 c[b+1] + ... + 4^j c[b+j]) >> 2(j+1),
// and for a block of four pixels the bracket stays below 255 + 765 * 85 = 65280, inside a
// 16-bit lane. So a chunk of pixels runs in three steps: the weighted sums of every block
// side by side in vectors, the one value per block that carries into the next (a short
// serial chain, four pixels a step), and every pixel from its block's carried value, again
// side by side. A chunk is at most one row long, so the row above is final before it starts.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "image/smooth_simd.cpp"
#include <hwy/foreach_target.h>

#include <hwy/highway.h>

#include "image/frame_kernels.h"
#include "image/kernels.h"
#include "image/simd.h"

HWY_BEFORE_NAMESPACE();
namespace tw::kernels::HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR
void Smooth(uint32_t* p, size_t begin, size_t end) {
    smoothScalar(p, begin, end);
}
#else

namespace hn = hwy::HWY_NAMESPACE;
using D32 = hn::ScalableTag<uint32_t>;
using D16 = hn::Repartition<uint16_t, D32>;

// Pixels per chunk: whole vectors, and at most one row.
constexpr size_t kChunkVectors = 10;
constexpr size_t kMaxChunk = kChunkVectors * hn::MaxLanes(D32());

// Chunk p[i0 .. i0+len), len a multiple of the vector length and at most one row: its
// pixels read the row above (final before the chunk starts), their right neighbours and the
// row below (not yet written). `x` holds the pixel before the chunk as four 16-bit lanes
// (blue, red, green, alpha); it leaves holding the chunk's last pixel.
template <class V4>
void smoothChunk(uint32_t* p, size_t i0, size_t len, V4& x, const hn::Vec<D16> weights,
                 const hn::Vec<D16> scale) {
    const D32 d;
    const D16 d16;
    const hn::FixedTag<uint16_t, 4> d4;
    const size_t N = hn::Lanes(d);
    // Per pixel: the block's weighted sums of blue/red (even bytes) and green/alpha (odd).
    HWY_ALIGN uint32_t even[kMaxChunk], odd[kMaxChunk];
    // Per block of four pixels, eight 16-bit lanes each: the sums of pixels 2 and 3 (the
    // block's sum is the last four), and the value carried into the block (the first four).
    HWY_ALIGN uint16_t last[2 * kMaxChunk], in[2 * kMaxChunk] = {};

    const auto lowBytes = hn::Set(d16, 0x00FF);
    for (size_t k = 0; k < len; k += N) {
        const uint32_t* q = p + i0 + k;
        const auto up = hn::BitCast(d16, hn::LoadU(d, q - kSmoothRow));
        const auto right = hn::BitCast(d16, hn::LoadU(d, q + 1));
        const auto down = hn::BitCast(d16, hn::LoadU(d, q + kSmoothRow));
        auto e = hn::Add(hn::Add(hn::And(up, lowBytes), hn::And(right, lowBytes)),
                         hn::And(down, lowBytes));
        auto o = hn::Add(hn::Add(hn::ShiftRight<8>(up), hn::ShiftRight<8>(right)),
                         hn::ShiftRight<8>(down));
        // c * 4^j for pixel j of its block, then sums along the block (pixels are 32-bit
        // lanes, four to a 128-bit block): at most 765 * 85 per 16-bit lane.
        e = hn::Mul(e, weights);
        o = hn::Mul(o, weights);
        e = hn::Add(e, hn::BitCast(d16, hn::ShiftLeftLanes<1>(d, hn::BitCast(d, e))));
        o = hn::Add(o, hn::BitCast(d16, hn::ShiftLeftLanes<1>(d, hn::BitCast(d, o))));
        e = hn::Add(e, hn::BitCast(d16, hn::ShiftLeftLanes<2>(d, hn::BitCast(d, e))));
        o = hn::Add(o, hn::BitCast(d16, hn::ShiftLeftLanes<2>(d, hn::BitCast(d, o))));
        const auto e32 = hn::BitCast(d, e), o32 = hn::BitCast(d, o);
        hn::Store(e32, d, even + k);
        hn::Store(o32, d, odd + k);
        hn::Store(hn::BitCast(d16, hn::InterleaveUpper(d, e32, o32)), d16, last + 2 * k);
    }

    // The chain: one step per block, (x + block sum) >> 8 in 16-bit lanes.
    for (size_t b = 0; b < 2 * len; b += 8) {
        hn::Store(x, d4, in + b);
        x = hn::ShiftRight<8>(hn::Add(x, hn::Load(d4, last + b + 4)));
    }

    for (size_t k = 0; k < len; k += N) {
        const auto v = hn::BitCast(d, hn::Load(d16, in + 2 * k));
        const auto xe = hn::BitCast(d16, hn::Broadcast<0>(v));
        const auto xo = hn::BitCast(d16, hn::Broadcast<1>(v));
        // (x + sum) >> 2(j+1) as a high multiply by 2^(14-2j): exact for 16-bit values.
        const auto e = hn::MulHigh(hn::Add(xe, hn::BitCast(d16, hn::Load(d, even + k))), scale);
        const auto o = hn::MulHigh(hn::Add(xo, hn::BitCast(d16, hn::Load(d, odd + k))), scale);
        hn::StoreU(hn::BitCast(d, hn::Or(e, hn::ShiftLeft<8>(o))), d, p + i0 + k);
    }
}

void Smooth(uint32_t* p, size_t begin, size_t end) {
    const D32 d;
    const D16 d16;
    const hn::FixedTag<uint16_t, 4> d4;
    const size_t N = hn::Lanes(d);
    const size_t chunk = kChunkVectors * N;
    if (N % 4 != 0 || chunk > kSmoothRow) return smoothScalar(p, begin, end);

    // Per pixel j of a block (both 16-bit halves): the weight 4^j and the scale 2^(14-2j).
    HWY_ALIGN uint32_t w[hn::MaxLanes(d)], s[hn::MaxLanes(d)];
    for (size_t j = 0; j < N; ++j) {
        w[j] = 0x00010001u << (2 * (j & 3));
        s[j] = 0x40004000u >> (2 * (j & 3));
    }
    const auto weights = hn::BitCast(d16, hn::Load(d, w));
    const auto scale = hn::BitCast(d16, hn::Load(d, s));

    const uint32_t b = p[begin - 1];
    const uint16_t before[4] = {
        static_cast<uint16_t>(b & 255), static_cast<uint16_t>(b >> 16 & 255),
        static_cast<uint16_t>(b >> 8 & 255), static_cast<uint16_t>(b >> 24)};
    auto x = hn::LoadU(d4, before);
    size_t i = begin;
    for (; i + chunk <= end; i += chunk) smoothChunk(p, i, chunk, x, weights, scale);
    const size_t rest = (end - i) / N * N;
    smoothChunk(p, i, rest, x, weights, scale);
    smoothScalar(p, i + rest, end);
}

#endif // HWY_TARGET == HWY_SCALAR

} // namespace tw::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
TW_EXPORT_KERNEL(Smooth, smooth, chooseSmoothKernels)
#endif
