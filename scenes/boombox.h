// Boombox: a flight down the ray-cast tunnel that a value-6 sync freezes.
#pragma once

#include <cstdint>

#include "image/bitmap.h"
#include "scenes/raytunnel.h"

namespace tw {

struct BoomboxScene {
    TunnelGrid tunnel;
    Bitmap scratch;           // vertical blur pass, 320x240
    TunnelTextures textures;  // wall3.tga, heights from wall3_b.tga, jallaenv2.tga
    Bitmap multiplyPicture;   // "data/boombox.tga"
    Bitmap addPicture;        // "data/skinner.tga"
    float beatHitTime = 0.0f; // centiseconds of the last beat sync (value 0 or 1)
    uint8_t hold = 0;         // set by the first value-6 sync, never cleared
    float kickLevel = 0.0f;   // 24 at a beat, 0 after 50 centiseconds
};

void setupBoombox(BoomboxScene& scene);
void runBoombox(BoomboxScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
