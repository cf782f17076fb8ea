// End picture: one still card until the timeline ends.
#pragma once

#include "image/bitmap.h"

namespace tw {

struct EndScene {
    Bitmap picture; // "data/end.tga", at least 320x240
};

void setupEnd(EndScene& scene);
void runEnd(EndScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
