// 3DS mesh reader: conversions, object selection, mapping rules and hostile chunk trees.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/report.h"
#include "formats/tds_mesh.h"
#include "tools/write/tds_writer.h"
#include "tools/write/tga_writer.h"

namespace tw {
namespace {

TdsMesh triangleMesh(const std::string& name = "obj") {
    TdsMesh m;
    m.name = name;
    m.vertices = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    m.faces = {TdsFace{0, 1, 2, 7}};
    return m;
}

// Writes bytes to a fresh file and loads it; returns what was reported.
struct Loaded {
    bool ok = false;
    Mesh mesh;
    std::vector<std::string> reports;
};

Loaded loadBytes(const std::vector<uint8_t>& bytes) {
    static int serial = 0;
    const auto path =
        std::filesystem::temp_directory_path() /
        ("tw_tds_" + std::to_string(::getpid()) + "_" + std::to_string(serial++) + ".3ds");
    EXPECT_TRUE(writeFile(path.string(), bytes));
    Loaded l;
    ReportCapture capture;
    l.ok = load3ds(l.mesh, path.string());
    l.reports = capture.lines;
    std::filesystem::remove(path);
    return l;
}

bool parses(const std::vector<uint8_t>& bytes) {
    std::vector<TdsWorkVertex> v;
    std::vector<TdsWorkFace> f;
    return parse3dsMesh(bytes.data(), bytes.size(), nullptr, v, f);
}

void putVertices(ChunkWriter& w, const std::vector<std::array<float, 3>>& vs) {
    beginChunk(w, 0x4110);
    putU16(w, static_cast<uint16_t>(vs.size()));
    for (const auto& v : vs)
        for (float c : v) putF32(w, c);
    endChunk(w);
}
void putFaces(ChunkWriter& w, std::vector<std::array<uint16_t, 3>> fs) {
    beginChunk(w, 0x4120);
    putU16(w, static_cast<uint16_t>(fs.size()));
    for (const auto& f : fs) {
        for (uint16_t i : f) putU16(w, i);
        putU16(w, 7);
    }
    endChunk(w);
}
void putMapping(ChunkWriter& w, const std::vector<std::array<float, 2>>& uvs) {
    beginChunk(w, 0x4140);
    putU16(w, static_cast<uint16_t>(uvs.size()));
    for (const auto& uv : uvs) {
        putF32(w, uv[0]);
        putF32(w, uv[1]);
    }
    endChunk(w);
}
void openFile(ChunkWriter& w) {
    beginChunk(w, 0x4D4D);
    beginChunk(w, 0x3D3D);
}
void closeFile(ChunkWriter& w) {
    endChunk(w);
    endChunk(w);
}

const std::string kParseFailure = "hore|error reading 3dsfile!";

TEST(TdsMesh, ConvertsAxesAndMirrorsU) {
    TdsMesh m = triangleMesh();
    m.mapping = {{0.25f, 0.75f}, {0.0f, 0.5f}, {1.0f, 0.125f}};
    Loaded l = loadBytes(encodeTdsMesh(m));
    ASSERT_TRUE(l.ok);
    EXPECT_TRUE(l.reports.empty());
    ASSERT_EQ(l.mesh.vertexCount, 3);
    ASSERT_EQ(l.mesh.faceCount, 1);
    const Vertex& v0 = l.mesh.vertices[0];
    EXPECT_EQ(v0.x, 1.0f);
    EXPECT_EQ(v0.y, -3.0f);
    EXPECT_EQ(v0.z, 2.0f);
    EXPECT_EQ(v0.uv1.u, 0.75f);
    EXPECT_EQ(v0.uv1.v, 0.75f);
    EXPECT_EQ(l.mesh.vertices[2].uv1.u, 0.0f);
    const Face& f = l.mesh.faces[0];
    EXPECT_EQ(f.a, 0);
    EXPECT_EQ(f.b, 1);
    EXPECT_EQ(f.c, 2);
    EXPECT_EQ(f.corner[1].u, 1.0f); // 1 - 0.0
    EXPECT_EQ(f.corner[1].v, 0.5f);
    EXPECT_EQ(f.corner[2].v, 0.125f);
    EXPECT_TRUE(indicesValid(l.mesh));
}

TEST(TdsMesh, MappingListRules) {
    auto uvOf = [](const Loaded& l, int i) { return l.mesh.vertices[static_cast<size_t>(i)].uv1; };
    { // none: (1, 0) everywhere, corners too
        Loaded l = loadBytes(encodeTdsMesh(triangleMesh()));
        ASSERT_TRUE(l.ok);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(uvOf(l, i).u, 1.0f);
            EXPECT_EQ(uvOf(l, i).v, 0.0f);
            EXPECT_EQ(l.mesh.faces[0].corner[i].u, 1.0f);
        }
    }
    { // more entries than vertices: ignored
        TdsMesh m = triangleMesh();
        m.mapping = {{0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}};
        Loaded l = loadBytes(encodeTdsMesh(m));
        ASSERT_TRUE(l.ok);
        EXPECT_EQ(uvOf(l, 0).u, 1.0f);
        EXPECT_EQ(uvOf(l, 0).v, 0.0f);
    }
    { // fewer entries: only the first vertices
        ChunkWriter w;
        openFile(w);
        beginChunk(w, 0x4000);
        putString(w, "m");
        beginChunk(w, 0x4100);
        putVertices(w, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
        putMapping(w, {{0.25f, 0.5f}});
        putFaces(w, {{0, 1, 2}});
        endChunk(w);
        endChunk(w);
        closeFile(w);
        Loaded l = loadBytes(w.bytes);
        ASSERT_TRUE(l.ok);
        EXPECT_EQ(uvOf(l, 0).u, 0.75f);
        EXPECT_EQ(uvOf(l, 0).v, 0.5f);
        EXPECT_EQ(uvOf(l, 1).u, 1.0f);
        EXPECT_EQ(uvOf(l, 1).v, 0.0f);
    }
    { // before the vertex list: ignored
        ChunkWriter w;
        openFile(w);
        beginChunk(w, 0x4000);
        putString(w, "m");
        beginChunk(w, 0x4100);
        putMapping(w, {{0.25f, 0.5f}});
        putVertices(w, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
        putFaces(w, {{0, 1, 2}});
        endChunk(w);
        endChunk(w);
        closeFile(w);
        Loaded l = loadBytes(w.bytes);
        ASSERT_TRUE(l.ok);
        EXPECT_EQ(uvOf(l, 0).u, 1.0f);
    }
}

TEST(TdsMesh, TakesFirstObjectHoldingAMesh) {
    ChunkWriter w;
    openFile(w);
    beginChunk(w, 0x4000); // a camera object: passed over
    putString(w, "Camera01");
    beginChunk(w, 0x4700);
    for (int i = 0; i < 8; ++i) putF32(w, 1.0f);
    endChunk(w);
    endChunk(w);
    beginChunk(w, 0x3D3E); // an unrelated editor chunk
    putU32(w, 3);
    endChunk(w);
    putTdsMesh(w, triangleMesh("first"));
    TdsMesh second = triangleMesh("second");
    second.vertices = {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}, {6, 6, 6}};
    putTdsMesh(w, second);
    closeFile(w);

    Loaded l = loadBytes(w.bytes);
    ASSERT_TRUE(l.ok);
    ASSERT_EQ(l.mesh.vertexCount, 3);
    EXPECT_EQ(l.mesh.vertices[0].x, 1.0f);

    std::vector<TdsWorkVertex> v;
    std::vector<TdsWorkFace> f;
    ASSERT_TRUE(parse3dsMesh(w.bytes.data(), w.bytes.size(), "SECOND", v, f));
    EXPECT_EQ(v.size(), 4u);
    EXPECT_FALSE(parse3dsMesh(w.bytes.data(), w.bytes.size(), "third", v, f));
    EXPECT_TRUE(v.empty());
}

TEST(TdsMesh, IncompleteMeshFailsEvenWithALaterCompleteOne) {
    ChunkWriter w;
    openFile(w);
    beginChunk(w, 0x4000);
    putString(w, "novertfaces");
    beginChunk(w, 0x4100);
    putVertices(w, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    endChunk(w);
    endChunk(w);
    putTdsMesh(w, triangleMesh("complete"));
    closeFile(w);

    Loaded l = loadBytes(w.bytes);
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.reports, std::vector<std::string>{kParseFailure});
    EXPECT_EQ(l.mesh.vertexCount, 0);
    EXPECT_TRUE(l.mesh.vertices.empty());
}

TEST(TdsMesh, RejectsBadHeadersAndMissingFiles) {
    std::vector<uint8_t> good = encodeTdsMesh(triangleMesh());
    ASSERT_TRUE(parses(good));

    std::vector<uint8_t> magic = good;
    magic[0] = 0x4C;
    Loaded l = loadBytes(magic);
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.reports, std::vector<std::string>{kParseFailure});

    std::vector<uint8_t> tiny = good;
    tiny[2] = 12, tiny[3] = tiny[4] = tiny[5] = 0; // main length 12 or less
    EXPECT_FALSE(parses(tiny));
    EXPECT_FALSE(parses({}));
    EXPECT_FALSE(parses({0x4D, 0x4D, 0x20}));

    Mesh mesh;
    ReportCapture capture;
    EXPECT_FALSE(load3ds(mesh, "no/such/dir/missing.3ds"));
    EXPECT_EQ(capture.lines, std::vector<std::string>{"ERROR!|Cant open no/such/dir/missing.3ds"});
    EXPECT_EQ(mesh.vertexCount, 0);
}

TEST(TdsMesh, LyingLengthsAndCountsFailInsteadOfOverrunning) {
    const std::vector<uint8_t> good = encodeTdsMesh(triangleMesh());
    // Every truncation of the image: the main chunk now claims more than there is.
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        EXPECT_FALSE(parses(cut)) << "truncated to " << n;
    }
    // Truncated body with the main length patched to match: sub-chunks overrun their parent.
    for (size_t n = 13; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        for (int i = 0; i < 4; ++i)
            cut[2 + static_cast<size_t>(i)] = static_cast<uint8_t>(n >> (8 * i));
        EXPECT_FALSE(parses(cut)) << "body cut at " << n;
    }

    // A vertex list whose count or length lies (length 0: keep the true one).
    auto buildWithVertexCount = [](uint16_t count, uint8_t length) {
        ChunkWriter w;
        openFile(w);
        beginChunk(w, 0x4000);
        putString(w, "m");
        beginChunk(w, 0x4100);
        const size_t vstart = w.bytes.size();
        putVertices(w, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
        w.bytes[vstart + 6] = static_cast<uint8_t>(count);
        w.bytes[vstart + 7] = static_cast<uint8_t>(count >> 8);
        if (length) w.bytes[vstart + 2] = length;
        putFaces(w, {{0, 1, 2}});
        endChunk(w);
        endChunk(w);
        closeFile(w);
        return w.bytes;
    };
    EXPECT_TRUE(parses(buildWithVertexCount(3, 0)));
    EXPECT_FALSE(parses(buildWithVertexCount(60000, 0))); // count beyond the chunk
    EXPECT_FALSE(parses(buildWithVertexCount(3, 200)));   // length beyond the parent
    EXPECT_FALSE(parses(buildWithVertexCount(3, 4)));     // length below a header
    EXPECT_FALSE(parses(buildWithVertexCount(3, 40)));    // entries beyond the length

    // A face naming a vertex that does not exist.
    ChunkWriter w;
    openFile(w);
    beginChunk(w, 0x4000);
    putString(w, "m");
    beginChunk(w, 0x4100);
    putVertices(w, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    putFaces(w, {{0, 1, 3}});
    endChunk(w);
    endChunk(w);
    closeFile(w);
    EXPECT_FALSE(parses(w.bytes));

    // A name without its terminating NUL inside the object.
    ChunkWriter n;
    openFile(n);
    beginChunk(n, 0x4000);
    for (int i = 0; i < 100; ++i) putU8(n, 'a');
    endChunk(n);
    closeFile(n);
    EXPECT_FALSE(parses(n.bytes));
}

TEST(TdsMesh, LongNamesAreCutAt63Characters) {
    const std::string longName(80, 'q');
    std::vector<uint8_t> bytes = encodeTdsMesh(triangleMesh(longName));
    std::vector<TdsWorkVertex> v;
    std::vector<TdsWorkFace> f;
    EXPECT_TRUE(parse3dsMesh(bytes.data(), bytes.size(), std::string(63, 'Q').c_str(), v, f));
    EXPECT_FALSE(parse3dsMesh(bytes.data(), bytes.size(), longName.c_str(), v, f));
}

TEST(TdsMesh, SurvivesRandomCorruption) {
    TdsMesh m = triangleMesh();
    m.mapping = {{0.1f, 0.2f}, {0.3f, 0.4f}, {0.5f, 0.6f}};
    m.groups = {TdsFaceGroup{"mat", {0}}};
    const std::vector<uint8_t> good = encodeTdsMesh(m);
    uint32_t state = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bad = good;
        for (int k = 0; k < 3; ++k) {
            state = state * 1664525u + 1013904223u;
            bad[(state >> 8) % bad.size()] = static_cast<uint8_t>(state >> 24);
        }
        std::vector<TdsWorkVertex> v;
        std::vector<TdsWorkFace> f;
        if (parse3dsMesh(bad.data(), bad.size(), nullptr, v, f)) {
            for (const TdsWorkFace& face : f) {
                ASSERT_LT(static_cast<size_t>(face.a), v.size());
                ASSERT_LT(static_cast<size_t>(face.b), v.size());
                ASSERT_LT(static_cast<size_t>(face.c), v.size());
            }
        }
    }
}

} // namespace
} // namespace tw
