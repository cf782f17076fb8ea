// Opening eye: a pulsing 3D scene seen through an eye picture and its mask.
#pragma once

#include <cstdint>

#include "formats/scene.h"
#include "image/bitmap.h"

namespace tw {

struct EyeScene {
    Bitmap eye;                  // "data/eye.tga", 320x240
    Bitmap mask;                 // "data/eye_alpha.tga", per-channel weights of the eye
    Scene world;                 // "data/scene03.3ds"
    Bitmap scratch;              // vertical blur pass
    float pulseHitTime = 0.0f;   // last beat (value 0 or 1), centiseconds
    float blurHitTime = -100.0f; // last accent (value 2)
    uint8_t firstFrame = 1;
    float startTime = -100.0f;
    float pulseLevel = 0.0f; // 24 at a beat, 0 half a second later
};

void setupEye(EyeScene& scene);
void runEye(EyeScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
