// Boombox: a flight down the ray-cast tunnel that a value-6 sync freezes.
#include "scenes/boombox.h"

namespace tw {

void setupBoombox(BoomboxScene&) {}

// Not built yet: the slot draws nothing.
void runBoombox(BoomboxScene&, Bitmap&, float) {}

} // namespace tw
