// Twisted object before a faceted sky, multiplied by the credits.
#include "scenes/twist.h"

namespace tw {

void setupTwist(TwistScene&) {}

// Not built yet: the slot draws nothing.
void runTwist(TwistScene&, Bitmap&, float) {}

} // namespace tw
