// Offline music output: the tick player in lockstep with a fixed-step clock, its audio kept
// for a WAV file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/music_ticker.h"
#include "host/platform.h"

namespace tw {

// Offline playback in lockstep with a fixed-step clock: nothing renders until advanceTo,
// which renders every tick whose start lies at or before the given time (before or after
// play); syncs fire on the calling thread. Every rendered frame is kept for writeWav.
struct OfflineMusic final : MusicOutput {
    bool load(const std::string& path, bool noSound) override;
    void installSync(void (*callback)(uint32_t value)) override;
    void play() override;
    void advanceTo(double seconds) override;
    void unload() override;

    // Writes the rendered audio of [fromSeconds, toSeconds) as a 48000 Hz stereo WAV,
    // rendering further first if needed; silence where no module is loaded. False (with a
    // line on stderr) when the file cannot be written.
    bool writeWav(const std::string& path, double fromSeconds, double toSeconds);

    XmpTicker ticker;
    bool loaded = false;
    bool playing = false;
    // Set before load when only the syncs matter (frames, stills): ticks are mixed without
    // interpolation and nothing is kept, so writeWav writes silence. Sync times and values
    // do not depend on the mixing.
    bool syncsOnly = false;
    std::vector<int16_t> samples; // interleaved stereo, from the start of play
};

} // namespace tw
