// Room with a live feedback texture and layers projected from the viewer's lamp.
#pragma once

#include "formats/scene.h"
#include "image/bitmap.h"
#include "render/camera.h"

namespace tw {

struct RoomScene {
    Bitmap scratch;           // vertical blur pass
    Bitmap shade;             // "data/blm.tga", multiplied into every frame
    Bitmap intro;             // "data/fake.tga", multiplied into the first six seconds
    Camera projector;         // follows scene camera 0; keeps its constructor's ~30 degree view
    Scene scene;              // "data/room03.siv"
    bool liveTexture = false; // material 4 has a 256x256 base texture to copy frames into
    bool firstFrame = true;
    float startTime = -100;
};

void setupRoom(RoomScene& scene);
void runRoom(RoomScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
