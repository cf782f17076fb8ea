// Greetings: a waving ribbon of text over an animated 3DS flight.
#pragma once

#include <cstdint>

#include "formats/scene.h"
#include "image/bitmap.h"

namespace tw {

struct GreetingsScene {
    Bitmap scratch;           // vertical blur pass
    Scene world;              // "data/scene01.3ds"
    Bitmap ribbon;            // "data/greets.tga", 4096x32, text where red is non-zero
    int32_t centre[320] = {}; // screen row of the band's centre, by table index
    int32_t height[320] = {}; // band height in rows per screen column (32..160)
    float beatHitTime = 0.0f;
    uint8_t firstFrame = 1;
    float startTime = -100.0f;
    float kickLevel = 0.0f;
};

void setupGreetings(GreetingsScene& scene);
void runGreetings(GreetingsScene& scene, Bitmap& framebuffer, float t);

// Adds the ribbon to the frame at scroll phase s (texture columns move 1.2 per unit).
void drawRibbon(const GreetingsScene& scene, Bitmap& framebuffer, float s);

} // namespace tw
