// Scene assembly from SIV and 3DS files written by the forge's writers: axis conventions,
// camera keys and their defaults, the material flag table, and what happens to bad indices.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/report.h"
#include "formats/scene.h"
#include "tools/write/siv_writer.h"
#include "tools/write/tds_writer.h"
#include "tools/write/tga_writer.h"

namespace tw {
namespace {

// A data root in the test's temp folder with textures of distinct sizes, so a test can tell
// which file went into which slot.
class Assembly : public ::testing::Test {
  protected:
    void SetUp() override {
        root = ::testing::TempDir() + "assembly_root_" + std::to_string(getpid());
        std::filesystem::create_directories(root + "/data");
        setDataRoot(root);
        const std::pair<const char*, int> textures[] = {
            {"t8.tga", 8}, {"t16.tga", 16}, {"t32.tga", 32}, {"t64.tga", 64}};
        for (const auto& [name, size] : textures) {
            Bitmap b = createBitmap(size, size);
            fillBitmap(b, 0xff336699u);
            ASSERT_TRUE(writeTga(root + "/data/" + name, b));
        }
    }
    void TearDown() override { setDataRoot("."); }

    std::string put(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = root + "/data/" + name;
        EXPECT_TRUE(writeFile(path, bytes));
        return path;
    }

    std::string root;
};

void expectSingleKey(const TCBCurve& c, float value) {
    ASSERT_EQ(keyCount(c), 1);
    EXPECT_FLOAT_EQ(c.keys[0].time, 0);
    EXPECT_FLOAT_EQ(c.keys[0].tension, 1.0f);
    EXPECT_FLOAT_EQ(c.keys[0].continuity, 0);
    EXPECT_FLOAT_EQ(c.keys[0].bias, 0);
    EXPECT_FLOAT_EQ(c.keys[0].value, value);
}

// Every one of the camera's six curves (position x y z, target x y z) holds one default key.
void expectDefaultKeys(const Camera& cam, std::array<float, 6> values) {
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        expectSingleKey(cam.curves[i], values[i]);
    }
}

SivFile sivBase() {
    SivFile f;
    f.textures = {{5, "t8.tga"}, {6, "t16.tga"}};
    f.materials = {{"plain", 1, false}, {"glass", 0, true}};
    SivObject o;
    o.position = {4, 5, 6};
    o.vertices = {{{1, 2, 3}, {0, 1, 0}, 0.25f, 0.75f},
                  {{7, 8, 9}, {0, 1, 0}, 1, 0},
                  {{0, 0, 9}, {0, 1, 0}, 0.25f, 0.75f}};
    o.faces = {{0, 1, 2, 1}, {2, 1, 0, 0}};
    f.objects = {o};
    return f;
}

// Finds the 16-byte SIV face whose material is `marker`, sets its material to 0 and its
// corner `corner` to `index`.
void patchFace(std::vector<uint8_t>& body, int32_t marker, int corner, int32_t index) {
    for (size_t i = 12; i + 4 <= body.size(); ++i) {
        int32_t v;
        std::memcpy(&v, body.data() + i, 4);
        if (v != marker) continue;
        std::memset(body.data() + i, 0, 4);
        std::memcpy(body.data() + i - 12 + 4 * corner, &index, 4);
        return;
    }
    FAIL() << "marker not found";
}

TEST_F(Assembly, SivMeshesAndMaterials) {
    SivFile f = sivBase();
    // No faces; a face naming no material; bad indices (the writer refuses them, so faces
    // carrying marker materials are patched below).
    SivObject o = f.objects[0];
    f.objects.push_back({"", {}, {SivVertex{}}, {}});
    f.objects.push_back(o);
    f.objects.back().faces = {{0, 1, 2, 9}};
    f.objects.push_back(o);
    f.objects.back().faces = {{0, 1, 2, 0x5151}, {0, 1, 2, 0}, {0, 1, 2, 0x5252}};
    Scene scene;
    ReportCapture cap;
    std::vector<uint8_t> body = encodeSivBody(f);
    patchFace(body, 0x5151, 2, 3);  // c = 3 in a 3-vertex object
    patchFace(body, 0x5252, 0, -1); // a = -1
    loadSivScene(scene, put("mesh.siv", wrapSivBody(body)));
    EXPECT_EQ(scene.isTds, 0);
    ASSERT_EQ(scene.materials.size(), 2u);
    EXPECT_EQ(scene.materials[0].flags, uint32_t(MAT_TEXTURED));
    EXPECT_EQ(scene.materials[0].base.width, 16);
    EXPECT_EQ(scene.materials[1].flags, uint32_t(MAT_TEXTURED | MAT_TWO_SIDED));
    EXPECT_EQ(scene.materials[1].base.width, 8);

    ASSERT_EQ(scene.meshes.size(), 4u);
    const Mesh& m = scene.meshes[0];
    EXPECT_EQ(m.materialIndex, 1); // from the first face
    EXPECT_FLOAT_EQ(m.py, -5);     // y is mirrored for positions and vertices alike
    EXPECT_FLOAT_EQ(m.pz, 6);
    const Vertex& v = m.vertices[0];
    EXPECT_FLOAT_EQ(v.x, 1);
    EXPECT_FLOAT_EQ(v.y, -2);
    EXPECT_FLOAT_EQ(v.ny, -1); // normals are mirrored with the positions
    EXPECT_FLOAT_EQ(v.uv1.u, 0.25f);
    EXPECT_FLOAT_EQ(v.uv1.v, 0.25f);
    const Face& face = m.faces[1];
    EXPECT_EQ(face.a, 2);
    EXPECT_FLOAT_EQ(face.corner[1].u, 1.0f); // corner b is vertex 1
    // Face normals are computed from the loaded (mirrored) positions: unit length.
    float n = face.nx * face.nx + face.ny * face.ny + face.nz * face.nz;
    EXPECT_NEAR(n, 1.0f, 1e-5f);

    EXPECT_EQ(scene.meshes[1].faceCount, 0);
    EXPECT_EQ(scene.meshes[1].materialIndex, -1); // no first face
    EXPECT_EQ(scene.meshes[2].materialIndex, -1); // names no material
    EXPECT_EQ(scene.meshes[3].faceCount, 1);      // out-of-range faces left out
    EXPECT_EQ(scene.meshes[3].faces[0].c, 2);
}

TEST_F(Assembly, SivCameraKeysAndDefaults) {
    SivFile f = sivBase();
    f.cameras = {{"still", {0, 10, -50}, {0, 0, 0}, 1, 2},
                 {"moving", {0, 0, -9}, {1, 1, 1}, 3, 4},
                 {"kind2", {1, 2, 3}, {4, 5, 6}, 5, 6},
                 {"emptytrack", {1, 2, 3}, {4, 5, 6}, 7, 8}};
    SivTrack pos{.id = 3,
                 .keys = {{0, {1, 2, 3}, 0.1f, 0.2f, 0.3f}, {1, {4, 5, 6}}, {2, {7, 8, 9}}}};
    SivTrack more{.id = 3, .keys = {{1.5f, {10, 11, 12}}, {2, {13, 14, 15}}}};
    SivTrack target{.id = 4, .keys = {{0, {-1, -2, -3}}, {5, {1, 2, 3}}}};
    SivTrack kind2{.kind = 2, .id = 5, .keys = {{0, {9, 9, 9}}, {1, {9, 9, 9}}}};
    SivTrack empty{.id = 7, .keys = {}};
    f.tracks = {pos, target, kind2, more, empty};
    Scene scene;
    ReportCapture cap;
    loadSivScene(scene, put("cameras.siv", encodeSiv(f)));
    ASSERT_EQ(scene.cameras.size(), 4u);

    const Camera& still = scene.cameras[0];
    expectDefaultKeys(still, {0, -10, -50, 0, 0, 0});
    EXPECT_EQ(still.positionTrackId, 1);
    EXPECT_EQ(still.targetTrackId, 2);
    EXPECT_FLOAT_EQ(still.position[1], -10); // the load-time lookAt

    const Camera& moving = scene.cameras[1];
    // Both kind-1 tracks with identifier 3 contribute, put in time order; of the two keys at
    // time 2 the later in the file wins.
    ASSERT_EQ(keyCount(moving.curves[1]), 4);
    EXPECT_FLOAT_EQ(moving.curves[0].keys[2].value, 10);
    EXPECT_FLOAT_EQ(moving.curves[1].keys[2].value, -11);
    EXPECT_FLOAT_EQ(moving.curves[2].keys[3].value, 15);
    EXPECT_FLOAT_EQ(moving.curves[1].keys[3].time, 2);
    EXPECT_FLOAT_EQ(moving.curves[0].keys[0].tension, 0.1f);
    EXPECT_FLOAT_EQ(moving.curves[0].keys[0].continuity, 0.2f);
    EXPECT_FLOAT_EQ(moving.curves[0].keys[0].bias, 0.3f);
    ASSERT_EQ(keyCount(moving.curves[4]), 2);
    EXPECT_FLOAT_EQ(moving.curves[4].keys[0].value, 2);
    EXPECT_FLOAT_EQ(moving.curves[5].keys[1].value, 3);

    // A kind-2 track is ignored; a matching track without keys still gets the default key.
    expectSingleKey(scene.cameras[2].curves[1], -2);
    expectDefaultKeys(scene.cameras[3], {1, -2, 3, 4, -5, 6});
}

TEST_F(Assembly, UnreadableFilesLeaveTheSceneEmpty) {
    ReportCapture cap;
    Scene a;
    loadSivScene(a, root + "/data/none.siv");
    EXPECT_TRUE(a.cameras.empty() && a.materials.empty() && a.meshes.empty());
    Scene b;
    loadSivScene(b, put("notsiv.siv", {'P', 'S', 'I', 'V', 0, 0}));
    EXPECT_TRUE(b.meshes.empty());
    Scene c;
    loadTdsScene(c, root + "/data/none.3ds");
    EXPECT_EQ(c.isTds, 1);
    EXPECT_TRUE(c.cameras.empty() && c.materials.empty() && c.meshes.empty());
}

TdsMesh triangle(const std::string& name, const std::string& material) {
    TdsMesh m;
    m.name = name;
    m.vertices = {{{0, 0, 0}}, {{10, 0, 0}}, {{0, 10, 0}}, {{5, 5, 5}}};
    m.faces = {{0, 1, 2, 7}};
    if (!material.empty()) m.groups = {{material, {0}}};
    return m;
}

TEST_F(Assembly, TdsMaterialFlagTable) {
    struct Row {
        const char* texture;
        const char* reflection;
        const char* bump;
        uint32_t flags;
        int base, second, third; // texture widths, 0 for an empty slot
    };
    const Row rows[] = {
        {"", "", "", 0x01, 0, 0, 0},
        {"t8.tga", "", "", 0x02, 8, 0, 0},
        {"", "t16.tga", "", 0x06, 16, 0, 0},
        {"t8.tga", "t16.tga", "", 0x5A, 8, 16, 0},
        {"", "", "t32.tga", 0x60, 0, 0, 32},
        {"t8.tga", "", "t32.tga", 0x62, 8, 0, 32},
        {"", "t16.tga", "t32.tga", 0x66, 16, 0, 32},
        {"t8.tga", "t16.tga", "t32.tga", 0x7A, 8, 16, 32},
    };
    TdsScene s;
    for (const Row& r : rows)
        s.materials.push_back({std::string(1, static_cast<char>('a' + s.materials.size())),
                               {1, 1, 1},
                               r.texture,
                               r.reflection,
                               r.bump});
    Scene scene;
    loadTdsScene(scene, put("flags.3ds", encodeTdsScene(s)));
    ASSERT_EQ(scene.materials.size(), 8u);
    for (size_t i = 0; i < 8; ++i) {
        const Material& m = scene.materials[i];
        EXPECT_EQ(m.flags, rows[i].flags) << i;
        EXPECT_EQ(m.base.width, rows[i].base) << i;
        EXPECT_EQ(m.second.width, rows[i].second) << i;
        EXPECT_EQ(m.third.width, rows[i].third) << i;
    }
}

TEST_F(Assembly, TdsMeshes) {
    TdsScene s;
    s.materials = {{"A", {1, 1, 1}, "t8.tga", "", ""}};
    TdsMesh mapped = triangle("mapped", "A");
    mapped.mapping = {{{0.25f, 0.75f}}, {{0, 0}}, {{1, 1}}};
    TdsMesh unknown = triangle("unknown", "a");
    TdsMesh plain = triangle("plain", "");
    TdsMesh broken = triangle("broken", "A");
    broken.faces = {{0, 1, 3, 0x1234}, {0, 1, 3, 7}}; // the first gets c = 9 below
    s.meshes = {mapped, unknown, plain, broken};
    Scene scene;
    ReportCapture cap;
    std::vector<uint8_t> bytes = encodeTdsScene(s);
    const uint8_t marker[] = {3, 0, 0x34, 0x12};
    auto at = std::search(bytes.begin(), bytes.end(), marker, marker + 4);
    ASSERT_NE(at, bytes.end());
    *at = 9;
    loadTdsScene(scene, put("meshes.3ds", bytes));
    EXPECT_EQ(scene.isTds, 1);
    ASSERT_EQ(scene.meshes.size(), 4u);
    const Mesh& m = scene.meshes[0];
    EXPECT_EQ(m.materialIndex, 0);
    // The reader's (x, z, -y) is kept as it is.
    EXPECT_FLOAT_EQ(m.vertices[2].y, 0);
    EXPECT_FLOAT_EQ(m.vertices[2].z, -10);
    EXPECT_FLOAT_EQ(m.vertices[3].y, 5);
    EXPECT_FLOAT_EQ(m.vertices[0].uv1.u, 0.75f);
    EXPECT_FLOAT_EQ(m.vertices[0].uv1.v, 0.75f);
    EXPECT_FLOAT_EQ(m.faces[0].corner[0].u, 0.75f);
    // Vertex normals are computed: the triangle lies in the plane y = 0.
    EXPECT_NEAR(std::abs(m.vertices[0].ny), 1.0f, 1e-5f);
    EXPECT_NEAR(std::abs(m.faces[0].ny), 1.0f, 1e-5f);

    EXPECT_EQ(scene.meshes[1].materialIndex, -1); // names compare with case
    EXPECT_EQ(scene.meshes[2].materialIndex, 0);
    // No mapping list: (0, 0) before the 1 - u step.
    EXPECT_FLOAT_EQ(scene.meshes[2].faces[0].corner[1].u, 1.0f);
    EXPECT_FLOAT_EQ(scene.meshes[2].faces[0].corner[1].v, 0.0f);
    EXPECT_EQ(scene.meshes[3].faceCount, 1);
    EXPECT_EQ(scene.meshes[3].faces[0].c, 3);
}

TEST_F(Assembly, TdsCameraKeysAndDefaults) {
    TdsScene s;
    s.cameras = {{"Single", {1, 2, 3}, {4, 5, 6}, 0, 50},
                 {"Keyed", {0, -100, 20}, {0, 0, 0}, 0, 50},
                 {"Unnamed", {7, 8, 9}, {-1, -2, -3}, 0, 50}};
    TdsNode single{.name = "Single", .positionKeys = {TdsKey{.position = {100, 100, 100}}}};
    TdsNode keyed{.name = "Keyed",
                  .positionKeys = {TdsKey{.position = {1, 2, 3}},
                                   TdsKey{.frame = 60,
                                          .splineFlags = TDS_KEY_TENSION | TDS_KEY_EASE_FROM,
                                          .position = {4, 5, 6}}}};
    TdsNode keyedTarget = keyed;
    keyedTarget.kind = TDS_NODE_TARGET;
    TdsNode ghost = keyed;
    ghost.name = "Ghost";
    s.nodes = {single, keyed, keyedTarget, ghost};
    Scene scene;
    loadTdsScene(scene, put("cameras.3ds", encodeTdsScene(s)));
    ASSERT_EQ(scene.cameras.size(), 3u);

    // Stored by the reader as (1, 3, -2) / (4, 6, -5); a single key counts as none.
    const Camera& c0 = scene.cameras[0];
    EXPECT_EQ(c0.positionKeyCount, 0);
    expectDefaultKeys(c0, {-1, -3, -2, -4, -6, -5});
    // The load-time view looks from (x, -y, z) of the stored position.
    EXPECT_FLOAT_EQ(c0.position[0], 1);
    EXPECT_FLOAT_EQ(c0.position[1], -3);
    EXPECT_FLOAT_EQ(c0.position[2], -2);

    const Camera& c1 = scene.cameras[1];
    EXPECT_EQ(c1.positionKeyCount, 2);
    EXPECT_EQ(c1.targetKeyCount, 2);
    ASSERT_EQ(keyCount(c1.curves[0]), 2);
    // Key (4, 5, 6) is stored as (4, 6, -5) and loaded as (-4, -6, -5), at 2 seconds.
    EXPECT_FLOAT_EQ(c1.curves[0].keys[1].value, -4);
    EXPECT_FLOAT_EQ(c1.curves[1].keys[1].value, -6);
    EXPECT_FLOAT_EQ(c1.curves[2].keys[1].value, -5);
    EXPECT_FLOAT_EQ(c1.curves[2].keys[1].time, 2.0f);
    EXPECT_FLOAT_EQ(c1.curves[2].keys[1].tension, 1.0f);
    ASSERT_EQ(keyCount(c1.curves[3]), 2);
    EXPECT_FLOAT_EQ(c1.curves[4].keys[0].value, -3);

    // No node names it (the ghost node names nothing): default keys on all six curves.
    const Camera& c2 = scene.cameras[2];
    expectDefaultKeys(c2, {-7, -9, -8, 1, 3, 2});
}

} // namespace
} // namespace tw
