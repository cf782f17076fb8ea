// Grey scene: an animated 3DS scene drained of colour that returns on every beat.
#include "scenes/grey.h"

namespace tw {

void setupGrey(GreyScene&) {}

// Not built yet: the slot draws nothing.
void runGrey(GreyScene&, Bitmap&, float) {}

} // namespace tw
