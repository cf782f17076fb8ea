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

// One row of an opaque textured span, as TexturedSpan<false> draws it.
struct VectorTexturedSpan {
    static constexpr int kAttributes = 2;
    const uint32_t* tex;
    int32_t shift;
    V mask;
    LaneSteps<3> steps; // u, v, q

    VectorTexturedSpan(const TexturedSource& s, const int32_t* grad)
        : tex(s.pixels), shift(s.shift), mask(hn::Set(D(), s.mask)), steps(grad) {}

    // Every lane's index lies inside the texture, so the gather needs no mask.
    HWY_INLINE VU colour(const V* at) const {
        return hn::GatherIndex(DU(), tex, texelIndex(at[0], at[1], mask, shift));
    }
    void operator()(uint32_t* dst, int32_t* z, int32_t n, const int32_t* a, int32_t q,
                    const int32_t*) const {
        steps.drawRow(*this, dst, z, n, a, q);
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

void texturedRowsPlain(Bitmap& target, int32_t y0, int32_t y1, Edge<2>& left, Edge<2>& right,
                       const int32_t* grad, const TexturedSource& source) {
    drawRows<2>(target, y0, y1, left, right, grad,
                TexturedSpan<false>{source.pixels, source.shift, source.mask});
}

TW_EXPORT_OWN_KERNEL(DrawTexturedRows, texturedRowsPlain, texturedRows, TexturedRowsTarget,
                     everyTexturedRowsTarget)

} // namespace tw
#endif
