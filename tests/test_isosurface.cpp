// Tests for the metaball polygoniser: the marching-cubes tables, surface shape and topology,
// the mesh capacity and the field's behaviour at a ball's centre.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <unordered_map>
#include <vector>

#include "scenes/isosurface.h"

namespace tw {
namespace {

// Bits of the edges whose two corners lie on different sides in case `index`.
int32_t cutEdges(int index) {
    int32_t bits = 0;
    for (int e = 0; e < 12; ++e) {
        int a = (index >> kEdgeCorners[e][0]) & 1;
        int b = (index >> kEdgeCorners[e][1]) & 1;
        if (a != b) bits |= 1 << e;
    }
    return bits;
}

TEST(MarchingCubesTables, EveryCaseCutsExactlyTheEdgesThatChangeSide) {
    for (int i = 0; i < 256; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kEdgeTable[i], cutEdges(i));

        const int32_t* row = kTriTable[i];
        int length = 0;
        while (length < 16 && row[length] != -1) ++length;
        ASSERT_LT(length, 16) << "row must end with -1";
        EXPECT_EQ(length % 3, 0);
        EXPECT_LE(length / 3, 5);
        for (int k = length; k < 16; ++k) EXPECT_EQ(row[k], -1) << "padding after the end";

        int32_t used = 0;
        for (int k = 0; k < length; ++k) {
            ASSERT_GE(row[k], 0);
            ASSERT_LT(row[k], 12);
            used |= 1 << row[k];
        }
        EXPECT_EQ(used, kEdgeTable[i]);
        for (int k = 0; k < length; k += 3) {
            EXPECT_NE(row[k], row[k + 1]);
            EXPECT_NE(row[k + 1], row[k + 2]);
            EXPECT_NE(row[k], row[k + 2]);
        }
    }
}

TEST(MarchingCubesTables, KnownRows) {
    const int32_t first[4] = {0x0, 0x109, 0x203, 0x30a};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(kEdgeTable[i], first[i]);
    EXPECT_EQ(kTriTable[0][0], -1);
    const int32_t row1[4] = {0, 8, 3, -1};
    const int32_t row3[7] = {1, 8, 3, 9, 8, 1, -1};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(kTriTable[1][k], row1[k]);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(kTriTable[3][k], row3[k]);
    EXPECT_EQ(kTriTable[255][0], -1);
}

// ---- mesh topology helpers ------------------------------------------------------------

struct Vec {
    double x, y, z;
};

Vec sub(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Triangles as welded vertex ids. The same crossing point reached from two neighbouring cells
// is interpolated from opposite ends of its grid edge, so positions agree only up to rounding.
struct Welded {
    std::vector<Vec> points;
    std::vector<std::array<int, 3>> triangles;
};

Welded weld(const std::vector<std::array<Vec, 3>>& triangles, double tolerance = 1e-3) {
    Welded w;
    std::unordered_map<int64_t, std::vector<int>> buckets;
    auto key = [](int64_t x, int64_t y, int64_t z) {
        return (x & 0x1fffff) | ((y & 0x1fffff) << 21) | ((z & 0x1fffff) << 42);
    };
    const double cell = tolerance * 4;
    auto find = [&](Vec p) {
        int64_t bx = static_cast<int64_t>(std::floor(p.x / cell));
        int64_t by = static_cast<int64_t>(std::floor(p.y / cell));
        int64_t bz = static_cast<int64_t>(std::floor(p.z / cell));
        for (int64_t dx = -1; dx <= 1; ++dx)
            for (int64_t dy = -1; dy <= 1; ++dy)
                for (int64_t dz = -1; dz <= 1; ++dz) {
                    auto it = buckets.find(key(bx + dx, by + dy, bz + dz));
                    if (it == buckets.end()) continue;
                    for (int id : it->second) {
                        Vec d = sub(w.points[static_cast<size_t>(id)], p);
                        if (std::fabs(d.x) <= tolerance && std::fabs(d.y) <= tolerance &&
                            std::fabs(d.z) <= tolerance)
                            return id;
                    }
                }
        int id = static_cast<int>(w.points.size());
        w.points.push_back(p);
        buckets[key(bx, by, bz)].push_back(id);
        return id;
    };
    for (const auto& t : triangles) w.triangles.push_back({find(t[0]), find(t[1]), find(t[2])});
    return w;
}

std::vector<std::array<Vec, 3>> meshTriangles(const Mesh& mesh) {
    std::vector<std::array<Vec, 3>> out;
    for (int32_t f = 0; f < mesh.faceCount; ++f) {
        const Face& face = mesh.faces[static_cast<size_t>(f)];
        std::array<Vec, 3> t;
        const int32_t idx[3] = {face.a, face.b, face.c};
        for (int k = 0; k < 3; ++k) {
            const Vertex& v = mesh.vertices[static_cast<size_t>(idx[k])];
            t[static_cast<size_t>(k)] = {v.x, v.y, v.z};
        }
        out.push_back(t);
    }
    return out;
}

// Closed and consistently wound: every directed edge occurs once and its reverse once.
// Collapsed triangles are ignored.
// Returns the number of connected pieces (0 when the check fails).
int closedPieces(const Welded& w) {
    std::map<std::pair<int, int>, int> directed;
    for (const auto& t : w.triangles) {
        // A crossing that snapped onto a grid corner collapses its triangle to a line; its
        // two edges cancel, so leaving it out keeps the balance of the rest.
        if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]) continue;
        for (int k = 0; k < 3; ++k) ++directed[{t[static_cast<size_t>(k)], t[(k + 1) % 3]}];
    }
    for (const auto& [edge, count] : directed) {
        if (count != 1) {
            ADD_FAILURE() << "edge " << edge.first << "-" << edge.second << " used " << count
                          << " times in one direction";
            return 0;
        }
        if (!directed.count({edge.second, edge.first})) {
            ADD_FAILURE() << "edge " << edge.first << "-" << edge.second << " on a boundary";
            return 0;
        }
    }
    std::vector<int> parent(w.points.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&](int i) {
        while (parent[static_cast<size_t>(i)] != i)
            i = parent[static_cast<size_t>(i)] =
                parent[static_cast<size_t>(parent[static_cast<size_t>(i)])];
        return i;
    };
    for (const auto& t : w.triangles) {
        parent[static_cast<size_t>(root(t[1]))] = root(t[0]);
        parent[static_cast<size_t>(root(t[2]))] = root(t[0]);
    }
    std::set<int> roots;
    for (const auto& t : w.triangles) roots.insert(root(t[0]));
    return static_cast<int>(roots.size());
}

// ---- whole cases on a random field ----------------------------------------------------

// A random field on a 12^3-cell grid whose outer layer lies below the isolevel reaches every
// one of the 256 cases; the union of all cells must still be closed and consistently wound,
// which checks each table row against its neighbours across shared cube faces.
TEST(MarchingCubesTables, RandomFieldGivesClosedConsistentSurface) {
    const int n = 12;
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> dist(0.0f, 1.0f);
    std::vector<float> value(static_cast<size_t>((n + 1) * (n + 1) * (n + 1)));
    auto at = [&](int x, int y, int z) -> float& {
        return value[static_cast<size_t>(x + (n + 1) * (y + (n + 1) * z))];
    };
    std::set<int> seen;
    int reachedAll = 0;
    for (int attempt = 0; attempt < 40 && reachedAll == 0; ++attempt) {
        for (int z = 0; z <= n; ++z)
            for (int y = 0; y <= n; ++y)
                for (int x = 0; x <= n; ++x) {
                    bool border = x == 0 || y == 0 || z == 0 || x == n || y == n || z == n;
                    // Values never within 0.01 of the isolevel keep every crossing point
                    // clear of the corners, so distinct crossings never weld together.
                    float v = dist(rng);
                    while (std::fabs(v - 0.5f) < 0.01f) v = dist(rng);
                    at(x, y, z) = border ? 0.0f : v;
                }
        std::vector<std::array<Vec, 3>> triangles;
        IsoTriangle out[5];
        for (int x = 0; x < n; ++x)
            for (int y = 0; y < n; ++y)
                for (int z = 0; z < n; ++z) {
                    GridCell cell;
                    int index = 0;
                    for (int k = 0; k < 8; ++k) {
                        int gx = x + kCornerOffsets[k][0], gy = y + kCornerOffsets[k][1],
                            gz = z + kCornerOffsets[k][2];
                        cell.p[k].x = static_cast<float>(gx);
                        cell.p[k].y = static_cast<float>(gy);
                        cell.p[k].z = static_cast<float>(gz);
                        cell.p[k].value = at(gx, gy, gz);
                        if (cell.p[k].value < 0.5f) index |= 1 << k;
                    }
                    seen.insert(index);
                    int count = polygoniseCell(cell, 0.5f, out);
                    for (int i = 0; i < count; ++i)
                        triangles.push_back({Vec{out[i].p[0][0], out[i].p[0][1], out[i].p[0][2]},
                                             Vec{out[i].p[1][0], out[i].p[1][1], out[i].p[1][2]},
                                             Vec{out[i].p[2][0], out[i].p[2][1], out[i].p[2][2]}});
                }
        ASSERT_GT(closedPieces(weld(triangles, 1e-4)), 0) << "attempt " << attempt;
        if (seen.size() == 256) reachedAll = 1;
    }
    EXPECT_EQ(seen.size(), 256u);
}

TEST(Polygonise, UniformCellsYieldNothingAndSpecialCrossingsSnapToCorners) {
    GridCell cell;
    for (int k = 0; k < 8; ++k) {
        cell.p[k].x = static_cast<float>(kCornerOffsets[k][0]);
        cell.p[k].y = static_cast<float>(kCornerOffsets[k][1]);
        cell.p[k].z = static_cast<float>(kCornerOffsets[k][2]);
    }
    IsoTriangle out[5];
    for (int k = 0; k < 8; ++k) cell.p[k].value = 0.0f; // all below: case 255
    EXPECT_EQ(polygoniseCell(cell, 0.1f, out), 0);
    for (int k = 0; k < 8; ++k) cell.p[k].value = 1.0f; // all above: case 0
    EXPECT_EQ(polygoniseCell(cell, 0.1f, out), 0);

    // Case 1 (corner 0 below): row 0, 8, 3 -> edges 0-1, 0-4, 3-0.
    cell.p[0].value = 0.0f;
    cell.p[1].value = 0.2f;             // edge 0: mu = 0.5
    cell.p[4].value = 0.1f + 0.000001f; // edge 8: B sits on the isolevel -> B
    cell.p[3].value = 1.0f;             // edge 3: runs 3 -> 0, mu = 0.9/1.0
    ASSERT_EQ(polygoniseCell(cell, 0.1f, out), 1);
    EXPECT_FLOAT_EQ(out[0].p[0][0], 0.5f);
    EXPECT_FLOAT_EQ(out[0].p[1][2], 1.0f); // corner 4 itself
    EXPECT_FLOAT_EQ(out[0].p[1][0], 0.0f);
    EXPECT_NEAR(out[0].p[2][1], 0.1f, 1e-6f);

    // A below the isolevel by less than the tolerance still counts as below, and snaps to A.
    cell.p[1].value = 1.0f;
    cell.p[4].value = 1.0f;
    cell.p[3].value = 1.0f;
    cell.p[0].value = 0.1f - 0.000001f;
    ASSERT_EQ(polygoniseCell(cell, 0.1f, out), 1);
    for (int v = 0; v < 3; ++v)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(out[0].p[v][c], 0.0f);
}

// ---- the field and the surface ---------------------------------------------------------

Isosurface& freshSurface(float isolevel, int resolution, int cellSize) {
    static Isosurface iso;
    createIsosurface(iso);
    initialiseIsosurface(iso, isolevel, resolution, cellSize);
    return iso;
}

TEST(IsosurfaceSources, IndicesValuesAndOutOfRangeCentres) {
    Isosurface& iso = freshSurface(0.1f, 4, 10);
    EXPECT_EQ(addMetaball(iso, 8.0f), 0);
    EXPECT_EQ(addMetaball(iso, 2.0f), 1);
    setCentre(iso, 1, 10.0f, 0.0f, 0.0f);
    // 64/25 + 4/25 at (5, 0, 0).
    EXPECT_FLOAT_EQ(fieldValue(iso, 5.0f, 0.0f, 0.0f), 64.0f / 25.0f + 4.0f / 25.0f);

    const float before = fieldValue(iso, 3.0f, 4.0f, 0.0f);
    setCentre(iso, 2, 100.0f, 100.0f, 100.0f); // one past the last
    setCentre(iso, -1, 100.0f, 100.0f, 100.0f);
    EXPECT_EQ(fieldValue(iso, 3.0f, 4.0f, 0.0f), before);

    clearSources(iso);
    EXPECT_EQ(fieldValue(iso, 3.0f, 4.0f, 0.0f), 0.0f);
    EXPECT_EQ(addMetaball(iso, 1.0f), 0);
}

TEST(IsosurfaceShape, SingleBallIsAClosedSphereWithOutwardNormals) {
    // The scene's own grid (18 cells of 10) and a finer one (24 cells of 3).
    struct Grid {
        int resolution, cellSize;
        double tolerance;
    };
    for (Grid g : {Grid{18, 10, 2.0}, Grid{24, 3, 0.3}}) {
        SCOPED_TRACE(g.resolution);
        Isosurface& iso = freshSurface(0.1f, g.resolution, g.cellSize);
        addMetaball(iso, 8.0f);
        update(iso);
        const Mesh& mesh = iso.mesh;
        ASSERT_GT(mesh.faceCount, 100);
        EXPECT_EQ(mesh.vertexCount, 3 * mesh.faceCount);
        EXPECT_FALSE(iso.truncated);

        const double radius = std::sqrt(640.0);
        double worst = 0;
        for (int32_t i = 0; i < mesh.vertexCount; ++i) {
            const Vertex& v = mesh.vertices[static_cast<size_t>(i)];
            Vec p{v.x, v.y, v.z};
            double r = std::sqrt(dot(p, p));
            worst = std::max(worst, std::fabs(r - radius));
            Vec n{v.nx, v.ny, v.nz};
            ASSERT_GT(dot(n, p) / r, 0.9) << "normal must point away from the centre";
            ASSERT_GT(std::sqrt(dot(n, n)), 0.9);
        }
        EXPECT_LT(worst, g.tolerance);

        Welded w = weld(meshTriangles(mesh));
        EXPECT_EQ(closedPieces(w), 1);
        // Every face is wound counter-clockwise seen from outside: (b - a) x (c - a) points
        // away from the centre, like the vertex normals.
        int outward = 0;
        for (const auto& t : w.triangles) {
            Vec a = w.points[static_cast<size_t>(t[0])], b = w.points[static_cast<size_t>(t[1])],
                c = w.points[static_cast<size_t>(t[2])];
            Vec centroid{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
            if (dot(cross(sub(b, a), sub(c, a)), centroid) > 0) ++outward;
        }
        EXPECT_EQ(outward, static_cast<int>(w.triangles.size()));
    }
}

TEST(IsosurfaceShape, TwoDistantBallsGiveTwoClosedSurfaces) {
    Isosurface& iso = freshSurface(0.1f, 18, 10);
    addMetaball(iso, 8.0f);
    addMetaball(iso, 8.0f);
    setCentre(iso, 0, -45.0f, 0.0f, 0.0f);
    setCentre(iso, 1, 45.0f, 5.0f, -3.0f);
    update(iso);
    EXPECT_EQ(closedPieces(weld(meshTriangles(iso.mesh))), 2);

    // Moving them together merges them into one: the same buffers are rebuilt in place.
    const Vertex* before = iso.mesh.vertices.data();
    setCentre(iso, 0, -12.0f, 0.0f, 0.0f);
    setCentre(iso, 1, 12.0f, 0.0f, 0.0f);
    update(iso);
    EXPECT_EQ(closedPieces(weld(meshTriangles(iso.mesh))), 1);
    EXPECT_EQ(iso.mesh.vertices.data(), before);
    EXPECT_EQ(iso.mesh.vertices.size(), static_cast<size_t>(kIsoMeshCapacity));
}

TEST(IsosurfaceLimits, FullMeshStopsAtTheLastTriangleThatFits) {
    // A ball of radius 25 on a grid of unit cells needs well over 20000 triangles.
    Isosurface& iso = freshSurface(0.1f, 110, 1);
    addMetaball(iso, 16.0f);
    const Vertex* vertices = iso.mesh.vertices.data();
    const Face* faces = iso.mesh.faces.data();
    update(iso);
    EXPECT_TRUE(iso.truncated);
    EXPECT_EQ(iso.mesh.faceCount, kIsoMeshCapacity / 3);
    EXPECT_EQ(iso.mesh.vertexCount, kIsoMeshCapacity);
    EXPECT_EQ(iso.mesh.vertices.size(), static_cast<size_t>(kIsoMeshCapacity));
    EXPECT_EQ(iso.mesh.faces.size(), static_cast<size_t>(kIsoMeshCapacity));
    EXPECT_EQ(iso.mesh.vertices.data(), vertices);
    EXPECT_EQ(iso.mesh.faces.data(), faces);
    for (int32_t f = 0; f < iso.mesh.faceCount; ++f) {
        const Face& face = iso.mesh.faces[static_cast<size_t>(f)];
        ASSERT_EQ(face.a, 3 * f);
        ASSERT_EQ(face.c, 3 * f + 2);
    }
    const Face& last = iso.mesh.faces[static_cast<size_t>(iso.mesh.faceCount - 1)];
    EXPECT_EQ(last.c, kIsoMeshCapacity - 1);

    // A smaller ball fits again and clears the flag.
    setCentre(iso, 0, 0, 0, 0);
    clearSources(iso);
    addMetaball(iso, 4.0f);
    update(iso);
    EXPECT_FALSE(iso.truncated);
    EXPECT_LT(iso.mesh.faceCount, kIsoMeshCapacity / 3);
}

TEST(IsosurfaceLimits, SampleAtABallCentreStaysFinite) {
    // Grid point 9 of 18 cells of 10 lies exactly at the origin.
    Isosurface& iso = freshSurface(0.1f, 18, 10);
    addMetaball(iso, 8.0f);
    addMetaball(iso, 8.0f);
    setCentre(iso, 1, 30.0f, 0.0f, 0.0f); // also on a grid point
    EXPECT_TRUE(std::isfinite(fieldValue(iso, 0.0f, 0.0f, 0.0f)));
    EXPECT_GT(fieldValue(iso, 0.0f, 0.0f, 0.0f), 1e6f);
    update(iso);
    for (const GridPoint& g : iso.grid) {
        ASSERT_TRUE(std::isfinite(g.value));
        ASSERT_TRUE(std::isfinite(g.nx) && std::isfinite(g.ny) && std::isfinite(g.nz));
    }
    const GridPoint& centre = iso.grid[9 + 19 * 9 + 19 * 19 * 9];
    EXPECT_GT(centre.value, 1e6f);
    ASSERT_GT(iso.mesh.vertexCount, 0);
    for (int32_t i = 0; i < iso.mesh.vertexCount; ++i) {
        const Vertex& v = iso.mesh.vertices[static_cast<size_t>(i)];
        ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
        ASSERT_TRUE(std::isfinite(v.nx) && std::isfinite(v.ny) && std::isfinite(v.nz));
    }
    EXPECT_EQ(closedPieces(weld(meshTriangles(iso.mesh))), 1);
}

TEST(IsosurfaceLimits, NoResolutionMeansNoSurface) {
    Isosurface& iso = freshSurface(0.1f, 0, 10);
    addMetaball(iso, 8.0f);
    update(iso);
    EXPECT_EQ(iso.mesh.faceCount, 0);
    EXPECT_EQ(iso.mesh.vertexCount, 0);
}

} // namespace
} // namespace tw
