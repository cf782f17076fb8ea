// The syncs of a module: the E8x cells taken out of its patterns, and the list of syncs its
// first pass plays (what `tarnwick --list-syncs` prints).
#include "host/music_syncs.h"

#include <xmp.h>

#include <algorithm>
#include <cstdio>

#include "host/music_ticker.h"

namespace tw {

namespace {

bool isSync(uint8_t type, uint8_t param) {
    return type == 0x0e && (param >> 4) == 8;
}

} // namespace

std::vector<SyncCell> takeSyncCells(xmp_module& mod) {
    std::vector<SyncCell> syncs;
    for (int p = 0; p < mod.pat; ++p) {
        const xmp_pattern* pat = mod.xxp[p];
        for (int row = 0; row < pat->rows; ++row) {
            for (int ch = 0; ch < mod.chn; ++ch) {
                int track = pat->index[ch];
                if (track < 0 || track >= mod.trk) continue;
                xmp_track* trk = mod.xxt[track];
                if (row >= trk->rows) continue;
                xmp_event& e = trk->event[row];
                if (isSync(e.fxt, e.fxp)) {
                    syncs.push_back({p, row, ch, static_cast<uint8_t>(e.fxp & 15)});
                    e.fxt = e.fxp = 0;
                }
                if (isSync(e.f2t, e.f2p)) {
                    syncs.push_back({p, row, ch, static_cast<uint8_t>(e.f2p & 15)});
                    e.f2t = e.f2p = 0;
                }
            }
        }
    }
    // Stable: cells of one row stay in channel order, the first slot before the second.
    std::stable_sort(syncs.begin(), syncs.end(), [](const SyncCell& a, const SyncCell& b) {
        return a.pattern != b.pattern ? a.pattern < b.pattern : a.row < b.row;
    });
    return syncs;
}

std::vector<SyncEvent> firstPassSyncs(const std::string& path, double* durationSeconds,
                                      std::string* error) {
    std::vector<SyncEvent> events;
    XmpTicker t;
    if (!t.load(path, kMusicRate)) {
        if (error) *error = t.error;
        return events;
    }
    xmp_set_player(static_cast<xmp_context>(t.ctx), XMP_PLAYER_INTERP, XMP_INTERP_NEAREST);
    // Guard against a module that never reports its loop: an hour of ticks at most.
    for (int64_t guard = 0; guard < int64_t{3600} * 250; ++guard) {
        t.renderTick();
        if (t.frames <= 0 || t.loopCount > 0) break;
        for (const SyncCell* s = t.firedBegin; s && s != t.firedEnd; ++s)
            events.push_back({static_cast<double>(t.tickStart) / kMusicRate, s->value, t.order,
                              t.pattern, t.row});
        if (durationSeconds) *durationSeconds = static_cast<double>(t.renderedFrames) / kMusicRate;
    }
    return events;
}

int listSyncs(const std::string& modulePath) {
    std::string error;
    double duration = 0;
    std::vector<SyncEvent> events = firstPassSyncs(modulePath, &duration, &error);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("# syncs of %s, first pass (%.3f s)\n", modulePath.c_str(), duration);
    std::printf("#   time  value  order  pattern  row\n");
    for (const SyncEvent& e : events)
        std::printf("%8.3f  %5d  %5d  %7d  %3d\n", e.seconds, e.value, e.order, e.pattern, e.row);
    return 0;
}

} // namespace tw
