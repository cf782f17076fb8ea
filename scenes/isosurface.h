// Metaball isosurface: a scalar field sampled on a cubic grid and polygonised by marching cubes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "render/mesh.h"

namespace tw {

// A contributor to the scalar field. The only polymorphic interface of the engine.
struct FieldSource {
    virtual ~FieldSource() = default;
    virtual float value(float x, float y, float z) const = 0;
    virtual void setCentre(float x, float y, float z) = 0;
    // sum[k] += value(x, y, z[k]) for k < count: a row of samples along z at once.
    virtual void addValues(float x, float y, const float* z, int count, float* sum) const;
};

// strength / squared distance to the centre. Distances below kMinDistanceSquared count as that
// minimum, so a sample exactly at the centre is a large finite value, never infinity.
struct Metaball final : FieldSource {
    static constexpr float kMinDistanceSquared = 1e-6f;

    float strength = 0; // radius squared
    float x = 0, y = 0, z = 0;

    explicit Metaball(float strength_) : strength(strength_) {}
    float value(float px, float py, float pz) const override;
    void setCentre(float cx, float cy, float cz) override;
    void addValues(float px, float py, const float* pz, int count, float* sum) const override;
};

struct GridPoint {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
    float value = 0;
};

// Corner k sits at cube offset kCornerOffsets[k]; edge e joins kEdgeCorners[e][0..1].
struct GridCell {
    GridPoint p[8];
};

struct IsoTriangle {
    float p[3][3]; // positions of vertex 0, 1, 2
    float n[3][3]; // normals of vertex 0, 1, 2 (interpolated, not renormalised)
};

inline constexpr int kCornerOffsets[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                             {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
inline constexpr int kEdgeCorners[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                            {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

// The published 256-case marching-cubes tables: bit e of kEdgeTable[i] is set when edge e is
// cut in case i (bit k of i: corner k below the isolevel); kTriTable[i] lists edge triples
// ending with -1.
extern const int32_t kEdgeTable[256];
extern const int32_t kTriTable[256][16];

constexpr int32_t kIsoMeshCapacity = 60000; // vertices and faces alike
constexpr int32_t kIsoCellTriangleCapacity = 1024;

struct Isosurface {
    float isolevel = 0;
    int32_t resolution = 0; // cells along each axis
    float cellSize = 0;
    // (N+1)^3, index x + (N+1)*y + (N+1)^2*z. The normal is taken only at the corners of cells
    // the surface passes through (nothing else reads it) and is zero elsewhere.
    std::vector<GridPoint> grid;
    std::vector<uint8_t> normalTaken; // per grid point, during a rebuild
    int32_t lastCellTriangleCount = 0;
    std::vector<IsoTriangle> cellTriangles;
    Mesh mesh; // arrays sized kIsoMeshCapacity; vertexCount/faceCount are the live counts
    std::vector<std::unique_ptr<FieldSource>> sources;
    std::vector<int32_t> sliceOffsets; // i*(N+1)^2
    std::vector<int32_t> rowOffsets;   // i*(N+1)
    // True when the last update produced more triangles than the mesh holds; the mesh then
    // ends with the last triangle that fitted.
    bool truncated = false;
};

// Resets every field and drops all sources.
void createIsosurface(Isosurface& iso);
// Sizes every buffer once; a resolution below 1 leaves an empty grid that yields no surface.
void initialiseIsosurface(Isosurface& iso, float isolevel, int32_t resolution, int32_t cellSize);
// Appends a metaball of strength radius^2 centred at the origin; returns its index.
int addMetaball(Isosurface& iso, float radius);
// An index outside the list does nothing.
void setCentre(Isosurface& iso, int index, float x, float y, float z);
float fieldValue(const Isosurface& iso, float x, float y, float z);
void clearSources(Isosurface& iso);
// Samples the grid and rebuilds the mesh: 3*T vertices and T faces. Allocates nothing.
void rebuildIsosurface(Isosurface& iso);

// Polygonises one cell into `out` (room for 5 triangles); returns the triangle count.
int polygoniseCell(const GridCell& cell, float isolevel, IsoTriangle* out);

} // namespace tw
