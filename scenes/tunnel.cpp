// Tunnel: a SIV scene flown through, kicked back on accents.
#include "scenes/tunnel.h"

namespace tw {

void setupTunnel(TunnelScene&) {}

// Not built yet: the slot draws nothing.
void runTunnel(TunnelScene&, Bitmap&, float) {}

} // namespace tw
