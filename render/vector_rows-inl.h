// The row loop of the vector spans, included once per instruction set by a Highway file:
// drawRows's rows with each row's start worked out for a vector of rows side by side, and on
// AVX2 and AVX-512 the eight-pixel loop along a row that the vector spans share.
// Per-target include guard, toggled by Highway's foreach_target.
#if defined(TW_RENDER_VECTOR_ROWS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef TW_RENDER_VECTOR_ROWS_INL_H_
#undef TW_RENDER_VECTOR_ROWS_INL_H_
#else
#define TW_RENDER_VECTOR_ROWS_INL_H_
#endif

#include <cstdint>

#include <hwy/highway.h>

#include "render/rows.h"

HWY_BEFORE_NAMESPACE();
namespace tw::HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// Rows y0..y1-1 exactly as drawRows<N> draws them with `span`: row k's edge values are the
// first row's plus k steps (k * step wraps at 32 bits as k additions do), and the column clamp,
// sub-pixel pre-step and depth start are drawRows's, one lane per row. Only the rows
// themselves are drawn one after another.
template <int N, class Span>
HWY_INLINE void drawVectorRows(Bitmap& target, int32_t y0, int32_t y1, Edge<N>& left,
                               Edge<N>& right, const int32_t* grad, const Span& span) {
    using D = hn::CappedTag<int32_t, 8>;
    constexpr size_t kRows = hn::MaxLanes(D());
    const D d;
    const int32_t lanes = static_cast<int32_t>(hn::Lanes(d));
    const auto lane = hn::Iota(d, 0);
    const auto whole = hn::Set(d, lanes);
    // Per lane: the row's left and right x, and every attribute along the left edge (q last).
    auto lx = hn::Add(hn::Set(d, left.x), hn::Mul(lane, hn::Set(d, left.dx)));
    auto rx = hn::Add(hn::Set(d, right.x), hn::Mul(lane, hn::Set(d, right.dx)));
    const auto stepLx = hn::Mul(whole, hn::Set(d, left.dx));
    const auto stepRx = hn::Mul(whole, hn::Set(d, right.dx));
    hn::Vec<D> edge[N + 1], step[N + 1], g[N + 1], gPre[N + 1];
    for (int i = 0; i <= N; ++i) {
        edge[i] = hn::Add(hn::Set(d, left.a[i]), hn::Mul(lane, hn::Set(d, left.da[i])));
        step[i] = hn::Mul(whole, hn::Set(d, left.da[i]));
        g[i] = hn::Set(d, grad[i]);
        gPre[i] = hn::ShiftRight<4>(g[i]);
    }
    const auto one = hn::Set(d, 1), fraction = hn::Set(d, 0xFFFF);
    const auto lastColumn = hn::Set(d, target.width - 1);
    int32_t* depth = gZBuffer.depth.data();
    const auto w = static_cast<size_t>(target.width);

    HWY_ALIGN int32_t first[kRows], count[kRows], start[N + 1][kRows];
    for (int32_t y = y0; y < y1; y += lanes) {
        // fixedCeil of both edges; columns kept to 1..W-2.
        auto xs = hn::ShiftRight<16>(hn::Add(lx, fraction));
        const auto skip = hn::Max(hn::Sub(one, xs), hn::Zero(d));
        xs = hn::Add(xs, skip);
        const auto xe = hn::Min(hn::ShiftRight<16>(hn::Add(rx, fraction)), lastColumn);
        const auto f = hn::ShiftRight<8>(hn::Sub(fraction, hn::And(lx, fraction)));
        hn::Store(xs, d, first);
        hn::Store(hn::Sub(xe, xs), d, count);
        for (int i = 0; i < N; ++i)
            hn::Store(hn::Add(hn::Add(edge[i], hn::ShiftRight<4>(hn::Mul(gPre[i], f))),
                              hn::Mul(g[i], skip)),
                      d, start[i]);
        hn::Store(hn::Add(edge[N], hn::Mul(g[N], skip)), d, start[N]); // no pre-step for q
        const int32_t rows = y1 - y < lanes ? y1 - y : lanes;
        for (int32_t j = 0; j < rows; ++j) {
            if (count[j] <= 0) continue;
            const size_t at = static_cast<size_t>(y + j) * w + static_cast<size_t>(first[j]);
            int32_t a[N];
            for (int i = 0; i < N; ++i) a[i] = start[i][j];
            span(target.pixels + at, depth + at, count[j], a, start[N][j], grad);
        }
        lx = hn::Add(lx, stepLx);
        rx = hn::Add(rx, stepRx);
        for (int i = 0; i <= N; ++i) edge[i] = hn::Add(edge[i], step[i]);
    }
    // Both edges end one row past y1 - 1, as after y1 - y0 single steps.
    const int32_t n = y1 > y0 ? y1 - y0 : 0;
    left.x = wrapAdd(left.x, wrapMul(left.dx, n));
    right.x = wrapAdd(right.x, wrapMul(right.dx, n));
    for (int i = 0; i <= N; ++i) left.a[i] = wrapAdd(left.a[i], wrapMul(left.da[i], n));
}

// The pieces of the vector spans on AVX2 and AVX-512: attributes stepped a vector of pixels at a
// time with the depth test and masked stores, and texel indices.
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX2

// Eight lanes on AVX-512 too: with rows this short a wider vector only adds idle lanes.
using D = hn::CappedTag<int32_t, 8>;
using DU = hn::RebindToUnsigned<D>;
using V = hn::Vec<D>;
using VU = hn::Vec<DU>;
using M = hn::Mask<D>;

// K row attributes (q last) a vector at a time. Lane i's start is i steps on: i * step wraps
// at 32 bits exactly as i additions do, so every lane carries the plain loop's values.
template <int K> struct LaneSteps {
    V lane[K], step[K]; // lane offsets i * step, and one vector's worth of steps

    explicit LaneSteps(const int32_t* grad) {
        const D d;
        const V iota = hn::Iota(d, 0);
        const V whole = hn::Set(d, static_cast<int32_t>(hn::Lanes(d)));
        for (int k = 0; k < K; ++k) {
            lane[k] = hn::Mul(iota, hn::Set(d, grad[k]));
            step[k] = hn::Mul(whole, hn::Set(d, grad[k]));
        }
    }
    // A row of n pixels from the start a (K - 1 values) and q: span.colour(at) gives each
    // vector's pixels from its attributes, stored with q (at[K - 1]) in the lanes before n
    // whose depth is strictly nearer than z's (equal depth fails).
    template <class Span>
    HWY_INLINE void drawRow(const Span& span, uint32_t* dst, int32_t* z, int32_t n,
                            const int32_t* a, int32_t q) const {
        const D d;
        const DU du;
        V at[K];
        for (int k = 0; k < K; ++k) at[k] = hn::Add(hn::Set(d, k < K - 1 ? a[k] : q), lane[k]);
        const auto lanes = static_cast<int32_t>(hn::Lanes(d));
        for (int32_t i = 0; i < n; i += lanes) {
            const M live = hn::FirstN(d, static_cast<size_t>(n - i));
            const M pass = hn::And(live, hn::Gt(at[K - 1], hn::MaskedLoad(live, d, z + i)));
            hn::BlendedStore(span.colour(at), hn::RebindMask(du, pass), du, dst + i);
            hn::BlendedStore(at[K - 1], pass, d, z + i);
            for (int k = 0; k < K; ++k) at[k] = hn::Add(at[k], step[k]);
        }
    }
};

// ((v >> 16) & mask) << shift + ((u >> 16) & mask) in every lane, as texel() indexes.
HWY_INLINE V texelIndex(V u, V v, V mask, int shift) {
    return hn::Add(hn::ShiftLeftSame(hn::And(hn::ShiftRight<16>(v), mask), shift),
                   hn::And(hn::ShiftRight<16>(u), mask));
}

#endif

} // namespace tw::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif // TW_RENDER_VECTOR_ROWS_INL_H_
