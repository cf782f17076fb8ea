// Grey scene: an animated 3DS scene drained of colour that returns on every beat.
#pragma once

#include "formats/scene.h"
#include "image/bitmap.h"
#include "render/camera.h"

namespace tw {

struct GreyScene {
    Scene scene;      // "data/scene04.3ds"
    Bitmap scratch;   // vertical blur pass
    Camera projector; // follows scene camera 0 for the projected second layers
    float beatHitTime = 0;
    bool firstFrame = true;
    float startTime = -100;
    float kick = 0; // 24 at a beat, falling to 0 over 50 cs
};

void setupGrey(GreyScene& scene);
void runGrey(GreyScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
