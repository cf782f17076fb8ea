// Whole files read into memory, for the readers that take bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

enum class FileRead { Ok, CannotOpen, CannotRead };

// Reads the whole file at `path` into `bytes`. CannotOpen when it does not open; CannotRead
// (with `bytes` empty) when it opens but its size or contents cannot be read, as for a folder.
FileRead readFileBytes(const std::string& path, std::vector<uint8_t>& bytes);

// The same for readers that report a missing file as "Cant open PATH" under "ERROR!": false
// after that report; a file that opens but cannot be read comes back empty, for the reader
// to refuse.
bool readFileOrReport(const std::string& path, std::vector<uint8_t>& bytes);

} // namespace tw
