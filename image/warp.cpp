// The warped texture fill: a 256x256 picture mapped onto the 320x240 frame through a
// quadrilateral whose corners swing with the phase t, stepped in 16.16 fixed point.
#include <cmath>

#include "image/ops.h"

namespace tw {

namespace {
constexpr int32_t kW = 320, kH = 240, kTex = 256;
} // namespace

void warpTexture(Bitmap& dest, const Bitmap& picture, float t) {
    if (picture.width != kTex || picture.height != kTex || !picture.holds(kTex * kTex)) return;
    if (!dest.holds(kW * kH)) return;

    const double td = t;
    const double amp = std::sin(td * 0.0052358333269755045) * 256.0 + 512.0;
    // Corner coordinate in texels: never below 1.
    auto corner = [&](double w) {
        return static_cast<int32_t>(amp * (std::sin(w * td) + 1.0) + 1.0);
    };
    const int32_t tlu = corner(0.0034905555513170036), tlv = corner(-0.008726388878292508);
    const int32_t tru = corner(-0.006981111102634007), trv = corner(0.0034905555513170036);
    const int32_t blu = corner(-0.0052358333269755045), blv = corner(0.008726388878292508);
    const int32_t bru = corner(0.01221694442960951), brv = corner(-0.0034905555513170036);

    // Corners stay below 2*768+2 texels, so 16.16 values fit comfortably in 32 bits.
    int32_t lu = tlu * 65536, lv = tlv * 65536;
    int32_t ru = tru * 65536, rv = trv * 65536;
    const int32_t dlu = (blu - tlu) * 65536 / kH, dlv = (blv - tlv) * 65536 / kH;
    const int32_t dru = (bru - tru) * 65536 / kH, drv = (brv - trv) * 65536 / kH;

    const uint32_t* tex = picture.pixels;
    uint32_t* out = dest.pixels;
    for (int32_t y = 0; y < kH; ++y) {
        const int32_t du = (ru - lu) / kW, dv = (rv - lv) / kW;
        int32_t u = lu, v = lv;
        for (int32_t x = 0; x < kW; ++x) {
            *out++ = tex[((v >> 16) & 255) * kTex + ((u >> 16) & 255)];
            u += du;
            v += dv;
        }
        lu += dlu;
        lv += dlv;
        ru += dru;
        rv += drv;
    }
}

} // namespace tw
