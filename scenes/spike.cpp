// Spike object tipping on the beat, with two title cards sliding in.
#include "scenes/spike.h"

namespace tw {

void setupSpike(SpikeScene&) {}

// Not built yet: the slot draws nothing.
void runSpike(SpikeScene&, Bitmap&, float) {}

} // namespace tw
