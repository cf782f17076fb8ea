// The 3DS scene reader: a chunk walk over the file in memory with every length checked.
#include "formats/tds_scene.h"

#include <cstring>
#include <vector>

#include "base/bytes.h"
#include "base/file_bytes.h"
#include "base/report.h"
#include "formats/tds_chunks.h"

namespace tw {

namespace {

struct ChunkHeader {
    uint16_t id = 0;
    uint32_t length = 0;
    uint32_t consumed = 0;

    uint32_t remaining() const { return length - consumed; }
};

// The walk's state. Once `ok` drops to false (truncated file, a chunk or count that claims
// more than its parent holds) every loop unwinds without reading further; what was stored
// until then stays in the scene.
struct Reader {
    const uint8_t* file = nullptr;
    uint64_t fileSize = 0;
    uint64_t position = 0;
    bool ok = true;
    TdsSceneRecord* scene = nullptr;
    std::string objectName; // name of the named object being walked

    // Reads n bytes of `chunk`'s data. Fails (and stops the walk) when the chunk or the file
    // does not hold them.
    bool read(ChunkHeader& chunk, void* dst, uint32_t n) {
        if (!ok) return false;
        if (n > chunk.remaining() || position + n > fileSize) return stop();
        if (n > 0) std::memcpy(dst, file + position, n);
        position += n;
        chunk.consumed += n;
        return true;
    }

    bool discard(ChunkHeader& chunk, uint32_t n) {
        if (!ok) return false;
        if (n > chunk.remaining() || position + n > fileSize) return stop();
        position += n;
        chunk.consumed += n;
        return true;
    }

    bool skipRest(ChunkHeader& chunk) { return discard(chunk, chunk.remaining()); }

    bool u16(ChunkHeader& chunk, uint16_t& out) {
        uint8_t b[2];
        if (!read(chunk, b, 2)) return false;
        out = readU16(b);
        return true;
    }
    bool u32(ChunkHeader& chunk, uint32_t& out) {
        uint8_t b[4];
        if (!read(chunk, b, 4)) return false;
        out = readU32(b);
        return true;
    }
    bool f32(ChunkHeader& chunk, float& out) {
        uint8_t b[4];
        if (!read(chunk, b, 4)) return false;
        out = readF32(b);
        return true;
    }
    // Three reals (x, y, z) stored as (x, z, -y).
    bool point(ChunkHeader& chunk, float out[3]) {
        uint8_t b[12];
        if (!read(chunk, b, 12)) return false;
        out[0] = readF32(b);
        out[1] = readF32(b + 8);
        out[2] = -readF32(b + 4);
        return true;
    }

    // A NUL-terminated name inside `chunk`: consumed up to and including its NUL (or to the
    // end of the chunk when there is none), at most `keep` characters kept.
    bool name(ChunkHeader& chunk, std::string& out, size_t keep) {
        out.clear();
        while (ok && chunk.remaining() > 0) {
            char c = 0;
            if (!read(chunk, &c, 1)) return false;
            if (c == '\0') return true;
            if (out.size() < keep) out.push_back(c);
        }
        return ok;
    }

    // The rest of the chunk as a name (material names and map file names): everything up to
    // the first NUL, at most `keep` characters; the whole rest is consumed.
    bool restAsName(ChunkHeader& chunk, std::string& out, size_t keep) {
        out.clear();
        bool ended = false;
        while (ok && chunk.remaining() > 0) {
            char c = 0;
            if (!read(chunk, &c, 1)) return false;
            if (c == '\0') ended = true;
            if (!ended && out.size() < keep) out.push_back(c);
        }
        return ok;
    }

    // Reads the next sub-chunk header of `parent`. False at the parent's end or when the walk
    // has to stop: a header that does not fit, or a length that is shorter than a header or
    // runs past the parent.
    bool next(ChunkHeader& parent, ChunkHeader& child) {
        if (!ok || parent.consumed >= parent.length) return false;
        if (parent.remaining() < 6) return stop();
        if (position + 6 > fileSize) return stop();
        child.id = readU16(file + position);
        child.length = readU32(file + position + 2);
        position += 6;
        child.consumed = 6;
        if (child.length < 6 || child.length > parent.remaining()) return stop();
        return true;
    }

    bool stop() {
        ok = false;
        return false;
    }
};

using Handler = void (*)(Reader&, ChunkHeader&);

// The walking loop shared by every level: handle each sub-chunk, then count what it consumed.
void walk(Reader& r, ChunkHeader& parent, Handler handle) {
    ChunkHeader child;
    while (r.next(parent, child)) {
        handle(r, child);
        parent.consumed += child.consumed;
    }
}

// ---- Triangle mesh -------------------------------------------------------------------------

// A list chunk: a 16-bit count, then records of `size` bytes, each stored by `one` into `per`
// values of `out` (resized to what was read); `count` is set to the number of records read.
// A count that claims more records than the chunk holds keeps the records that are there and
// stops the walk. Returns true when the whole list was read.
template <typename T, typename ReadOne>
bool readList(Reader& r, ChunkHeader& chunk, uint32_t size, size_t per, std::vector<T>& out,
              int32_t& count, ReadOne one) {
    uint16_t stored = 0;
    if (!r.u16(chunk, stored)) return false;
    uint32_t fit = chunk.remaining() / size;
    uint32_t n = stored <= fit ? stored : fit;
    out.assign(static_cast<size_t>(n) * per, T());
    uint32_t i = 0;
    while (i < n && one(&out[i * per])) ++i;
    out.resize(static_cast<size_t>(i) * per);
    count = static_cast<int32_t>(i);
    if (n == stored) return true;
    r.stop();
    return false;
}

void readVertices(Reader& r, ChunkHeader& chunk, TdsObjectRecord& obj) {
    if (readList(r, chunk, 12, 3, obj.positions, obj.vertexCount,
                 [&](float* p) { return r.point(chunk, p); }))
        r.skipRest(chunk);
}

void readFaces(Reader& r, ChunkHeader& chunk, TdsObjectRecord& obj) {
    // Three corners and a flags word; the rest of the chunk (material and smoothing groups)
    // is met at the mesh level.
    readList(r, chunk, 8, 3, obj.faces, obj.faceCount, [&](int32_t* f) {
        uint8_t b[8];
        if (!r.read(chunk, b, 8)) return false;
        f[0] = readU16(b), f[1] = readU16(b + 2), f[2] = readU16(b + 4);
        return true;
    });
}

void readMapping(Reader& r, ChunkHeader& chunk, TdsObjectRecord& obj) {
    if (readList(r, chunk, 8, 2, obj.mapping, obj.mappingCount,
                 [&](float* uv) { return r.f32(chunk, uv[0]) && r.f32(chunk, uv[1]); }))
        r.skipRest(chunk);
}

void readMaterialGroup(Reader& r, ChunkHeader& chunk, TdsObjectRecord& obj) {
    std::string name;
    if (!r.name(chunk, name, kMaterialNameMax)) return;
    const auto& materials = r.scene->materials;
    if (!materials.empty()) {
        // Every group overwrites the index: the last group of a mesh wins.
        obj.materialIndex = -1;
        for (size_t i = 0; i < materials.size(); ++i) {
            if (materials[i].name == name) {
                obj.materialIndex = static_cast<int32_t>(i);
                if (materials[i].maps != 0) obj.textured = 1;
                break;
            }
        }
    }
    r.skipRest(chunk);
}

void handleTriangleMesh(Reader& r, ChunkHeader& chunk) {
    TdsObjectRecord& obj = r.scene->objects.back();
    switch (chunk.id) {
    case TDS_VERTICES:
        readVertices(r, chunk, obj);
        break;
    case TDS_FACES:
        readFaces(r, chunk, obj);
        break;
    case TDS_FACE_MATERIAL:
        readMaterialGroup(r, chunk, obj);
        break;
    case TDS_MAPPING:
        readMapping(r, chunk, obj);
        break;
    default:
        r.skipRest(chunk);
        break;
    }
}

// ---- Named objects, lights, cameras --------------------------------------------------------

void handleLight(Reader& r, ChunkHeader& chunk) {
    if (chunk.id == TDS_COLOUR_F) {
        TdsLightRecord& light = r.scene->lights.back();
        for (float& c : light.colour) r.f32(chunk, c);
    }
    r.skipRest(chunk);
}

void handleNamedObject(Reader& r, ChunkHeader& chunk) {
    TdsSceneRecord& s = *r.scene;
    switch (chunk.id) {
    case TDS_TRIMESH: {
        s.objectCount++;
        TdsObjectRecord obj;
        obj.name = r.objectName.substr(0, kObjectNameMax);
        s.objects.push_back(std::move(obj));
        walk(r, chunk, handleTriangleMesh);
        break;
    }
    case TDS_LIGHT: {
        s.lightCount++;
        TdsLightRecord light;
        light.name = r.objectName.substr(0, kNodeNameMax);
        s.lights.push_back(light);
        r.point(chunk, s.lights.back().position);
        walk(r, chunk, handleLight);
        break;
    }
    case TDS_CAMERA: {
        s.cameraCount++;
        TdsCameraRecord cam;
        cam.name = r.objectName.substr(0, kNodeNameMax);
        s.cameras.push_back(cam);
        TdsCameraRecord& c = s.cameras.back();
        uint8_t rollLens[8];
        if (r.point(chunk, c.position) && r.point(chunk, c.target)) r.read(chunk, rollLens, 8);
        // The camera's own sub-chunks follow at the named-object level and are skipped there.
        break;
    }
    default:
        r.skipRest(chunk);
        break;
    }
}

// ---- Materials -----------------------------------------------------------------------------

void handleMaterial(Reader& r, ChunkHeader& chunk) {
    TdsMaterialRecord& m = r.scene->materials.back();
    switch (chunk.id) {
    case TDS_MATERIAL_NAME:
        r.restAsName(chunk, m.name, kMaterialNameMax);
        break;
    case TDS_DIFFUSE: {
        // Only the first colour sub-chunk is consumed here; any others follow at this level.
        ChunkHeader colour;
        if (r.next(chunk, colour)) {
            r.skipRest(colour);
            chunk.consumed += colour.consumed;
        }
        break;
    }
    case TDS_TEXTURE_MAP:
        m.currentMap = TDS_TEXTURE_MAP;
        m.maps |= MAP_TEXTURE;
        walk(r, chunk, handleMaterial);
        break;
    case TDS_REFLECTION_MAP:
        m.currentMap = TDS_REFLECTION_MAP;
        m.maps |= MAP_REFLECTION;
        walk(r, chunk, handleMaterial);
        break;
    case TDS_BUMP_MAP:
        m.currentMap = TDS_BUMP_MAP;
        m.maps |= MAP_BUMP;
        walk(r, chunk, handleMaterial);
        break;
    case TDS_MAP_FILE:
        if (m.currentMap == TDS_TEXTURE_MAP)
            r.restAsName(chunk, m.textureMap, kMaterialNameMax);
        else if (m.currentMap == TDS_REFLECTION_MAP)
            r.restAsName(chunk, m.reflectionMap, kMaterialNameMax);
        else if (m.currentMap == TDS_BUMP_MAP)
            r.restAsName(chunk, m.bumpMap, kMaterialNameMax);
        else
            r.skipRest(chunk);
        break;
    default:
        r.skipRest(chunk);
        break;
    }
}

// ---- Keyframer -----------------------------------------------------------------------------

TdsTrackRecord* currentTrack(Reader& r) {
    TdsSceneRecord& s = *r.scene;
    return s.trackCount > 0 ? &s.tracks[static_cast<size_t>(s.trackCount - 1)] : nullptr;
}

void readNodeHeader(Reader& r, ChunkHeader& chunk) {
    std::string name;
    uint8_t rest[6];
    if (!r.name(chunk, name, kNodeNameMax) || !r.read(chunk, rest, 6)) return;
    r.skipRest(chunk);
    TdsTrackRecord* track = currentTrack(r);
    if (!track) return;
    const TdsSceneRecord& s = *r.scene;
    if (track->kind == TRACK_LIGHT) {
        for (size_t i = 0; i < s.lights.size(); ++i) {
            if (s.lights[i].name == name) {
                track->owner = static_cast<int32_t>(i);
                return;
            }
        }
    } else {
        for (size_t i = 0; i < s.cameras.size(); ++i) {
            if (s.cameras[i].name == name) {
                track->owner = static_cast<int32_t>(i);
                return;
            }
        }
    }
}

void readPositionTrack(Reader& r, ChunkHeader& chunk) {
    TdsTrackRecord* track = currentTrack(r);
    uint8_t head[10];
    uint32_t count = 0;
    if (!track || !r.read(chunk, head, 10) || !r.u32(chunk, count)) {
        r.skipRest(chunk);
        return;
    }
    // Each key takes at least 18 bytes (frame, flags, x, y, z); never reserve for more keys
    // than the chunk can hold.
    uint32_t fit = chunk.remaining() / 18;
    size_t reserve = count <= fit ? count : fit;
    track->times.clear();
    track->x.clear();
    track->y.clear();
    track->z.clear();
    track->times.reserve(reserve);
    track->x.reserve(reserve);
    track->y.reserve(reserve);
    track->z.reserve(reserve);
    for (uint32_t k = 0; k < count; ++k) {
        uint32_t frame = 0;
        uint16_t flags = 0;
        if (!r.u32(chunk, frame) || !r.u16(chunk, flags)) break;
        // Tension, continuity, bias, ease to and ease from: one real each when present.
        bool fine = true;
        for (uint16_t bit = 0x1; bit <= 0x10 && fine; bit <<= 1) {
            if (flags & bit) fine = r.discard(chunk, 4);
        }
        float p[3];
        if (!fine || !r.point(chunk, p)) break;
        track->times.push_back(static_cast<float>(frame) * kSecondsPerFrame);
        track->x.push_back(p[0]);
        track->y.push_back(p[1]);
        track->z.push_back(p[2]);
    }
    track->keyCount = static_cast<uint32_t>(track->times.size());
    r.skipRest(chunk);
}

void handleKeyframer(Reader& r, ChunkHeader& chunk) {
    TdsSceneRecord& s = *r.scene;
    int32_t kind = 0;
    switch (chunk.id) {
    case TDS_NODE_CAMERA:
        kind = TRACK_CAMERA;
        break;
    case TDS_NODE_TARGET:
        kind = TRACK_TARGET;
        break;
    case TDS_NODE_LIGHT:
        kind = TRACK_LIGHT;
        break;
    case TDS_FRAME_RANGE: {
        uint8_t range[8];
        r.read(chunk, range, 8);
        r.skipRest(chunk);
        return;
    }
    case TDS_NODE_HEADER:
        readNodeHeader(r, chunk);
        return;
    case TDS_POSITION_TRACK:
        readPositionTrack(r, chunk);
        return;
    default:
        r.skipRest(chunk);
        return;
    }
    if (s.trackCount >= kMaxTdsTracks) {
        // No room: the node is skipped whole, so its keys cannot land in another entry.
        r.skipRest(chunk);
        return;
    }
    s.trackCount++;
    TdsTrackRecord& t = s.tracks[static_cast<size_t>(s.trackCount - 1)];
    t = TdsTrackRecord();
    t.kind = kind;
    walk(r, chunk, handleKeyframer);
}

// ---- Top level -----------------------------------------------------------------------------

void handleTop(Reader& r, ChunkHeader& chunk) {
    TdsSceneRecord& s = *r.scene;
    switch (chunk.id) {
    case TDS_EDITOR: {
        // The editor's first sub-chunk (the mesh version) is discarded whatever its id.
        ChunkHeader first;
        if (r.next(chunk, first)) {
            r.skipRest(first);
            chunk.consumed += first.consumed;
        }
        walk(r, chunk, handleTop);
        break;
    }
    case TDS_OBJECT: {
        std::string name;
        if (!r.name(chunk, name, kObjectNameMax)) break;
        r.objectName = std::move(name);
        walk(r, chunk, handleNamedObject);
        break;
    }
    case TDS_MATERIAL:
        s.materialCount++;
        s.materials.emplace_back();
        walk(r, chunk, handleMaterial);
        break;
    case TDS_KEYFRAMER:
        walk(r, chunk, handleKeyframer);
        break;
    default:
        r.skipRest(chunk);
        break;
    }
}

} // namespace

bool readTdsScene(const std::string& path, TdsSceneRecord& scene) {
    std::vector<uint8_t> file;
    return readFileOrReport(path, file) && readTdsScene(file, path, scene);
}

bool readTdsScene(std::span<const uint8_t> file, const std::string& path, TdsSceneRecord& scene) {
    Reader r;
    r.file = file.data();
    r.fileSize = file.size();
    r.scene = &scene;
    if (r.fileSize < 6 || readU16(r.file) != TDS_MAIN) {
        reportOut(
            format("%s: not a 3DS scene file (no main chunk); nothing loaded\n", path.c_str()));
        return false;
    }
    r.position = 6;
    ChunkHeader main;
    main.id = TDS_MAIN;
    main.length = readU32(r.file + 2);
    main.consumed = 6;

    scene.objectCount = scene.materialCount = scene.lightCount = scene.cameraCount = 0;
    scene.trackCount = 0;
    if (main.length >= 6) walk(r, main, handleTop);
    if (!r.ok) {
        reportOut(format("%s: cut short or damaged near byte %llu of %llu; keeping what was read "
                         "before\n",
                         path.c_str(), static_cast<unsigned long long>(r.position),
                         static_cast<unsigned long long>(r.fileSize)));
    }
    return true;
}

} // namespace tw
