// Twisted object before a faceted sky, multiplied by the credits.
#pragma once

#include <cstdint>
#include <vector>

#include "image/bitmap.h"
#include "render/camera.h"
#include "render/material.h"
#include "render/mesh.h"

namespace tw {

struct TwistScene {
    Bitmap fadeOut; // the previous scene's last frame, taken at the first frame
    Bitmap scratch; // vertical blur pass
    Bitmap credits; // multiplied into every frame
    Camera camera;
    Material backdropMaterial; // textured, environment-mapped by face normals
    Mesh backdrop;
    Material objectMaterial; // textured, environment-mapped by vertex normals
    Mesh object;             // positions rewritten every frame from `rest`
    Mesh rest;
    std::vector<float> weights; // per vertex: larger towards the centre
    float beatHitTime = 0;
    float blurHitTime = -100;
    bool firstFrame = true;
    float fadeEndTime = -100;
    float beatBlurLevel = 0;
};

void setupTwist(TwistScene& scene);
void runTwist(TwistScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
