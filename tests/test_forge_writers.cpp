// The file writers checked against readers written elsewhere: Pillow for TGA, lib3ds's
// 3dsdump and assimp for 3DS, zlib for SIV bodies.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <zlib.h>

#include "base/bytes.h"
#include "base/report.h"
#include "formats/siv.h"
#include "tests/support/shell.h"
#include "tools/write/siv_writer.h"
#include "tools/write/tds_writer.h"
#include "tools/write/tga_writer.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

using ToolRun = test::ShellResult;
using test::haveTool;
using test::runTool;

// Pillow must come from the system interpreter, which is where Debian installs it.
const char* kPython = "/usr/bin/python3";
bool havePillow() {
    return runTool(std::string(kPython) + " -c 'import PIL.Image'").status == 0;
}

fs::path scratch(const std::string& name) {
    fs::path dir = fs::path(TW_BINARY_DIR) / "test-scratch" / "writers";
    fs::create_directories(dir);
    return dir / name;
}

size_t countOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The line "Label:  value" of `assimp info` as an integer, -1 when absent.
long assimpCount(const std::string& info, const std::string& label) {
    size_t at = info.find("\n" + label + ":");
    if (at == std::string::npos) return -1;
    return std::strtol(info.c_str() + at + label.size() + 2, nullptr, 10);
}

TdsMesh tetrahedron() {
    TdsMesh m;
    m.name = "tetra";
    m.vertices = {{{0, 0, 0}}, {{10, 0, 0}}, {{0, 10, 0}}, {{0, 0, 10}}};
    m.faces = {{0, 2, 1, 7}, {0, 1, 3, 7}, {0, 3, 2, 7}, {1, 2, 3, 7}};
    m.mapping = {{{0, 0}}, {{1, 0}}, {{0, 1}}, {{1, 1}}};
    return m;
}

TdsScene smallScene() {
    TdsScene s;
    s.materials = {{"stone", {90, 90, 90}, "wall3.tga", "", ""},
                   {"chrome", {200, 200, 220}, "", "s08_back32.tga", "wall3_b.tga"},
                   {"plain", {255, 255, 255}, "", "", ""}};
    TdsMesh a = tetrahedron();
    a.groups = {{"stone", {0, 1}}, {"chrome", {2, 3}}};
    TdsMesh b = tetrahedron();
    b.name = "second";
    b.groups = {{"plain", {0, 1, 2, 3}}};
    s.meshes = {a, b};
    s.cameras = {{"CamA", {{0, -100, 20}}, {{0, 0, 0}}, 0, 35},
                 {"CamB", {{50, 50, 50}}, {{1, 2, 3}}, 0, 50}};
    TdsNode pos;
    pos.kind = TDS_NODE_CAMERA;
    pos.name = "CamA";
    pos.positionKeys = {{0, 0, 0, 0, 0, 0, 0, {{0, -100, 20}}},
                        {15, TDS_KEY_TENSION | TDS_KEY_BIAS, 1, 0, 0.5f, 0, 0, {{5, -90, 20}}},
                        {30, 0, 0, 0, 0, 0, 0, {{10, -80, 20}}}};
    TdsNode tgt = pos;
    tgt.kind = TDS_NODE_TARGET;
    tgt.positionKeys = {{0, 0, 0, 0, 0, 0, 0, {{0, 0, 0}}}, {30, 0, 0, 0, 0, 0, 0, {{0, 0, 5}}}};
    // assimp insists that every camera has a node; CamB's still node holds one key.
    TdsNode still;
    still.kind = TDS_NODE_CAMERA;
    still.name = "CamB";
    still.positionKeys = {{0, 0, 0, 0, 0, 0, 0, {{50, 50, 50}}}};
    s.nodes = {pos, tgt, still};
    s.frameEnd = 30;
    return s;
}

// ---- TGA through Pillow ----

TEST(TgaWriter, PillowReadsPixelsAlphaAndOrientation) {
    if (!havePillow()) GTEST_SKIP() << "python3-pil not installed (scripts/bootstrap installs it)";
    // 3x2, every pixel distinct, alpha varied; top row first in memory.
    const uint32_t pixels[6] = {0x10FF0000, 0x2000FF00, 0x300000FF,
                                0xFF123456, 0x80ABCDEF, 0x00010203};
    fs::path file = scratch("orient.tga");
    ASSERT_TRUE(writeFile(file.string(), encodeTga(pixels, 3, 2)));
    ToolRun r = runTool(std::string(kPython) + " -c \"from PIL import Image; im = Image.open('" +
                        file.string() +
                        "'); print(im.size, im.mode); print(' '.join('%02x%02x%02x%02x' % "
                        "im.getpixel((x, y)) for y in range(2) for x in range(3)))\"");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("(3, 2) RGBA"), std::string::npos) << r.out;
    // Pillow gives RGBA top-left first: the first row printed must be our top row.
    EXPECT_NE(r.out.find("ff000010 00ff0020 0000ff30 123456ff abcdef80 01020300"),
              std::string::npos)
        << r.out;
}

TEST(TgaWriter, HeaderIsUncompressed32BitBottomUp) {
    const uint32_t pixels[4] = {1, 2, 3, 4};
    std::vector<uint8_t> b = encodeTga(pixels, 2, 2);
    ASSERT_EQ(b.size(), 18u + 16u);
    EXPECT_EQ(b[2], 2); // true-colour, uncompressed
    EXPECT_EQ(b[16], 32);
    EXPECT_EQ(readU16(&b[12]), 2);
    EXPECT_EQ(readU16(&b[14]), 2);
    EXPECT_EQ(readU32(&b[18]), 3u); // bottom row first
    EXPECT_EQ(readU32(&b[26]), 1u);
}

// ---- 3DS through lib3ds and assimp ----

TEST(TdsWriter, SingleMeshChunkTreeAndGeometryThroughLib3ds) {
    if (!haveTool("3dsdump")) GTEST_SKIP() << "3dsdump (lib3ds-dev) not installed";
    fs::path file = scratch("tetra.3ds");
    ASSERT_TRUE(writeFile(file.string(), encodeTdsMesh(tetrahedron())));
    ToolRun tree = runTool("3dsdump -s " + file.string());
    ASSERT_EQ(tree.status, 0) << tree.out;
    // Nesting shows as indentation; the editor's first child is the disposable version.
    const char* expected[] = {"LIB3DS_M3D_VERSION (0x2)",     "LIB3DS_MDATA (0x3D3D)",
                              "LIB3DS_MESH_VERSION (0x3D3E)", "LIB3DS_NAMED_OBJECT (0x4000)",
                              "LIB3DS_N_TRI_OBJECT (0x4100)", "LIB3DS_POINT_ARRAY (0x4110)",
                              "LIB3DS_TEX_VERTS (0x4140)",    "LIB3DS_FACE_ARRAY (0x4120)"};
    size_t at = 0;
    for (const char* e : expected) {
        size_t next = tree.out.find(e, at);
        ASSERT_NE(next, std::string::npos) << e << " missing or out of order in\n" << tree.out;
        at = next;
    }
    EXPECT_EQ(tree.out.find("LIB3DS_KFDATA"), std::string::npos);
    EXPECT_EQ(tree.out.find("LIB3DS_MAT_ENTRY"), std::string::npos);

    ToolRun mesh = runTool("3dsdump -t " + file.string());
    ASSERT_EQ(mesh.status, 0) << mesh.out;
    EXPECT_NE(mesh.out.find("tetra vertices=4 faces=4"), std::string::npos) << mesh.out;
    EXPECT_NE(mesh.out.find("10.000000 0.000000 0.000000"), std::string::npos);
    EXPECT_NE(mesh.out.find("0    2    1"), std::string::npos) << "winding kept as given";
}

TEST(TdsWriter, SceneMaterialsCamerasAndNodesThroughLib3ds) {
    if (!haveTool("3dsdump")) GTEST_SKIP() << "3dsdump (lib3ds-dev) not installed";
    fs::path file = scratch("scene.3ds");
    ASSERT_TRUE(writeFile(file.string(), encodeTdsScene(smallScene())));

    ToolRun mats = runTool("3dsdump -m " + file.string());
    ASSERT_EQ(mats.status, 0) << mats.out;
    EXPECT_EQ(countOf(mats.out, "  name:          "), 3u) << mats.out;
    EXPECT_NE(mats.out.find("texture1_map:\n    name:        wall3.tga"), std::string::npos);
    EXPECT_NE(mats.out.find("reflection_map:\n    name:        s08_back32.tga"), std::string::npos);
    EXPECT_NE(mats.out.find("bump_map:\n    name:        wall3_b.tga"), std::string::npos);

    ToolRun cams = runTool("3dsdump -c " + file.string());
    ASSERT_EQ(cams.status, 0) << cams.out;
    EXPECT_NE(cams.out.find("name:       CamA\n  position:   (0.000000, -100.000000, 20.000000)\n"
                            "  target      (0.000000, 0.000000, 0.000000)"),
              std::string::npos)
        << cams.out;
    EXPECT_NE(cams.out.find("position:   (50.000000, 50.000000, 50.000000)"), std::string::npos);

    ToolRun nodes = runTool("3dsdump -n " + file.string());
    ASSERT_EQ(nodes.status, 0) << nodes.out;
    EXPECT_NE(nodes.out.find("CamA (Camera)"), std::string::npos) << nodes.out;
    EXPECT_NE(nodes.out.find("CamA (Target)"), std::string::npos);
    EXPECT_NE(nodes.out.find("tetra [] (Object)"), std::string::npos);
    EXPECT_NE(nodes.out.find("second [] (Object)"), std::string::npos);

    // Track sizes follow the spline flags: header 6 + 2 + 8 + 4, keys 4 + 2 + extras + 12.
    ToolRun tree = runTool("3dsdump -s " + file.string());
    ASSERT_EQ(tree.status, 0);
    size_t cam = tree.out.find("LIB3DS_CAMERA_NODE_TAG");
    ASSERT_NE(cam, std::string::npos);
    size_t track = tree.out.find("LIB3DS_POS_TRACK_TAG (0xB020) size=", cam);
    ASSERT_NE(track, std::string::npos);
    EXPECT_EQ(std::atoi(tree.out.c_str() + track + 35), 20 + 18 + (18 + 8) + 18);
    EXPECT_EQ(countOf(tree.out, "LIB3DS_MSH_MAT_GROUP (0x4130)"), 3u);
}

TEST(TdsWriter, AssimpCountsFacesMeshesCamerasAnimations) {
    if (!haveTool("assimp")) GTEST_SKIP() << "assimp (assimp-utils) not installed";
    // assimp splits a mesh per material: stone, chrome, plain.
    struct Case {
        const char* file;
        std::vector<uint8_t> bytes;
        long faces, meshes, cameras;
    };
    for (const Case& c : {Case{"scene-assimp.3ds", encodeTdsScene(smallScene()), 8, 3, 2},
                          Case{"tetra-assimp.3ds", encodeTdsMesh(tetrahedron()), 4, 1, 0}}) {
        ASSERT_TRUE(writeFile(scratch(c.file).string(), c.bytes));
        ToolRun r = runTool("assimp info " + scratch(c.file).string());
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(assimpCount(r.out, "Faces"), c.faces) << r.out;
        EXPECT_EQ(assimpCount(r.out, "Meshes"), c.meshes) << c.file;
        EXPECT_EQ(assimpCount(r.out, "Cameras"), c.cameras) << c.file;
        if (c.cameras > 0) {
            EXPECT_EQ(assimpCount(r.out, "Materials"), 3);
            EXPECT_EQ(assimpCount(r.out, "Animations"), 1);
        }
    }
}

TEST(TdsWriter, ChunkLengthsCoverTheirChildrenAndBadInputIsRefused) {
    ChunkWriter w;
    beginChunk(w, 0x1234);
    putU32(w, 7);
    beginChunk(w, 0x5678);
    putString(w, "ab");
    endChunk(w);
    endChunk(w);
    ASSERT_EQ(w.bytes.size(), 6u + 4u + 6u + 3u);
    EXPECT_EQ(readU16(&w.bytes[0]), 0x1234);
    EXPECT_EQ(readU32(&w.bytes[2]), 19u);
    EXPECT_EQ(readU32(&w.bytes[12]), 9u);
    EXPECT_THROW(endChunk(w), std::logic_error);

    TdsMesh bad = tetrahedron();
    bad.faces[1].c = 4;
    EXPECT_THROW(encodeTdsMesh(bad), std::out_of_range);
    TdsMesh big;
    big.vertices.resize(70000);
    EXPECT_THROW(encodeTdsMesh(big), std::length_error);
    TdsMesh group = tetrahedron();
    group.groups = {{"x", {9}}};
    EXPECT_THROW(encodeTdsMesh(group), std::out_of_range);
}

// ---- SIV through zlib ----

SivFile smallSiv() {
    SivFile f;
    f.name = "test room";
    SivObject a;
    a.name = "floor";
    a.position = {{1, 2, 3}};
    a.vertices = {{{{0, 0, 0}}, {{0, 1, 0}}, 0.25f, 0.75f},
                  {{{10, 0, 0}}, {{0, 1, 0}}, 1, 0},
                  {{{0, 0, 10}}, {{0, 1, 0}}, 0, 1}};
    a.faces = {{0, 1, 2, 1}};
    SivObject b = a;
    b.name = "wall";
    b.faces = {{0, 2, 1, 0}, {1, 2, 0, 0}};
    f.objects = {a, b};
    f.textures = {{5, "wall3.tga"}, {6, "rpl.tga"}};
    f.materials = {{"stone", 1, false}, {"glass", 0, true}};
    f.cameras = {{"cam", {{0, 10, -50}}, {{0, 0, 0}}, 11, 12}};
    f.extras.resize(1);
    f.extras[0].fill(0xAB);
    SivTrack pos;
    pos.id = 11;
    pos.keys = {{0, {{0, 10, -50}}, 0.5f, 0.25f, -0.5f},
                {1, {{0, 10, -40}}, 0, 0, 0},
                {2, {{0, 10, -30}}, 0, 0, 0}};
    SivTrack other;
    other.kind = 2;
    other.id = 12;
    other.keys = {{0, {{1, 1, 1}}, 0, 0, 0}};
    f.tracks = {pos, other};
    return f;
}

std::vector<uint8_t> inflate(const std::vector<uint8_t>& file) {
    uLongf len = readU32(&file[4]);
    std::vector<uint8_t> body(len);
    int rc = uncompress(body.data(), &len, file.data() + 12, readU32(&file[8]));
    EXPECT_EQ(rc, Z_OK);
    body.resize(len);
    return body;
}

// zlib inflates the body to its declared size; the project's reader (tested on bodies
// built by hand) finds every record where the writer put it.
TEST(SivWriter, ZlibBodyHasTheDeclaredSizesAndTheReaderSeesEveryRecord) {
    SivFile f = smallSiv();
    std::vector<uint8_t> file = encodeSiv(f);
    ASSERT_GE(file.size(), 12u);
    EXPECT_EQ(std::memcmp(file.data(), "ZSIV", 4), 0);
    EXPECT_EQ(readU32(&file[8]), file.size() - 12); // tmplen is the rest of the file
    std::vector<uint8_t> body = inflate(file);
    EXPECT_EQ(body, encodeSivBody(f));
    // Header, six section tags, then objects, textures, materials, camera, extra, tracks.
    EXPECT_EQ(body.size(), 81u + 6 * 9 + 2 * 80 + 6 * 56 + 3 * 16 + 2 * 84 + 2 * 64 + 48 + 104 +
                               2 * 28 + 4 * 32);
    fs::path path = scratch("small.siv");
    ASSERT_TRUE(writeFile(path.string(), file));
    ReportCapture cap;
    std::unique_ptr<SivScene> s = readSiv(path.string());
    ASSERT_TRUE(s);
    ASSERT_EQ(s->objects.size(), 2u);
    const SivObjectRecord& o = s->objects[0];
    EXPECT_FLOAT_EQ(sivObjectPosition(o).z, 3);
    ASSERT_TRUE(o.vertexCount == 3 && o.faceCount == 1 && s->objects[1].faceCount == 2);
    EXPECT_FLOAT_EQ(sivVertexPosition(o, 1).x, 10);
    EXPECT_FLOAT_EQ(sivVertexNormal(o, 0).y, 1);
    EXPECT_TRUE(sivVertexU(o, 0) == 0.25f && sivVertexV(o, 0) == 0.75f);
    EXPECT_TRUE(sivFaceIndex(o, 0, 1) == 1 && sivFaceMaterial(o, 0) == 1);
    ASSERT_EQ(s->textures.size(), 2u);
    EXPECT_EQ(sivTextureName(s->textures[0]), "wall3.tga");
    EXPECT_EQ(sivTextureValue(s->textures[0]), 5);
    ASSERT_EQ(s->materials.size(), 2u);
    EXPECT_EQ(sivMaterialTexture(s->materials[0]), 1);
    EXPECT_TRUE(!sivMaterialTwoSided(s->materials[0]) && sivMaterialTwoSided(s->materials[1]));
    ASSERT_EQ(s->cameras.size(), 1u);
    EXPECT_FLOAT_EQ(sivCameraPosition(s->cameras[0]).y, 10);
    EXPECT_EQ(sivCameraPositionTrack(s->cameras[0]), 11);
    EXPECT_EQ(sivCameraTargetTrack(s->cameras[0]), 12);
    ASSERT_EQ(s->extras.size(), 1u);
    EXPECT_TRUE(s->extras[0][0] == 0xAB && s->extras[0][103] == 0xAB);
    ASSERT_EQ(s->tracks.size(), 2u);
    EXPECT_TRUE(sivTrackKind(s->tracks[0]) == 1 && sivTrackId(s->tracks[0]) == 11);
    EXPECT_EQ(sivTrackKind(s->tracks[1]), 2);
    ASSERT_EQ(sivTrackKeyCount(s->tracks[0]), 3);
    SivKeyRecord k = sivTrackKey(s->tracks[0], 0);
    EXPECT_TRUE(k.y == 10 && k.z == -50 && k.tension == 0.5f && k.continuity == 0.25f &&
                k.bias == -0.5f);
    EXPECT_FLOAT_EQ(sivTrackKey(s->tracks[0], 1).time, 1);
}

TEST(SivWriter, VariantsForReaderTestsAndRefusals) {
    SivFile f;
    f.version = 6;
    f.headerTag = "MAINCHUNX";
    std::vector<uint8_t> body = encodeSivBody(f);
    ASSERT_EQ(body.size(), 17u + 64u + 6u * 9u); // empty sections are their tags alone
    EXPECT_EQ(readI32(&body[4]), 6);
    EXPECT_EQ(std::memcmp(&body[8], "MAINCHUNX", 9), 0);
    // Long names are cut, never spill into the next field.
    f.textures = {{1, std::string(200, 'n')}};
    body = encodeSivBody(f);
    size_t tex = 17 + 64 + 9 + 9;
    EXPECT_EQ(body[tex + 4 + 78], 'n');
    EXPECT_EQ(body[tex + 4 + 79], 0);
    // Any bytes wrap: a stream over garbage still inflates back to it.
    std::vector<uint8_t> junk = {1, 2, 3};
    std::vector<uint8_t> wrapped = wrapSivBody(junk);
    EXPECT_EQ(inflate(wrapped), junk);

    SivFile bad = smallSiv();
    bad.objects[0].faces[0].b = 3;
    EXPECT_THROW(encodeSiv(bad), std::out_of_range);
    bad.objects[0].faces[0].b = -1;
    EXPECT_THROW(encodeSiv(bad), std::out_of_range);
}

TEST(Writers, SameInputSameBytes) {
    EXPECT_EQ(encodeTdsScene(smallScene()), encodeTdsScene(smallScene()));
    EXPECT_EQ(encodeSiv(smallSiv()), encodeSiv(smallSiv()));
}

} // namespace
} // namespace tw
