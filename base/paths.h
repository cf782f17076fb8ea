// Where the data set lives: every asset path "data/..." is resolved against one root folder.
#pragma once

#include <string>

namespace tw {

// The folder that holds data/ (default: the working directory).
void setDataRoot(const std::string& root);
const std::string& dataRoot();
// dataRoot() joined with a relative asset path such as "data/eye.tga".
std::string dataPath(const std::string& relative);

} // namespace tw
