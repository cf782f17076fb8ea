// Opaque layered rows, compiled once per instruction set through Highway. On AVX2 and AVX-512
// a row is drawn a vector of eight pixels at a time, as the textured rows are: the depth test,
// gathers of the base texel, the height texels and the second texel, the per-channel combine
// and masked stores of colour and depth, with no branch per pixel or at the row's end. Other
// targets lack non-faulting masked loads and stores and run the plain loop.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/layered_rows_simd.cpp"
#include <hwy/foreach_target.h>

#include <hwy/highway.h>

#include "image/kernels.h"
#include "image/simd.h"
#include "render/layered_rows.h"
#include "render/vector_rows-inl.h"

HWY_BEFORE_NAMESPACE();
namespace tw::HWY_NAMESPACE {

#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX2

// The per-channel operations of image/pixel.h on eight pixels; each byte lane gives exactly
// the scalar result.
VU averageOf(VU a, VU b) {
    const DU du;
    const auto even = hn::Set(du, 0xFEFEFEFEu);
    return hn::Add(
        hn::Add(hn::ShiftRight<1>(hn::And(a, even)), hn::ShiftRight<1>(hn::And(b, even))),
        hn::And(hn::And(a, b), hn::Set(du, 0x01010101u)));
}
VU halfOf(VU x) {
    return hn::And(hn::ShiftRight<1>(x), hn::Set(DU(), 0x7F7F7F7Fu));
}
VU addSaturateOf(VU a, VU b) {
    const hn::Repartition<uint8_t, DU> d8;
    return hn::BitCast(DU(), hn::SaturatedAdd(hn::BitCast(d8, a), hn::BitCast(d8, b)));
}
// Bytes 0 and 2 multiply in the 16-bit lanes they sit in, bytes 1 and 3 after a shift down;
// each product of two bytes fits its 16-bit lane.
VU multiplyOf(VU a, VU b) {
    const DU du;
    const hn::Repartition<uint16_t, DU> d16;
    const auto bytes = hn::Set(du, 0x00FF00FFu);
    const auto low =
        hn::Mul(hn::BitCast(d16, hn::And(a, bytes)), hn::BitCast(d16, hn::And(b, bytes)));
    const auto high = hn::Mul(hn::BitCast(d16, hn::And(hn::ShiftRight<8>(a), bytes)),
                              hn::BitCast(d16, hn::And(hn::ShiftRight<8>(b), bytes)));
    return hn::Or(hn::BitCast(du, hn::ShiftRight<8>(low)),
                  hn::BitCast(du, hn::And(high, hn::Set(d16, uint16_t{0xFF00}))));
}

// One row of an opaque layered span, as LayeredSpan<Bump, Blend, false> draws it. Every gather
// index lies inside its texture or height map, so no gather needs a mask.
template <bool Bump, LayerBlend Blend> struct VectorLayeredSpan {
    static constexpr int kAttributes = 4;
    LayeredSource s;
    V baseMask, secondMask, heightWidth, heightCount;
    LaneSteps<5> steps; // u1, v1, u2, v2, q

    VectorLayeredSpan(const LayeredSource& source, const int32_t* grad)
        : s(source), baseMask(hn::Set(D(), source.baseMask)),
          secondMask(hn::Set(D(), source.secondMask)),
          heightWidth(hn::Set(D(), source.heightWidth)),
          heightCount(hn::Set(D(), source.heightCount)), steps(grad) {}

    // The height map's red byte at each index.
    V heightAt(V index) const {
        return hn::BitCast(D(), hn::And(hn::ShiftRight<16>(hn::GatherIndex(DU(), s.height, index)),
                                        hn::Set(DU(), 255u)));
    }

    VU layerTexel(V u1, V v1, V u2, V v2) const {
        if constexpr (!Bump) {
            return hn::GatherIndex(DU(), s.second, texelIndex(u2, v2, secondMask, s.secondShift));
        } else {
            const V column = hn::And(hn::ShiftRight<16>(u1), baseMask);
            const V i = texelIndex(u1, v1, baseMask, s.baseShift);
            // Neighbours wrap as in the plain span: right within the row, down to row 0.
            const V right = hn::IfThenElse(hn::Eq(column, baseMask), hn::Sub(i, baseMask),
                                           hn::Add(i, hn::Set(D(), 1)));
            const V below = hn::Add(i, heightWidth);
            const V down =
                hn::IfThenElse(hn::Gt(heightCount, below), below, hn::Sub(below, heightCount));
            const V h = heightAt(i);
            const V row = hn::Sub(hn::Add(heightAt(down), hn::ShiftRight<16>(v2)), h);
            const V col = hn::Sub(hn::Add(heightAt(right), hn::ShiftRight<16>(u2)), h);
            return hn::GatherIndex(
                DU(), s.second,
                hn::Add(hn::ShiftLeftSame(hn::And(row, secondMask), s.secondShift),
                        hn::And(col, secondMask)));
        }
    }

    static VU combine(VU b, VU e) {
        if constexpr (Blend == LayerBlend::Multiply)
            return multiplyOf(b, e);
        else if constexpr (Bump)
            return addSaturateOf(b, halfOf(e));
        else
            return averageOf(b, e);
    }

    HWY_INLINE VU colour(const V* at) const {
        const VU b = hn::GatherIndex(DU(), s.base, texelIndex(at[0], at[1], baseMask, s.baseShift));
        return combine(b, layerTexel(at[0], at[1], at[2], at[3]));
    }
    void operator()(uint32_t* dst, int32_t* z, int32_t n, const int32_t* a, int32_t q,
                    const int32_t*) const {
        steps.drawRow(*this, dst, z, n, a, q);
    }
};

// The rows of one variant for this target.
template <bool Bump, LayerBlend Blend>
void drawLayered(Bitmap& target, int32_t y0, int32_t y1, Edge<4>& left, Edge<4>& right,
                 const int32_t* grad, const LayeredSource& source) {
    drawVectorRows<4>(target, y0, y1, left, right, grad,
                      VectorLayeredSpan<Bump, Blend>(source, grad));
}

// This target's rows of every variant, in layeredVariant() order.
LayeredRowsSet LayeredRowsOfTarget() {
    return {{drawLayered<false, LayerBlend::Multiply>, drawLayered<false, LayerBlend::Add>,
             drawLayered<true, LayerBlend::Multiply>, drawLayered<true, LayerBlend::Add>}};
}

#else

LayeredRowsSet LayeredRowsOfTarget() {
    return layeredRowsPlain();
}

#endif

} // namespace tw::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tw {

HWY_EXPORT(LayeredRowsOfTarget);

namespace {

template <bool Bump, LayerBlend Blend>
void plainRows(Bitmap& target, int32_t y0, int32_t y1, Edge<4>& left, Edge<4>& right,
               const int32_t* grad, const LayeredSource& source) {
    drawRows<4>(target, y0, y1, left, right, grad, LayeredSpan<Bump, Blend, false>{source});
}

} // namespace

const LayeredRowsSet& layeredRowsPlain() {
    static constexpr LayeredRowsSet plain{
        {plainRows<false, LayerBlend::Multiply>, plainRows<false, LayerBlend::Add>,
         plainRows<true, LayerBlend::Multiply>, plainRows<true, LayerBlend::Add>}};
    return plain;
}

const LayeredRowsSet& layeredRows() {
    return *chosenUnlessForced(&layeredRowsPlain(), [] {
        static const LayeredRowsSet chosen = TW_CHOSEN(LayeredRowsOfTarget)();
        return &chosen;
    });
}

std::vector<LayeredRowsTarget> everyLayeredRowsTarget() {
    return everyTargetOf<LayeredRowsTarget>([] { return TW_CHOSEN(LayeredRowsOfTarget)(); });
}

} // namespace tw
#endif
