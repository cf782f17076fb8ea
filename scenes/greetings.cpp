// Greetings: a waving ribbon of text over an animated 3DS flight.
#include "scenes/greetings.h"

namespace tw {

void setupGreetings(GreetingsScene&) {}

// Not built yet: the slot draws nothing.
void runGreetings(GreetingsScene&, Bitmap&, float) {}

} // namespace tw
