// Shared pieces of the soundtrack forge: instrument numbers, channel roles, the sync sheet.
#pragma once

#include <string>
#include <vector>

#include "tools/write/xm_writer.h"

namespace tw::music {

// Tempo: speed 6 at 120 bpm is 8 rows a second, 4 rows a beat, 16 rows a bar.
constexpr int kRowsPerSecond = 8;
constexpr int kTotalRows = 1416; // 177.0 s

// Instrument numbers as the patterns use them (1-based, XM style).
enum Instrument : int {
    INS_KICK = 1,
    INS_SNARE,
    INS_HAT_CLOSED,
    INS_HAT_OPEN,
    INS_BASS,
    INS_PAD,
    INS_PLUCK,
    INS_CRASH,
    INS_COUNT = INS_CRASH
};

// Channel roles; the last two carry only sync commands.
enum Channel : int {
    CH_KICK,
    CH_SNARE,
    CH_HAT,
    CH_BASS,
    CH_PAD1,
    CH_PAD2,
    CH_PAD3,
    CH_LEAD,
    CH_ECHO,
    CH_CRASH,
    CH_SYNC1,
    CH_SYNC2,
    CH_COUNT
};

// The synthesised instruments, in Instrument order.
std::vector<XmInstrument> synthInstruments();

// One expanded entry of the sync sheet.
struct SheetSync {
    int row = 0; // 8 rows a second from the start of the piece
    int value = 0;
    const char* purpose = "";
};

// The sync sheet expanded to single syncs, sorted by row (same-row entries in sheet order).
std::vector<SheetSync> expandSyncSheet();

// The whole piece as one flat row list (kTotalRows x CH_COUNT cells), syncs included.
// Returns false with a reason when the sheet and the score disagree.
bool composeScore(std::vector<XmCell>& cells, std::string& error);

// Scales every volume in the score by its instrument's level in the mix.
void mixScore(std::vector<XmCell>& cells);

} // namespace tw::music
