// Spike object tipping on the beat, with two title cards sliding in.
#pragma once

#include "image/bitmap.h"
#include "render/camera.h"
#include "render/material.h"
#include "render/mesh.h"

namespace tw {

struct SpikeScene {
    Bitmap rightPicture; // slides in from the right after one second; alpha in the top byte
    Bitmap leftPicture;  // slides in from the left after 3.5 seconds
    Mesh spike;
    Material material; // textured, environment-mapped by vertex normals
    Camera camera;
    Bitmap scratch; // vertical blur pass
    float beatHitTime = 0;
    bool firstFrame = true;
    float startTime = -100; // t of the scene's first frame
    float kick = 0;         // tip-forward angle: 24 at a beat, falling to 0 over 50 cs
};

void setupSpike(SpikeScene& scene);
void runSpike(SpikeScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
