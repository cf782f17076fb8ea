// Boombox: a flight down the ray-cast tunnel that a value-6 sync freezes.
#pragma once

#include "image/bitmap.h"

namespace tw {

struct BoomboxScene {
};

void setupBoombox(BoomboxScene& scene);
void runBoombox(BoomboxScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
