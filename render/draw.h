// Drawing single meshes through a camera, and projecting screen positions into texture
// coordinates.
#pragma once

#include "image/bitmap.h"
#include "render/camera.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/setup.h"

namespace tw {

// Transforms, projects and draws every face with the default front rule.
void drawMesh(Mesh& mesh, Bitmap& target, const Camera& camera, const Material& material);
// The same with a chosen front rule (used for the meshes of loaded scenes).
void drawSceneMesh(Bitmap& target, Mesh& mesh, const Camera& camera, const Material& material,
                   FrontRule rule);
// Slot 0 writes uv1, any other slot uv2: each vertex's position on a 320x240 screen seen
// through `camera`, as 0..1 coordinates (clamped when off screen or behind the eye).
void projectTexture(Mesh& mesh, int slot, const Camera& camera);

} // namespace tw
