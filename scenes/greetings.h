// Greetings: a waving ribbon of text over an animated 3DS flight.
#pragma once

#include "image/bitmap.h"

namespace tw {

struct GreetingsScene {
};

void setupGreetings(GreetingsScene& scene);
void runGreetings(GreetingsScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
