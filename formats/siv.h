// Reader for SIV, the presentation's own zlib-compressed scene container: meshes with normals
// and mapping, texture names, materials, cameras, unused extra records and key tracks.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/bytes.h"

namespace tw {

// Record sizes of the stored format.
namespace siv {
constexpr int kVersion = 7;
constexpr uint32_t kHeaderSize = 64;
constexpr uint32_t kObjectHeaderSize = 80;
constexpr uint32_t kVertexSize = 56;
constexpr uint32_t kFaceSize = 16;
constexpr uint32_t kTextureSize = 84;
constexpr uint32_t kMaterialSize = 64;
constexpr uint32_t kCameraSize = 48;
constexpr uint32_t kExtraSize = 104;
constexpr uint32_t kTrackHeaderSize = 28;
constexpr uint32_t kKeySize = 32;
constexpr uint32_t kTagSize = 9;
} // namespace siv

// Records are kept exactly as stored (little-endian bytes); the accessors below decode the
// fields that scene assembly uses.
struct SivObjectRecord {
    int32_t vertexCount = 0;
    std::vector<uint8_t> vertices; // vertexCount * 56 bytes
    int32_t faceCount = 0;
    std::vector<uint8_t> faces; // faceCount * 16 bytes
    std::array<uint8_t, siv::kObjectHeaderSize> header{};
};

// The stored header's last field (4 bytes at offset 24) is not kept: `keys` replaces it.
struct SivTrackRecord {
    std::array<uint8_t, siv::kTrackHeaderSize> header{};
    std::vector<uint8_t> keys; // keyCount * 32 bytes
};

struct SivScene {
    std::array<uint8_t, siv::kHeaderSize> header{};
    std::vector<SivObjectRecord> objects;
    // Reordered in memory: the 80-byte name first, then the leading integer of the file.
    std::vector<std::array<uint8_t, siv::kTextureSize>> textures;
    std::vector<std::array<uint8_t, siv::kMaterialSize>> materials;
    std::vector<std::array<uint8_t, siv::kCameraSize>> cameras;
    std::vector<std::array<uint8_t, siv::kExtraSize>> extras;
    std::vector<SivTrackRecord> tracks;
};

// Read cursor over a decompressed body.
struct SivCursor {
    const uint8_t* base = nullptr;
    uint32_t length = 0;
    uint32_t position = 0;
};

// Copies the next n bytes to dst and advances. When fewer than n bytes are left it prints
// "aiai! sivread buffer underrun! kontakt support asap!\n", copies nothing, leaves the cursor
// where it was and returns false.
bool sivRead(SivCursor& cursor, void* dst, uint32_t n);

// Reads a whole SIV file. Traces "len: %d\ntmplen: %d\n\n" for every compressed file (shown
// with --verbose), and on failure reports one of "Could not open %s.\n", "%s is not a
// SIV-file\n", "%s decompression error.\n", "%s is incorrect version.\n" or the underrun
// message followed by "%s: cut short or damaged inside its body; nothing loaded\n", and
// returns null. A count that needs
// more bytes than are left in the body is an underrun and is rejected before allocating.
std::unique_ptr<SivScene> readSiv(const std::string& path);

// The same from the bytes of a file; `name` stands for the file in the messages.
std::unique_ptr<SivScene> readSiv(std::span<const uint8_t> file, const std::string& name);

// ---- Field accessors ----------------------------------------------------------------------

inline int32_t sivCount(const SivScene& s, int index) { // 0 objects, 1 textures, 2 materials,
    return readI32(s.header.data() + 40 + 4 * index);   // 3 cameras, 4 extras, 5 tracks
}
struct SivVec3 {
    float x = 0, y = 0, z = 0;
};
inline SivVec3 sivVec3(const uint8_t* p) {
    return {readF32(p), readF32(p + 4), readF32(p + 8)};
}

inline SivVec3 sivObjectPosition(const SivObjectRecord& o) {
    return sivVec3(o.header.data() + 8);
}
inline const uint8_t* sivVertex(const SivObjectRecord& o, int i) {
    return o.vertices.data() + static_cast<size_t>(i) * siv::kVertexSize;
}
inline SivVec3 sivVertexPosition(const SivObjectRecord& o, int i) {
    return sivVec3(sivVertex(o, i));
}
inline SivVec3 sivVertexNormal(const SivObjectRecord& o, int i) {
    return sivVec3(sivVertex(o, i) + 12);
}
inline float sivVertexU(const SivObjectRecord& o, int i) {
    return readF32(sivVertex(o, i) + 24);
}
inline float sivVertexV(const SivObjectRecord& o, int i) {
    return readF32(sivVertex(o, i) + 28);
}
inline const uint8_t* sivFace(const SivObjectRecord& o, int i) {
    return o.faces.data() + static_cast<size_t>(i) * siv::kFaceSize;
}
inline int32_t sivFaceIndex(const SivObjectRecord& o, int i, int corner) {
    return readI32(sivFace(o, i) + 4 * corner);
}
inline int32_t sivFaceMaterial(const SivObjectRecord& o, int i) {
    return readI32(sivFace(o, i) + 12);
}

// The texture's file name (relative to "data/"), bounded to its 80 bytes.
std::string sivTextureName(const std::array<uint8_t, siv::kTextureSize>& t);
inline int32_t sivTextureValue(const std::array<uint8_t, siv::kTextureSize>& t) {
    return readI32(t.data() + 80);
}

inline int32_t sivMaterialTexture(const std::array<uint8_t, siv::kMaterialSize>& m) {
    return readI32(m.data() + 48);
}
inline bool sivMaterialTwoSided(const std::array<uint8_t, siv::kMaterialSize>& m) {
    return m[60] != 0;
}

inline SivVec3 sivCameraPosition(const std::array<uint8_t, siv::kCameraSize>& c) {
    return sivVec3(c.data());
}
inline SivVec3 sivCameraTarget(const std::array<uint8_t, siv::kCameraSize>& c) {
    return sivVec3(c.data() + 12);
}
inline int32_t sivCameraPositionTrack(const std::array<uint8_t, siv::kCameraSize>& c) {
    return readI32(c.data() + 40);
}
inline int32_t sivCameraTargetTrack(const std::array<uint8_t, siv::kCameraSize>& c) {
    return readI32(c.data() + 44);
}

inline int32_t sivTrackKind(const SivTrackRecord& t) {
    return readI32(t.header.data());
}
inline int32_t sivTrackId(const SivTrackRecord& t) {
    return readI32(t.header.data() + 8);
}
inline int32_t sivTrackKeyCount(const SivTrackRecord& t) {
    return static_cast<int32_t>(t.keys.size() / siv::kKeySize);
}

struct SivKeyRecord {
    float time = 0;
    float x = 0, y = 0, z = 0;
    float tension = 0, continuity = 0, bias = 0;
};
inline SivKeyRecord sivTrackKey(const SivTrackRecord& t, int k) {
    const uint8_t* p = t.keys.data() + static_cast<size_t>(k) * siv::kKeySize;
    return {readF32(p),      readF32(p + 4),  readF32(p + 8), readF32(p + 12),
            readF32(p + 20), readF32(p + 24), readF32(p + 28)};
}

} // namespace tw
