// Reader for a single triangle mesh from a 3D Studio (.3ds) file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "render/mesh.h"

namespace tw {

struct TdsWorkVertex {
    float x = 0, y = 0, z = 0; // already converted: file (x, y, z) -> (x, -z, y)
    float u = 0, v = 0;
};
struct TdsWorkFace {
    int32_t a = 0, b = 0, c = 0;
};

// Walks a whole file image; extracts the first triangle mesh of the first named object that
// holds one (or of the object named `wanted`, compared without case). Every chunk length and
// count is checked against the image and the parent chunk; an overrun fails the parse.
// Returns true when both a vertex list and a face list were read.
bool parseTdsMesh(const uint8_t* image, size_t size, const char* wanted,
                  std::vector<TdsWorkVertex>& vertices, std::vector<TdsWorkFace>& faces);

// Reads the file and fills the mesh (uv1 = (1 - u, v), corners copied from their vertices).
// Failures report "Cant open %s"/"ERROR!" or "error reading 3dsfile %s!"/"hore" and leave the
// mesh unchanged. Returns true on success; the scene set-ups ignore it, since the failure is
// already reported and an empty mesh draws nothing.
bool loadTdsMesh(Mesh& mesh, const std::string& path);

// The same from the bytes of a file; `name` stands for the file in the messages.
bool loadTdsMesh(Mesh& mesh, std::span<const uint8_t> file, const std::string& name);

} // namespace tw
