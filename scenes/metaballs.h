// Metaballs: three swimming balls polygonised every frame before a turning backdrop.
#pragma once

#include <cstdint>

#include "image/bitmap.h"
#include "render/camera.h"
#include "render/material.h"
#include "render/mesh.h"
#include "scenes/isosurface.h"

namespace tw {

struct MetaballScene {
    Bitmap scratch; // vertical blur pass, 320x240
    Bitmap tint;    // "data/hot.tga", multiplied into every frame
    Isosurface blob;
    Camera camera;
    Material blobMaterial;
    Mesh backdrop; // "data/skygeo.3ds"
    Material backdropMaterial;
    int32_t ballCount = 3;
    int32_t ballRadius = 8;
    int32_t swimAmplitude = 42;
    float ballPhaseStep = 242.0f;
    float beatHitTime = 0.0f;    // centiseconds of the last beat sync (value 0 or 1)
    float blurHitTime = -100.0f; // centiseconds of the last value-2 sync
    float kickLevel = 0.0f;      // 24 at a beat, 0 after 50 centiseconds
};

void setupMetaballs(MetaballScene& scene);
void runMetaballs(MetaballScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
