// Scene: a renderable animated scene assembled from a SIV or a 3DS scene file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/camera.h"
#include "render/material.h"
#include "render/mesh.h"

namespace tw {

struct Scene {
    uint8_t is3ds = 0;
    std::vector<Camera> cameras;
    std::vector<Material> materials;
    std::vector<Mesh> meshes;
};

// Both loaders append to the scene; problems are reported by the readers they call and
// leave the scene as complete as the file allowed (possibly empty).
void loadSivScene(Scene& scene, const std::string& path);
void load3dsScene(Scene& scene, const std::string& path);

} // namespace tw
