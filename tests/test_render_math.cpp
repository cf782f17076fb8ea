// Matrices, mesh normals and cameras: rotation order and factor, normals without NaN,
// lookAt's view axis and fallbacks, frustum, and the constructors' field-of-view quirk.
#include <gtest/gtest.h>

#include <cmath>

#include "render/camera.h"
#include "render/matrix.h"
#include "render/mesh.h"
#include "tests/support/render_fixtures.h"

namespace tw {
namespace {

void expectBasisNear(const Matrix& a, const Matrix& b, float tol = 1e-6f) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], tol) << i << "," << j;
}

Matrix rotation(float a, float b, float c) {
    Matrix m;
    setRotation(m, a, b, c);
    return m;
}

TEST(Matrix, RotationIsXThenYThenZWithTheRotationFactor) {
    expectBasisNear(rotation(0, 0, 0), Matrix{});

    // Composed from single-axis turns in x, y, z order it equals the combined rotation, and
    // the reverse order gives something else.
    Matrix composed = rotation(30, 0, 0);
    concatRotation(composed, rotation(0, 50, 0));
    concatRotation(composed, rotation(0, 0, 70));
    expectBasisNear(composed, rotation(30, 50, 70));
    Matrix reversed = rotation(0, 0, 70);
    concatRotation(reversed, rotation(0, 50, 0));
    concatRotation(reversed, rotation(30, 0, 0));
    EXPECT_GT(std::fabs(reversed.m[0][1] - composed.m[0][1]), 0.1f);

    // Turning sense and the factor 3.14/180 (90 degrees is not an exact quarter turn):
    // (0, 1, 0) about x by a goes to (0, cos a, sin a).
    const Vec3 p = transform(rotation(90, 0, 0), 0, 1, 0);
    EXPECT_NEAR(p.y, std::cos(1.5700000f), 1e-6f);
    EXPECT_GT(p.y, 7e-4f);
    EXPECT_NEAR(p.z, std::sin(1.5700000f), 1e-6f);
}

TEST(Matrix, ConcatKeepsTranslationAndMeshScalesBeforeRotating) {
    Matrix m;
    m.m[3][0] = 10;
    m.m[0][3] = 7;
    concatRotation(m, rotation(10, 20, 30));
    EXPECT_EQ(m.m[3][0], 10.0f); // row 3 and column 3 untouched
    EXPECT_EQ(m.m[0][3], 7.0f);

    Mesh mesh;
    setScale(mesh, 2, 1, 1);
    rotate(mesh, 0, 0, 90);
    const Vec3 r = transform(mesh.matrix, 1, 0, 0);
    EXPECT_NEAR(r.x, 2 * std::cos(90 * kRotationFactor), 1e-6f);
    EXPECT_NEAR(r.y, 2 * std::sin(90 * kRotationFactor), 1e-6f);
    setScale(mesh, 1, 1, 1); // discards the rotation
    expectBasisNear(mesh.matrix, Matrix{}, 0);
}

using test::meshOf;

TEST(MeshNormals, UnitWeightedAndNeverNaN) {
    // Vertex 0 is shared by a large face in the z = 0 plane and a small one in the x = 0
    // plane; vertex 5 is unused; face 2 has no area.
    Mesh m = meshOf({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 1}, {0, 1, 0}, {5, 5, 5}},
                    {{0, 1, 2}, {0, 4, 3}, {1, 1, 2}});
    computeFaceNormals(m);
    computeVertexNormals(m);
    EXPECT_FLOAT_EQ(m.faces[0].nz, 1.0f);
    EXPECT_FLOAT_EQ(m.faces[1].nx, 1.0f);
    EXPECT_EQ(m.faces[2].nx + m.faces[2].ny + m.faces[2].nz, 0.0f);
    const Vertex& v0 = m.vertices[0];
    EXPECT_NEAR(v0.nx * v0.nx + v0.ny * v0.ny + v0.nz * v0.nz, 1.0f, 1e-6f);
    // Unnormalised sums (0, 0, 100) + (1, 0, 0): weighted towards the large face.
    EXPECT_GT(v0.nx, 0.0f);
    EXPECT_NEAR(v0.nz / v0.nx, 100.0f, 1e-3f);
    const Vertex& unused = m.vertices[5];
    EXPECT_EQ(std::fabs(unused.nx) + std::fabs(unused.ny) + std::fabs(unused.nz), 0.0f);

    EXPECT_TRUE(indicesValid(m));
    m.faces[1].c = 6;
    EXPECT_FALSE(indicesValid(m));
    computeFaceNormals(m); // a bad index is never read
    computeVertexNormals(m);
    EXPECT_EQ(m.faces[1].nx, 0.0f);
}

TEST(Camera, LookAtPutsTheTargetOnTheViewAxis) {
    Camera c = makeCamera();
    // The last three fall back: straight up, straight down and onto the eye.
    const float eyes[][6] = {{0, 0, -300, 0, 0, 0},      {10, -20, 30, -40, 50, 60},
                             {100, 5, 0, -100, 5, 0},    {0, 0, 0, 1, 1000, 1},
                             {3, 4, 5, 3, -100, 5.001f}, {0, 0, 0, 0, 100, 0},
                             {0, 0, 0, 0, -100, 0},      {0, 0, 0, 0, 0, 0}};
    for (const auto& e : eyes) {
        lookAt(c, e[0], e[1], e[2], e[3], e[4], e[5]);
        for (auto& row : c.view.m)
            for (float v : row) ASSERT_TRUE(std::isfinite(v));
        const float dx = e[3] - e[0], dy = e[4] - e[1], dz = e[5] - e[2];
        const Vec3 t = transform(c.view, dx, dy, dz);
        const float dist = std::sqrt(dx * dx + dy * dy + dz * dz);
        EXPECT_NEAR(t.x, 0, 1e-3f * dist) << e[4];
        EXPECT_NEAR(t.y, 0, 1e-3f * dist) << e[4];
        EXPECT_NEAR(t.z, dist, 1e-4f * dist) << e[4];
        EXPECT_EQ(c.position[0], e[0]);
    }
}

TEST(Camera, FrustumEdgesAreUnitSlopes) {
    // Built with a 90-degree horizontal field of view: the vertical one is 0.75 of it.
    Camera c = makeCamera(0, 0, 0, 0, 0, 100, 90);
    const float halfX = 45 * kFovFactor;
    const float halfY = 0.75f * 90 * kFovFactor / 2;
    const Vec3 right = transform(c.view, 100 * std::tan(halfX), 0, 100);
    EXPECT_NEAR(right.x / right.z, 1.0f, 1e-5f);
    const Vec3 down = transform(c.view, 0, 100 * std::tan(halfY), 100);
    EXPECT_NEAR(down.y / down.z, 1.0f, 1e-5f); // world +y is screen-down (+y)
}

TEST(Camera, ConstructorsFieldOfView) {
    // The view is built with the angle scaled by setFieldOfView's factor, while the stored
    // fields keep the default 30 degrees by another factor.
    const Camera d = makeCamera();
    EXPECT_EQ(d.fovX, 0.52333337f);
    EXPECT_FLOAT_EQ(d.view.m[0][0], std::cos(0.52358335f / 2) / std::sin(0.52358335f / 2));
    const Camera wide = makeCamera(0, 0, -10, 0, 0, 0, 150);
    EXPECT_EQ(wide.fovX, 0.52333337f);
    EXPECT_FLOAT_EQ(wide.view.m[0][0],
                    std::cos(150 * kFovFactor / 2) / std::sin(150 * kFovFactor / 2));
}

} // namespace
} // namespace tw
