// Room with a live feedback texture and layers projected from the viewer's lamp.
#pragma once

#include <cstdint>

#include "formats/scene.h"
#include "image/bitmap.h"
#include "render/camera.h"

namespace tw {

struct RoomScene {
    Bitmap scratch;          // vertical blur pass
    Bitmap shade;            // "data/blm.tga", multiplied into every frame
    Bitmap intro;            // "data/fake.tga", multiplied into the first six seconds
    Camera projector;        // follows scene camera 0: the lamp the viewer carries
    Scene world;             // "data/room03.siv"
    bool liveScreen = false; // material 4 exists with a 256x256 base: the live texture
    uint8_t firstFrame = 1;
    float startTime = -100.0f;
};

void setupRoom(RoomScene& scene);
void runRoom(RoomScene& scene, Bitmap& framebuffer, float t);

// Copies the previous frame into a 256x256 texture (column 1.25 j, row 0.9375 i in 16.16)
// and brightens it.
void copyFrameToScreen(const Bitmap& frame, Bitmap& texture);

} // namespace tw
