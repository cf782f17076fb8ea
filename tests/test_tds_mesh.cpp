// 3DS mesh reader: conversions, object selection, mapping rules and hostile chunk trees.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/report.h"
#include "formats/tds_mesh.h"
#include "tools/write/tds_writer.h"
#include "tools/write/tga_writer.h"

namespace tw {
namespace {

using Bytes = std::vector<uint8_t>;
using Part = std::function<void(ChunkWriter&)>;
const std::string kParseFailure = "hore|error reading 3dsfile FILE!"; // FILE: the path read

TdsMesh triangleMesh(const std::string& name = "obj") {
    TdsMesh m;
    m.name = name;
    m.vertices = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    m.faces = {TdsFace{0, 1, 2, 7}};
    return m;
}

// Sub-chunks of a triangle mesh, in whatever order and shape a test needs.
Part list(uint16_t id, uint16_t count, std::vector<float> floats,
          std::vector<uint16_t> words = {}) {
    return [=](ChunkWriter& w) {
        beginChunk(w, id);
        putU16(w, count);
        for (float f : floats) putF32(w, f);
        for (uint16_t v : words) putU16(w, v);
        endChunk(w);
    };
}
Part vertices3() {
    return list(0x4110, 3, {0, 0, 0, 1, 0, 0, 0, 1, 0});
}
Part face(uint16_t a, uint16_t b, uint16_t c) {
    return list(0x4120, 1, {}, {a, b, c, 7});
}
Part mapping(std::vector<float> uv) {
    return list(0x4140, static_cast<uint16_t>(uv.size() / 2), uv);
}

// Main > editor > whatever `body` writes.
Bytes editorFile(const Part& body) {
    ChunkWriter w;
    beginChunk(w, 0x4D4D);
    beginChunk(w, 0x3D3D);
    body(w);
    endChunk(w);
    endChunk(w);
    return w.bytes;
}

// Main > editor > object "m" > triangle mesh > parts.
Bytes meshFile(const std::vector<Part>& parts) {
    return editorFile([&](ChunkWriter& w) {
        beginChunk(w, 0x4000);
        putString(w, "m");
        beginChunk(w, 0x4100);
        for (const Part& p : parts) p(w);
        endChunk(w);
        endChunk(w);
    });
}

struct Loaded {
    bool ok = false;
    Mesh mesh;
    std::vector<std::string> reports;
};

Loaded loadBytes(const Bytes& bytes) {
    static int serial = 0;
    const auto path = std::filesystem::temp_directory_path() /
                      ("tw_tds_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
    EXPECT_TRUE(writeFile(path.string(), bytes));
    Loaded l;
    ReportCapture capture;
    l.ok = loadTdsMesh(l.mesh, path.string());
    for (std::string line : capture.lines) {
        if (size_t at = line.find(path.string()); at != std::string::npos)
            line.replace(at, path.string().size(), "FILE");
        l.reports.push_back(line);
    }
    std::filesystem::remove(path);
    return l;
}

bool parses(const Bytes& bytes, const char* wanted = nullptr) {
    std::vector<TdsWorkVertex> v;
    std::vector<TdsWorkFace> f;
    const bool ok = parseTdsMesh(bytes.data(), bytes.size(), wanted, v, f);
    for (const TdsWorkFace& x : f) // whatever parsed never names a missing vertex
        EXPECT_TRUE(x.a < static_cast<int>(v.size()) && x.b < static_cast<int>(v.size()) &&
                    x.c < static_cast<int>(v.size()));
    return ok;
}

TEST(TdsMesh, ConvertsAxesAndMirrorsU) {
    TdsMesh m = triangleMesh();
    m.mapping = {{0.25f, 0.75f}, {0.0f, 0.5f}, {1.0f, 0.125f}};
    Loaded l = loadBytes(encodeTdsMesh(m));
    ASSERT_TRUE(l.ok && l.reports.empty());
    ASSERT_TRUE(l.mesh.vertexCount == 3 && l.mesh.faceCount == 1);
    const Vertex& v0 = l.mesh.vertices[0]; // file (1, 2, 3) -> (1, -3, 2); uv (1 - u, v)
    EXPECT_TRUE(v0.x == 1.0f && v0.y == -3.0f && v0.z == 2.0f);
    EXPECT_TRUE(v0.uv1.u == 0.75f && v0.uv1.v == 0.75f);
    const Face& f = l.mesh.faces[0]; // corners copied from their vertices
    EXPECT_TRUE(f.c == 2 && f.corner[1].u == 1.0f && f.corner[2].v == 0.125f);
}

TEST(TdsMesh, MappingListRules) {
    auto uv = [](const Bytes& file, int i = 0) {
        Loaded l = loadBytes(file);
        EXPECT_TRUE(l.ok);
        return l.ok ? l.mesh.vertices[static_cast<size_t>(i)].uv1 : UV{-1, -1};
    };
    const UV none = uv(meshFile({vertices3(), face(0, 1, 2)}));
    EXPECT_TRUE(none.u == 1.0f && none.v == 0.0f); // no list: (1, 0)
    // More entries than vertices, or a list before the vertices: ignored.
    EXPECT_EQ(uv(meshFile({vertices3(), mapping(std::vector<float>(8, .5f)), face(0, 1, 2)})).u,
              1.0f);
    EXPECT_EQ(uv(meshFile({mapping({.25f, .5f}), vertices3(), face(0, 1, 2)})).u, 1.0f);
    // Fewer entries: only the first vertex gets one.
    const Bytes fewer = meshFile({vertices3(), mapping({.25f, .5f}), face(0, 1, 2)});
    EXPECT_TRUE(uv(fewer).u == 0.75f && uv(fewer).v == 0.5f && uv(fewer, 1).u == 1.0f);
}

TEST(TdsMesh, SelectsTheFirstObjectHoldingAMesh) {
    const std::string longName(80, 'q'); // kept as 63 characters
    const Bytes file = editorFile([&](ChunkWriter& w) {
        beginChunk(w, 0x4000); // a camera object: passed over
        putString(w, "Camera01");
        beginChunk(w, 0x4700);
        for (int i = 0; i < 8; ++i) putF32(w, 1.0f);
        endChunk(w);
        endChunk(w);
        putTdsMesh(w, triangleMesh(longName));
        TdsMesh second = triangleMesh("second");
        second.vertices.push_back({6, 6, 6});
        putTdsMesh(w, second);
    });
    Loaded l = loadBytes(file);
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.mesh.vertexCount, 3);
    std::vector<TdsWorkVertex> v;
    std::vector<TdsWorkFace> f;
    ASSERT_TRUE(parseTdsMesh(file.data(), file.size(), "SECOND", v, f));
    EXPECT_EQ(v.size(), 4u);
    EXPECT_TRUE(parses(file, std::string(63, 'Q').c_str()));
    EXPECT_FALSE(parses(file, longName.c_str()));
    EXPECT_FALSE(parseTdsMesh(file.data(), file.size(), "third", v, f));
    EXPECT_TRUE(v.empty());

    // A first mesh without a face list fails, although a later object is complete.
    Loaded failed = loadBytes(editorFile([](ChunkWriter& w) {
        beginChunk(w, 0x4000);
        putString(w, "noFaces");
        beginChunk(w, 0x4100);
        vertices3()(w);
        endChunk(w);
        endChunk(w);
        putTdsMesh(w, triangleMesh("complete"));
    }));
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.reports, std::vector<std::string>{kParseFailure});
    EXPECT_TRUE(failed.mesh.vertices.empty());
}

TEST(TdsMesh, BadFilesFailWithTheirMessagesAndNeverOverrun) {
    TdsMesh rich = triangleMesh();
    rich.mapping = {{0.1f, 0.2f}, {0.3f, 0.4f}, {0.5f, 0.6f}};
    rich.groups = {TdsFaceGroup{"mat", {0}}};
    const Bytes good = encodeTdsMesh(rich);
    ASSERT_TRUE(parses(good));
    Bytes magic = good;
    magic[0] = 0x4C;
    EXPECT_EQ(loadBytes(magic).reports, std::vector<std::string>{kParseFailure});
    Bytes tiny = good;
    tiny[2] = 12, tiny[3] = tiny[4] = tiny[5] = 0; // main length 12 or less
    EXPECT_FALSE(parses(tiny));
    Mesh mesh;
    ReportCapture capture;
    EXPECT_FALSE(loadTdsMesh(mesh, "no/such/dir/missing.3ds"));
    EXPECT_EQ(capture.lines, std::vector<std::string>{"ERROR!|Cant open no/such/dir/missing.3ds"});

    // Every truncation: as cut (the main chunk claims more than there is), and with the main
    // length patched to match (the sub-chunks then overrun their parents).
    for (size_t n = 0; n < good.size(); ++n) {
        Bytes cut(good.begin(), good.begin() + static_cast<long>(n));
        EXPECT_FALSE(parses(cut)) << n;
        if (n < 13) continue;
        for (int i = 0; i < 4; ++i)
            cut[2 + static_cast<size_t>(i)] = static_cast<uint8_t>(n >> (8 * i));
        EXPECT_FALSE(parses(cut)) << n;
    }
    // Lying counts and lengths inside the mesh, and a face naming a missing vertex.
    EXPECT_FALSE(parses(meshFile({list(0x4110, 60000, {0, 0, 0}), face(0, 0, 0)})));
    EXPECT_FALSE(parses(meshFile({vertices3(), face(0, 1, 3)})));
    EXPECT_FALSE(parses(meshFile({vertices3(), list(0x4120, 2, {}, {0, 1, 2, 7})})));
    for (uint8_t length : {4, 40, 200}) { // below a header, below the entries, past the parent
        Bytes lie = meshFile({vertices3(), face(0, 1, 2)});
        lie[6 + 6 + 6 + 2 + 6 + 2] = length; // the vertex list's length byte
        EXPECT_FALSE(parses(lie)) << int(length);
    }
    EXPECT_FALSE(parses(editorFile([](ChunkWriter& w) { // an object name without its NUL
        beginChunk(w, 0x4000);
        for (int i = 0; i < 100; ++i) putU8(w, 'a');
        endChunk(w);
    })));

    // Random byte damage: a parse may succeed or fail, but never reads outside the image
    // (the sanitizer build checks) nor yields a face naming a missing vertex.
    uint32_t state = 12345;
    for (int round = 0; round < 3000; ++round) {
        Bytes damaged = good;
        for (int k = 0; k < 3; ++k) {
            state = state * 1664525u + 1013904223u;
            damaged[(state >> 8) % damaged.size()] = static_cast<uint8_t>(state >> 24);
        }
        parses(damaged);
    }
}

} // namespace
} // namespace tw
