// Blur steps shared by the scenes.
#include "scenes/blur_steps.h"

#include <cmath>

#include "base/random.h"
#include "image/ops.h"

namespace tw {

void blurThrough(Bitmap& frame, Bitmap& scratch, uint32_t radiusV, uint32_t radiusH) {
    boxBlurV(scratch, frame, radiusV);
    boxBlurH(frame, scratch, radiusH);
}

void kickOrRandomBlur(Bitmap& frame, Bitmap& scratch, float kickLevel, float t, double scale) {
    if (kickLevel > 0) {
        blurThrough(frame, scratch, static_cast<uint32_t>(kickLevel), 0);
    } else if (demoRand() % 10 >= 6) {
        // The sine rates are given in double precision, so the sines are taken in double.
        const double dt = static_cast<double>(t);
        blurThrough(frame, scratch,
                    static_cast<uint32_t>((std::sin(dt * 0.0479951388306088) + 1) * scale),
                    static_cast<uint32_t>((std::sin(dt * 0.06282999992370605) + 1) * scale));
    }
}

} // namespace tw
