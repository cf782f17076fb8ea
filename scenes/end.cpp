// End picture: one still card until the timeline ends.
#include "scenes/end.h"

namespace tw {

void setupEnd(EndScene&) {}

// Not built yet: the slot draws nothing.
void runEnd(EndScene&, Bitmap&, float) {}

} // namespace tw
