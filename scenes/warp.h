// Warped backdrop with a fed-back, blurred glow of one mesh drawn twice.
#pragma once

#include "image/bitmap.h"
#include "render/camera.h"
#include "render/material.h"
#include "render/mesh.h"

namespace tw {

struct WarpScene {
    Camera camera;
    Mesh glow;             // drawn twice a frame, turning in opposite directions
    Material glowMaterial; // textured
    Bitmap feedback;       // frame A: first draw over the last frame's blurred glow
    Bitmap glowFrame;      // frame B: second draw, the glow added to the screen
    Bitmap warpPicture;    // 256x256, wraps
    Bitmap overlay;        // alpha in the top byte
    float syncHitTime = 0; // centiseconds of the last consumed beat
    float blurBoost = 0;   // 10 at a beat, falling to 0 over one second
};

void setupWarp(WarpScene& scene);
void runWarp(WarpScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
