// Reader for one triangle mesh from a 3D Studio file: a bounds-checked chunk walk over the
// file image, then the copy into a Mesh with the axis and mapping conventions.
#include "formats/tds_mesh.h"

#include <cctype>
#include <cstdio>
#include <new>

#include "base/bytes.h"
#include "base/file_bytes.h"
#include "base/report.h"
#include "formats/tds_chunks.h"

namespace tw {

namespace {

constexpr size_t kHeader = 6;
constexpr size_t kMaxName = 63;

// The walk's state. Every read goes through `fits`, so a lying length or count becomes a
// failed parse instead of a read outside the image.
struct Walker {
    const uint8_t* image;
    const char* wanted;
    std::vector<TdsWorkVertex>& vertices;
    std::vector<TdsWorkFace>& faces;
    bool haveVertices = false;
    bool haveFaces = false;
    bool failed = false;

    struct Chunk {
        uint16_t id;
        size_t start, end; // end = start + length, checked against the parent
    };

    // Reads the header at `pos`; the chunk must lie inside [pos, parentEnd) and be at least
    // a header long (a shorter length would never advance the cursor).
    bool header(size_t pos, size_t parentEnd, Chunk& c) {
        if (pos > parentEnd || parentEnd - pos < kHeader) return fail();
        const uint32_t length = readU32(image + pos + 2);
        if (length < kHeader || length > parentEnd - pos) return fail();
        c = {readU16(image + pos), pos, pos + length};
        return true;
    }
    bool fail() {
        failed = true;
        return false;
    }

    // Returns true when the walk is over (a triangle mesh was read, or a failure occurred).
    bool editor(size_t pos, size_t end) {
        while (pos < end) {
            Chunk c;
            if (!header(pos, end, c)) return true;
            if (c.id == TDS_OBJECT && object(c)) return true;
            pos = c.end;
        }
        return false;
    }

    bool object(const Chunk& obj) {
        size_t pos = obj.start + kHeader;
        char name[kMaxName + 1];
        size_t kept = 0;
        // The name's bytes up to and including the NUL are consumed; 63 characters are kept.
        for (;;) {
            if (pos >= obj.end) return !fail();
            const char ch = static_cast<char>(image[pos++]);
            if (ch == '\0') break;
            if (kept < kMaxName) name[kept++] = ch;
        }
        name[kept] = '\0';
        if (wanted && !sameName(name, wanted)) return false;
        while (pos < obj.end) {
            Chunk c;
            if (!header(pos, obj.end, c)) return true;
            if (c.id == TDS_TRIMESH) {
                triMesh(c);
                return true; // only the first triangle mesh is ever read
            }
            pos = c.end;
        }
        return false; // a camera or a light: the editor walk goes on
    }

    static bool sameName(const char* a, const char* b) {
        for (; *a && *b; ++a, ++b)
            if (std::tolower(static_cast<unsigned char>(*a)) !=
                std::tolower(static_cast<unsigned char>(*b)))
                return false;
        return *a == *b;
    }

    // A count followed by count entries of `entry` bytes, all inside the chunk.
    bool list(const Chunk& c, size_t entry, size_t& count, size_t& data) {
        const size_t pos = c.start + kHeader;
        if (c.end - pos < 2) return fail();
        count = readU16(image + pos);
        data = pos + 2;
        if ((c.end - data) / entry < count) return fail();
        return true;
    }

    void triMesh(const Chunk& mesh) {
        size_t pos = mesh.start + kHeader;
        while (pos < mesh.end) {
            Chunk c;
            if (!header(pos, mesh.end, c)) return;
            size_t count = 0, data = 0;
            if (c.id == TDS_VERTICES) {
                if (!list(c, 12, count, data)) return;
                vertices.assign(count, TdsWorkVertex{});
                for (size_t i = 0; i < count; ++i) {
                    const uint8_t* p = image + data + 12 * i;
                    // File axes to ours: (x, y, z) -> (x, -z, y); mapping 0, 0 until a list.
                    vertices[i].x = readF32(p);
                    vertices[i].y = -readF32(p + 8);
                    vertices[i].z = readF32(p + 4);
                }
                haveVertices = true;
                pos = data + 12 * count; // after the last entry
            } else if (c.id == TDS_FACES) {
                if (!list(c, 8, count, data)) return;
                faces.assign(count, TdsWorkFace{});
                for (size_t i = 0; i < count; ++i) {
                    const uint8_t* p = image + data + 8 * i;
                    faces[i] = {readU16(p), readU16(p + 2), readU16(p + 4)}; // flags ignored
                }
                haveFaces = true;
                // The cursor stops after the entries: the face list's own sub-chunks
                // (materials, smoothing) are met next and skipped as mesh sub-chunks.
                pos = data + 8 * count;
            } else if (c.id == TDS_MAPPING && haveVertices && c.end - c.start >= kHeader + 2 &&
                       readU16(image + c.start + kHeader) <= vertices.size()) {
                if (!list(c, 8, count, data)) return;
                for (size_t i = 0; i < count; ++i) {
                    vertices[i].u = readF32(image + data + 8 * i);
                    vertices[i].v = readF32(image + data + 8 * i + 4);
                }
                pos = data + 8 * count;
            } else {
                pos = c.end; // anything else, and a mapping list that does not fit: skipped
            }
        }
        if (!haveVertices || !haveFaces) {
            fail();
            return;
        }
        // A face naming a missing vertex would make the renderer read outside the mesh.
        for (const TdsWorkFace& f : faces)
            if (static_cast<size_t>(f.a) >= vertices.size() ||
                static_cast<size_t>(f.b) >= vertices.size() ||
                static_cast<size_t>(f.c) >= vertices.size()) {
                fail();
                return;
            }
    }
};

} // namespace

bool parseTdsMesh(const uint8_t* image, size_t size, const char* wanted,
                  std::vector<TdsWorkVertex>& vertices, std::vector<TdsWorkFace>& faces) {
    vertices.clear();
    faces.clear();
    if (!image || size < kHeader || readU16(image) != TDS_MAIN) return false;
    const uint32_t length = readU32(image + 2);
    if (length <= 12 || length > size) return false;
    Walker w{image, wanted, vertices, faces};
    size_t pos = kHeader;
    bool done = false;
    // Top level: the main chunk's sub-chunks while more than a header's worth remains.
    while (!done && pos < length - kHeader) {
        Walker::Chunk c;
        if (!w.header(pos, length, c)) break;
        if (c.id == TDS_EDITOR) done = w.editor(c.start + kHeader, c.end);
        pos = c.end;
    }
    const bool ok = done && !w.failed;
    if (!ok) {
        vertices.clear();
        faces.clear();
    }
    return ok;
}

bool loadTdsMesh(Mesh& mesh, const std::string& path) {
    std::vector<uint8_t> image;
    return readFileOrReport(path, image) && loadTdsMesh(mesh, image, path);
}

bool loadTdsMesh(Mesh& mesh, std::span<const uint8_t> image, const std::string& path) {
    std::vector<TdsWorkVertex> vertices;
    std::vector<TdsWorkFace> faces;
    if (!parseTdsMesh(image.data(), image.size(), nullptr, vertices, faces)) {
        reportBox("hore", format("error reading 3dsfile %s!", path.c_str()));
        return false;
    }
    allocate(mesh, static_cast<int32_t>(vertices.size()), static_cast<int32_t>(faces.size()));
    for (size_t i = 0; i < vertices.size(); ++i) {
        Vertex& v = mesh.vertices[i];
        v.x = vertices[i].x;
        v.y = vertices[i].y;
        v.z = vertices[i].z;
        v.uv1 = {1.0f - vertices[i].u, vertices[i].v};
    }
    for (size_t j = 0; j < faces.size(); ++j) {
        Face& f = mesh.faces[j];
        f.a = faces[j].a;
        f.b = faces[j].b;
        f.c = faces[j].c;
        f.corner[0] = mesh.vertices[static_cast<size_t>(f.a)].uv1;
        f.corner[1] = mesh.vertices[static_cast<size_t>(f.b)].uv1;
        f.corner[2] = mesh.vertices[static_cast<size_t>(f.c)].uv1;
    }
    return true;
}

} // namespace tw
