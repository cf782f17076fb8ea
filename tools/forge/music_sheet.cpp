// The sync sheet: which sync value the soundtrack sends when, and what in the picture it is
// for. The score writes these as E8x commands; `forge --sync-sheet` prints them.
//
// Who reads what (a flag nobody reads stays pending until a later scene reads it, so each
// scene only gets the values it consumes):
//   value 0/1  eye, warp, twist, metaballs, spike, grey, greetings, boombox
//   value 2    eye, tunnel, twist, metaballs
//   value 5    the demo loop (white flash), everywhere
//   value 6    boombox (freeze), once
// The tunnel reads no 0/1 and the room reads nothing: a 0, 1 or 2 sent there would fire on
// the next scene's first frame. Syncs meant for one scene stay off the boundary row: a sync
// reaches the picture a little before its row is heard, i.e. still inside the scene before.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/forge/music.h"
#include "tools/forge/music_internal.h"

namespace tw::music {

namespace {

// One line of the sheet: `value` at `from` seconds, repeated every `every` seconds while
// the time is at or before `to` (every = 0: once).
struct SyncRule {
    double from;
    double to;
    double every;
    int value;
    const char* purpose;
};

// clang-format off
constexpr SyncRule kSyncSheet[] = {
    //  from     to     every value  purpose
    // opening eye 0-18.5: lone kicks pulse the 3D world, snare accents blur the eye
    {   0.0,    6.0,    2.0,   0,  "eye: lone kick on the bar pulses the world"},
    {   8.0,   15.0,    1.0,   0,  "eye: kicks on beats 1 and 3 pulse the world"},
    {  16.0,   18.0,    0.5,   1,  "eye: five-beat build, a pulse on every kick"},
    {   7.5,    0.0,    0.0,   2,  "eye: snare accent blurs the eye"},
    {  11.5,    0.0,    0.0,   2,  "eye: snare accent blurs the eye"},
    {  15.5,    0.0,    0.0,   2,  "eye: snare accent blurs the eye"},
    // warped backdrop 18.5-31.5: the beat enters; kicks on 1 and 3 widen the glow blur
    {  18.5,    0.0,    0.0,   5,  "flash: the beat drops, warped backdrop"},
    {  19.5,   30.5,    1.0,   0,  "warp: kick widens the glow blur for a second"},
    // tunnel 31.5-44.5: snares on 2 and 4 kick the flight back (no 0/1: nobody reads them)
    {  31.5,    0.0,    0.0,   5,  "flash: into the tunnel"},
    {  32.0,   43.0,    1.0,   2,  "tunnel: snare kicks the flight back"},
    // room 44.5-57: the breakdown, no drums, no syncs the room would leave pending
    {  44.5,    0.0,    0.0,   5,  "flash: drums stop, the room"},
    // twisted object 57-70: the beat is back
    {  57.0,    0.0,    0.0,   5,  "flash: the beat returns, credits"},
    {  58.0,   69.0,    1.0,   0,  "twist: kick jumps the knot ahead and blurs"},
    {  60.5,    0.0,    0.0,   2,  "twist: snare accent blurs the credits"},
    {  64.5,    0.0,    0.0,   2,  "twist: snare accent blurs the credits"},
    {  68.5,    0.0,    0.0,   2,  "twist: snare accent blurs the credits"},
    // metaballs 70-83.5: lighter groove
    {  70.0,    0.0,    0.0,   5,  "flash: metaballs"},
    {  71.0,   83.0,    1.0,   1,  "metaballs: kick spins the blob"},
    {  75.5,    0.0,    0.0,   2,  "metaballs: snare accent blurs"},
    {  79.5,    0.0,    0.0,   2,  "metaballs: snare accent blurs"},
    // spike 83.5-96: the spike tips on every kick
    {  83.5,    0.0,    0.0,   5,  "flash: spike and title cards"},
    {  84.0,   95.5,    0.5,   0,  "spike: kick tips the spike forward"},
    // grey 96-115.5: staccato hits (3+3+2 eighths) bring the colour back
    {  96.0,    0.0,    0.0,   5,  "flash: grey world"},
    {  96.75, 114.75,   2.0,   1,  "grey: staccato hit (2&) brings the colour"},
    {  97.5,  113.5,    2.0,   1,  "grey: staccato hit (4) brings the colour"},
    {  98.0,  114.0,    2.0,   1,  "grey: staccato hit (1) brings the colour"},
    // greetings 115.5-148: one throw-back per bar keeps the ribbon readable
    { 115.5,    0.0,    0.0,   5,  "flash: greetings"},
    { 116.0,  146.0,    2.0,   1,  "greetings: downbeat throws the ribbon back"},
    { 132.0,    0.0,    0.0,   5,  "flash: big hit, the theme's second half"},
    // boombox 148-172.5: every kick jolts the flight; the hard stop freezes it
    { 148.0,    0.0,    0.0,   5,  "flash: the climax, boombox tube"},
    { 148.5,  167.5,    0.5,   0,  "boombox: kick jolts and rolls the view"},
    { 168.0,    0.0,    0.0,   6,  "boombox: hard stop freezes the flight"},
    { 168.0,    0.0,    0.0,   5,  "flash: the hard stop"},
    // end card 172.5-177
    { 172.5,    0.0,    0.0,   5,  "flash: end card"},
};
// clang-format on

int rowOf(double seconds) {
    return static_cast<int>(std::lround(seconds * kRowsPerSecond));
}

} // namespace

std::vector<SheetSync> expandSyncSheet() {
    std::vector<SheetSync> out;
    for (const SyncRule& r : kSyncSheet) {
        int first = rowOf(r.from);
        if (r.every <= 0) {
            out.push_back({first, r.value, r.purpose});
            continue;
        }
        int step = rowOf(r.every);
        for (int row = first; row <= rowOf(r.to); row += step)
            out.push_back({row, r.value, r.purpose});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const SheetSync& a, const SheetSync& b) { return a.row < b.row; });
    return out;
}

} // namespace tw::music

namespace tw {

void printSyncSheet() {
    std::printf("# tarnwick soundtrack sync sheet (data/vekt51.xm)\n");
    std::printf("#   time  value   row  purpose\n");
    for (const music::SheetSync& s : music::expandSyncSheet())
        std::printf("%8.3f  %5d  %4d  %s\n", static_cast<double>(s.row) / music::kRowsPerSecond,
                    s.value, s.row, s.purpose);
}

} // namespace tw
