// The chunk ids of the .3ds file format, shared by the mesh and scene readers and the writer.
// Every chunk is a 6-byte header (id: u16, length: u32 including the header) and a body.
#pragma once

#include <cstdint>

namespace tw {

enum TdsChunk : uint16_t {
    TDS_MAIN = 0x4D4D,
    TDS_FILE_VERSION = 0x0002,
    TDS_COLOUR_F = 0x0010,  // three floats
    TDS_COLOUR_24 = 0x0011, // three bytes
    TDS_PERCENT = 0x0030,   // u16
    TDS_EDITOR = 0x3D3D,
    TDS_MESH_VERSION = 0x3D3E,
    TDS_OBJECT = 0x4000, // a named object
    TDS_TRIMESH = 0x4100,
    TDS_VERTICES = 0x4110,
    TDS_FACES = 0x4120,
    TDS_FACE_MATERIAL = 0x4130,
    TDS_MAPPING = 0x4140,
    TDS_LIGHT = 0x4600,
    TDS_CAMERA = 0x4700,
    TDS_MATERIAL_NAME = 0xA000,
    TDS_DIFFUSE = 0xA020,
    TDS_TEXTURE_MAP = 0xA200,
    TDS_REFLECTION_MAP = 0xA220,
    TDS_BUMP_MAP = 0xA230,
    TDS_MAP_FILE = 0xA300,
    TDS_MATERIAL = 0xAFFF,
    TDS_KEYFRAMER = 0xB000,
    TDS_NODE_OBJECT = 0xB002,
    TDS_NODE_CAMERA = 0xB003,
    TDS_NODE_TARGET = 0xB004,
    TDS_NODE_LIGHT = 0xB005,
    TDS_FRAME_RANGE = 0xB008,
    TDS_KEYFRAMER_HEADER = 0xB00A,
    TDS_NODE_HEADER = 0xB010,
    TDS_PIVOT = 0xB013,
    TDS_POSITION_TRACK = 0xB020,
    TDS_ROTATION_TRACK = 0xB021,
    TDS_SCALE_TRACK = 0xB022,
    TDS_NODE_ID = 0xB030,
};

// Which optional values a key of a track carries (its spline flags).
enum TdsKeyFlags : uint16_t {
    TDS_KEY_TENSION = 0x1,
    TDS_KEY_CONTINUITY = 0x2,
    TDS_KEY_BIAS = 0x4,
    TDS_KEY_EASE_TO = 0x8,
    TDS_KEY_EASE_FROM = 0x10,
};

} // namespace tw
