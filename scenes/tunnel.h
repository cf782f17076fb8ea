// Tunnel: a SIV scene flown through, kicked back on accents.
#pragma once

#include <cstdint>

#include "formats/scene.h"
#include "image/bitmap.h"

namespace tw {

struct TunnelScene {
    Bitmap scratch;           // vertical blur pass
    Bitmap overlay;           // "data/sweet2.tga", alpha in the top byte
    Scene world;              // "data/tunnel.siv"
    float syncHitTime = 0.0f; // last accent (value 2), centiseconds
    uint8_t firstFrame = 1;
    float startTime = -100.0f;
    float kickLevel = 0.0f; // 24 at an accent, 0 half a second later
};

void setupTunnel(TunnelScene& scene);
void runTunnel(TunnelScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
