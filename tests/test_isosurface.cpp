// Tests for the metaball polygoniser: the marching-cubes tables, surface shape and topology,
// the mesh capacity and the field's behaviour at a ball's centre.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <vector>

#include "scenes/isosurface.h"

namespace tw {
namespace {

TEST(MarchingCubesTables, EveryCaseCutsExactlyTheEdgesThatChangeSide) {
    for (int i = 0; i < 256; ++i) {
        SCOPED_TRACE(i);
        int32_t cut = 0, used = 0;
        for (int e = 0; e < 12; ++e)
            if (((i >> kEdgeCorners[e][0]) & 1) != ((i >> kEdgeCorners[e][1]) & 1)) cut |= 1 << e;
        EXPECT_EQ(kEdgeTable[i], cut);
        const int32_t* row = kTriTable[i];
        int length = 0;
        while (length < 16 && row[length] != -1) ++length;
        ASSERT_LE(length, 15);
        EXPECT_EQ(length % 3, 0);
        for (int k = length; k < 16; ++k) EXPECT_EQ(row[k], -1);
        for (int k = 0; k < length; ++k) {
            ASSERT_TRUE(row[k] >= 0 && row[k] < 12);
            used |= 1 << row[k];
        }
        EXPECT_EQ(used, cut);
    }
    // The published numbering of corners and edges.
    EXPECT_EQ(kEdgeTable[1], 0x109);
    EXPECT_EQ(std::vector<int32_t>(kTriTable[3], kTriTable[3] + 7),
              (std::vector<int32_t>{1, 8, 3, 9, 8, 1, -1}));
}

// ---- topology of a triangle soup ------------------------------------------------------

using Point = std::array<double, 3>;
using Soup = std::vector<std::array<Point, 3>>;

Soup meshSoup(const Mesh& mesh) {
    auto point = [&](int32_t i) {
        const Vertex& v = mesh.vertices[static_cast<size_t>(i)];
        return Point{v.x, v.y, v.z};
    };
    Soup out;
    for (int32_t f = 0; f < mesh.faceCount; ++f) {
        const Face& t = mesh.faces[static_cast<size_t>(f)];
        out.push_back({point(t.a), point(t.b), point(t.c)});
    }
    return out;
}

// Welds vertices closer than `tolerance` (a crossing shared by two cells is interpolated from
// opposite ends of its grid edge, so the copies agree only up to rounding), then checks that
// the surface is closed and consistently wound: every directed edge occurs exactly once and
// its reverse exactly once. Returns the number of connected pieces, 0 when the check fails.
int closedPieces(const Soup& soup, double tolerance = 1e-3) {
    std::map<std::array<long, 3>, std::vector<int>> buckets;
    std::vector<Point> points;
    auto id = [&](const Point& p) {
        std::array<long, 3> b;
        for (int c = 0; c < 3; ++c) b[c] = std::lround(std::floor(p[c] / (4 * tolerance)));
        for (int n = 0; n < 27; ++n) {
            auto it = buckets.find({b[0] + n % 3 - 1, b[1] + n / 3 % 3 - 1, b[2] + n / 9 - 1});
            if (it == buckets.end()) continue;
            for (int i : it->second) {
                const Point& q = points[static_cast<size_t>(i)];
                if (std::fabs(q[0] - p[0]) <= tolerance && std::fabs(q[1] - p[1]) <= tolerance &&
                    std::fabs(q[2] - p[2]) <= tolerance)
                    return i;
            }
        }
        points.push_back(p);
        buckets[b].push_back(static_cast<int>(points.size()) - 1);
        return static_cast<int>(points.size()) - 1;
    };
    std::map<std::pair<int, int>, int> directed;
    std::vector<std::array<int, 3>> triangles;
    for (const auto& t : soup) {
        std::array<int, 3> v = {id(t[0]), id(t[1]), id(t[2])};
        // A crossing snapped onto a grid corner may collapse a triangle to a line; its two
        // edges cancel, so leaving it out keeps the balance of the rest.
        if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) continue;
        triangles.push_back(v);
        for (int k = 0; k < 3; ++k) ++directed[{v[k], v[(k + 1) % 3]}];
    }
    for (const auto& [edge, count] : directed) {
        if (count != 1 || !directed.count({edge.second, edge.first})) {
            ADD_FAILURE() << "edge " << edge.first << "-" << edge.second << " used " << count
                          << " times, reverse " << directed.count({edge.second, edge.first});
            return 0;
        }
    }
    std::vector<int> parent(points.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&](int i) {
        while (parent[static_cast<size_t>(i)] != i) i = parent[static_cast<size_t>(i)];
        return i;
    };
    for (const auto& t : triangles)
        for (int k = 1; k < 3; ++k) parent[static_cast<size_t>(root(t[k]))] = root(t[0]);
    std::set<int> roots;
    for (const auto& t : triangles) roots.insert(root(t[0]));
    return static_cast<int>(roots.size());
}

// A random field whose outer layer lies below the isolevel reaches all 256 cases; the union of
// the cells must still be closed and consistently wound, which checks every table row against
// its neighbours across shared cube faces.
TEST(MarchingCubesTables, RandomFieldGivesClosedConsistentSurface) {
    const int n = 12;
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> dist(0.0f, 1.0f);
    std::vector<float> value(static_cast<size_t>((n + 1) * (n + 1) * (n + 1)));
    auto at = [&](int x, int y, int z) -> float& {
        return value[static_cast<size_t>(x + (n + 1) * (y + (n + 1) * z))];
    };
    std::set<int> seen;
    for (int attempt = 0; attempt < 40 && seen.size() < 256; ++attempt) {
        for (int z = 0; z <= n; ++z)
            for (int y = 0; y <= n; ++y)
                for (int x = 0; x <= n; ++x) {
                    // Never within 0.01 of the isolevel: distinct crossings never weld.
                    float v = dist(rng);
                    while (std::fabs(v - 0.5f) < 0.01f) v = dist(rng);
                    bool border = x == 0 || y == 0 || z == 0 || x == n || y == n || z == n;
                    at(x, y, z) = border ? 0.0f : v;
                }
        Soup soup;
        IsoTriangle out[5];
        for (int c = 0; c < n * n * n; ++c) {
            GridCell cell;
            int index = 0;
            for (int k = 0; k < 8; ++k) {
                const int gx = c % n + kCornerOffsets[k][0], gy = c / n % n + kCornerOffsets[k][1],
                          gz = c / (n * n) + kCornerOffsets[k][2];
                cell.p[k] = {float(gx), float(gy), float(gz), 0, 0, 0, at(gx, gy, gz)};
                if (cell.p[k].value < 0.5f) index |= 1 << k;
            }
            seen.insert(index);
            auto point = [](const float* p) { return Point{p[0], p[1], p[2]}; };
            for (int i = 0, count = polygoniseCell(cell, 0.5f, out); i < count; ++i)
                soup.push_back({point(out[i].p[0]), point(out[i].p[1]), point(out[i].p[2])});
        }
        ASSERT_GT(closedPieces(soup, 1e-4), 0) << "attempt " << attempt;
    }
    EXPECT_EQ(seen.size(), 256u);
}

TEST(Polygonise, UniformCellsAndCrossingsNextToACorner) {
    GridCell cell;
    for (int k = 0; k < 8; ++k) {
        const auto& o = kCornerOffsets[k];
        cell.p[k] = {float(o[0]), float(o[1]), float(o[2]), 0, 0, 0, 1.0f};
    }
    IsoTriangle out[5];
    EXPECT_EQ(polygoniseCell(cell, 0.1f, out), 0); // all above: case 0

    // Case 1, row 0, 8, 3: edge 0 halfway; edge 8 ends on the isolevel (takes corner 4);
    // edge 3 runs from corner 3 to corner 0.
    cell.p[0].value = 0.0f;
    cell.p[1].value = 0.2f;
    cell.p[4].value = 0.1f + 0.000001f;
    ASSERT_EQ(polygoniseCell(cell, 0.1f, out), 1);
    EXPECT_FLOAT_EQ(out[0].p[0][0], 0.5f);
    EXPECT_EQ(out[0].p[1][2], 1.0f);
    EXPECT_NEAR(out[0].p[2][1], 0.1f, 1e-6f);
}

// ---- the field and the surface ---------------------------------------------------------

Isosurface& freshSurface(int resolution, int cellSize) {
    static Isosurface iso;
    createIsosurface(iso);
    initialiseIsosurface(iso, 0.1f, resolution, cellSize);
    return iso;
}

TEST(IsosurfaceSources, IndicesValuesAndOutOfRangeCentres) {
    Isosurface& iso = freshSurface(4, 10);
    EXPECT_EQ(addMetaball(iso, 8.0f), 0);
    EXPECT_EQ(addMetaball(iso, 2.0f), 1);
    setCentre(iso, 1, 10.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(fieldValue(iso, 5.0f, 0.0f, 0.0f), 64.0f / 25.0f + 4.0f / 25.0f);
    const float before = fieldValue(iso, 3.0f, 4.0f, 0.0f);
    setCentre(iso, 2, 100.0f, 100.0f, 100.0f); // one past the last
    setCentre(iso, -1, 100.0f, 100.0f, 100.0f);
    EXPECT_EQ(fieldValue(iso, 3.0f, 4.0f, 0.0f), before);
    clearSources(iso);
    EXPECT_EQ(fieldValue(iso, 3.0f, 4.0f, 0.0f), 0.0f);
}

TEST(IsosurfaceShape, SingleBallIsAClosedSphereFacingOutward) {
    // The scene's own grid (18 cells of 10) and a finer one (24 cells of 3).
    for (auto [resolution, cellSize, tolerance] : {std::tuple{18, 10, 2.0}, {24, 3, 0.3}}) {
        SCOPED_TRACE(resolution);
        Isosurface& iso = freshSurface(resolution, cellSize);
        addMetaball(iso, 8.0f);
        rebuildIsosurface(iso);
        const Mesh& mesh = iso.mesh;
        ASSERT_GT(mesh.faceCount, 100);
        for (int32_t i = 0; i < mesh.vertexCount; ++i) {
            const Vertex& v = mesh.vertices[static_cast<size_t>(i)];
            const double r = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
            ASSERT_NEAR(r, std::sqrt(640.0), tolerance);
            // Vertex normals point away from the centre and are close to unit length.
            ASSERT_GT((v.nx * v.x + v.ny * v.y + v.nz * v.z) / r, 0.9);
        }
        // Faces are wound counter-clockwise seen from outside: (b - a) x (c - a) points out.
        for (int32_t f = 0; f < mesh.faceCount; ++f) {
            const Face& face = mesh.faces[static_cast<size_t>(f)];
            const Vertex &a = mesh.vertices[face.a], &b = mesh.vertices[face.b],
                         &c = mesh.vertices[face.c];
            const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
            const double wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
            const double out =
                (uy * wz - uz * wy) * a.x + (uz * wx - ux * wz) * a.y + (ux * wy - uy * wx) * a.z;
            ASSERT_GE(out, 0.0) << "face " << f;
        }
        EXPECT_EQ(closedPieces(meshSoup(mesh)), 1);
    }
}

TEST(IsosurfaceShape, TwoDistantBallsGiveTwoClosedSurfacesThatMerge) {
    Isosurface& iso = freshSurface(18, 10);
    addMetaball(iso, 8.0f);
    addMetaball(iso, 8.0f);
    setCentre(iso, 0, -45.0f, 0.0f, 0.0f);
    setCentre(iso, 1, 45.0f, 5.0f, -3.0f);
    rebuildIsosurface(iso);
    EXPECT_EQ(closedPieces(meshSoup(iso.mesh)), 2);
    // Moved together they merge; the same buffers are rebuilt in place. Grid point 9 lies
    // exactly at the first centre: the field there is huge but finite.
    const Vertex* before = iso.mesh.vertices.data();
    setCentre(iso, 0, 0.0f, 0.0f, 0.0f);
    setCentre(iso, 1, 30.0f, 0.0f, 0.0f);
    rebuildIsosurface(iso);
    EXPECT_EQ(closedPieces(meshSoup(iso.mesh)), 1);
    EXPECT_EQ(iso.mesh.vertices.data(), before);
    for (const GridPoint& g : iso.grid) ASSERT_TRUE(std::isfinite(g.value + g.nx + g.ny + g.nz));
    EXPECT_GT(iso.grid[9 + 19 * 9 + 19 * 19 * 9].value, 1e6f);
    for (int32_t i = 0; i < iso.mesh.vertexCount; ++i) {
        const Vertex& v = iso.mesh.vertices[static_cast<size_t>(i)];
        ASSERT_TRUE(std::isfinite(v.x + v.y + v.z + v.nx + v.ny + v.nz));
    }
}

// The grid is sampled a row along z at a time: each source's row must be its point samples,
// bit for bit (metaballs, and a source with only a point sample of its own).
TEST(IsosurfaceField, RowSamplesEqualPointSamples) {
    struct Slope final : FieldSource {
        float value(float x, float y, float z) const override { return 0.25f * x - y * z; }
        void setCentre(float, float, float) override {}
    };
    Isosurface iso;
    createIsosurface(iso);
    addMetaball(iso, 8.0f);
    addMetaball(iso, 21.5f);
    setCentre(iso, 0, 3.0f, -7.0f, 11.0f);
    setCentre(iso, 1, -40.1f, 2.5f, -0.3f);
    iso.sources.push_back(std::make_unique<Slope>());
    std::mt19937 random(5);
    std::uniform_real_distribution<float> coordinate(-90.0f, 90.0f);
    for (int row = 0; row < 50; ++row) {
        const float x = row == 0 ? 3.0f : coordinate(random);
        const float y = row == 0 ? -7.0f : coordinate(random);
        std::vector<float> z(37);
        for (float& v : z) v = coordinate(random);
        z[5] = 11.0f; // on the first centre in row 0
        for (const auto& source : iso.sources) {
            std::vector<float> sum(z.size(), 0.0f);
            source->addValues(x, y, z.data(), 37, sum.data());
            for (size_t k = 0; k < z.size(); ++k)
                ASSERT_EQ(std::bit_cast<uint32_t>(sum[k]),
                          std::bit_cast<uint32_t>(0.0f + source->value(x, y, z[k])))
                    << row << " " << k;
        }
    }
}

TEST(IsosurfaceLimits, FullMeshStopsAtTheLastTriangleThatFits) {
    // A ball of radius 25 on a grid of unit cells needs well over 20000 triangles.
    Isosurface& iso = freshSurface(110, 1);
    addMetaball(iso, 16.0f);
    const Vertex* vertices = iso.mesh.vertices.data();
    rebuildIsosurface(iso);
    EXPECT_TRUE(iso.truncated);
    EXPECT_EQ(iso.mesh.faceCount, kIsoMeshCapacity / 3);
    EXPECT_EQ(iso.mesh.vertexCount, kIsoMeshCapacity);
    EXPECT_EQ(iso.mesh.vertices.data(), vertices); // never reallocated
    EXPECT_EQ(iso.mesh.faces[kIsoMeshCapacity / 3 - 1].c, kIsoMeshCapacity - 1);
}

} // namespace
} // namespace tw
