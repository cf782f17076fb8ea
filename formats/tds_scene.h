// Reader for whole 3D Studio (.3ds) scenes: materials, meshes, lights, cameras and
// the position keys of the keyframer's camera, target and light nodes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tw {

// Bits of TdsMaterialRecord::maps: which map chunks the material holds.
enum : uint32_t { MAP_TEXTURE = 0x2, MAP_REFLECTION = 0x4, MAP_BUMP = 0x8 };

// Kinds of keyframer nodes that get a track entry.
enum : int32_t { TRACK_LIGHT = 0x100, TRACK_CAMERA = 0x101, TRACK_TARGET = 0x102 };

constexpr int kMaxTdsTracks = 16;

// Longest names kept, one less than the fixed record fields of the file format's records
// (the terminator took the last byte); longer names are cut, the rest is still consumed.
constexpr size_t kMaterialNameMax = 254;
constexpr size_t kObjectNameMax = 258;
constexpr size_t kNodeNameMax = 255;

// Seconds per keyframer frame (30 frames per second, as a float).
constexpr float kSecondsPerFrame = 0.033333335f;

struct TdsMaterialRecord {
    std::string name;
    std::string textureMap;
    std::string reflectionMap;
    std::string bumpMap;
    int32_t currentMap = 0; // id of the map chunk being read (0xA200/0xA220/0xA230), 0 before any
    uint32_t maps = 0;      // MAP_* bits
};

struct TdsObjectRecord {
    int32_t vertexCount = 0;
    int32_t faceCount = 0;
    int32_t mappingCount = 0;
    int32_t materialIndex = 0; // -1: its last material group named no known material
    uint8_t textured = 0;      // 1 once a group named a material that has any map
    std::string name;
    std::vector<float> positions; // vertexCount * 3, converted to (x, z, -y)
    std::vector<float> mapping;   // mappingCount * 2, (u, v) as stored
    std::vector<int32_t> faces;   // faceCount * 3 vertex indices, unchecked
};

struct TdsLightRecord {
    std::string name;
    int32_t kind = 1;
    float position[3] = {0, 0, 0}; // converted
    float colour[3] = {0, 0, 0};
};

struct TdsCameraRecord {
    std::string name;
    int32_t kind = 17;
    float position[3] = {0, 0, 0}; // converted
    float target[3] = {0, 0, 0};   // converted
};

struct TdsTrackRecord {
    int32_t kind = 0;
    int32_t owner = -1; // light or camera index; stays -1 when the node named nothing known
    uint32_t keyCount = 0;
    std::vector<float> times;   // seconds
    std::vector<float> x, y, z; // converted key positions
};

struct TdsSceneRecord {
    int32_t objectCount = 0;
    int32_t materialCount = 0;
    int32_t lightCount = 0;
    int32_t cameraCount = 0;
    int32_t trackCount = 0; // entries of `tracks` in use (at most kMaxTdsTracks)
    std::vector<TdsMaterialRecord> materials;
    std::vector<TdsObjectRecord> objects;
    std::vector<TdsLightRecord> lights;
    std::vector<TdsCameraRecord> cameras;
    std::array<TdsTrackRecord, kMaxTdsTracks> tracks;
};

// Fills `scene` from the file at `path`. Returns false, with the counts untouched, when the
// file cannot be opened ("Cant open %s" under "ERROR!") or does not start with a main chunk
// (0x4D4D; one line naming the file). Otherwise returns true. Every chunk length and count is
// checked against the file and the enclosing chunk: a chunk that runs past its parent, or a
// file that ends early, stops the walk, keeps everything read before it and is reported in
// one line naming the file. A seventeenth camera/target/light node is
// skipped whole.
bool readTdsScene(const std::string& path, TdsSceneRecord& scene);

// The same from the bytes of a file; `name` stands for the file in the messages.
bool readTdsScene(std::span<const uint8_t> file, const std::string& name, TdsSceneRecord& scene);

} // namespace tw
