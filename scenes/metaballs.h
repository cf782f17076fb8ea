// Metaballs: three swimming balls polygonised every frame before a turning backdrop.
#pragma once

#include "image/bitmap.h"

namespace tw {

struct MetaballScene {
};

void setupMetaballs(MetaballScene& scene);
void runMetaballs(MetaballScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
