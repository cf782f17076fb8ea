// Greetings: a waving ribbon of text over an animated 3DS flight.
#pragma once

#include <cstdint>

#include "formats/scene.h"
#include "image/bitmap.h"

namespace tw {

struct GreetingsScene {
    Bitmap scratch;           // vertical blur pass
    Scene scene;              // "data/scene01.3ds"; material 0 environment-mapped by face normals
    Bitmap ribbon;            // "data/greets.tga": 4096x32 strip of text, red > 0 where drawn
    int32_t centre[320] = {}; // band centre row, by table index
    int32_t height[320] = {}; // band height for each screen column (32..160)
    float beatHitTime = 0;
    bool firstFrame = true;
    float startTime = -100;
    float kick = 0;
};

void setupGreetings(GreetingsScene& scene);
void runGreetings(GreetingsScene& scene, Bitmap& framebuffer, float t);
// Adds the ribbon onto the frame at scroll phase s (texture columns move 1.2 per unit).
void drawRibbon(const GreetingsScene& scene, Bitmap& framebuffer, float s);

} // namespace tw
