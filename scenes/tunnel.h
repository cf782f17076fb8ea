// Tunnel: a SIV scene flown through, kicked back on accents.
#pragma once

#include "formats/scene.h"
#include "image/bitmap.h"

namespace tw {

struct TunnelScene {
    Bitmap scratch;    // vertical blur pass
    Bitmap overlay;    // "data/sweet2.tga", alpha in the top byte (255 keeps the frame)
    Scene scene;       // "data/tunnel.siv"; material 0 environment-mapped by face normals
    float hitTime = 0; // last sync of value 2 (cs)
    bool firstFrame = true;
    float startTime = -100;
    float kick = 0; // 24 at a sync, falling to 0 over 50 cs
};

void setupTunnel(TunnelScene& scene);
void runTunnel(TunnelScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
