// Writer for 3D Studio (.3ds) files: single meshes and whole scenes with materials,
// cameras and a keyframer with camera and camera-target position tracks.
//
// A .3ds file is a tree of chunks. Every chunk is a 6-byte header (id: u16, length: u32,
// both little-endian; the length counts the header, the data and every sub-chunk) followed
// by its data and its sub-chunks. Reals are IEEE single precision, little-endian.
//
// What encodeTdsMesh / encodeTdsScene write, in order:
//
//   0x4D4D main
//     0x0002 file version (u32 3)
//     0x3D3D editor
//       0x3D3E mesh version (u32 3)  -- always first: some readers discard the first
//                                       sub-chunk of the editor unseen
//       0xAFFF material (scene only), per material:
//         0xA000 name (NUL-terminated)
//         0xA020 diffuse colour > 0x0011 colour 24 (r, g, b bytes)
//         0xA200 texture / 0xA220 reflection / 0xA230 bump map, each present map:
//           0x0030 amount (u16 percent), 0xA300 file name (NUL-terminated)
//       0x4000 named object (name NUL-terminated), per mesh:
//         0x4100 triangle mesh
//           0x4110 vertex list: u16 n, n x (x, y, z)
//           0x4140 mapping list: u16 n, n x (u, v)       (only when the mesh has mapping)
//           0x4120 face list: u16 m, m x (a, b, c, flags u16)
//             0x4130 face material group: name, u16 k, k x face index   (per group)
//       0x4000 named object, per camera:
//         0x4700 camera: position (3 reals), target (3 reals), roll, lens (reals)
//     0xB000 keyframer (scene only, when it has nodes)
//       0xB00A keyframer header: u16 revision 5, name "MAXSCENE", u32 animation length
//       0xB008 frame range: u32 start, u32 end
//       per mesh (when objectNodes), 0xB002 object node: 0xB030 id, 0xB010 header with the
//         mesh name, 0xB013 pivot (0, 0, 0), one key at frame 0 in each of 0xB020 position
//         (0, 0, 0), 0xB021 rotation (angle 0 about (0, 0, 1)) and 0xB022 scale (1, 1, 1)
//       per node, 0xB003 camera / 0xB004 camera target / 0xB005 light / 0xB002 object:
//         0xB030 node id (u16)
//         0xB010 node header: name, u16 flags 1, u16 flags 2, u16 parent (0xFFFF = none)
//         0xB020 position track: u16 flags, 8 zero bytes, u32 key count, then per key:
//           u32 frame, u16 spline flags, one real per set flag bit among 0x1 tension,
//           0x2 continuity, 0x4 bias, 0x8 ease to, 0x10 ease from, then x, y, z
//
// Coordinates are written exactly as given: converting from the presentation's axes to
// the file's is the caller's business (the forge does it in one place).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/tds_chunks.h"

namespace tw {

// ---- low level: a chunk stream, for well-formed files and for deliberately broken ones ----

struct ChunkWriter {
    std::vector<uint8_t> bytes;
    std::vector<size_t> open; // start offsets of the chunks not yet ended
};

// Starts a chunk: writes its id and a length placeholder that endChunk fills in.
void beginChunk(ChunkWriter& w, uint16_t id);
// Ends the innermost open chunk, patching its length to cover everything written since.
void endChunk(ChunkWriter& w);
void putU8(ChunkWriter& w, uint8_t v);
void putU16(ChunkWriter& w, uint16_t v);
void putU32(ChunkWriter& w, uint32_t v);
void putF32(ChunkWriter& w, float v);
void putString(ChunkWriter& w, const std::string& s); // with its terminating NUL

// ---- records ----

struct TdsFace {
    uint16_t a = 0, b = 0, c = 0;
    uint16_t flags = 7; // edge visibility bits AB, BC, CA
};

// The faces of one mesh that use one material.
struct TdsFaceGroup {
    std::string material;
    std::vector<uint16_t> faces;
};

struct TdsMesh {
    std::string name;
    std::vector<std::array<float, 3>> vertices; // file axes
    std::vector<TdsFace> faces;
    std::vector<std::array<float, 2>> mapping; // empty: no mapping list is written
    std::vector<TdsFaceGroup> groups;          // written inside the face list
};

struct TdsMaterial {
    std::string name;
    std::array<uint8_t, 3> diffuse = {200, 200, 200};
    // File names of the maps; an empty name means the map is absent.
    std::string textureMap;
    std::string reflectionMap;
    std::string bumpMap;
};

struct TdsCamera {
    std::string name;
    std::array<float, 3> position = {0, 0, 0};
    std::array<float, 3> target = {0, 0, 0};
    float roll = 0;
    float lens = 50; // millimetres
};

struct TdsKey {
    uint32_t frame = 0;
    uint16_t splineFlags = 0; // which of the optional values below are written
    float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
    std::array<float, 3> position = {0, 0, 0};
};

struct TdsNode {
    uint16_t kind = TDS_NODE_CAMERA;
    std::string name; // a camera's name for both its camera and its target node
    uint16_t flags1 = 0, flags2 = 0;
    uint16_t parent = 0xFFFF;
    std::vector<TdsKey> positionKeys;
};

struct TdsScene {
    std::vector<TdsMaterial> materials;
    std::vector<TdsMesh> meshes;
    std::vector<TdsCamera> cameras;
    std::vector<TdsNode> nodes;
    uint32_t frameStart = 0, frameEnd = 100;
    // One still object node per mesh ahead of `nodes` (ids 0..meshes-1, then the nodes in
    // order). Readers that build their hierarchy from the keyframer need them to keep the
    // meshes; readers that only want cameras skip them.
    bool objectNodes = true;
};

// Appends one named object holding one triangle mesh (0x4000 > 0x4100 ...) to an open editor.
void putTdsMesh(ChunkWriter& w, const TdsMesh& mesh);

// A file with one named object holding one triangle mesh; no materials, no keyframer.
std::vector<uint8_t> encodeTdsMesh(const TdsMesh& mesh);
// A whole scene as laid out above.
std::vector<uint8_t> encodeTdsScene(const TdsScene& scene);

} // namespace tw
