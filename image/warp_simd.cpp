// Vector warped texture fill, compiled once per instruction set through Highway: lane j of
// a row's vector steps u and v from u0 + j*du (the plain loop's repeated sums, which never
// overflow: the corners stay below 2^27 in 16.16), and the texels are gathered, four rows
// side by side.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "image/warp_simd.cpp"
#include <hwy/foreach_target.h>

#include <hwy/highway.h>

#include "image/frame_kernels.h"
#include "image/kernels.h"
#include "image/simd.h"

HWY_BEFORE_NAMESPACE();
namespace tw::kernels::HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR
void Warp(uint32_t* out, const uint32_t* tex, const WarpQuad& q) {
    warpScalar(out, tex, q);
}
#else

namespace hn = hwy::HWY_NAMESPACE;
using D = hn::ScalableTag<int32_t>;
using V = hn::Vec<D>;

// One row of the fill: its sample coordinates u, v for the lanes of the next vector (lane j
// at u0 + j*du), the step to the vector after, and the plain loop's du, dv for the last
// pixels.
HWY_INLINE void startRow(int32_t lu, int32_t lv, int32_t ru, int32_t rv, V& u, V& v, V& stepU,
                         V& stepV) {
    const D d;
    const auto n = static_cast<int32_t>(hn::Lanes(d));
    const int32_t du = (ru - lu) / kWarpW, dv = (rv - lv) / kWarpW;
    u = hn::Add(hn::Set(d, lu), hn::Mul(hn::Iota(d, 0), hn::Set(d, du)));
    v = hn::Add(hn::Set(d, lv), hn::Mul(hn::Iota(d, 0), hn::Set(d, dv)));
    stepU = hn::Set(d, du * n);
    stepV = hn::Set(d, dv * n);
}

// The texels of the next vector of a row, then the row's coordinates one vector on.
HWY_INLINE void fillVector(const int32_t* texels, uint32_t* out, V& u, V& v, V stepU, V stepV) {
    const D d;
    const hn::RebindToUnsigned<D> du32;
    // ((v >> 16) & 255) * 256 + ((u >> 16) & 255); the masks make the shifts' sign filling
    // irrelevant.
    const V index = hn::Or(hn::And(hn::ShiftRight<8>(v), hn::Set(d, 0xFF00)),
                           hn::And(hn::ShiftRight<16>(u), hn::Set(d, 0xFF)));
    hn::StoreU(hn::BitCast(du32, hn::GatherIndex(d, texels, index)), du32, out);
    u = hn::Add(u, stepU);
    v = hn::Add(v, stepV);
}

// Pixels x .. kWarpW-1 of one row, one at a time as the plain loop does.
void fillTail(uint32_t* out, const uint32_t* tex, int32_t x, int32_t lu, int32_t lv, int32_t ru,
              int32_t rv) {
    const int32_t du = (ru - lu) / kWarpW, dv = (rv - lv) / kWarpW;
    for (int32_t uu = lu + x * du, vv = lv + x * dv; x < kWarpW; ++x, uu += du, vv += dv)
        out[x] = tex[((vv >> 16) & 255) * kWarpTex + ((uu >> 16) & 255)];
}

// Four rows at a time, vector by vector across them: when a row runs steeply through the
// texture, the cache lines one row fetches are the ones the next rows need, before the
// 256 texel rows (all a multiple of 1 KB apart, so sharing a few cache sets) push them out.
void Warp(uint32_t* out, const uint32_t* tex, const WarpQuad& q) {
    static_assert(kWarpH % 4 == 0);
    const D d;
    const auto n = static_cast<int32_t>(hn::Lanes(d));
    const auto* texels = reinterpret_cast<const int32_t*>(tex);
    int32_t lu = q.lu, lv = q.lv, ru = q.ru, rv = q.rv;
    for (int32_t y = 0; y < kWarpH; y += 4, out += 4 * kWarpW) {
        V u0, v0, su0, sv0, u1, v1, su1, sv1, u2, v2, su2, sv2, u3, v3, su3, sv3;
        startRow(lu, lv, ru, rv, u0, v0, su0, sv0);
        startRow(lu + q.dlu, lv + q.dlv, ru + q.dru, rv + q.drv, u1, v1, su1, sv1);
        startRow(lu + 2 * q.dlu, lv + 2 * q.dlv, ru + 2 * q.dru, rv + 2 * q.drv, u2, v2, su2, sv2);
        startRow(lu + 3 * q.dlu, lv + 3 * q.dlv, ru + 3 * q.dru, rv + 3 * q.drv, u3, v3, su3, sv3);
        int32_t x = 0;
        for (; x + n <= kWarpW; x += n) {
            fillVector(texels, out + x, u0, v0, su0, sv0);
            fillVector(texels, out + kWarpW + x, u1, v1, su1, sv1);
            fillVector(texels, out + 2 * kWarpW + x, u2, v2, su2, sv2);
            fillVector(texels, out + 3 * kWarpW + x, u3, v3, su3, sv3);
        }
        for (int32_t k = 0; k < 4; ++k) {
            if (x < kWarpW) fillTail(out + k * kWarpW, tex, x, lu, lv, ru, rv);
            lu += q.dlu;
            lv += q.dlv;
            ru += q.dru;
            rv += q.drv;
        }
    }
}

#endif // HWY_TARGET == HWY_SCALAR

} // namespace tw::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
TW_EXPORT_KERNEL(Warp, warp, chooseWarpKernels)
#endif
