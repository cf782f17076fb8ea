// The XM module check: every length in the headers lies inside the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tw {

// Checks that every length in an XM file's headers lies inside the file. libxmp accepts
// some truncated files (it pads missing sample data with silence); we refuse them.
// Returns true, or false with a short reason.
bool checkXmLayout(const uint8_t* data, size_t size, std::string& why);

} // namespace tw
