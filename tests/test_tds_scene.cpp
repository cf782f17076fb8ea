// The 3DS scene reader on hand-built files: geometry and axes, materials and groups, cameras,
// lights and keyframer tracks, and files that lie or end early.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "formats/tds_scene.h"
#include "tests/support/bytes.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;
using test::cat;
using test::chunk;

Bytes editor(const Bytes& body) {
    return chunk(0x3D3D, cat({chunk(0x3D3E, ByteBuilder().u32(3)), body}));
}
Bytes mainChunk(const Bytes& body) {
    return chunk(0x4D4D, cat({chunk(0x0002, ByteBuilder().u32(3)), body}));
}

Bytes material(const std::string& name, const Bytes& maps = {}) {
    return chunk(0xAFFF, cat({chunk(0xA000, ByteBuilder().str(name)),
                              chunk(0xA020, chunk(0x0011, Bytes{10, 20, 30})), maps}));
}
Bytes map(uint16_t id, const std::string& file) {
    return chunk(
        id, cat({chunk(0x0030, ByteBuilder().u16(100)), chunk(0xA300, ByteBuilder().str(file))}));
}

// A triangle mesh object: vertices, one face per triple, optional groups and mapping.
Bytes meshObject(const std::string& name, const std::vector<float>& xyz,
                 const std::vector<int>& faces, const std::vector<std::string>& groups = {},
                 const std::vector<float>& uv = {}) {
    ByteBuilder v;
    v.u16(static_cast<uint32_t>(xyz.size() / 3));
    for (float f : xyz) v.f32(f);
    ByteBuilder f;
    f.u16(static_cast<uint32_t>(faces.size() / 3));
    for (size_t i = 0; i < faces.size(); i += 3)
        f.u16(faces[i]).u16(faces[i + 1]).u16(faces[i + 2]).u16(7);
    for (const std::string& g : groups) f.raw(chunk(0x4130, ByteBuilder().str(g).u16(1).u16(0)));
    f.raw(chunk(0x4150, ByteBuilder().u32(1)));
    Bytes body = cat({chunk(0x4110, v), chunk(0x4120, f)});
    if (!uv.empty()) {
        ByteBuilder m;
        m.u16(static_cast<uint32_t>(uv.size() / 2));
        for (float x : uv) m.f32(x);
        body = cat({body, chunk(0x4140, m)});
    }
    return chunk(0x4000, cat({ByteBuilder().str(name), chunk(0x4100, body)}));
}

Bytes cameraObject(const std::string& name, float px, float py, float pz, float tx, float ty,
                   float tz) {
    ByteBuilder c;
    c.xyz(px, py, pz).xyz(tx, ty, tz).f32(0).f32(35);
    c.raw(chunk(0x4710, ByteBuilder().f32(1).f32(1000)));
    return chunk(0x4000, cat({ByteBuilder().str(name), chunk(0x4700, c)}));
}

Bytes lightObject(const std::string& name, float x, float y, float z) {
    ByteBuilder l;
    l.xyz(x, y, z)
        .raw(chunk(0x0010, ByteBuilder().xyz(0.5f, 0.25f, 1)))
        .raw(chunk(0x4610, ByteBuilder().u32(0)));
    return chunk(0x4000, cat({ByteBuilder().str(name), chunk(0x4600, l)}));
}

struct Key {
    uint32_t frame;
    uint16_t flags;
    float x, y, z;
};
Bytes positionTrack(const std::vector<Key>& keys) {
    ByteBuilder t;
    t.u16(0).u32(0).u32(0).u32(static_cast<uint32_t>(keys.size()));
    for (const Key& k : keys) {
        t.u32(k.frame).u16(k.flags);
        for (uint16_t bit = 1; bit <= 0x10; bit <<= 1)
            if (k.flags & bit) t.f32(99.0f);
        t.xyz(k.x, k.y, k.z);
    }
    return chunk(0xB020, t);
}
Bytes node(uint16_t id, const std::string& name, const Bytes& tracks) {
    return chunk(id,
                 cat({chunk(0xB030, ByteBuilder().u16(1)),
                      chunk(0xB010, ByteBuilder().str(name).u16(0).u16(0).u16(0xffff)), tracks}));
}
Bytes keyframer(const Bytes& nodes) {
    return chunk(0xB000, cat({chunk(0xB00A, ByteBuilder().u16(5).str("MAXSCENE").u32(100)),
                              chunk(0xB008, ByteBuilder().u32(0).u32(100)), nodes}));
}

bool readBytes(const std::string& name, const Bytes& bytes, TdsSceneRecord& s) {
    return readTdsScene(bytes, name, s);
}

// Reads a file that must load.
TdsSceneRecord readOk(const std::string& name, const Bytes& bytes) {
    TdsSceneRecord s;
    EXPECT_TRUE(readBytes(name, bytes, s)) << name;
    return s;
}

Bytes editorFile(std::initializer_list<Bytes> parts) {
    return mainChunk(editor(cat(parts)));
}

void expectFloats(const std::vector<float>& got, std::initializer_list<float> want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_FLOAT_EQ(got[i], want.begin()[i]) << i;
}

const std::vector<float> kTri = {0, 0, 0, 1, 0, 0, 0, 1, 0};

TEST(TdsScene, GeometryAxesAndMapping) {
    Bytes twin = chunk(0x4100, chunk(0x4110, ByteBuilder().u16(1).xyz(1, 1, 1)));
    Bytes file = editorFile({
        meshObject("Box", {1, 2, 3, 4, 5, 6, -1, 0, 8}, {0, 1, 2, 2, 1, 0}, {},
                   {0.25f, 0.75f, 1, 0}),
        chunk(0x4000, cat({ByteBuilder().str("Twin"), twin, twin})),
    });
    TdsSceneRecord s = readOk("geometry", file);
    ASSERT_EQ(s.objectCount, 3);
    const TdsObjectRecord& o = s.objects[0];
    EXPECT_EQ(o.name, "Box");
    EXPECT_EQ(o.vertexCount, 3);
    expectFloats(o.positions, {1, 3, -2, 4, 6, -5, -1, 8, 0}); // (x, y, z) kept as (x, z, -y)
    EXPECT_EQ(o.faceCount, 2);
    EXPECT_EQ(o.faces, (std::vector<int32_t>{0, 1, 2, 2, 1, 0}));
    EXPECT_EQ(o.mappingCount, 2);
    EXPECT_EQ(o.mapping, (std::vector<float>{0.25f, 0.75f, 1, 0}));
    EXPECT_EQ(o.materialIndex, 0); // no group and no materials
    EXPECT_EQ(o.textured, 0);
    // Several meshes in one named object share the name.
    EXPECT_EQ(s.objects[1].name, "Twin");
    EXPECT_EQ(s.objects[2].name, "Twin");
}

TEST(TdsScene, MaterialGroupsAndMaps) {
    Bytes mats = cat({
        material("Plain"),
        material("Tex", map(0xA200, "wood.tga")),
        material("Shiny", map(0xA220, "env.tga")),
        material("Shiny", map(0xA204, "shine.tga")), // shininess-type maps are skipped whole
        material("All", cat({map(0xA200, "a.tga"), map(0xA220, "b.tga"), map(0xA230, "c.tga")})),
    });
    // The last group wins; unknown names give -1 (names compare with case); the flag set by
    // a first group is never cleared; the groups do not hide the chunks after them.
    Bytes objs = cat({
        meshObject("last", kTri, {0, 1, 2}, {"Plain", "Tex"}),
        meshObject("unknown", kTri, {0, 1, 2}, {"Nope"}),
        meshObject("case", kTri, {0, 1, 2}, {"shiny"}),
        meshObject("none", kTri, {0, 1, 2}),
        meshObject("found", kTri, {0, 1, 2}, {"Shiny"}),
        meshObject("plain", kTri, {0, 1, 2}, {"Plain"}),
        meshObject("afterbad", kTri, {0, 1, 2}, {"Tex", "Nope"}),
    });
    TdsSceneRecord s = readOk("materials", editorFile({mats, objs}));
    ASSERT_EQ(s.materialCount, 5);
    EXPECT_EQ(s.materials[0].name, "Plain");
    const uint32_t maps[] = {0, MAP_TEXTURE, MAP_REFLECTION, 0,
                             MAP_TEXTURE | MAP_REFLECTION | MAP_BUMP};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s.materials[i].maps, maps[i]) << i;
    EXPECT_EQ(s.materials[1].textureMap, "wood.tga");
    EXPECT_EQ(s.materials[2].reflectionMap, "env.tga");
    EXPECT_EQ(s.materials[2].textureMap, "");
    EXPECT_EQ(s.materials[3].textureMap, "");
    EXPECT_EQ(s.materials[4].textureMap, "a.tga");
    EXPECT_EQ(s.materials[4].reflectionMap, "b.tga");
    EXPECT_EQ(s.materials[4].bumpMap, "c.tga");
    EXPECT_EQ(s.materials[4].currentMap, 0xA230);

    ASSERT_EQ(s.objectCount, 7);
    const int index[] = {1, -1, -1, 0, 2, 0, -1};
    const int textured[] = {1, 0, 0, 0, 1, 0, 1};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(s.objects[i].materialIndex, index[i]) << i;
        EXPECT_EQ(s.objects[i].textured, textured[i]) << i;
        EXPECT_EQ(s.objects[i].faceCount, 1) << i;
    }

    // A group read before any material keeps the index.
    TdsSceneRecord e =
        readOk("early", editorFile({meshObject("e", kTri, {0, 1, 2}, {"L"}), material("L")}));
    EXPECT_EQ(e.objects[0].materialIndex, 0);
}

TEST(TdsScene, CamerasLightsAndTracks) {
    Bytes scene = editor(cat({
        lightObject("Lamp", 1, 2, 3),
        cameraObject("Cam", 0, -100, 20, 0, 0, 0),
        cameraObject("Other", 5, 6, 7, 8, 9, 10),
    }));
    Bytes kf = keyframer(cat({
        node(0xB002, "Cam", positionTrack({{0, 0, 1, 1, 1}})), // object node: skipped
        node(0xB003, "Cam",
             cat({positionTrack({{0, 0x0, 1, 2, 3},
                                 {15, 0x5, 4, 5, 6},
                                 {30, 0x1f, 7, 8, 9},
                                 {60, 0x10, 10, 11, 12}}),
                  chunk(0xB021, ByteBuilder().u16(0).u32(0).u32(0).u32(1).u32(0).u16(0).f32(0).xyz(
                                    0, 0, 1))})),
        node(0xB004, "Cam", positionTrack({{0, 0, -1, -2, -3}})),
        node(0xB005, "Lamp", positionTrack({{3, 0, 0, 0, 0}, {6, 0, 1, 1, 1}})),
        node(0xB003, "Ghost", positionTrack({{0, 0, 0, 0, 0}})),
        node(0xB004, "Other", {}),
    }));
    TdsSceneRecord s = readOk("cameras", mainChunk(cat({scene, kf})));
    ASSERT_EQ(s.lightCount, 1);
    EXPECT_EQ(s.lights[0].kind, 1);
    EXPECT_FLOAT_EQ(s.lights[0].position[2], -2);
    EXPECT_FLOAT_EQ(s.lights[0].colour[1], 0.25f);

    ASSERT_EQ(s.cameraCount, 2);
    const TdsCameraRecord& cam = s.cameras[0];
    EXPECT_EQ(cam.name, "Cam");
    EXPECT_EQ(cam.kind, 17);
    EXPECT_FLOAT_EQ(cam.position[1], 20);
    EXPECT_FLOAT_EQ(cam.position[2], 100);
    EXPECT_FLOAT_EQ(cam.target[2], 0);
    EXPECT_FLOAT_EQ(s.cameras[1].target[1], 10);
    EXPECT_FLOAT_EQ(s.cameras[1].target[2], -9);

    // The object node takes no entry; camera, target, light, ghost camera, second target do.
    ASSERT_EQ(s.trackCount, 5);
    const TdsTrackRecord& pos = s.tracks[0];
    EXPECT_EQ(pos.kind, TRACK_CAMERA);
    EXPECT_EQ(pos.owner, 0);
    ASSERT_EQ(pos.keyCount, 4u);
    expectFloats(pos.times, {0, 0.5f, 1, 2});
    // Extra values of the spline flags (0x5: two, 0x1f: five, 0x10: one) are all consumed.
    expectFloats(pos.x, {1, 4, 7, 10});
    expectFloats(pos.y, {3, 6, 9, 12});
    expectFloats(pos.z, {-2, -5, -8, -11});

    EXPECT_EQ(s.tracks[1].kind, TRACK_TARGET);
    EXPECT_EQ(s.tracks[1].owner, 0); // target node carries its camera's name
    EXPECT_FLOAT_EQ(s.tracks[1].z[0], 2);
    EXPECT_EQ(s.tracks[2].kind, TRACK_LIGHT);
    EXPECT_EQ(s.tracks[2].owner, 0);
    EXPECT_FLOAT_EQ(s.tracks[2].times[1], 0.2f);
    EXPECT_EQ(s.tracks[3].owner, -1); // names nothing
    EXPECT_EQ(s.tracks[4].owner, 1);
    EXPECT_EQ(s.tracks[4].keyCount, 0u);
}

TEST(TdsScene, SeventeenthNodeIsIgnored) {
    Bytes nodes;
    for (int i = 0; i < 17; ++i)
        nodes = cat(
            {nodes, node(0xB003, "Cam", positionTrack({{static_cast<uint32_t>(i), 0, 0, 0, 0}}))});
    Bytes file = mainChunk(cat({editor(cameraObject("Cam", 0, 0, 0, 1, 1, 1)), keyframer(nodes)}));
    TdsSceneRecord s = readOk("seventeen", file);
    EXPECT_EQ(s.trackCount, kMaxTdsTracks);
    // Entry 15 keeps the sixteenth node's key, not the seventeenth's.
    EXPECT_FLOAT_EQ(s.tracks[15].times[0], 15 * kSecondsPerFrame);
}

TEST(TdsScene, BadMagicMissingFileAndEmptyMain) {
    TdsSceneRecord s;
    s.objectCount = 7;
    s.cameraCount = 3;
    EXPECT_FALSE(readBytes("magic", chunk(0x4D4C, editor({})), s));
    EXPECT_EQ(s.objectCount + s.cameraCount, 10); // a refused file leaves the scene alone
    EXPECT_FALSE(readTdsScene(::testing::TempDir() + "no/such/file.3ds", s));
    EXPECT_FALSE(readBytes("short", Bytes{0x4D, 0x4D, 6}, s));
    EXPECT_TRUE(readBytes("empty", chunk(0x4D4D, {}), s));
    EXPECT_EQ(s.objectCount, 0);
    EXPECT_EQ(s.cameraCount, 0);
}

Bytes richFile() {
    return mainChunk(cat({
        editor(cat({material("M", map(0xA200, "m.tga")),
                    meshObject("A", kTri, {0, 1, 2}, {"M"}, {0, 0, 1, 0, 0, 1}),
                    cameraObject("Cam", 1, 2, 3, 4, 5, 6),
                    meshObject("B", {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 1}, {0, 1, 2, 1, 2, 3})})),
        keyframer(node(0xB003, "Cam", positionTrack({{0, 0, 1, 2, 3}, {30, 0x3, 4, 5, 6}}))),
    }));
}

TEST(TdsScene, TruncatedFilesKeepWhatWasRead) {
    Bytes full = richFile();
    TdsSceneRecord whole = readOk("whole", full);
    ASSERT_EQ(whole.objectCount, 2);
    ASSERT_EQ(whole.trackCount, 1);
    ASSERT_EQ(whole.tracks[0].keyCount, 2u);
    // Every prefix reads without fault, never more than the whole file gives, and every
    // array matches its count.
    for (size_t cut = 6; cut < full.size(); ++cut) {
        Bytes part(full.begin(), full.begin() + static_cast<long>(cut));
        TdsSceneRecord s;
        ASSERT_TRUE(readBytes("cut", part, s)) << cut;
        ASSERT_LE(s.objectCount, 2) << cut;
        for (const TdsObjectRecord& o : s.objects) {
            EXPECT_EQ(o.positions.size(), static_cast<size_t>(o.vertexCount) * 3) << cut;
            EXPECT_EQ(o.faces.size(), static_cast<size_t>(o.faceCount) * 3) << cut;
            EXPECT_EQ(o.mapping.size(), static_cast<size_t>(o.mappingCount) * 2) << cut;
        }
        for (int t = 0; t < s.trackCount; ++t)
            EXPECT_EQ(s.tracks[t].times.size(), s.tracks[t].keyCount);
    }
    // A cut inside the keyframer keeps the whole editor part.
    Bytes part(full.begin(), full.end() - 10);
    TdsSceneRecord s = readOk("cutkf", part);
    EXPECT_EQ(s.objectCount, 2);
    EXPECT_EQ(s.objects[1].faceCount, 2);
    EXPECT_EQ(s.cameraCount, 1);
    EXPECT_EQ(s.trackCount, 1);
    EXPECT_EQ(s.tracks[0].keyCount, 1u);
}

TEST(TdsScene, LyingLengthsAndCountsStopTheWalk) {
    // A vertex list claiming 1000 points holds 2: the two are kept, the walk stops.
    Bytes verts = chunk(0x4110, ByteBuilder().u16(1000).xyz(1, 2, 3).xyz(4, 5, 6));
    Bytes lying = editorFile({chunk(0x4000, cat({ByteBuilder().str("L"), chunk(0x4100, verts)})),
                              cameraObject("After", 0, 0, 0, 1, 1, 1)});
    TdsSceneRecord s = readOk("lyingcount", lying);
    ASSERT_EQ(s.objectCount, 1);
    EXPECT_EQ(s.objects[0].vertexCount, 2);
    EXPECT_EQ(s.cameraCount, 0);

    // A sub-chunk whose length runs past its parent, or a zero-length one that could make
    // the walk spin: nothing after it is read.
    Bytes good = meshObject("Good", {0, 0, 0}, {});
    Bytes bad = chunk(0x4000, ByteBuilder().str("Bad"));
    bad[2] = bad[3] = 0xff; // length far past the editor chunk
    for (const Bytes& stop : {bad, Bytes{0x00, 0x40, 0, 0, 0, 0}})
        EXPECT_EQ(readOk("stop", editorFile({good, stop, good})).objectCount, 1);

    // A key count of four billion in a small track allocates nothing large and keeps no key.
    Bytes huge = chunk(
        0xB020, ByteBuilder().u16(0).u32(0).u32(0).u32(0xffffffffu).u32(0).u16(0).xyz(1, 2, 3));
    TdsSceneRecord v = readOk("hugekeys", mainChunk(keyframer(node(0xB003, "C", huge))));
    EXPECT_EQ(v.trackCount, 1);
    EXPECT_EQ(v.tracks[0].keyCount, 1u);
}

TEST(TdsScene, LongNamesAreBoundedToTheirRecords) {
    std::string longName(600, 'n');
    Bytes file = editorFile({material(longName, map(0xA200, std::string(400, 'f'))),
                             meshObject(longName, {0, 0, 0}, {}, {longName}),
                             cameraObject(longName, 0, 0, 0, 1, 1, 1)});
    TdsSceneRecord s = readOk("long", file);
    EXPECT_EQ(s.materials[0].name.size(), kMaterialNameMax);
    EXPECT_EQ(s.materials[0].textureMap.size(), kMaterialNameMax);
    EXPECT_EQ(s.objects[0].name.size(), kObjectNameMax);
    EXPECT_EQ(s.objects[0].materialIndex, 0); // the cut names still match
    EXPECT_EQ(s.cameras[0].name.size(), kNodeNameMax);
    // A name with no NUL before its chunk ends takes the chunk, and the walk goes on.
    Bytes unterminated = chunk(0x4000, Bytes(20, 'x'));
    TdsSceneRecord t =
        readOk("unterminated", editorFile({unterminated, cameraObject("C", 0, 0, 0, 1, 1, 1)}));
    EXPECT_EQ(t.cameraCount, 1);
}

} // namespace
} // namespace tw
