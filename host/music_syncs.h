// The syncs of a module: the E8x cells taken out of its patterns, and the list of syncs its
// first pass plays (what `tarnwick --list-syncs` prints).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct xmp_module;

namespace tw {

// One sync command found in the module: E8x in the effect column of `channel`.
struct SyncCell {
    int pattern = 0;
    int row = 0;
    int channel = 0;
    uint8_t value = 0;
};

// A sync as played: when its row started (seconds of rendered audio) and where.
struct SyncEvent {
    double seconds = 0;
    int value = 0;
    int order = 0;
    int pattern = 0;
    int row = 0;
};

// Records every E8x (value 0..15 in x; either effect slot, any channel) of a loaded module
// and blanks it, so that libxmp plays no coarse panning. The cells come sorted by pattern
// and row; the cells of one row stay in channel order, the first slot before the second.
std::vector<SyncCell> takeSyncCells(xmp_module& mod);

// The syncs of the module's first pass (until it loops), from the player's own code.
// Empty with `error` set when the module does not load.
std::vector<SyncEvent> firstPassSyncs(const std::string& path, double* durationSeconds,
                                      std::string* error);

// Prints the first-pass syncs as "time value order pattern row" lines; returns the process
// exit status (0, or 1 with one line on stderr when the module does not load).
int listSyncs(const std::string& modulePath);

} // namespace tw
