// The soundtrack: composition, instrument synthesis and the sync sheet.
#pragma once

#include <string>

#include "tools/write/xm_writer.h"

namespace tw {

// The whole module in memory (instruments, patterns, orders, syncs). False with a reason
// when the score and the sync sheet disagree.
bool buildSoundtrack(XmModule& module, std::string& error);

// Writes dataDir/vekt51.xm. Returns false (after one line on stderr) when it cannot.
bool forgeSoundtrack(const std::string& dataDir);
// Prints the sync sheet (time, value, purpose) to standard output.
void printSyncSheet();

} // namespace tw
