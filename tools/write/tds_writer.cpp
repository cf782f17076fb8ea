// 3D Studio chunk writer: single meshes and scenes with materials, cameras and keyframes.
#include "tools/write/tds_writer.h"

#include <cstring>
#include <stdexcept>

namespace tw {

void putU8(ChunkWriter& w, uint8_t v) {
    w.bytes.push_back(v);
}

void putU16(ChunkWriter& w, uint16_t v) {
    w.bytes.push_back(static_cast<uint8_t>(v));
    w.bytes.push_back(static_cast<uint8_t>(v >> 8));
}

void putU32(ChunkWriter& w, uint32_t v) {
    for (int i = 0; i < 4; ++i) w.bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void putF32(ChunkWriter& w, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    putU32(w, bits);
}

void putString(ChunkWriter& w, const std::string& s) {
    w.bytes.insert(w.bytes.end(), s.begin(), s.end());
    w.bytes.push_back(0);
}

void beginChunk(ChunkWriter& w, uint16_t id) {
    w.open.push_back(w.bytes.size());
    putU16(w, id);
    putU32(w, 0); // patched by endChunk
}

void endChunk(ChunkWriter& w) {
    if (w.open.empty()) throw std::logic_error("endChunk without an open chunk");
    size_t start = w.open.back();
    w.open.pop_back();
    uint32_t length = static_cast<uint32_t>(w.bytes.size() - start);
    for (int i = 0; i < 4; ++i) w.bytes[start + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
}

namespace {

// Counts in the file are 16-bit; a mesh that does not fit is a forge bug, not data to trim.
uint16_t count16(size_t n, const char* what) {
    if (n > 0xFFFF) throw std::length_error(std::string("3ds: too many ") + what);
    return static_cast<uint16_t>(n);
}

void checkMesh(const TdsMesh& mesh) {
    count16(mesh.vertices.size(), "vertices");
    count16(mesh.faces.size(), "faces");
    count16(mesh.mapping.size(), "mapping pairs");
    for (const TdsFace& f : mesh.faces) {
        if (f.a >= mesh.vertices.size() || f.b >= mesh.vertices.size() ||
            f.c >= mesh.vertices.size())
            throw std::out_of_range("3ds: face index outside the vertex list of " + mesh.name);
    }
    for (const TdsFaceGroup& g : mesh.groups) {
        count16(g.faces.size(), "grouped faces");
        for (uint16_t i : g.faces)
            if (i >= mesh.faces.size())
                throw std::out_of_range("3ds: material group names a missing face");
    }
}

void putVersion(ChunkWriter& w, uint16_t id) {
    beginChunk(w, id);
    putU32(w, 3);
    endChunk(w);
}

void putMap(ChunkWriter& w, uint16_t id, const std::string& file) {
    if (file.empty()) return;
    beginChunk(w, id);
    beginChunk(w, TDS_PERCENT); // amount, percent
    putU16(w, 100);
    endChunk(w);
    beginChunk(w, TDS_MAP_FILE);
    putString(w, file);
    endChunk(w);
    endChunk(w);
}

void putMaterial(ChunkWriter& w, const TdsMaterial& m) {
    beginChunk(w, TDS_MATERIAL);
    beginChunk(w, TDS_MATERIAL_NAME);
    putString(w, m.name);
    endChunk(w);
    beginChunk(w, TDS_DIFFUSE);
    beginChunk(w, TDS_COLOUR_24);
    for (uint8_t c : m.diffuse) putU8(w, c);
    endChunk(w);
    endChunk(w);
    putMap(w, TDS_TEXTURE_MAP, m.textureMap);
    putMap(w, TDS_REFLECTION_MAP, m.reflectionMap);
    putMap(w, TDS_BUMP_MAP, m.bumpMap);
    endChunk(w);
}

void putCamera(ChunkWriter& w, const TdsCamera& c) {
    beginChunk(w, TDS_OBJECT);
    putString(w, c.name);
    beginChunk(w, TDS_CAMERA);
    for (float v : c.position) putF32(w, v);
    for (float v : c.target) putF32(w, v);
    putF32(w, c.roll);
    putF32(w, c.lens);
    endChunk(w);
    endChunk(w);
}

void putNodeHead(ChunkWriter& w, uint16_t id, const std::string& name, uint16_t flags1,
                 uint16_t flags2, uint16_t parent) {
    beginChunk(w, TDS_NODE_ID);
    putU16(w, id);
    endChunk(w);
    beginChunk(w, TDS_NODE_HEADER);
    putString(w, name);
    putU16(w, flags1);
    putU16(w, flags2);
    putU16(w, parent);
    endChunk(w);
}

void putTrackHead(ChunkWriter& w, uint16_t id, uint32_t keys) {
    beginChunk(w, id);
    putU16(w, 0); // track flags: no looping
    putU32(w, 0); // two reserved words
    putU32(w, 0);
    putU32(w, keys);
}

// A still object node: the mesh stays where its vertices put it.
void putObjectNode(ChunkWriter& w, const std::string& name, uint16_t id) {
    beginChunk(w, TDS_NODE_OBJECT);
    putNodeHead(w, id, name, 0, 0, 0xFFFF);
    beginChunk(w, TDS_PIVOT); // pivot
    for (int i = 0; i < 3; ++i) putF32(w, 0);
    endChunk(w);
    const float position[3] = {0, 0, 0}, rotation[4] = {0, 0, 0, 1}, scale[3] = {1, 1, 1};
    putTrackHead(w, TDS_POSITION_TRACK, 1);
    putU32(w, 0);
    putU16(w, 0);
    for (float v : position) putF32(w, v);
    endChunk(w);
    putTrackHead(w, TDS_ROTATION_TRACK, 1);
    putU32(w, 0);
    putU16(w, 0);
    for (float v : rotation) putF32(w, v);
    endChunk(w);
    putTrackHead(w, TDS_SCALE_TRACK, 1);
    putU32(w, 0);
    putU16(w, 0);
    for (float v : scale) putF32(w, v);
    endChunk(w);
    endChunk(w);
}

void putNode(ChunkWriter& w, const TdsNode& node, uint16_t id) {
    beginChunk(w, node.kind);
    putNodeHead(w, id, node.name, node.flags1, node.flags2, node.parent);
    putTrackHead(w, TDS_POSITION_TRACK, static_cast<uint32_t>(node.positionKeys.size()));
    for (const TdsKey& k : node.positionKeys) {
        putU32(w, k.frame);
        putU16(w, k.splineFlags);
        if (k.splineFlags & TDS_KEY_TENSION) putF32(w, k.tension);
        if (k.splineFlags & TDS_KEY_CONTINUITY) putF32(w, k.continuity);
        if (k.splineFlags & TDS_KEY_BIAS) putF32(w, k.bias);
        if (k.splineFlags & TDS_KEY_EASE_TO) putF32(w, k.easeTo);
        if (k.splineFlags & TDS_KEY_EASE_FROM) putF32(w, k.easeFrom);
        for (float v : k.position) putF32(w, v);
    }
    endChunk(w);
    endChunk(w);
}

} // namespace

void putTdsMesh(ChunkWriter& w, const TdsMesh& mesh) {
    checkMesh(mesh);
    beginChunk(w, TDS_OBJECT);
    putString(w, mesh.name);
    beginChunk(w, TDS_TRIMESH);

    beginChunk(w, TDS_VERTICES);
    putU16(w, static_cast<uint16_t>(mesh.vertices.size()));
    for (const auto& v : mesh.vertices)
        for (float c : v) putF32(w, c);
    endChunk(w);

    if (!mesh.mapping.empty()) {
        beginChunk(w, TDS_MAPPING);
        putU16(w, static_cast<uint16_t>(mesh.mapping.size()));
        for (const auto& m : mesh.mapping) {
            putF32(w, m[0]);
            putF32(w, m[1]);
        }
        endChunk(w);
    }

    beginChunk(w, TDS_FACES);
    putU16(w, static_cast<uint16_t>(mesh.faces.size()));
    for (const TdsFace& f : mesh.faces) {
        putU16(w, f.a);
        putU16(w, f.b);
        putU16(w, f.c);
        putU16(w, f.flags);
    }
    for (const TdsFaceGroup& g : mesh.groups) {
        beginChunk(w, TDS_FACE_MATERIAL);
        putString(w, g.material);
        putU16(w, static_cast<uint16_t>(g.faces.size()));
        for (uint16_t i : g.faces) putU16(w, i);
        endChunk(w);
    }
    endChunk(w); // face list

    endChunk(w); // triangle mesh
    endChunk(w); // named object
}

std::vector<uint8_t> encodeTdsMesh(const TdsMesh& mesh) {
    ChunkWriter w;
    beginChunk(w, TDS_MAIN);
    putVersion(w, TDS_FILE_VERSION);
    beginChunk(w, TDS_EDITOR);
    putVersion(w, TDS_MESH_VERSION);
    putTdsMesh(w, mesh);
    endChunk(w);
    endChunk(w);
    return std::move(w.bytes);
}

std::vector<uint8_t> encodeTdsScene(const TdsScene& scene) {
    size_t objectNodes = scene.objectNodes ? scene.meshes.size() : 0;
    if (scene.nodes.size() + objectNodes > 0xFFFF) throw std::length_error("3ds: too many nodes");
    ChunkWriter w;
    beginChunk(w, TDS_MAIN);
    putVersion(w, TDS_FILE_VERSION);
    beginChunk(w, TDS_EDITOR);
    putVersion(w, TDS_MESH_VERSION);
    for (const TdsMaterial& m : scene.materials) putMaterial(w, m);
    for (const TdsMesh& m : scene.meshes) putTdsMesh(w, m);
    for (const TdsCamera& c : scene.cameras) putCamera(w, c);
    endChunk(w);
    if (!scene.nodes.empty() || objectNodes > 0) {
        beginChunk(w, TDS_KEYFRAMER);
        beginChunk(w, TDS_KEYFRAMER_HEADER);
        putU16(w, 5);
        putString(w, "MAXSCENE");
        putU32(w, scene.frameEnd);
        endChunk(w);
        beginChunk(w, TDS_FRAME_RANGE);
        putU32(w, scene.frameStart);
        putU32(w, scene.frameEnd);
        endChunk(w);
        for (size_t i = 0; i < objectNodes; ++i)
            putObjectNode(w, scene.meshes[i].name, static_cast<uint16_t>(i));
        for (size_t i = 0; i < scene.nodes.size(); ++i)
            putNode(w, scene.nodes[i], static_cast<uint16_t>(objectNodes + i));
        endChunk(w);
    }
    endChunk(w);
    return std::move(w.bytes);
}

} // namespace tw
