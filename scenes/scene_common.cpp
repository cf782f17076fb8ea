// Blur steps shared by several scenes.
#include "scenes/scene_common.h"

#include <cmath>

#include "base/random.h"
#include "image/ops.h"

namespace tw {

void blurThrough(Bitmap& frame, Bitmap& scratch, uint32_t radiusV, uint32_t radiusH) {
    boxBlurV(scratch, frame, radiusV);
    boxBlurH(frame, scratch, radiusH);
}

void kickOrRandomBlur(Bitmap& frame, Bitmap& scratch, float kickLevel, float t, double scale) {
    if (kickLevel > 0.0f) {
        blurThrough(frame, scratch, static_cast<uint32_t>(kickLevel), 0);
        return;
    }
    if (demoRand() % 10 < 6) return;
    const double td = t;
    blurThrough(frame, scratch, static_cast<uint32_t>((std::sin(td * kBlurWaveV) + 1.0) * scale),
                static_cast<uint32_t>((std::sin(td * kBlurWaveH) + 1.0) * scale));
}

} // namespace tw
