// Tunnel: a SIV scene flown through, kicked back on accents.
#pragma once

#include "image/bitmap.h"

namespace tw {

struct TunnelScene {
};

void setupTunnel(TunnelScene& scene);
void runTunnel(TunnelScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
