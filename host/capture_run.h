// The --capture run: the deterministic offline presentation encoded as a video with sound.
#pragma once

#include "host/options.h"

namespace tw {

// Checks the request, runs the presentation offline into an ffmpeg capture with the music in
// lockstep, then muxes the soundtrack of exactly the captured frames. Returns the process
// exit status: 0, 1 when something failed (one line on standard error says what), 2 for an
// unusable request.
int runCapture(const Options& options);

} // namespace tw
