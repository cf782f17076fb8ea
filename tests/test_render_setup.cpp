// Face set-up and object drawing: near rejection, winding rules, texture pairs, clipping a
// face that reaches behind the eye, dispatch order, untouched borders, projected texturing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "image/bitmap.h"
#include "render/draw.h"
#include "render/raster.h"
#include "render/setup.h"
#include "tests/support/render_fixtures.h"

namespace tw {
namespace {

constexpr int W = 320, H = 240;

using test::solid;
using test::texture;

// Texel (u, v) of a 64x64 texture holds 0xFF00vvuu.
Bitmap coded() {
    return texture(6, [](int u, int v) { return 0xFF000000u | static_cast<uint32_t>(v << 8 | u); });
}

Material materialOf(uint32_t flags, Bitmap base, Bitmap second = {}) {
    Material m;
    m.flags = flags;
    m.base = std::move(base);
    m.second = std::move(second);
    return m;
}

// A mesh with its face and vertex normals computed, as a loaded mesh has them.
Mesh litMesh(const std::vector<Vec3>& points, const std::vector<std::array<int, 3>>& faces) {
    Mesh m = test::meshOf(points, faces);
    computeFaceNormals(m);
    computeVertexNormals(m);
    return m;
}

class Setup : public ::testing::Test {
  protected:
    void SetUp() override {
        createZBuffer(gZBuffer, W, H);
        frame = createBitmap(W, H);
    }
    void reset() {
        clearBitmap(frame);
        clearZBuffer(gZBuffer);
    }
    int written() const {
        return static_cast<int>(W * H - std::count(frame.pixels, frame.pixels + W * H, 0u));
    }
    uint32_t at(int x, int y) const { return frame.pixels[y * W + x]; }
    void draw(Mesh& m, const Material& mat, FrontRule rule = FrontRule::Default) {
        drawSceneMesh(frame, m, camera, mat, rule);
    }
    Bitmap frame;
    // Camera space is world space (no field-of-view scaling).
    Camera camera = [] {
        Camera c;
        setIdentity(c.view);
        return c;
    }();
    const Material white = materialOf(MAT_TEXTURED | MAT_TWO_SIDED, solid(0xFFFFFFFFu));
};

TEST_F(Setup, NearRejectionAndOutcodes) {
    // In front of the near plane but every depth below 16: rejected; one vertex at 16: drawn.
    for (float z : {1.0f, 16.0f}) {
        Mesh m = litMesh({{-1, -1, 15.9f}, {1, -1, 15.9f}, {0, 1, z}}, {{0, 1, 2}});
        draw(m, white);
        EXPECT_EQ(written() > 0, z == 16.0f);
    }

    // (5, -5, 5) lies exactly on two planes: inside.
    const struct {
        float x, y, z;
        uint32_t code;
    } codes[] = {{5, -5, 5, 0u},
                 {6, -6, 0.5f, OUT_RIGHT | OUT_TOP | OUT_NEAR},
                 {-6, 6, 5, OUT_LEFT | OUT_BOTTOM}};
    for (const auto& c : codes) {
        Vertex v;
        v.cx = c.x, v.cy = c.y, v.cz = c.z;
        computeOutcode(v);
        EXPECT_EQ(v.outcode, c.code) << c.x;
    }
}

TEST_F(Setup, WindingUnderBothRulesAndTwoSided) {
    // On screen A(80.5, 60.5), B(239.5, 60.5), C(160, 179.5): cross product positive.
    Mesh positive = litMesh({{-50, -50, 100}, {50, -50, 100}, {0, 50, 100}}, {{0, 1, 2}});
    Mesh negative = litMesh({{-50, -50, 100}, {50, -50, 100}, {0, 50, 100}}, {{0, 2, 1}});
    // A floor below the eye reaching behind it: seen from above, its front order is the one
    // the same floor has when wholly in front (0, 2, 1), whatever the behind-the-eye corner
    // projects to.
    Mesh floorFront = litMesh({{-50, 50, 100}, {50, 50, 100}, {0, 50, -20}}, {{0, 2, 1}});
    Mesh floorBack = litMesh({{-50, 50, 100}, {50, 50, 100}, {0, 50, -20}}, {{0, 1, 2}});
    const Material opaque = materialOf(MAT_TEXTURED, solid(0xFFFFFFFFu));
    struct Case {
        Mesh* mesh;
        const Material* mat;
        FrontRule rule;
        bool drawn;
    } cases[] = {{&positive, &opaque, FrontRule::Default, false},
                 {&negative, &opaque, FrontRule::Default, true},
                 {&positive, &opaque, FrontRule::Mirrored, true},
                 {&negative, &opaque, FrontRule::Mirrored, false},
                 {&positive, &white, FrontRule::Default, true},
                 {&negative, &white, FrontRule::Mirrored, true},
                 {&floorFront, &opaque, FrontRule::Default, true},
                 {&floorBack, &opaque, FrontRule::Default, false},
                 {&floorFront, &opaque, FrontRule::Mirrored, false},
                 {&floorBack, &opaque, FrontRule::Mirrored, true}};
    for (const Case& c : cases) {
        reset();
        draw(*c.mesh, *c.mat, c.rule);
        EXPECT_EQ(written() > 0, c.drawn) << (&c - cases);
    }
}

TEST_F(Setup, ClipsAFaceReachingBehindTheEye) {
    // B -> C and C -> A cross z = 1 inside the other four planes: a quad, drawn as a fan of 2
    // triangles. The re-projected quad (239.5, 60.5), (317.4, 2.2), (2.6, 2.2), (80.5, 60.5)
    // is covered exactly once (translucent white: one write gives 0x7F).
    Mesh m = litMesh({{-50, -50, 100}, {50, -50, 100}, {0, 0, -1}}, {{0, 2, 1}});
    draw(m, white);
    EXPECT_EQ(at(160, 30) & at(300, 5) & at(20, 5), 0x7F7F7F7Fu);
    EXPECT_EQ(at(160, 70) | at(160, 2), 0u);
    for (int i = 0; i < W * H; ++i)
        ASSERT_TRUE(frame.pixels[i] == 0 || frame.pixels[i] == 0x7F7F7F7Fu);
}

TEST_F(Setup, TexturePairSources) {
    Mesh m = litMesh({{-50, -50, 100}, {-50, 50, 100}, {50, -50, 100}}, {{0, 1, 2}});
    for (Face& f : m.faces) {
        for (UV& c : f.corner) c = {0.25f, 0.5f}; // texel (16, 32) of 64
        f.nx = 0.6f, f.ny = 0.8f, f.nz = 0;       // face normal: texel (50.6, 56.8)
    }
    for (Vertex& v : m.vertices) {
        v.nx = -0.6f, v.ny = 0.8f, v.nz = 0; // vertex normals: texel (13.4, 56.8)
        v.uv1 = {0.75f, 0.125f};             // texel (48, 8)
        v.uv2 = {0.125f, 0.25f};
    }
    auto centre = [&](uint32_t flags, Bitmap second = {}) {
        reset();
        draw(m, materialOf(flags, coded(), std::move(second)));
        return at(150, 115);
    };
    EXPECT_EQ(centre(MAT_TEXTURED), 0xFF002010u);
    EXPECT_EQ(centre(MAT_TEXTURED | MAT_UV1_VERTEX), 0xFF000830u);
    EXPECT_EQ(centre(MAT_TEXTURED | MAT_ENV1 | MAT_ENV1_FACE), 0xFF003832u);
    EXPECT_EQ(centre(MAT_TEXTURED | MAT_ENV1), 0xFF00380Du);
    EXPECT_EQ(centre(MAT_TEXTURED | MAT_ENV1 | MAT_UV1_VERTEX), 0xFF00380Du); // env wins
    // Pair 2 is scaled by the base's width too: a black 64-wide base, a coded 16-wide second,
    // additive (B + E) >> 1. Second texel (u & 15, v & 15) shows as (2u, 2v) / 2.
    const Bitmap second =
        texture(4, [](int u, int v) { return static_cast<uint32_t>((2 * v) << 8 | 2 * u); });
    const Bitmap black = texture(6, [](int, int) { return 0u; });
    auto layered = [&](uint32_t flags) {
        reset();
        draw(m, materialOf(flags | MAT_LAYERED | MAT_LAYER_ADD, black, second));
        return at(150, 115);
    };
    EXPECT_EQ(layered(0), static_cast<uint32_t>((32 & 15) << 8 | (16 & 15))); // corners
    EXPECT_EQ(layered(MAT_UV2_VERTEX), static_cast<uint32_t>((16 & 15) << 8 | (8 & 15)));
    EXPECT_EQ(layered(MAT_ENV2 | MAT_ENV2_FACE), static_cast<uint32_t>((56 & 15) << 8 | (50 & 15)));
}

TEST_F(Setup, DispatchOrder) {
    Mesh m = litMesh({{-50, -50, 100}, {-50, 50, 100}, {50, -50, 100}}, {{0, 1, 2}});
    const Bitmap b = solid(0x80808080u), e = solid(0x40404040u);
    auto centre = [&](uint32_t flags) {
        reset();
        draw(m, materialOf(flags, b, e));
        return at(150, 115);
    };
    EXPECT_EQ(centre(MAT_LAYERED | MAT_TEXTURED | MAT_WIRE), 0x20202020u); // (B * E) >> 8
    EXPECT_EQ(centre(MAT_TEXTURED | MAT_WIRE), 0x80808080u);
    EXPECT_EQ(centre(0), 0u);
    EXPECT_EQ(centre(MAT_ENV1 | MAT_UNUSED_80), 0u);
    EXPECT_EQ(written(), 0);
    centre(MAT_WIRE); // three white outline lines, nothing filled
    EXPECT_EQ(at(150, 115), 0u);
    EXPECT_EQ(at(81, 100), 0xFFFFFFFFu); // the edge x = -5 projects to column 80.5 -> 81
    EXPECT_GT(written(), 300);
    // Missing or unusable textures draw nothing rather than reading outside them.
    EXPECT_EQ(centre(MAT_LAYERED), 0x20202020u);
    reset();
    draw(m, materialOf(MAT_LAYERED, b, Bitmap{}));
    draw(m, materialOf(MAT_TEXTURED, Bitmap{}));
    draw(m, materialOf(MAT_LAYERED | MAT_BUMP, b, e)); // no height map
    EXPECT_EQ(written(), 0);
}

TEST_F(Setup, FramesBordersAreNeverWritten) {
    auto expectBordersClear = [&] {
        for (int x = 0; x < W; ++x) ASSERT_EQ(at(x, 0) | at(x, H - 1), 0u) << x;
        for (int y = 0; y < H; ++y) ASSERT_EQ(at(0, y) | at(W - 1, y), 0u) << y;
    };
    // Quads far larger than the view, one flat, one reaching behind the eye (the plane
    // z = 10 - 0.04 y): both cover the whole view.
    for (float back : {50.0f, -30.0f}) {
        reset();
        Mesh m = litMesh(
            {{-1000, -1000, 50}, {1000, -1000, 50}, {1000, 1000, back}, {-1000, 1000, back}},
            {{0, 1, 2}, {0, 2, 3}});
        draw(m, white);
        expectBordersClear();
        // Clipped points land on the frustum up to float rounding, so the first row and
        // column may round to just inside: at most one pixel is lost on those sides.
        EXPECT_GE(written(), back > 0 ? (W - 2) * (H - 2) : (W - 3) * (H - 3));
    }
    // Random faces across and behind the frustum.
    reset();
    uint32_t state = 7;
    auto next = [&state](float lo, float hi) {
        state = state * 1664525u + 1013904223u;
        return lo + (hi - lo) * static_cast<float>(state >> 8) / 16777216.0f;
    };
    for (int i = 0; i < 3000; ++i) {
        std::vector<Vec3> p(3);
        for (Vec3& q : p) q = {next(-500, 500), next(-500, 500), next(-100, 400)};
        Mesh m = litMesh(p, {{0, 1, 2}});
        draw(m, white);
    }
    EXPECT_GT(written(), W * H / 2);
    expectBordersClear();
}

TEST_F(Setup, DrawingSurvivesDegenerateAndBadInput) {
    // An unused vertex and a face without area: no normal, no NaN.
    Mesh m = litMesh({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {3, 3, 3}}, {{0, 1, 2}, {1, 1, 2}});
    drawSceneMesh(frame, m, makeCamera(0, 0, -100, 0, 0, 0, 60),
                  materialOf(MAT_TEXTURED | MAT_ENV1, coded()), FrontRule::Default);
    EXPECT_EQ(m.vertices[3].cnx, 0.0f);
    EXPECT_TRUE(std::isfinite(m.faces[1].cnx));
    reset();

    // A face naming a missing vertex, and a mesh without vertices: nothing, no crash.
    Mesh bad = litMesh({{-50, -50, 100}, {-50, 50, 100}, {50, -50, 100}}, {{0, 1, 2}});
    bad.faces[0].c = 7;
    draw(bad, white);
    Mesh empty;
    empty.faceCount = 3; // counts that disagree with the arrays are clamped
    draw(empty, materialOf(MAT_TEXTURED, solid(0xFFFFFFFFu)));
    EXPECT_EQ(written(), 0);
}

TEST_F(Setup, ProjectTextureGivesScreenPositionsAsZeroToOne) {
    // Straight ahead, right of centre, behind the eye, on the eye.
    Mesh m = test::meshOf({{0, 0, 100}, {50, 0, 100}, {10, 0, -100}, {0, 0, 0}}, {});
    projectTexture(m, 0, camera);
    EXPECT_NEAR(m.vertices[0].uv1.u, 0.5f, 1e-6f);
    EXPECT_NEAR(m.vertices[0].uv1.v, 0.5f, 1e-6f);
    EXPECT_NEAR(m.vertices[1].uv1.u, (0.5f * 159 + 160) * 0.003125f, 1e-6f);
    EXPECT_EQ(m.vertices[2].uv1.u, (160 - 0.1f * 159) * 0.003125f);          // inside 0..1 already
    EXPECT_TRUE(m.vertices[3].uv1.u >= 0.0f && m.vertices[3].uv1.u <= 1.0f); // never NaN
    m.vertices[1].x = 500;
    projectTexture(m, 1, camera);
    EXPECT_EQ(m.vertices[1].uv2.u, 1.0f);                                    // off screen: clamped
    EXPECT_NEAR(m.vertices[1].uv1.u, (0.5f * 159 + 160) * 0.003125f, 1e-6f); // slot 0 kept
}

} // namespace
} // namespace tw
