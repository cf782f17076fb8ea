// Opaque textured rows, compiled once per instruction set through Highway. On AVX2 and
// AVX-512 a row is drawn a vector of eight pixels at a time: lane i at i steps from the row's
// start, the depth test, a texel gather and masked stores of colour and depth, so neither a
// pixel nor the row's end takes a branch (rows average about six pixels, and the plain loop's
// exit is mispredicted once a row). Other targets lack non-faulting masked loads and stores
// and run the plain loop.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/textured_rows_simd.cpp"
#include <hwy/foreach_target.h>

#include <hwy/highway.h>

#include "image/kernels.h"
#include "image/simd.h"
#include "render/textured_rows.h"
#include "render/vector_rows-inl.h"

HWY_BEFORE_NAMESPACE();
namespace tw::HWY_NAMESPACE {

#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX2

namespace hn = hwy::HWY_NAMESPACE;
// Eight lanes on AVX-512 too: with rows this short a wider vector only adds idle lanes.
using D = hn::CappedTag<int32_t, 8>;
using V = hn::Vec<D>;

// One row of an opaque textured span, as TexturedSpan<false> draws it. Lane i's start is
// i steps on: i * step wraps at 32 bits exactly as i additions do, so every lane carries the
// plain loop's values.
struct VectorTexturedSpan {
    static constexpr int kAttributes = 2;
    const uint32_t* tex;
    int32_t shift;
    V mask, laneU, laneV, laneQ; // lane offsets i * step
    V stepU, stepV, stepQ;       // one vector's worth of steps

    VectorTexturedSpan(const TexturedSource& s, const int32_t* grad)
        : tex(s.pixels), shift(s.shift), mask(hn::Set(D(), s.mask)) {
        const D d;
        const auto lane = hn::Iota(d, 0);
        const auto whole = hn::Set(d, static_cast<int32_t>(hn::Lanes(d)));
        laneU = hn::Mul(lane, hn::Set(d, grad[0]));
        laneV = hn::Mul(lane, hn::Set(d, grad[1]));
        laneQ = hn::Mul(lane, hn::Set(d, grad[2]));
        stepU = hn::Mul(whole, hn::Set(d, grad[0]));
        stepV = hn::Mul(whole, hn::Set(d, grad[1]));
        stepQ = hn::Mul(whole, hn::Set(d, grad[2]));
    }

    void operator()(uint32_t* dst, int32_t* z, int32_t n, const int32_t* a, int32_t q0,
                    const int32_t*) const {
        const D d;
        const hn::RebindToUnsigned<D> du;
        auto u = hn::Add(hn::Set(d, a[0]), laneU);
        auto v = hn::Add(hn::Set(d, a[1]), laneV);
        auto q = hn::Add(hn::Set(d, q0), laneQ);
        const auto lanes = static_cast<int32_t>(hn::Lanes(d));
        for (int32_t i = 0; i < n; i += lanes) {
            const auto live = hn::FirstN(d, static_cast<size_t>(n - i));
            // Strictly nearer passes; equal depth fails.
            const auto pass = hn::And(live, hn::Gt(q, hn::MaskedLoad(live, d, z + i)));
            // Every lane's index lies inside the texture, so the gather needs no mask.
            const auto index =
                hn::Add(hn::ShiftLeftSame(hn::And(hn::ShiftRight<16>(v), mask), shift),
                        hn::And(hn::ShiftRight<16>(u), mask));
            hn::BlendedStore(hn::GatherIndex(du, tex, index), hn::RebindMask(du, pass), du,
                             dst + i);
            hn::BlendedStore(q, pass, d, z + i);
            u = hn::Add(u, stepU);
            v = hn::Add(v, stepV);
            q = hn::Add(q, stepQ);
        }
    }
};

void DrawTexturedRows(Bitmap& target, int32_t y0, int32_t y1, Edge<2>& left, Edge<2>& right,
                      const int32_t* grad, const TexturedSource& source) {
    drawVectorRows<2>(target, y0, y1, left, right, grad, VectorTexturedSpan(source, grad));
}

#else

void DrawTexturedRows(Bitmap& target, int32_t y0, int32_t y1, Edge<2>& left, Edge<2>& right,
                      const int32_t* grad, const TexturedSource& source) {
    texturedRowsPlain(target, y0, y1, left, right, grad, source);
}

#endif

} // namespace tw::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tw {

HWY_EXPORT(DrawTexturedRows);

void texturedRowsPlain(Bitmap& target, int32_t y0, int32_t y1, Edge<2>& left, Edge<2>& right,
                       const int32_t* grad, const TexturedSource& source) {
    drawRows<2>(target, y0, y1, left, right, grad,
                TexturedSpan<false>{source.pixels, source.shift, source.mask});
}

TexturedRows texturedRows() {
    // The image kernels' table is built first: that is where Highway's choice is made.
    const kernels::Kernels& active = kernels::active();
    if (&active == &kernels::scalarKernels()) return texturedRowsPlain;
    static const TexturedRows chosen = TW_CHOSEN(DrawTexturedRows);
    return chosen;
}

std::vector<TexturedRowsTarget> everyTexturedRowsTarget() {
#if TW_ONE_TARGET
    return {{hwy::TargetName(HWY_STATIC_TARGET), HWY_DISPATCH_TABLE(DrawTexturedRows)[0]}};
#else
    std::vector<TexturedRowsTarget> out;
    for (int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        hwy::GetChosenTarget().Update(hwy::SupportedTargets());
        out.push_back({hwy::TargetName(target), TW_CHOSEN(DrawTexturedRows)});
    }
    hwy::SetSupportedTargetsForTest(0);
    hwy::GetChosenTarget().Update(hwy::SupportedTargets());
    return out;
#endif
}

} // namespace tw
#endif
