// The inspector's JSON description of each kind of file, from the presentation's own readers.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/inspect/json.h"

namespace tw {

// Each reads `file` (named `path` in messages) and adds its fields to the open object `j`;
// false with `error` set when the reader refuses the file. `lines` holds the readers'
// messages collected so far.
using Describe = bool (*)(std::span<const uint8_t> file, const std::string& path, Json& j,
                          std::string& error, const std::vector<std::string>& lines);

bool describeSiv(std::span<const uint8_t> file, const std::string& path, Json& j,
                 std::string& error, const std::vector<std::string>& lines);
// A 3DS file read both as a single mesh and as a scene.
bool describeTds(std::span<const uint8_t> file, const std::string& path, Json& j,
                 std::string& error, const std::vector<std::string>& lines);
bool describeTga(std::span<const uint8_t> file, const std::string& path, Json& j,
                 std::string& error, const std::vector<std::string>& lines);

} // namespace tw
