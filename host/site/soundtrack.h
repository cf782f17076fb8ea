// The soundtrack for the web page: the module rendered once, offline, with its sync list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

// A sync as the offline player fires it: at the start of the tick that plays its row.
struct SoundtrackSync {
    int64_t sampleFrame = 0; // at kMusicRate
    int value = 0;
};

struct Soundtrack {
    std::vector<int16_t> samples;      // interleaved stereo at kMusicRate
    std::vector<SoundtrackSync> syncs; // in firing order
    std::string error;
};

// Renders the module from its start through `seconds` with the same player and settings as
// the offline runs, so that the syncs land on the same sample frames. Empty with `error`
// set when the module does not load.
Soundtrack renderSoundtrack(const std::string& modulePath, double seconds);

// "seconds sample_frame value" per line after a comment header; the web page fires a sync
// once its sample frame is at or before the demo time (times kMusicRate).
std::string syncListText(const std::vector<SoundtrackSync>& syncs);

} // namespace tw
