// Warped backdrop with a fed-back, blurred glow of one mesh drawn twice.
#pragma once

#include "image/bitmap.h"

namespace tw {

struct WarpScene {
};

void setupWarp(WarpScene& scene);
void runWarp(WarpScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
