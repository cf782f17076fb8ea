// Renders the soundtrack through the offline player and lists the syncs it fires.
#include "host/site/soundtrack.h"

#include <cstdio>

#include "host/music_ticker.h"

namespace tw {

Soundtrack renderSoundtrack(const std::string& modulePath, double seconds) {
    Soundtrack out;
    XmpTicker ticker;
    if (!ticker.load(modulePath, kMusicRate)) {
        out.error = ticker.error;
        return out;
    }
    const int64_t end = static_cast<int64_t>(seconds * kMusicRate + 0.5);
    out.samples.reserve(static_cast<size_t>(end) * 2 + 4096);
    while (ticker.renderedFrames < end) {
        ticker.renderTick();
        if (ticker.frames <= 0) break;
        for (const SyncCell* s = ticker.firedBegin; s && s != ticker.firedEnd; ++s)
            out.syncs.push_back({ticker.tickStart, s->value});
        out.samples.insert(out.samples.end(), ticker.buffer, ticker.buffer + 2 * ticker.frames);
    }
    if (static_cast<int64_t>(out.samples.size() / 2) > end) out.samples.resize(end * 2);
    return out;
}

std::string syncListText(const std::vector<SoundtrackSync>& syncs) {
    std::string text = "# tarnwick sync list: seconds sample_frame(48000 Hz) value\n";
    char line[64];
    for (const SoundtrackSync& s : syncs) {
        std::snprintf(line, sizeof line, "%.6f %lld %d\n",
                      static_cast<double>(s.sampleFrame) / kMusicRate,
                      static_cast<long long>(s.sampleFrame), s.value);
        text += line;
    }
    return text;
}

} // namespace tw
