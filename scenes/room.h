// Room with a live feedback texture and layers projected from the viewer's lamp.
#pragma once

#include "image/bitmap.h"

namespace tw {

struct RoomScene {
};

void setupRoom(RoomScene& scene);
void runRoom(RoomScene& scene, Bitmap& framebuffer, float t);

} // namespace tw
