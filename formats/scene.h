// Scene loaders: assemble a renderable scene from a SIV or a 3DS scene file.
#pragma once

#include <string>

#include "render/scene.h"

namespace tw {

// Both loaders append to the scene; problems are reported by the readers they call and
// leave the scene as complete as the file allowed (possibly empty).
void loadSivScene(Scene& scene, const std::string& path);
void load3dsScene(Scene& scene, const std::string& path);

} // namespace tw
