// Small pieces the scenes share: hit-time decays, the random and sync-driven blurs.
#pragma once

#include <cstdint>

#include "image/bitmap.h"

namespace tw {

// Angular factors (per centisecond) of the two slow sines that size the random blurs.
constexpr double kBlurWaveV = 0.0479951388306088;
constexpr double kBlurWaveH = 0.06282999992370605;

// A level that is `peak` at the hit and falls linearly to 0 over `length` centiseconds:
// (hit + length - t) * (1 / length) * peak while hit + length > t, else 0.
inline float hitDecay(float hitTime, float t, float length, float invLength, float peak) {
    return hitTime + length > t ? (hitTime + length - t) * invLength * peak : 0.0f;
}

// Vertical box blur of `radius` into the scratch frame, then horizontal back.
void blurThrough(Bitmap& frame, Bitmap& scratch, uint32_t radiusV, uint32_t radiusH);

// The shared blur step: after a kick a vertical-only blur of the kick's size; otherwise, in
// about four frames of ten (one draw of the random generator), a blur whose radii follow
// two slow sines of t scaled by `scale`.
void kickOrRandomBlur(Bitmap& frame, Bitmap& scratch, float kickLevel, float t, double scale);

} // namespace tw
