// Opening eye: a pulsing 3D scene seen through an eye picture and its mask.
#pragma once

#include "formats/scene.h"
#include "image/bitmap.h"

namespace tw {

struct EyeScene {
    Bitmap eye;               // laid over every frame through the mask; 320x240
    Bitmap eyeMask;           // per-channel blend weights of the eye picture; 320x240
    Scene scene;              // "data/scene03.3ds"
    Bitmap scratch;           // vertical blur pass
    float pulseHitTime = 0;   // last sync of value 0 or 1 (cs); 0 gives the opening fade
    float blurHitTime = -100; // last sync of value 2 (cs)
    bool firstFrame = true;
    float startTime = -100; // t of the scene's first frame
    float pulse = 0;        // 24 at a pulse sync, falling to 0 over 50 cs
};

void setupEye(EyeScene& scene);
void runEye(EyeScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
