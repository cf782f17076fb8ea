// Room with a live feedback texture and layers projected from the viewer's lamp.
#include "scenes/room.h"

namespace tw {

void setupRoom(RoomScene&) {}

// Not built yet: the slot draws nothing.
void runRoom(RoomScene&, Bitmap&, float) {}

} // namespace tw
