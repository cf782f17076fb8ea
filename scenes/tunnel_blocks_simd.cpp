// The ray tunnel's block fill, compiled once per instruction set through Highway. On AVX2 a
// vector is one block row of eight pixels, on AVX-512 two: three gathers (base texel, slope,
// displaced environment texel), a saturating byte add and the light multiply in 16-bit lanes.
// Other targets run the plain fill.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "scenes/tunnel_blocks_simd.cpp"
#include <hwy/foreach_target.h>

#include <hwy/highway.h>

#include <algorithm>

#include "image/kernels.h"
#include "image/simd.h"
#include "render/fixed.h"
#include "scenes/tunnel_blocks.h"

HWY_BEFORE_NAMESPACE();
namespace tw::HWY_NAMESPACE {

#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX2

namespace hn = hwy::HWY_NAMESPACE;
// A vector holds whole block rows: one on AVX2, two on AVX-512.
using D = hn::CappedTag<int32_t, 16>;
using DU = hn::RebindToUnsigned<D>;
using VU = hn::Vec<DU>;
using DRow = hn::CappedTag<uint32_t, 8>; // one block row
constexpr int kFixedLanes = 5;           // u, v, u2, v2, light

// The pixels of a vector's block rows from their 16.16 values u, v, u2, v2 and light, as the
// plain fill's shadeBlockRow computes them.
HWY_INLINE VU shade(const VU* at, const uint32_t* base, const uint32_t* slopeWords,
                    const uint32_t* env) {
    const D d;
    const DU du;
    const hn::Repartition<uint8_t, DU> d8;
    const hn::Repartition<uint16_t, DU> d16;
    const auto byte = hn::Set(du, 0xFFu), secondByte = hn::Set(du, 0xFF00u);
    const auto texel = hn::BitCast(d, hn::Or(hn::And(hn::ShiftRight<8>(at[1]), secondByte),
                                             hn::And(hn::ShiftRight<16>(at[0]), byte)));
    const VU t = hn::GatherIndex(du, base, texel);
    // The 32-bit word at the texel's slope: its low 16 bits are the slope and only the low
    // byte of each sum below is kept, so the upper half (the next texel's) never shows.
    const VU slope = hn::GatherOffset(du, slopeWords, hn::ShiftLeft<1>(texel));
    const VU column = hn::And(hn::Add(hn::ShiftRight<16>(at[2]), slope), byte);
    // (v2 << 8) has a clear low byte, so adding the whole slope carries nothing into the row.
    const VU row =
        hn::And(hn::Add(hn::And(hn::ShiftRight<8>(at[3]), secondByte), slope), secondByte);
    const VU e = hn::GatherIndex(du, env, hn::BitCast(d, hn::Or(row, column)));
    const VU s = hn::BitCast(du, hn::SaturatedAdd(hn::BitCast(d8, t), hn::BitCast(d8, e)));
    // The light in both 16-bit halves: each product of two bytes fits 16 bits.
    const VU l = hn::And(hn::ShiftRight<16>(at[4]), byte);
    const auto l16 = hn::BitCast(d16, hn::Or(l, hn::ShiftLeft<16>(l)));
    const auto redBlue =
        hn::ShiftRight<8>(hn::Mul(hn::BitCast(d16, hn::And(s, hn::Set(du, 0x00FF00FFu))), l16));
    const VU green = hn::And(
        hn::BitCast(du, hn::Mul(hn::BitCast(d16, hn::And(hn::ShiftRight<8>(s), byte)), l16)),
        secondByte);
    return hn::Or(hn::Or(hn::And(s, hn::Set(du, 0xFF000000u)), hn::BitCast(du, redBlue)), green);
}

// Stores a vector's block rows at `out` and `out + width`, the second only if `both`.
template <class V, class M>
HWY_INLINE void storeRows(V shaded, M live, uint32_t* out, int32_t width, bool both) {
    const DRow dRow;
    if constexpr (sizeof(V) == 8 * sizeof(uint32_t)) {
        hn::BlendedStore(shaded, live, dRow, out);
    } else {
        hn::BlendedStore(hn::LowerHalf(dRow, shaded), live, dRow, out);
        if (both) hn::BlendedStore(hn::UpperHalf(dRow, shaded), live, dRow, out + width);
    }
}

void FillTunnelBlocks(Bitmap& framebuffer, const TunnelBlockSource& source) {
    const D d;
    const DU du;
    const DRow dRow;
    constexpr int32_t kRowsPerVector = static_cast<int32_t>(hn::MaxLanes(D()) / 8);
    // Lane k is pixel k % 8 of block row k / 8 of the vector's rows.
    const auto pixel = hn::And(hn::Iota(d, 0), hn::Set(d, 7));
    const auto blockRow = hn::ShiftRight<3>(hn::Iota(d, 0));
    const int32_t width = framebuffer.width, height = framebuffer.height;
    const auto* slopeWords = reinterpret_cast<const uint32_t*>(source.slopes);
    for (int32_t b = 0; b + 1 < source.rows; ++b) {
        const int32_t top = 8 * b;
        if (top >= height) break;
        const int32_t rowsHere = std::min(8, height - top);
        for (int32_t a = 0; a + 1 < source.columns; ++a) {
            const int32_t leftX = 8 * a;
            if (leftX >= width) break;
            const int32_t* tl =
                source.fixed + (static_cast<size_t>(b) * source.columns + a) * kFixedLanes;
            const int32_t* bl = tl + static_cast<size_t>(source.columns) * kFixedLanes;
            // Row r's ends are the top corners plus r steps down, r * step wrapping at 32 bits
            // exactly as r additions do; so does pixel i's i * step.
            hn::Vec<D> left[kFixedLanes], right[kFixedLanes], down[kFixedLanes],
                rightDown[kFixedLanes];
            for (int c = 0; c < kFixedLanes; ++c) {
                const auto leftStep = hn::Set(d, wrapSub(bl[c], tl[c]) >> 3);
                const auto rightStep =
                    hn::Set(d, wrapSub(bl[kFixedLanes + c], tl[kFixedLanes + c]) >> 3);
                left[c] = hn::Add(hn::Set(d, tl[c]), hn::Mul(blockRow, leftStep));
                right[c] = hn::Add(hn::Set(d, tl[kFixedLanes + c]), hn::Mul(blockRow, rightStep));
                down[c] = hn::Mul(hn::Set(d, kRowsPerVector), leftStep);
                rightDown[c] = hn::Mul(hn::Set(d, kRowsPerVector), rightStep);
            }
            const auto live = hn::FirstN(dRow, static_cast<size_t>(std::min(8, width - leftX)));
            uint32_t* out = framebuffer.pixels + static_cast<size_t>(top) * width + leftX;
            for (int32_t j = 0; j < rowsHere; j += kRowsPerVector) {
                VU at[kFixedLanes];
                for (int c = 0; c < kFixedLanes; ++c) {
                    const auto step = hn::ShiftRight<3>(hn::Sub(right[c], left[c]));
                    at[c] = hn::BitCast(du, hn::Add(left[c], hn::Mul(pixel, step)));
                    left[c] = hn::Add(left[c], down[c]);
                    right[c] = hn::Add(right[c], rightDown[c]);
                }
                const VU shaded = shade(at, source.base, slopeWords, source.environment);
                storeRows(shaded, live, out, width, j + 1 < rowsHere);
                out += kRowsPerVector * width;
            }
        }
    }
}

#else

void FillTunnelBlocks(Bitmap& framebuffer, const TunnelBlockSource& source) {
    tunnelBlocksPlain(framebuffer, source);
}

#endif

} // namespace tw::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tw {

TW_EXPORT_OWN_KERNEL(FillTunnelBlocks, tunnelBlocksPlain, tunnelBlockFill, TunnelBlockTarget,
                     everyTunnelBlockTarget)

} // namespace tw
#endif
