// Writer for SIV scene files: a zlib-compressed body of meshes, textures, materials,
// cameras, extra records and key-framed tracks.
//
// File: "ZSIV", u32 len (body size), u32 tmplen (compressed size), then the body compressed
// as one zlib stream (compress2). All integers are little-endian 32-bit, reals IEEE single.
//
// Body, in order (sizes in bytes):
//   "PSIV" (4), version (4, normally 7), header tag "MAINCHUNK" (9, no terminator)
//   scene header (64): bytes 0..39 free (we put the scene name there), then the counts of
//     objects (40), textures (44), materials (48), cameras (52), extras (56), tracks (60)
//   tag (9), then per object: header (80: name in 0..7, position x, y, z at 8, vertex count
//     at 72, face count at 76), vertices (56 each: position 0, normal 12, u 24, v 28),
//     faces (16 each: a, b, c, material index)
//   tag (9), textures (84 each: integer id, then the file name in 80 bytes, NUL-padded)
//   tag (9), materials (64 each: name in 0..47, texture index at 48, two-sided byte at 60)
//   tag (9), cameras (48 each: position 0, target 12, name in 24..39, position track id at
//     40, target track id at 44)
//   tag (9), extra records (104 each, opaque)
//   tag (9), per track: header (28: kind 0, id 8, key count 20; the rest zero), then keys
//     (32 each: time, x, y, z, unused, tension, continuity, bias)
//
// Values are written exactly as given: the presentation negates y of positions, camera
// points and key values when it loads a SIV file (not of normals), and the caller decides
// what to store.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tw {

struct SivVertex {
    std::array<float, 3> position = {0, 0, 0};
    std::array<float, 3> normal = {0, 0, 0};
    float u = 0, v = 0;
};

struct SivFace {
    int32_t a = 0, b = 0, c = 0;
    int32_t material = 0;
};

struct SivObject {
    std::string name; // at most 8 bytes are stored
    std::array<float, 3> position = {0, 0, 0};
    std::vector<SivVertex> vertices;
    std::vector<SivFace> faces;
};

struct SivTexture {
    int32_t id = 0;
    std::string file; // at most 79 bytes are stored, NUL-terminated
};

struct SivMaterial {
    std::string name; // at most 47 bytes are stored
    int32_t texture = 0;
    bool twoSided = false;
};

struct SivCamera {
    std::string name; // at most 15 bytes are stored
    std::array<float, 3> position = {0, 0, -300};
    std::array<float, 3> target = {0, 0, 0};
    int32_t positionTrack = -1;
    int32_t targetTrack = -1;
};

struct SivKey {
    float time = 0;
    std::array<float, 3> value = {0, 0, 0};
    float tension = 0, continuity = 0, bias = 0;
};

enum : int32_t { SIV_TRACK_POSITION = 1 };

struct SivTrack {
    int32_t kind = SIV_TRACK_POSITION;
    int32_t id = 0;
    std::vector<SivKey> keys;
};

struct SivFile {
    int32_t version = 7;
    std::string headerTag = "MAINCHUNK"; // exactly 9 bytes are stored (padded with NULs)
    std::string name;                    // at most 39 bytes, in the header's free bytes
    std::vector<SivObject> objects;
    std::vector<SivTexture> textures;
    std::vector<SivMaterial> materials;
    std::vector<SivCamera> cameras;
    std::vector<std::array<uint8_t, 104>> extras;
    std::vector<SivTrack> tracks;
};

// Record sizes of the body, for readers' tests.
constexpr int kSivSceneHeaderSize = 64;
constexpr int kSivObjectHeaderSize = 80;
constexpr int kSivVertexSize = 56;
constexpr int kSivFaceSize = 16;
constexpr int kSivTextureSize = 84;
constexpr int kSivMaterialSize = 64;
constexpr int kSivCameraSize = 48;
constexpr int kSivExtraSize = 104;
constexpr int kSivTrackHeaderSize = 28;
constexpr int kSivKeySize = 32;
constexpr int kSivTagSize = 9;

// The uncompressed body ("PSIV" ...).
std::vector<uint8_t> encodeSivBody(const SivFile& file);
// Wraps any body as a file: "ZSIV", len, tmplen, compress2 at level 9 (deterministic).
std::vector<uint8_t> wrapSivBody(const std::vector<uint8_t>& body);
// encodeSivBody then wrapSivBody.
std::vector<uint8_t> encodeSiv(const SivFile& file);

} // namespace tw
