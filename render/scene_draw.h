// Drawing a whole loaded scene through one of its animated cameras.
#pragma once

#include "image/bitmap.h"
#include "render/scene.h"

namespace tw {

// Camera index past the end falls back to camera 0; a scene without cameras draws nothing;
// a mesh whose material index is invalid draws as white lines, like a material without maps.
void drawScene(Scene& scene, Bitmap& target, int cameraIndex, float time);

} // namespace tw
