// Scene: the renderable record of an animated scene (cameras, materials, meshes) that the
// scene renderer draws and the file loaders fill.
#pragma once

#include <cstdint>
#include <vector>

#include "render/camera.h"
#include "render/material.h"
#include "render/mesh.h"

namespace tw {

struct Scene {
    uint8_t isTds = 0;
    std::vector<Camera> cameras;
    std::vector<Material> materials;
    std::vector<Mesh> meshes;
};

} // namespace tw
