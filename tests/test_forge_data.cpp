// The forged data set: every file the scenes load, at the sizes they rely on, doing its job
// in the operation that uses it; meshes wound for the side they are seen from; camera keys
// covering each scene's time; the same bytes on every run; clear failures on bad options.
// Files are read back through the project's own readers and, where one exists, through a
// reader written elsewhere (Pillow, lib3ds).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "anim/tcb.h"
#include "formats/siv.h"
#include "formats/tds_mesh.h"
#include "formats/tds_scene.h"
#include "image/tga.h"
#include "render/camera.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"
#include "tests/support/shell.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

const std::string kData = std::string(TW_BINARY_DIR) + "/data/";
const std::string kForge = std::string(TW_BINARY_DIR) + "/tools/forge";

using ToolRun = test::ShellResult;
using test::haveTool;
using test::runTool;

Bitmap picture(const std::string& name) {
    Bitmap b;
    EXPECT_TRUE(readTga(b, kData + name)) << name;
    return b;
}

int channel(uint32_t p, int shift) {
    return static_cast<int>((p >> shift) & 255);
}
double lum(uint32_t p) {
    return (channel(p, 16) + channel(p, 8) + channel(p, 0)) / 3.0;
}

double meanLum(const Bitmap& b) {
    double s = 0;
    for (int i = 0; i < b.pixelCount(); ++i) s += lum(b.pixels[i]);
    return b.pixelCount() ? s / b.pixelCount() : 0;
}

// ---------------------------------------------------------------- the set is complete

TEST(ForgeData, EveryFileTheScenesLoadIsThereAtItsSize) {
    const std::map<std::string, std::pair<int, int>> pictures = {
        {"eye.tga", {320, 240}},          {"eye_alpha.tga", {320, 240}},
        {"sweet.tga", {320, 240}},        {"sweet2.tga", {320, 240}},
        {"blm.tga", {320, 240}},          {"fake.tga", {320, 240}},
        {"creds.tga", {320, 240}},        {"hot.tga", {320, 240}},
        {"boombox.tga", {320, 240}},      {"skinner.tga", {320, 240}},
        {"end.tga", {320, 240}},          {"greets.tga", {4096, 32}},
        {"rpl.tga", {256, 256}},          {"s08_back32.tga", {256, 256}},
        {"s08_back33.tga", {256, 256}},   {"wall3.tga", {256, 256}},
        {"wall3_b.tga", {256, 256}},      {"jallaenv2.tga", {256, 256}},
        {"wall_b2.tga", {256, 256}},      {"s02_lightmap.tga", {256, 256}},
        {"s02_lightmap4.tga", {256, 256}}};
    for (const auto& [name, size] : pictures) {
        Bitmap b = picture(name);
        EXPECT_EQ(b.width, size.first) << name;
        EXPECT_EQ(b.height, size.second) << name;
        if (size.first == 256) {
            EXPECT_EQ(b.widthShift, 8) << name;
        }
    }
    // The slide-in cards are drawn at row 0 and must not be taller than the frame.
    for (const char* name : {"euelite.tga", "noelite.tga"}) {
        Bitmap b = picture(name);
        EXPECT_GT(b.width, 40) << name;
        EXPECT_LE(b.width, 320) << name;
        EXPECT_EQ(b.height, 240) << name;
    }
    for (const char* name : {"geo2.3ds", "skygeo.3ds", "ting.3ds", "spike.3ds", "scene01.3ds",
                             "scene03.3ds", "scene04.3ds", "room03.siv", "tunnel.siv"})
        EXPECT_TRUE(fs::is_regular_file(kData + name)) << name;
}

// ---------------------------------------------------------------- pictures do their job

TEST(ForgeData, PicturesSuitTheOperationsThatUseThem) {
    // Multiply pictures are mostly bright; the add picture mostly dark.
    EXPECT_GT(meanLum(picture("creds.tga")), 200);
    EXPECT_GT(meanLum(picture("blm.tga")), 150);
    EXPECT_GT(meanLum(picture("fake.tga")), 170);
    EXPECT_GT(meanLum(picture("hot.tga")), 150);
    EXPECT_GT(meanLum(picture("boombox.tga")), 130);
    EXPECT_LT(meanLum(picture("skinner.tga")), 12);
    // hot: bright in the middle, warm at the edges.
    Bitmap hot = picture("hot.tga");
    EXPECT_GT(lum(hot.pixels[120 * 320 + 160]), 240);
    uint32_t edge = hot.pixels[120 * 320 + 2];
    EXPECT_GT(channel(edge, 16), channel(edge, 0) + 80);

    // Overlays: alpha 255 keeps the frame, so the centre is open and the border is not.
    for (const char* name : {"sweet.tga", "sweet2.tga"}) {
        Bitmap b = picture(name);
        EXPECT_EQ(b.pixels[120 * 320 + 160] >> 24, 255u) << name;
        int open = 0;
        for (int y = 60; y < 180; ++y)
            for (int x = 80; x < 240; ++x) open += (b.pixels[y * 320 + x] >> 24) == 255;
        EXPECT_EQ(open, 120 * 160) << name << ": the middle of the frame must stay clear";
        EXPECT_LT(b.pixels[2 * 320 + 160] >> 24, 64u) << name << ": top border shows";
    }
    // The eye's mask lets the world through the pupil and shows the eye elsewhere.
    Bitmap mask = picture("eye_alpha.tga");
    EXPECT_EQ(mask.pixels[122 * 320 + 160] & 0xFFFFFF, 0u);
    EXPECT_EQ(mask.pixels[5 * 320 + 5] & 0xFFFFFF, 0xFFFFFFu);
    // Title cards: alpha 255 shows the card; most of it is clear.
    for (const char* name : {"euelite.tga", "noelite.tga"}) {
        Bitmap b = picture(name);
        int clear = 0, solid = 0;
        for (int i = 0; i < b.pixelCount(); ++i) {
            clear += (b.pixels[i] >> 24) == 0;
            solid += (b.pixels[i] >> 24) >= 200;
        }
        EXPECT_GT(clear, b.pixelCount() * 7 / 10) << name;
        EXPECT_GT(solid, 200) << name << ": the text must be there";
    }
    // Height maps keep their height in red (grey pictures) and vary.
    for (const char* name : {"wall3_b.tga", "wall_b2.tga"}) {
        Bitmap b = picture(name);
        int lo = 255, hi = 0;
        for (int i = 0; i < b.pixelCount(); ++i) {
            uint32_t p = b.pixels[i];
            ASSERT_EQ(channel(p, 16), channel(p, 8)) << name;
            lo = std::min(lo, channel(p, 16));
            hi = std::max(hi, channel(p, 16));
        }
        EXPECT_GT(hi - lo, 100) << name;
    }
    // The warp picture tiles: across the wrap it changes no more than between neighbours.
    Bitmap rpl = picture("rpl.tga");
    auto rowStep = [&](int xa, int xb) {
        double s = 0;
        for (int y = 0; y < 256; ++y)
            s += std::fabs(lum(rpl.pixels[y * 256 + xa]) - lum(rpl.pixels[y * 256 + xb]));
        return s / 256;
    };
    auto colStep = [&](int ya, int yb) {
        double s = 0;
        for (int x = 0; x < 256; ++x)
            s += std::fabs(lum(rpl.pixels[ya * 256 + x]) - lum(rpl.pixels[yb * 256 + x]));
        return s / 256;
    };
    double inner = (rowStep(127, 128) + colStep(127, 128)) / 2;
    EXPECT_LT(rowStep(255, 0), inner * 2.5 + 2);
    EXPECT_LT(colStep(255, 0), inner * 2.5 + 2);
}

TEST(ForgeData, GreetingsStripHasTextOnlyWhereRedIsSet) {
    Bitmap g = picture("greets.tga");
    ASSERT_EQ(g.width, 4096);
    int textColumns = 0, first = -1, last = -1;
    for (int x = 0; x < 4096; ++x) {
        bool any = false;
        for (int y = 0; y < 32; ++y) {
            uint32_t p = g.pixels[y * 4096 + x];
            if (channel(p, 16) == 0) {
                ASSERT_EQ(p & 0xFFFFFF, 0u)
                    << "non-text pixels are black (" << x << "," << y << ")";
            } else {
                any = true;
            }
        }
        if (any) {
            ++textColumns;
            if (first < 0) first = x;
            last = x;
        }
    }
    // The scroll starts showing columns 28..188; the text enters from the right of that.
    EXPECT_GT(first, 188);
    // By the scene's end the strip has scrolled to about column 3930.
    EXPECT_LT(last, 3930);
    EXPECT_GT(textColumns, 2000) << "a long, readable line";
}

TEST(ForgeData, PillowReadsThePicturesTheSameWayUp) {
    if (runTool("/usr/bin/python3 -c 'import PIL.Image'").status != 0)
        GTEST_SKIP() << "python3-pil not installed (scripts/bootstrap installs it)";
    // Pillow honours the origin bit; the project's reader always flips. Both must agree.
    for (const char* name : {"creds.tga", "end.tga", "euelite.tga", "greets.tga"}) {
        Bitmap b = picture(name);
        std::ostringstream script;
        script << "from PIL import Image\nim = Image.open('" << kData << name
               << "').convert('RGBA')\nw, h = im.size\nprint(w, h)\n"
               << "for (x, y) in [(0, 0), (w - 1, 0), (w // 3, h // 5), (w // 2, h // 2), (w - 3, "
                  "h - 2)]:\n    print(x, y, '%d %d %d %d' % im.getpixel((x, y)))\n";
        fs::path py = fs::path(TW_BINARY_DIR) / "test-scratch" / "pillow.py";
        fs::create_directories(py.parent_path());
        std::ofstream(py) << script.str();
        ToolRun r = runTool("/usr/bin/python3 " + py.string());
        ASSERT_EQ(r.status, 0) << r.out;
        std::istringstream in(r.out);
        int w, h;
        in >> w >> h;
        EXPECT_EQ(w, b.width);
        EXPECT_EQ(h, b.height);
        int x, y, cr, cg, cb, ca;
        while (in >> x >> y >> cr >> cg >> cb >> ca) {
            uint32_t p = b.pixels[y * b.width + x];
            EXPECT_EQ(cr, channel(p, 16)) << name << " at " << x << "," << y;
            EXPECT_EQ(cg, channel(p, 8)) << name;
            EXPECT_EQ(cb, channel(p, 0)) << name;
            EXPECT_EQ(ca, channel(p, 24)) << name;
        }
    }
    // And up is up: the credits' title sits in the top left, the water of the end card below.
    Bitmap creds = picture("creds.tga");
    double title = 0, below = 0;
    for (int y = 14; y < 46; ++y)
        for (int x = 14; x < 150; ++x) {
            title += lum(creds.pixels[y * 320 + x]);
            below += lum(creds.pixels[(y + 80) * 320 + x]);
        }
    EXPECT_LT(title, below * 0.85);
}

// ---------------------------------------------------------------- single meshes

struct Tri {
    int a, b, c;
};
struct FileMesh {
    std::vector<Vec3> pos; // converted as the single-mesh reader does: (x, -z, y)
    std::vector<Tri> faces;
};

// Reads a single mesh through lib3ds's 3dsdump and applies the reader's axis conversion.
bool dumpMesh(const std::string& file, FileMesh& m) {
    ToolRun r = runTool("3dsdump -t " + kData + file);
    if (r.status != 0) return false;
    std::istringstream in(r.out);
    std::string line;
    enum { None, Points, Faces } mode = None;
    while (std::getline(in, line)) {
        if (line.find("point list:") != std::string::npos) {
            mode = Points;
            continue;
        }
        if (line.find("facelist:") != std::string::npos) {
            mode = Faces;
            continue;
        }
        std::istringstream l(line);
        if (mode == Points) {
            float x, y, z;
            if (l >> x >> y >> z) m.pos.push_back({x, -z, y});
        } else if (mode == Faces) {
            int a, b, c;
            if (l >> a >> b >> c) m.faces.push_back({a, b, c});
        }
    }
    return !m.pos.empty() && !m.faces.empty();
}

Vec3 sub(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 crossV(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float dotV(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

double signedVolume(const FileMesh& m) {
    double v = 0;
    for (const Tri& t : m.faces) v += dotV(m.pos[t.a], crossV(m.pos[t.b], m.pos[t.c]));
    return v / 6;
}

float maxRadius(const FileMesh& m) {
    float r = 0;
    for (Vec3 p : m.pos) r = std::max(r, std::sqrt(dotV(p, p)));
    return r;
}

TEST(ForgeData, SingleMeshesAreSizedAndWoundForTheirCameras) {
    if (!haveTool("3dsdump")) GTEST_SKIP() << "3dsdump (lib3ds-dev) not installed";
    FileMesh sky, knot, spike, lattice;
    ASSERT_TRUE(dumpMesh("skygeo.3ds", sky));
    ASSERT_TRUE(dumpMesh("ting.3ds", knot));
    ASSERT_TRUE(dumpMesh("spike.3ds", spike));
    ASSERT_TRUE(dumpMesh("geo2.3ds", lattice));

    // The sky surrounds cameras 400 (metaballs) and 1600 (credits, sky at z = 1000) units
    // from its centre, and every face is wound to be seen from inside: its normal
    // (b - a) x (c - a) points at each camera, for any turn of the sky.
    float inner = 1e9f;
    for (Vec3 p : sky.pos) inner = std::min(inner, std::sqrt(dotV(p, p)));
    EXPECT_GT(inner, 2000);
    for (Vec3 cam : {Vec3{0, 0, -400}, Vec3{0, 0, -1600}, Vec3{1600, 0, 0}, Vec3{0, 1600, 0}}) {
        int facing = 0;
        for (const Tri& t : sky.faces) {
            Vec3 n = crossV(sub(sky.pos[t.b], sky.pos[t.a]), sub(sky.pos[t.c], sky.pos[t.a]));
            facing += dotV(n, sub(cam, sky.pos[t.a])) > 0;
        }
        EXPECT_EQ(facing, static_cast<int>(sky.faces.size()));
    }
    // Closed objects seen from outside: outward winding gives a positive volume.
    EXPECT_GT(signedVolume(knot), 0);
    EXPECT_GT(signedVolume(spike), 0);
    // Sizes for their views: the knot at 600 units with 30 degrees (about +-160 by +-119
    // units visible), the spike at 300 (+-80 by +-60), the lattice with the camera 450 to
    // 550 units away, never inside it.
    EXPECT_LT(maxRadius(knot), 112);
    EXPECT_GT(maxRadius(knot), 60);
    EXPECT_LT(maxRadius(spike), 59);
    EXPECT_GT(maxRadius(spike), 35);
    EXPECT_LT(maxRadius(lattice), 440);
    EXPECT_GT(maxRadius(lattice), 250);
}

// The same files through the project's reader match lib3ds's view of them.
TEST(ForgeData, SingleMeshesRoundTripThroughTheProjectReader) {
    if (!haveTool("3dsdump")) GTEST_SKIP() << "3dsdump (lib3ds-dev) not installed";
    for (const char* name : {"geo2.3ds", "skygeo.3ds", "ting.3ds", "spike.3ds"}) {
        FileMesh dumped;
        ASSERT_TRUE(dumpMesh(name, dumped)) << name;
        Mesh mesh;
        ASSERT_TRUE(load3ds(mesh, kData + name)) << name;
        ASSERT_EQ(mesh.vertexCount, static_cast<int>(dumped.pos.size())) << name;
        ASSERT_EQ(mesh.faceCount, static_cast<int>(dumped.faces.size())) << name;
        for (int i = 0; i < mesh.vertexCount; i += 7) {
            EXPECT_NEAR(mesh.vertices[i].x, dumped.pos[i].x, 1e-3f) << name;
            EXPECT_NEAR(mesh.vertices[i].y, dumped.pos[i].y, 1e-3f) << name;
            EXPECT_NEAR(mesh.vertices[i].z, dumped.pos[i].z, 1e-3f) << name;
        }
        for (int f = 0; f < mesh.faceCount; f += 5) {
            EXPECT_EQ(mesh.faces[f].a, dumped.faces[f].a);
            EXPECT_EQ(mesh.faces[f].c, dumped.faces[f].c);
        }
    }
}

// ---------------------------------------------------------------- drawn through the renderer

Bitmap solidTexture() {
    Bitmap b = createBitmap(256, 256);
    fillBitmap(b, 0xFFFFFFFF);
    b.widthShift = 8;
    b.widthMask = 255;
    return b;
}

int covered(const Bitmap& b) {
    int n = 0;
    for (int i = 0; i < b.pixelCount(); ++i) n += (b.pixels[i] & 0xFFFFFF) != 0;
    return n;
}

struct Drawn {
    int covered = 0;
    double nearness = 0; // sum of the depth buffer: larger is nearer
};

Drawn drawMeshWith(Mesh& mesh, const Camera& cam, FrontRule rule) {
    Bitmap frame = createBitmap(320, 240);
    createZBuffer(gZBuffer, 320, 240);
    Material m;
    setFlags(m, MAT_TEXTURED);
    m.base = solidTexture();
    setScale(mesh, 1, 1, 1);
    rotate(mesh, 0, 0, 0);
    drawSceneMesh(frame, mesh, cam, m, rule);
    Drawn d;
    d.covered = covered(frame);
    for (int32_t q : gZBuffer.depth) d.nearness += q;
    return d;
}

int drawCoverage(Mesh& mesh, const Camera& cam, FrontRule rule) {
    return drawMeshWith(mesh, cam, rule).covered;
}

TEST(ForgeData, RendererSeesTheFrontsOfTheSingleMeshes) {
    Camera cam = makeCamera();
    struct Case {
        const char* file;
        float camZ, objZ, fov;
        int minCover; // of 76800 pixels
    } cases[] = {{"skygeo.3ds", -400, 0, 30, 60000}, {"skygeo.3ds", -600, 1000, 30, 60000},
                 {"ting.3ds", -600, 0, 30, 8000},    {"spike.3ds", -300, 0, 30, 6000},
                 {"geo2.3ds", -450, 0, 150, 1500},   {"geo2.3ds", -550, 0, 150, 800}};
    for (const Case& c : cases) {
        Mesh mesh;
        ASSERT_TRUE(load3ds(mesh, kData + c.file));
        computeVertexNormals(mesh);
        computeFaceNormals(mesh);
        setFieldOfView(cam, c.fov);
        lookAt(cam, 0, 0, c.camZ, 0, 0, 0);
        setPosition(mesh, 0, 0, c.objZ);
        Drawn front = drawMeshWith(mesh, cam, FrontRule::Default);
        Drawn back = drawMeshWith(mesh, cam, FrontRule::Mirrored);
        EXPECT_GT(front.covered, c.minCover) << c.file << " from " << c.camZ;
        // Seen from its intended side a mesh shows its near faces: a closed object's backs
        // cover the same silhouette but lie farther; the sky has no fronts seen from outside.
        if (std::string(c.file) == "skygeo.3ds") {
            EXPECT_LT(back.covered, front.covered / 20) << c.file;
        } else if (std::string(c.file) != "geo2.3ds") {
            EXPECT_GT(front.nearness, back.nearness * 1.05) << c.file;
        }
    }
}

// ---------------------------------------------------------------- 3DS scenes

struct SceneNeed {
    const char* file;
    int minMaterials;
    float timeEnd; // the last scene time the scene's set-up reaches
};

TEST(ForgeData, ThreeDsScenesHaveMaterialsMeshesAndCameraKeysForTheirTime) {
    for (SceneNeed need : {SceneNeed{"scene03.3ds", 3, 9.25f}, SceneNeed{"scene01.3ds", 3, 26.0f},
                           SceneNeed{"scene04.3ds", 3, 10.0f}}) {
        Scene3ds s;
        ASSERT_TRUE(read3dsScene(kData + need.file, s)) << need.file;
        EXPECT_GE(s.materialCount, need.minMaterials) << need.file;
        ASSERT_GE(s.objectCount, 2) << need.file;
        for (const Object3ds& o : s.objects) {
            EXPECT_GE(o.materialIndex, 0) << need.file << " " << o.name;
            EXPECT_LT(o.materialIndex, s.materialCount) << need.file;
            EXPECT_EQ(o.mappingCount, o.vertexCount) << need.file;
            for (int32_t i : o.faces) ASSERT_LT(i, o.vertexCount);
        }
        // Every map a material names is a 256x256 picture of the set.
        for (const Material3ds& m : s.materials) {
            EXPECT_NE(m.maps, 0u) << need.file << " " << m.name << " would draw as wireframe";
            for (const std::string& f : {m.textureMap, m.reflectionMap, m.bumpMap}) {
                if (f.empty()) continue;
                Bitmap b = picture(f);
                EXPECT_EQ(b.width, 256) << f;
                EXPECT_EQ(b.height, 256) << f;
            }
        }
        ASSERT_GE(s.cameraCount, 1);
        // Camera 0 has a position and a target track from 0 to at least the scene's end.
        bool eye = false, target = false;
        for (int i = 0; i < s.trackCount; ++i) {
            const Track3ds& t = s.tracks[i];
            if (t.owner != 0) continue;
            ASSERT_GE(t.keyCount, 2u) << need.file;
            EXPECT_EQ(t.times.front(), 0.0f) << need.file;
            EXPECT_GE(t.times.back(), need.timeEnd - 0.01f) << need.file;
            for (size_t k = 1; k < t.times.size(); ++k) EXPECT_GT(t.times[k], t.times[k - 1]);
            eye |= t.kind == TRACK_CAMERA;
            target |= t.kind == TRACK_TARGET;
        }
        EXPECT_TRUE(eye && target) << need.file;
    }
    // The grey scene's set-up amends materials 0 to 2: material 0 must be layered (texture
    // and reflection) for its projected second layer to exist. Material 1 keeps only its low
    // flag bits, which would turn a layer into a multiply too dark to survive the scene's
    // grain, so it is a plain texture.
    Scene3ds grey;
    ASSERT_TRUE(read3dsScene(kData + "scene04.3ds", grey));
    EXPECT_EQ(grey.materials[0].maps, MAP_TEXTURE | MAP_REFLECTION);
    EXPECT_EQ(grey.materials[1].maps, static_cast<uint32_t>(MAP_TEXTURE));
    // The greetings' set-up turns material 0 into face environment mapping: reflection only.
    Scene3ds valley;
    ASSERT_TRUE(read3dsScene(kData + "scene01.3ds", valley));
    EXPECT_EQ(valley.materials[0].maps, static_cast<uint32_t>(MAP_REFLECTION));
}

TEST(ForgeData, ThreeDsScenesThroughLib3dsAndAssimp) {
    for (const char* file : {"scene01.3ds", "scene03.3ds", "scene04.3ds"}) {
        Scene3ds s;
        ASSERT_TRUE(read3dsScene(kData + file, s));
        if (haveTool("3dsdump")) {
            ToolRun nodes = runTool(std::string("3dsdump -n ") + kData + file);
            ASSERT_EQ(nodes.status, 0) << nodes.out;
            EXPECT_NE(nodes.out.find(s.cameras[0].name + " (Camera)"), std::string::npos)
                << nodes.out;
            EXPECT_NE(nodes.out.find(s.cameras[0].name + " (Target)"), std::string::npos);
        }
        if (haveTool("assimp")) {
            ToolRun info = runTool(std::string("assimp info ") + kData + file);
            ASSERT_EQ(info.status, 0) << info.out;
            long faces = 0;
            for (const Object3ds& o : s.objects) faces += o.faceCount;
            size_t at = info.out.find("\nFaces:");
            ASSERT_NE(at, std::string::npos);
            EXPECT_EQ(std::strtol(info.out.c_str() + at + 7, nullptr, 10), faces) << file;
            at = info.out.find("\nCameras:");
            ASSERT_NE(at, std::string::npos);
            EXPECT_EQ(std::strtol(info.out.c_str() + at + 9, nullptr, 10), 1) << file;
        }
    }
}

// ---------------------------------------------------------------- SIV scenes

// Key curves of one camera as scene assembly builds them: y negated, tension as stored.
struct SivPath {
    TCBCurve c[6];
};

SivPath sivCameraPath(const SivScene& s, int camera) {
    SivPath p;
    int ids[2] = {sivCameraPositionTrack(s.cameras[camera]),
                  sivCameraTargetTrack(s.cameras[camera])};
    for (int which = 0; which < 2; ++which)
        for (const SivTrackRecord& t : s.tracks) {
            if (sivTrackKind(t) != 1 || sivTrackId(t) != ids[which]) continue;
            for (int k = 0; k < sivTrackKeyCount(t); ++k) {
                SivKeyRecord key = sivTrackKey(t, k);
                float v[3] = {key.x, -key.y, key.z};
                for (int a = 0; a < 3; ++a)
                    addKey(p.c[which * 3 + a],
                           {key.time, key.tension, key.continuity, key.bias, v[a]});
            }
        }
    return p;
}

TEST(ForgeData, RoomHasFiveMaterialsALiveScreenAndACameraInside) {
    std::unique_ptr<SivScene> room = readSiv(kData + "room03.siv");
    ASSERT_TRUE(room);
    ASSERT_GE(sivCount(*room, 2), 5);
    for (const auto& m : room->materials) {
        int32_t t = sivMaterialTexture(m);
        ASSERT_GE(t, 0);
        ASSERT_LT(t, static_cast<int32_t>(room->textures.size()));
        Bitmap b = picture(sivTextureName(room->textures[t]));
        EXPECT_EQ(b.width, 256) << sivTextureName(room->textures[t]);
    }
    // Every object draws with one valid material (assembly reads the first face's).
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (const SivObjectRecord& o : room->objects) {
        ASSERT_GT(o.faceCount, 0);
        EXPECT_LT(sivFaceMaterial(o, 0), sivCount(*room, 2));
        for (int i = 0; i < o.vertexCount; ++i) {
            SivVec3 p = sivVertexPosition(o, i);
            float v[3] = {p.x, -p.y, p.z};
            for (int a = 0; a < 3; ++a)
                lo[a] = std::min(lo[a], v[a]), hi[a] = std::max(hi[a], v[a]);
        }
    }
    ASSERT_GE(room->cameras.size(), 1u);
    SivPath path = sivCameraPath(*room, 0);
    ASSERT_GE(keyCount(path.c[0]), 2);
    EXPECT_GE(path.c[0].keys.back().time, 12.5f) << "keys cover the room's 12.5 s";
    // Between and on the keys the viewer stays well inside the room.
    for (float t = 0; t <= 12.5f; t += 0.05f)
        for (int a = 0; a < 3; ++a) {
            float v = evaluate(path.c[a], t);
            EXPECT_GT(v, lo[a] + 20) << "axis " << a << " at " << t;
            EXPECT_LT(v, hi[a] - 20) << "axis " << a << " at " << t;
        }
}

TEST(ForgeData, TunnelCameraFliesInsideTheTubeForTheWholeScene) {
    std::unique_ptr<SivScene> tunnel = readSiv(kData + "tunnel.siv");
    ASSERT_TRUE(tunnel);
    ASSERT_GE(sivCount(*tunnel, 2), 1);
    ASSERT_GE(tunnel->objects.size(), 1u);
    const SivObjectRecord& walls = tunnel->objects[0];
    std::vector<Vec3> wall;
    for (int i = 0; i < walls.vertexCount; ++i) {
        SivVec3 p = sivVertexPosition(walls, i);
        wall.push_back({p.x, -p.y, p.z});
    }
    SivPath path = sivCameraPath(*tunnel, 0);
    ASSERT_GE(keyCount(path.c[0]), 2);
    // 0.96 ahead of 0.014 per centisecond over the scene's 1300 centiseconds.
    EXPECT_GE(path.c[0].keys.back().time, 0.96f + 1300 * 0.014f);
    float nearest = 1e9f;
    for (float t = 0; t <= 19.2f; t += 0.1f) {
        Vec3 eye = {evaluate(path.c[0], t), evaluate(path.c[1], t), evaluate(path.c[2], t)};
        for (const Vec3& w : wall) {
            Vec3 d = sub(w, eye);
            nearest = std::min(nearest, std::sqrt(dotV(d, d)));
        }
    }
    EXPECT_GT(nearest, 30) << "the camera never comes near the wall";

    // Drawn as SIV scenes are (y negated, mirrored rule), the walls show from inside.
    Mesh mesh;
    allocate(mesh, walls.vertexCount, walls.faceCount);
    for (int i = 0; i < walls.vertexCount; ++i) {
        mesh.vertices[i].x = wall[i].x;
        mesh.vertices[i].y = wall[i].y;
        mesh.vertices[i].z = wall[i].z;
    }
    for (int f = 0; f < walls.faceCount; ++f) {
        mesh.faces[f].a = sivFaceIndex(walls, f, 0);
        mesh.faces[f].b = sivFaceIndex(walls, f, 1);
        mesh.faces[f].c = sivFaceIndex(walls, f, 2);
    }
    computeFaceNormals(mesh);
    Camera cam = makeCamera();
    setFieldOfView(cam, 45);
    float t = 5;
    lookAt(cam, evaluate(path.c[0], t), evaluate(path.c[1], t), evaluate(path.c[2], t),
           evaluate(path.c[3], t), evaluate(path.c[4], t), evaluate(path.c[5], t));
    int mirrored = drawCoverage(mesh, cam, FrontRule::Mirrored);
    int plain = drawCoverage(mesh, cam, FrontRule::Default);
    EXPECT_GT(mirrored, 60000);
    EXPECT_LT(plain, mirrored / 4);
}

// ---------------------------------------------------------------- scenes as drawn

// The meshes and camera curves of a 3DS scene the way scene assembly builds them: positions
// as the reader stores them, camera keys (-x, -y, z) of the stored key positions, tension 1.
struct Assembled {
    std::vector<Mesh> meshes;
    TCBCurve c[6];
};

Assembled assemble3ds(const std::string& file) {
    Assembled a;
    Scene3ds s;
    EXPECT_TRUE(read3dsScene(kData + file, s));
    for (const Object3ds& o : s.objects) {
        Mesh m;
        allocate(m, o.vertexCount, o.faceCount);
        for (int i = 0; i < o.vertexCount; ++i) {
            m.vertices[i].x = o.positions[i * 3];
            m.vertices[i].y = o.positions[i * 3 + 1];
            m.vertices[i].z = o.positions[i * 3 + 2];
        }
        for (int f = 0; f < o.faceCount; ++f) {
            m.faces[f].a = o.faces[f * 3];
            m.faces[f].b = o.faces[f * 3 + 1];
            m.faces[f].c = o.faces[f * 3 + 2];
        }
        computeFaceNormals(m);
        computeVertexNormals(m);
        a.meshes.push_back(std::move(m));
    }
    for (int i = 0; i < s.trackCount; ++i) {
        const Track3ds& t = s.tracks[i];
        if (t.owner != 0 || t.keyCount < 2) continue;
        int base = t.kind == TRACK_CAMERA ? 0 : 3;
        for (uint32_t k = 0; k < t.keyCount; ++k) {
            float v[3] = {-t.x[k], -t.y[k], t.z[k]};
            for (int axis = 0; axis < 3; ++axis)
                addKey(a.c[base + axis], {t.times[k], 1.0f, 0, 0, v[axis]});
        }
    }
    return a;
}

int drawAssembled(Assembled& a, float t, FrontRule rule) {
    Camera cam = makeCamera();
    setFieldOfView(cam, 45);
    lookAt(cam, evaluate(a.c[0], t), evaluate(a.c[1], t), evaluate(a.c[2], t), evaluate(a.c[3], t),
           evaluate(a.c[4], t), evaluate(a.c[5], t));
    Bitmap frame = createBitmap(320, 240);
    createZBuffer(gZBuffer, 320, 240);
    Material m;
    setFlags(m, MAT_TEXTURED);
    m.base = solidTexture();
    for (Mesh& mesh : a.meshes) {
        setScale(mesh, 1, 1, 1);
        rotate(mesh, 0, 0, 0);
        drawSceneMesh(frame, mesh, cam, m, rule);
    }
    return covered(frame);
}

// The cameras of the 3DS scenes look at what the forge put in front of them: the scene
// fills much of the frame all through its time (a camera turned by a wrong axis conversion
// would look away into nothing).
TEST(ForgeData, ThreeDsSceneCamerasSeeTheirScenes) {
    struct Need {
        const char* file;
        float timeEnd;
        int minCover;
    };
    for (Need n : {Need{"scene03.3ds", 9.25f, 30000}, Need{"scene01.3ds", 26.0f, 30000},
                   Need{"scene04.3ds", 10.0f, 8000}}) {
        Assembled a = assemble3ds(n.file);
        ASSERT_GE(keyCount(a.c[0]), 2) << n.file;
        ASSERT_GE(keyCount(a.c[3]), 2) << n.file;
        for (float t = 0; t <= n.timeEnd; t += n.timeEnd / 8) {
            int front = drawAssembled(a, t, FrontRule::Default);
            EXPECT_GT(front, n.minCover) << n.file << " at " << t;
        }
    }
}

// ---------------------------------------------------------------- the program

TEST(ForgeProgram, TwoRunsWriteTheSameBytes) {
    fs::path a = fs::path(TW_BINARY_DIR) / "test-scratch" / "forge-a";
    fs::path b = fs::path(TW_BINARY_DIR) / "test-scratch" / "forge-b";
    fs::remove_all(a);
    fs::remove_all(b);
    ASSERT_EQ(runTool(kForge + " --out " + a.string()).status, 0);
    ASSERT_EQ(runTool(kForge + " --out " + b.string()).status, 0);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(a / "data")) {
        auto read = [](const fs::path& p) {
            std::ifstream in(p, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        };
        std::string name = entry.path().filename().string();
        EXPECT_EQ(read(entry.path()), read(b / "data" / name)) << name;
        EXPECT_EQ(read(entry.path()), read(fs::path(kData) / name))
            << name << " differs from the build's";
        ++files;
    }
    EXPECT_GE(files, 38);
}

TEST(ForgeProgram, BadOptionsAndUnwritableFoldersFailClearly) {
    ToolRun bad = runTool(kForge + " --frobnicate");
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.out.find("unknown option --frobnicate"), std::string::npos) << bad.out;
    ToolRun missing = runTool(kForge + " --out");
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.out.find("--out needs a value"), std::string::npos) << missing.out;
    ToolRun none = runTool(kForge);
    EXPECT_NE(none.status, 0);
    EXPECT_NE(none.out.find("usage"), std::string::npos);
    // A folder that cannot be made (its parent is a file).
    fs::path file = fs::path(TW_BINARY_DIR) / "test-scratch" / "not-a-folder";
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
    ToolRun blocked = runTool(kForge + " --out " + file.string());
    EXPECT_NE(blocked.status, 0);
    EXPECT_NE(blocked.out.find("cannot create"), std::string::npos) << blocked.out;
    ToolRun sheet = runTool(kForge + " --contact-sheet " + (file / "sheet.png").string());
    EXPECT_NE(sheet.status, 0);
    EXPECT_NE(sheet.out.find("cannot write"), std::string::npos) << sheet.out;
}

TEST(ForgeProgram, ContactSheetIsAPng) {
    fs::path png = fs::path(TW_BINARY_DIR) / "test-scratch" / "sheet.png";
    fs::remove(png);
    ToolRun r = runTool(kForge + " --contact-sheet " + png.string());
    ASSERT_EQ(r.status, 0) << r.out;
    std::ifstream in(png, std::ios::binary);
    char magic[8] = {};
    in.read(magic, 8);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
    EXPECT_GT(fs::file_size(png), 100000u);
}

} // namespace
} // namespace tw
