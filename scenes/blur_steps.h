// The blur steps the scenes share: a vertical-then-horizontal box blur through a scratch
// frame, the scene start and hit levels, and the "kick or random" blur that follows beats or,
// between them, two slow sines.
#pragma once

#include <cstdint>

#include "image/bitmap.h"

namespace tw {

// A level that is `peak` at the hit and falls linearly to 0 over the next 50 centiseconds.
inline float hitLevel(float hitTime, float t, float peak) {
    return hitTime + 50 > t ? (hitTime + 50 - t) * 0.02f * peak : 0.0f;
}

// On a scene's first frame, remembers its time as the scene's start.
inline void markStart(bool& firstFrame, float& startTime, float t) {
    if (!firstFrame) return;
    startTime = t;
    firstFrame = false;
}

// boxBlurV from the frame into the scratch frame, then boxBlurH back.
void blurThrough(Bitmap& frame, Bitmap& scratch, uint32_t radiusV, uint32_t radiusH);

// After a kick (level above 0): a vertical-only blur of the level's size. Otherwise one draw
// of the random generator blurs about four frames in ten, with radii (sin(t * w) + 1) * scale
// along each axis, w two fixed slow rates.
void kickOrRandomBlur(Bitmap& frame, Bitmap& scratch, float kickLevel, float t, double scale);

} // namespace tw
