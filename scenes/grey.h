// Grey scene: an animated 3DS scene drained of colour that returns on every beat.
#pragma once

#include <cstdint>

#include "formats/scene.h"
#include "image/bitmap.h"
#include "render/camera.h"

namespace tw {

struct GreyScene {
    Scene world;              // "data/scene04.3ds", at least three materials
    Bitmap scratch;           // vertical blur pass
    Camera projector;         // follows scene camera 0 and projects the second layers
    float beatHitTime = 0.0f; // centiseconds
    uint8_t firstFrame = 1;
    float startTime = -100.0f;
    float kickLevel = 0.0f;
};

void setupGrey(GreyScene& scene);
void runGrey(GreyScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
