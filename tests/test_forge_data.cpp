// The forged data set: every file the scenes load, at the sizes they rely on, doing its job
// in the operation that uses it; meshes wound for the side they are seen from; camera keys
// covering each scene's time; the same bytes on every run; clear failures on bad options.
// Files are read back through the project's own readers and, where one exists, through a
// reader written elsewhere (Pillow, lib3ds).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "anim/tcb.h"
#include "formats/scene.h"
#include "formats/tds_mesh.h"
#include "formats/tds_scene.h"
#include "image/tga.h"
#include "render/camera.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/scene_draw.h"
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
    struct Size {
        int w, h;
        std::vector<std::string> names;
    };
    for (const Size& size :
         {Size{320,
               240,
               {"eye.tga", "eye_alpha.tga", "sweet.tga", "sweet2.tga", "blm.tga", "fake.tga",
                "creds.tga", "hot.tga", "boombox.tga", "skinner.tga", "end.tga"}},
          Size{4096, 32, {"greets.tga"}},
          Size{256,
               256,
               {"rpl.tga", "s08_back32.tga", "s08_back33.tga", "wall3.tga", "wall3_b.tga",
                "jallaenv2.tga", "wall_b2.tga", "s02_lightmap.tga", "s02_lightmap4.tga"}}})
        for (const std::string& name : size.names) {
            Bitmap b = picture(name);
            EXPECT_TRUE(b.width == size.w && b.height == size.h) << name;
            EXPECT_TRUE(size.w != 256 || b.widthShift == 8) << name;
        }
    // The slide-in cards are drawn at row 0 and must not be taller than the frame.
    for (const char* name : {"euelite.tga", "noelite.tga"}) {
        Bitmap b = picture(name);
        EXPECT_TRUE(b.width > 40 && b.width <= 320 && b.height == 240) << name;
    }
    for (const char* name : {"geo2.3ds", "skygeo.3ds", "ting.3ds", "spike.3ds", "scene01.3ds",
                             "scene03.3ds", "scene04.3ds", "room03.siv", "tunnel.siv"})
        EXPECT_TRUE(fs::is_regular_file(kData + name)) << name;
}

// ---------------------------------------------------------------- pictures do their job

TEST(ForgeData, PicturesSuitTheOperationsThatUseThem) {
    // Multiply pictures are mostly bright; the add picture (skinner) mostly dark.
    const std::tuple<const char*, int, int> means[] = {
        {"creds.tga", 200, 256}, {"blm.tga", 150, 256},     {"fake.tga", 170, 256},
        {"hot.tga", 150, 256},   {"boombox.tga", 130, 256}, {"skinner.tga", -1, 12}};
    for (auto [name, lo, hi] : means) {
        double m = meanLum(picture(name));
        EXPECT_TRUE(m > lo && m < hi) << name << " " << m;
    }
    // hot: bright in the middle, warm at the edges.
    Bitmap hot = picture("hot.tga");
    EXPECT_GT(lum(hot.pixels[120 * 320 + 160]), 240);
    EXPECT_GT(channel(hot.pixels[120 * 320 + 2], 16), channel(hot.pixels[120 * 320 + 2], 0) + 80);
    // The room's lamp maps multiply the walls and floor: a bright pool in the middle, and at
    // the clamped edges (all the room outside the lamp's cone) still about half light, or
    // the room goes to a dark smear.
    for (const char* name : {"s02_lightmap.tga", "s02_lightmap4.tga"}) {
        Bitmap b = picture(name);
        EXPECT_GT(lum(b.pixels[0]), 110) << name;
        EXPECT_GT(lum(b.pixels[128 * 256 + 128]), lum(b.pixels[0]) + 80) << name;
    }
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
    auto step = [&](int a, int b, int across) { // across 1: columns a|b, 256: rows a|b
        double s = 0;
        for (int i = 0; i < 256; ++i) {
            int along = i * (257 - across);
            s += std::fabs(lum(rpl.pixels[along + a * across]) -
                           lum(rpl.pixels[along + b * across]));
        }
        return s / 256;
    };
    double inner = (step(127, 128, 1) + step(127, 128, 256)) / 2;
    EXPECT_LT(step(255, 0, 1), inner * 2.5 + 2);
    EXPECT_LT(step(255, 0, 256), inner * 2.5 + 2);
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

// The writer's orientation is checked against Pillow; here the content is the right way up.
TEST(ForgeData, PicturesAreTheRightWayUp) {
    // The credits' title sits in the lower left. All of their ink keeps to the lower part of
    // the frame: the mirror facets of the sky above row 140 face down into the dark water,
    // and dark ink over them could not be read.
    Bitmap creds = picture("creds.tga");
    double title = 0, above = 0;
    for (int y = 148; y < 170; ++y)
        for (int x = 14; x < 150; ++x) {
            title += lum(creds.pixels[y * 320 + x]);
            above += lum(creds.pixels[(y - 100) * 320 + x]);
        }
    EXPECT_LT(title, above * 0.85);
    int inkAbove = 0;
    for (int i = 0; i < 140 * 320; ++i) inkAbove += lum(creds.pixels[i]) < 200;
    EXPECT_EQ(inkAbove, 0);
}

// ---------------------------------------------------------------- single meshes

struct FileMesh {
    std::vector<Vec3> pos; // converted as the single-mesh reader does: (x, -z, y)
    std::vector<std::array<int, 3>> faces;
};

// Reads a single mesh through lib3ds's 3dsdump and applies the reader's axis conversion.
FileMesh dumpMesh(const std::string& file) {
    FileMesh m;
    std::istringstream in(runTool("3dsdump -t " + kData + file).out);
    std::string line;
    int mode = 0; // 1: points, 2: faces
    while (std::getline(in, line)) {
        if (line.find("point list:") != std::string::npos) mode = 1;
        if (line.find("facelist:") != std::string::npos) mode = 2;
        std::istringstream l(line);
        float x, y, z;
        int a, b, c;
        if (mode == 1 && l >> x >> y >> z) m.pos.push_back({x, -z, y});
        if (mode == 2 && l >> a >> b >> c) m.faces.push_back({a, b, c});
    }
    return m;
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

// Each single mesh through lib3ds: the project's reader sees the same vertices and faces;
// closed objects are wound outward (positive volume) and the sky inward; sizes suit the
// views: the knot at 600 units with 30 degrees (about +-160 by +-119 units visible), the
// spike at 300 (+-80 by +-60), the lattice with the camera 450 to 550 units away.
TEST(ForgeData, SingleMeshesAgreeWithLib3dsAndAreSizedAndWoundForTheirCameras) {
    if (!haveTool("3dsdump")) GTEST_SKIP() << "3dsdump (lib3ds-dev) not installed";
    struct Need {
        const char* file;
        float minR, maxR;
        bool closed;
    };
    for (Need n : {Need{"skygeo.3ds", 2000, 1e9f, false}, Need{"ting.3ds", 60, 112, true},
                   Need{"spike.3ds", 35, 59, true}, Need{"geo2.3ds", 250, 440, false}}) {
        FileMesh d = dumpMesh(n.file);
        Mesh mesh;
        ASSERT_TRUE(loadTdsMesh(mesh, kData + n.file)) << n.file;
        ASSERT_EQ(mesh.vertexCount, static_cast<int>(d.pos.size())) << n.file;
        ASSERT_EQ(mesh.faceCount, static_cast<int>(d.faces.size())) << n.file;
        ASSERT_GT(mesh.faceCount, 0) << n.file;
        float lo = 1e9f, hi = 0;
        for (int i = 0; i < mesh.vertexCount; ++i) {
            const Vertex& v = mesh.vertices[i];
            EXPECT_NEAR(dotV(sub({v.x, v.y, v.z}, d.pos[i]), sub({v.x, v.y, v.z}, d.pos[i])), 0,
                        1e-5f)
                << n.file << " vertex " << i;
            lo = std::min(lo, std::sqrt(dotV(d.pos[i], d.pos[i])));
            hi = std::max(hi, std::sqrt(dotV(d.pos[i], d.pos[i])));
        }
        double volume = 0;
        for (int f = 0; f < mesh.faceCount; ++f) {
            auto [a, b, c] = d.faces[f];
            EXPECT_TRUE(mesh.faces[f].a == a && mesh.faces[f].b == b && mesh.faces[f].c == c);
            volume += dotV(d.pos[a], crossV(d.pos[b], d.pos[c]));
        }
        bool sky = std::string(n.file) == "skygeo.3ds";
        EXPECT_GT(sky ? lo : hi, n.minR) << n.file;
        EXPECT_LT(hi, n.maxR) << n.file;
        EXPECT_TRUE(!n.closed || volume > 0) << n.file;
        if (!sky) continue;
        // The sky surrounds cameras 400 (metaballs) and 1600 (credits) units from its
        // centre: every face's normal (b - a) x (c - a) points at each, for any turn.
        for (Vec3 cam : {Vec3{0, 0, -400}, Vec3{0, 0, -1600}, Vec3{1600, 0, 0}, Vec3{0, 1600, 0}}) {
            int facing = 0;
            for (auto [a, b, c] : d.faces) {
                Vec3 nrm = crossV(sub(d.pos[b], d.pos[a]), sub(d.pos[c], d.pos[a]));
                facing += dotV(nrm, sub(cam, d.pos[a])) > 0;
            }
            EXPECT_EQ(facing, mesh.faceCount);
        }
        // Every facet stays nearly square to the centre, so whatever the turn the facets in
        // the lower half of the credits' view mirror the bright sky (the credits' ink sits
        // there) and those in the upper half the dark water.
        float leastCos = 1;
        for (auto [a, b, c] : d.faces) {
            Vec3 nrm = crossV(sub(d.pos[b], d.pos[a]), sub(d.pos[c], d.pos[a]));
            Vec3 g = {d.pos[a].x + d.pos[b].x + d.pos[c].x, d.pos[a].y + d.pos[b].y + d.pos[c].y,
                      d.pos[a].z + d.pos[b].z + d.pos[c].z};
            leastCos = std::min(leastCos, -dotV(nrm, g) / std::sqrt(dotV(nrm, nrm) * dotV(g, g)));
        }
        EXPECT_GT(leastCos, 0.99f) << "a facet leans " << std::acos(leastCos) * 57.3f << " degrees";
    }
}

// ---------------------------------------------------------------- drawn through the renderer

Material whiteMaterial() {
    Material m;
    setFlags(m, MAT_TEXTURED);
    m.base = createBitmap(256, 256);
    fillBitmap(m.base, 0xFFFFFFFF);
    m.base.widthShift = 8;
    m.base.widthMask = 255;
    return m;
}

struct Drawn {
    int covered = 0;     // of 76800 pixels
    double nearness = 0; // sum of the depth buffer: larger is nearer
};

// Draws one mesh, or a whole scene through its camera 0 with every material white.
template <class Draw> Drawn drawn(Draw draw) {
    Bitmap frame = createBitmap(320, 240);
    createZBuffer(gZBuffer, 320, 240);
    draw(frame);
    Drawn d;
    for (int i = 0; i < frame.pixelCount(); ++i) d.covered += (frame.pixels[i] & 0xFFFFFF) != 0;
    for (int32_t q : gZBuffer.depth) d.nearness += q;
    return d;
}
Drawn drawWhite(Scene& s, float t) {
    for (Material& m : s.materials) m = whiteMaterial();
    return drawn([&](Bitmap& frame) { drawScene(s, frame, 0, t); });
}

TEST(ForgeData, RendererSeesTheFrontsOfTheSingleMeshes) {
    Camera cam = makeCamera();
    Material white = whiteMaterial();
    struct Case {
        const char* file;
        float camZ, objZ, fov;
        int minCover;
    } cases[] = {{"skygeo.3ds", -400, 0, 30, 60000}, {"skygeo.3ds", -600, 1000, 30, 60000},
                 {"ting.3ds", -600, 0, 30, 8000},    {"spike.3ds", -300, 0, 30, 6000},
                 {"geo2.3ds", -450, 0, 150, 1500},   {"geo2.3ds", -550, 0, 150, 800}};
    for (const Case& c : cases) {
        Mesh mesh;
        ASSERT_TRUE(loadTdsMesh(mesh, kData + c.file));
        computeVertexNormals(mesh);
        computeFaceNormals(mesh);
        setFieldOfView(cam, c.fov);
        lookAt(cam, 0, 0, c.camZ, 0, 0, 0);
        setPosition(mesh, 0, 0, c.objZ);
        auto with = [&](FrontRule rule) {
            return drawn([&](Bitmap& f) { drawSceneMesh(f, mesh, cam, white, rule); });
        };
        Drawn front = with(FrontRule::Default), back = with(FrontRule::Mirrored);
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

// Camera 0 of each scene has keys from 0 to at least the last time its set-up reaches, and
// as assembled it looks at what the forge put in front of it all through that time (a wrong
// axis conversion would look away into nothing).
TEST(ForgeData, TdsSceneCamerasCoverTheirTimeAndSeeTheirScenes) {
    struct Need {
        const char* file;
        float timeEnd;
        int minCover;
    };
    for (Need n : {Need{"scene03.3ds", 9.25f, 30000}, Need{"scene01.3ds", 26.0f, 30000},
                   Need{"scene04.3ds", 10.0f, 8000}}) {
        Scene s;
        loadTdsScene(s, kData + n.file);
        ASSERT_FALSE(s.cameras.empty()) << n.file;
        ASSERT_GE(s.meshes.size(), 2u) << n.file;
        for (const TCBCurve& c : s.cameras[0].curves) {
            ASSERT_GE(keyCount(c), 2) << n.file;
            EXPECT_EQ(c.keys.front().time, 0.0f) << n.file;
            EXPECT_GE(c.keys.back().time, n.timeEnd - 0.01f) << n.file;
        }
        for (float t = 0; t <= n.timeEnd; t += n.timeEnd / 8)
            EXPECT_GT(drawWhite(s, t).covered, n.minCover) << n.file << " at " << t;
    }
    // The grey scene's set-up amends materials 0 to 2: material 0 must be layered (texture
    // and reflection) for its projected second layer to exist. Material 1 keeps only its low
    // flag bits, which would turn a layer into a multiply too dark to survive the scene's
    // grain, so it is a plain texture. The greetings' set-up turns material 0 into face
    // environment mapping: reflection only.
    TdsSceneRecord grey, valley;
    ASSERT_TRUE(readTdsScene(kData + "scene04.3ds", grey));
    ASSERT_TRUE(readTdsScene(kData + "scene01.3ds", valley));
    EXPECT_EQ(grey.materials[0].maps, MAP_TEXTURE | MAP_REFLECTION);
    EXPECT_EQ(grey.materials[1].maps, static_cast<uint32_t>(MAP_TEXTURE));
    EXPECT_EQ(valley.materials[0].maps, static_cast<uint32_t>(MAP_REFLECTION));
}

TEST(ForgeData, TdsScenesThroughLib3dsAndAssimp) {
    for (const char* file : {"scene01.3ds", "scene03.3ds", "scene04.3ds"}) {
        TdsSceneRecord s;
        ASSERT_TRUE(readTdsScene(kData + file, s));
        if (haveTool("3dsdump")) {
            ToolRun nodes = runTool(std::string("3dsdump -n ") + kData + file);
            ASSERT_EQ(nodes.status, 0) << nodes.out;
            for (const char* role : {" (Camera)", " (Target)"})
                EXPECT_NE(nodes.out.find(s.cameras[0].name + role), std::string::npos) << file;
        }
        if (haveTool("assimp")) {
            ToolRun info = runTool(std::string("assimp info ") + kData + file);
            ASSERT_EQ(info.status, 0) << info.out;
            auto count = [&](const std::string& label) {
                size_t at = info.out.find("\n" + label + ":");
                return at == std::string::npos
                           ? -1L
                           : std::strtol(&info.out[at + label.size() + 2], nullptr, 10);
            };
            long faces = 0;
            for (const TdsObjectRecord& o : s.objects) faces += o.faceCount;
            EXPECT_EQ(count("Faces"), faces) << file;
            EXPECT_EQ(count("Cameras"), 1) << file;
        }
    }
}

// ---------------------------------------------------------------- SIV scenes

Vec3 eyeAt(const Camera& c, float t, int first = 0) {
    return {evaluate(c.curves[first], t), evaluate(c.curves[first + 1], t),
            evaluate(c.curves[first + 2], t)};
}

TEST(ForgeData, RoomHasFiveMaterialsAndACameraInside) {
    Scene room;
    loadSivScene(room, kData + "room03.siv");
    ASSERT_GE(room.materials.size(), 5u);
    ASSERT_FALSE(room.cameras.empty());
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (const Mesh& m : room.meshes)
        for (int i = 0; i < m.vertexCount; ++i) {
            float v[3] = {m.vertices[i].x + m.px, m.vertices[i].y + m.py, m.vertices[i].z + m.pz};
            for (int a = 0; a < 3; ++a)
                lo[a] = std::min(lo[a], v[a]), hi[a] = std::max(hi[a], v[a]);
        }
    const Camera& cam = room.cameras[0];
    ASSERT_GE(keyCount(cam.curves[0]), 2);
    EXPECT_GE(cam.curves[0].keys.back().time, 12.5f) << "keys cover the room's 12.5 s";
    // Between and on the keys the viewer stays well inside the room.
    for (float t = 0; t <= 12.5f; t += 0.05f) {
        Vec3 e = eyeAt(cam, t);
        float v[3] = {e.x, e.y, e.z};
        for (int a = 0; a < 3; ++a) {
            EXPECT_GT(v[a], lo[a] + 20) << "axis " << a << " at " << t;
            EXPECT_LT(v[a], hi[a] - 20) << "axis " << a << " at " << t;
        }
    }
}

TEST(ForgeData, TunnelCameraFliesInsideTheTubeForTheWholeScene) {
    Scene tunnel;
    loadSivScene(tunnel, kData + "tunnel.siv");
    ASSERT_FALSE(tunnel.materials.empty());
    ASSERT_FALSE(tunnel.meshes.empty());
    ASSERT_FALSE(tunnel.cameras.empty());
    const Mesh& walls = tunnel.meshes[0];
    const Camera& cam = tunnel.cameras[0];
    ASSERT_GE(keyCount(cam.curves[0]), 2);
    // 0.96 ahead of 0.014 per centisecond over the scene's 1300 centiseconds.
    EXPECT_GE(cam.curves[0].keys.back().time, 0.96f + 1300 * 0.014f);
    float nearest = 1e9f;
    for (float t = 0; t <= 19.2f; t += 0.1f) {
        Vec3 eye = eyeAt(cam, t);
        for (int i = 0; i < walls.vertexCount; ++i) {
            const Vertex& w = walls.vertices[i];
            Vec3 d = sub({w.x + walls.px, w.y + walls.py, w.z + walls.pz}, eye);
            nearest = std::min(nearest, std::sqrt(dotV(d, d)));
        }
    }
    EXPECT_GT(nearest, 30) << "the camera never comes near the wall";
    // Drawn as SIV scenes are (mirrored rule), the walls show from inside; the 3DS rule
    // would show almost nothing.
    int mirrored = drawWhite(tunnel, 5).covered;
    tunnel.isTds = 1;
    int plain = drawWhite(tunnel, 5).covered;
    EXPECT_GT(mirrored, 60000);
    EXPECT_LT(plain, mirrored / 4);
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
