// Warped backdrop with a fed-back, blurred glow of one mesh drawn twice.
#include "scenes/warp.h"

namespace tw {

void setupWarp(WarpScene&) {}

// Not built yet: the slot draws nothing.
void runWarp(WarpScene&, Bitmap&, float) {}

} // namespace tw
