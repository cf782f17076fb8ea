// Offline music output: the tick player in lockstep with a fixed-step clock, its audio kept
// for a WAV file.
#include "host/music_offline.h"

#include <xmp.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/wav.h"

namespace tw {

bool OfflineMusic::load(const std::string& path, bool) {
    unload();
    if (!ticker.load(path, kMusicRate)) {
        std::fprintf(stderr, "%s\n", ticker.error.c_str());
        return false;
    }
    loaded = true;
    samples.clear();
    if (syncsOnly) {
        xmp_set_player(static_cast<xmp_context>(ticker.ctx), XMP_PLAYER_INTERP, XMP_INTERP_NEAREST);
        return true;
    }
    xmp_frame_info fi;
    xmp_get_frame_info(static_cast<xmp_context>(ticker.ctx), &fi);
    // Room for the whole first pass and a little more, so lockstep rendering does not
    // reallocate frame by frame.
    samples.reserve(static_cast<size_t>(std::max(fi.total_time, 0) + 2000) * kMusicRate / 1000 * 2);
    return true;
}

void OfflineMusic::installSync(void (*callback)(uint32_t)) {
    ticker.callback = callback;
}

void OfflineMusic::play() {
    if (loaded) playing = true;
}

void OfflineMusic::advanceTo(double seconds) {
    if (!loaded) return;
    // A tick is rendered when its start lies at or before `seconds`; the small slack keeps
    // a time like 18.5 computed as 18.4999999999 from missing the tick that starts there.
    double limit = seconds * kMusicRate + 1e-6;
    while (static_cast<double>(ticker.renderedFrames) <= limit) {
        ticker.renderTick();
        if (ticker.frames <= 0) break;
        if (!syncsOnly)
            samples.insert(samples.end(), ticker.buffer, ticker.buffer + 2 * ticker.frames);
    }
}

bool OfflineMusic::writeWav(const std::string& path, double fromSeconds, double toSeconds) {
    int64_t from = std::max<int64_t>(0, std::llround(fromSeconds * kMusicRate));
    int64_t to = std::max<int64_t>(from, std::llround(toSeconds * kMusicRate));
    if (playing && static_cast<int64_t>(samples.size() / 2) < to)
        advanceTo(static_cast<double>(to) / kMusicRate);
    std::vector<int16_t> range(static_cast<size_t>(to - from) * 2, 0);
    int64_t have = static_cast<int64_t>(samples.size() / 2);
    if (from < have) {
        int64_t n = std::min(to, have) - from;
        std::copy_n(samples.begin() + from * 2, n * 2, range.begin());
    }
    if (!writeWavFile(path, range.data(), range.size() / 2, 2, kMusicRate)) {
        std::fprintf(stderr, "music: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

void OfflineMusic::unload() {
    ticker.release();
    loaded = false;
    playing = false;
}
} // namespace tw
