// Twisted object before a faceted sky, multiplied by the credits.
#pragma once

#include "image/bitmap.h"

namespace tw {

struct TwistScene {
};

void setupTwist(TwistScene& scene);
void runTwist(TwistScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
