// PNG files from forge canvases (contact sheets, icons).
#pragma once

#include <string>

#include "tools/forge/canvas.h"

namespace tw {

// Writes 8-bit RGB, or RGBA when `withAlpha`. On failure `error` names the file and why.
bool writeCanvasPng(const std::string& path, const Canvas& c, bool withAlpha, std::string& error);

} // namespace tw
