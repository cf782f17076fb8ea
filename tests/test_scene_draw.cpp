// Drawing a whole scene: camera choice and fallback, curves driving the view, mesh reset,
// the winding rule chosen by the scene's file kind, and scenes that cannot be drawn.
#include <gtest/gtest.h>

#include "base/report.h"
#include "image/bitmap.h"
#include "render/scene_draw.h"

namespace tw {
namespace {

void addKeys(Camera& c, int first, float t, float x, float y, float z) {
    const float v[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) addKey(c.curves[first + i], TCBKey{t, 0, 0, 0, v[i]});
}

// A still camera at z = -200 on the axis, looking at (0, 0, targetZ).
Camera still(float targetZ) {
    Camera c = makeCamera();
    addKeys(c, 0, 0, 0, 0, -200);
    addKeys(c, 3, 0, 0, 0, targetZ);
    return c;
}

Mesh triangle(bool reversed) {
    Mesh m;
    allocate(m, 3, 1);
    const float p[3][2] = {{-40, -40}, {40, -40}, {0, 40}};
    for (int i = 0; i < 3; ++i) m.vertices[i].x = p[i][0], m.vertices[i].y = p[i][1];
    m.faces[0].b = reversed ? 2 : 1;
    m.faces[0].c = reversed ? 1 : 2;
    computeFaceNormals(m);
    computeVertexNormals(m);
    return m;
}

Scene wireScene(uint8_t isTds, bool reversed) {
    Scene s;
    s.isTds = isTds;
    Material wire;
    setFlags(wire, MAT_WIRE);
    s.materials.push_back(wire);
    s.cameras.push_back(still(0));
    s.meshes.push_back(triangle(reversed));
    return s;
}

Material refused(uint32_t flags, Bitmap base, Bitmap second, Bitmap third) {
    Material m;
    m.flags = flags, m.base = base, m.second = second, m.third = third;
    m.name = "floor", m.file = "data/hall.3ds";
    return m;
}

class SceneDraw : public ::testing::Test {
  protected:
    void SetUp() override {
        frame = createBitmap(320, 240);
        createZBuffer(gZBuffer, 320, 240);
    }
    int draw(Scene& s, int camera, float t) {
        clearBitmap(frame);
        clearZBuffer(gZBuffer);
        drawScene(s, frame, camera, t);
        int lit = 0;
        for (int i = 0; i < frame.pixelCount(); ++i) lit += frame.pixels[i] != 0;
        return lit;
    }
    Bitmap frame;
};

TEST_F(SceneDraw, WindingRuleFollowsTheFileKind) {
    bool lit[2][2]; // [isTds][reversed]
    for (uint8_t kind : {0, 1}) {
        for (bool reversed : {false, true}) {
            Scene s = wireScene(kind, reversed);
            lit[kind][reversed] = draw(s, 0, 0) > 0;
            // A two-sided material is drawn whatever the winding and the kind.
            setFlags(s.materials[0], MAT_WIRE | MAT_TWO_SIDED);
            EXPECT_GT(draw(s, 0, 0), 0) << int(kind) << reversed;
        }
    }
    // Each winding is drawn by exactly one of the two kinds, and the kinds disagree.
    EXPECT_NE(lit[1][0], lit[0][0]);
    EXPECT_NE(lit[1][1], lit[0][1]);
    EXPECT_EQ(lit[1][0], lit[0][1]);
}

TEST_F(SceneDraw, CameraIndexFallsBackToCameraZero) {
    Scene s = wireScene(1, false);
    if (draw(s, 0, 0) == 0) s = wireScene(1, true); // whichever winding faces the camera
    // Camera 1 looks away from the triangle.
    s.cameras.push_back(still(-400));
    EXPECT_GT(draw(s, 0, 0), 0);
    EXPECT_EQ(draw(s, 1, 0), 0);
    for (int bad : {2, 99, -1}) EXPECT_GT(draw(s, bad, 0), 0) << bad;
}

TEST_F(SceneDraw, CurvesDriveTheViewAndMeshesAreReset) {
    Scene s = wireScene(1, false);
    if (draw(s, 0, 0) == 0) s = wireScene(1, true);
    Camera moving = makeCamera();
    addKeys(moving, 0, 0, 0, 0, -200);
    addKeys(moving, 0, 10, 0, 0, -300);
    addKeys(moving, 3, 0, 0, 0, 0);
    addKeys(moving, 3, 10, 0, 0, -600); // looking away by t = 10
    s.cameras[0] = moving;
    s.meshes[0].px = 5;
    rotate(s.meshes[0], 30, 40, 50);
    setScale(s.meshes[0], 2, 2, 2);
    EXPECT_GT(draw(s, 0, 0), 0);
    EXPECT_FLOAT_EQ(s.cameras[0].position[2], -200);
    Matrix identity;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(s.meshes[0].matrix.m[r][c], identity.m[r][c]);
    EXPECT_EQ(draw(s, 0, 10), 0);
    EXPECT_FLOAT_EQ(s.cameras[0].position[2], -300);
}

TEST_F(SceneDraw, ScenesThatCannotBeDrawnDrawNothing) {
    Scene empty;
    empty.meshes.push_back(triangle(false));
    EXPECT_EQ(draw(empty, 0, 0), 0); // no camera

    // Invalid material indices (a file without materials) draw as a material without maps.
    Scene s = wireScene(1, false);
    s.meshes.push_back(triangle(true));
    const int wired = draw(s, 0, 0);
    EXPECT_GT(wired, 0);
    s.materials.clear();
    s.meshes[0].materialIndex = 5;
    s.meshes[1].materialIndex = -1;
    EXPECT_EQ(draw(s, 0, 0), wired);

    // A material drawing refuses (a 6x6 texture; a bump map smaller than its base) is
    // reported once, by name and file, and draws nothing.
    Material bad = refused(MAT_TEXTURED, createBitmap(6, 6), {}, {});
    Bitmap four = createBitmap(4, 4);
    four.widthShift = 2, four.widthMask = 3;
    for (const char* why : {"texture is not", "bump map is smaller"}) {
        s.materials = {bad};
        s.meshes[0].materialIndex = s.meshes[1].materialIndex = 0;
        ReportCapture cap;
        EXPECT_EQ(draw(s, 0, 0) + draw(s, 0, 0), 0);
        ASSERT_EQ(cap.lines.size(), 1u) << why;
        for (const char* part : {"data/hall.3ds", "\"floor\"", why})
            EXPECT_NE(cap.lines[0].find(part), std::string::npos) << cap.lines[0];
        bad = refused(MAT_LAYERED | MAT_BUMP, four, four, createBitmap(2, 2));
    }

    Scene unkeyed = wireScene(1, false);
    unkeyed.meshes.push_back(triangle(true));
    unkeyed.cameras[0].curves[4].keys.clear();
    EXPECT_EQ(draw(unkeyed, 0, 0), 0); // a curve without keys is never evaluated
}

} // namespace
} // namespace tw
