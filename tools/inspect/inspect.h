// The inspector's reading of one file into a JSON text.
#pragma once

#include <string>
#include <vector>

namespace tw {

// Reads `path` with the reader its content calls for (a row of tools/inspect/formats.h, found
// by magic, then by name) and writes a JSON object to `json`. `messages` is where the readers'
// reports are being collected while this runs; they are copied into the JSON. Returns false with
// `error` set when no reader could make anything of the file.
bool inspectFile(const std::string& path, std::string& json, std::string& error,
                 const std::vector<std::string>& messages);

} // namespace tw
