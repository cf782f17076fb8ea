// The mix: one level per instrument, applied to every volume the score writes for it, so the
// score keeps its dynamics (accents, ghosts, fades) and the balance lives in one table.
#include <algorithm>

#include "tools/forge/music_internal.h"

namespace tw::music {

namespace {

// Percent of the score's volume, by instrument (index 0 unused). Every sample spans the full
// 16-bit range, so together with the samples' own levels these set the master: about
// -15 LUFS integrated with a true peak below -1 dBTP on a 48 kHz render (checked by
// scripts/soundtrack-loudness). Each instrument sits at roughly the same balance as in the
// score, so the sections keep their contrast. The kick already plays at the format's
// maximum and gets its weight from its saturated body instead; the snare rises least, since
// its accents meet the kick's peaks at the top of the volume range.
constexpr int kLevel[INS_COUNT + 1] = {
    0,   // (no instrument)
    94,  // kick
    103, // snare
    112, // closed hat
    112, // open hat
    118, // sub bass
    94,  // pad
    105, // pluck
    100, // crash
};

} // namespace

void mixScore(std::vector<XmCell>& cells) {
    int held[CH_COUNT] = {}; // the instrument each channel plays, for volume-only cells
    for (size_t i = 0; i < cells.size(); ++i) {
        XmCell& c = cells[i];
        int ch = static_cast<int>(i % CH_COUNT);
        if (c.instrument >= 1 && c.instrument <= INS_COUNT) held[ch] = c.instrument;
        if (c.volume < 0x10 || c.volume > 0x50 || held[ch] == 0) continue;
        int v = (c.volume - 0x10) * kLevel[held[ch]];
        c.volume = static_cast<uint8_t>(0x10 + std::min(64, (v + 50) / 100));
    }
}

} // namespace tw::music
