// Opening eye: a pulsing 3D scene seen through an eye picture and its mask.
#pragma once

#include "image/bitmap.h"

namespace tw {

struct EyeScene {
};

void setupEye(EyeScene& scene);
void runEye(EyeScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
