// Metaballs: three swimming balls polygonised every frame before a turning backdrop.
#include "scenes/metaballs.h"

namespace tw {

void setupMetaballs(MetaballScene&) {}

// Not built yet: the slot draws nothing.
void runMetaballs(MetaballScene&, Bitmap&, float) {}

} // namespace tw
