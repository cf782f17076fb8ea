// Spike object tipping on the beat, with two title cards sliding in.
#pragma once

#include "image/bitmap.h"

namespace tw {

struct SpikeScene {
};

void setupSpike(SpikeScene& scene);
void runSpike(SpikeScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
