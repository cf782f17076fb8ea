// The soundtrack: composition, instrument synthesis and the sync sheet.
#pragma once

#include <string>

namespace tw {

// Writes dataDir/vekt51.xm. Returns false (after one line on stderr) when it cannot.
bool forgeSoundtrack(const std::string& dataDir);
// Prints the sync sheet (time, value, purpose) to standard output.
void printSyncSheet();

} // namespace tw
