// Grey scene: an animated 3DS scene drained of colour that returns on every beat.
#pragma once

#include "image/bitmap.h"

namespace tw {

struct GreyScene {
};

void setupGrey(GreyScene& scene);
void runGrey(GreyScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
