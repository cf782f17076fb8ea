// Opening eye: a pulsing 3D scene seen through an eye picture and its mask.
#include "scenes/eye.h"

namespace tw {

void setupEye(EyeScene&) {}

// Not built yet: the slot draws nothing.
void runEye(EyeScene&, Bitmap&, float) {}

} // namespace tw
