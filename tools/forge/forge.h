// The forge's two jobs: write the data set, and draw a contact sheet of it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tw {

struct ForgedFile {
    std::string name; // under data/
    size_t bytes = 0;
    std::string role;
};

// Writes every picture, mesh and scene into dataDir (which must exist). On failure returns
// false with a message naming the file.
bool forgeData(const std::string& dataDir, std::vector<ForgedFile>& written, std::string& error);

// Draws every picture with its name and every mesh and scene from its first camera into a
// PNG file.
bool writeContactSheet(const std::string& path, std::string& error);

} // namespace tw
