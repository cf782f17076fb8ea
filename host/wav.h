// Writer for 16-bit PCM WAV files (the captured soundtrack beside offline frames).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tw {

// The RIFF/WAVE bytes for `frames` interleaved frames of `channels` 16-bit samples.
std::vector<uint8_t> encodeWav(const int16_t* samples, size_t frames, int channels, int rate);

// Writes the file (under a temporary name, renamed into place when whole); false when it
// cannot be written whole (errno intact, an earlier file at `path` untouched) or the data
// would not fit the 32-bit RIFF sizes.
bool writeWavFile(const std::string& path, const int16_t* samples, size_t frames, int channels,
                  int rate);

} // namespace tw
