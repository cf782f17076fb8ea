// Scene loaders: assemble a renderable scene from a SIV or a 3DS scene file.
#pragma once

#include <string>

#include "formats/siv.h"
#include "formats/tds_scene.h"
#include "render/scene.h"

namespace tw {

// Both loaders append to the scene; problems are reported by the readers they call and
// leave the scene as complete as the file allowed (possibly empty).
void loadSivScene(Scene& scene, const std::string& path);
void loadTdsScene(Scene& scene, const std::string& path);

// The same from records already read; `name` is the file they came from (messages, materials).
void assembleSivScene(Scene& scene, const SivScene& siv, const std::string& name);
void assembleTdsScene(Scene& scene, const TdsSceneRecord& tds, const std::string& name);

} // namespace tw
