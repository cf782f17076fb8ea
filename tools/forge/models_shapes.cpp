// Small shape builders shared by the models: winding, heightfields, octahedra, columns, quads
// and spherical mapping.
#include "tools/forge/models_internal.h"

#include <algorithm>
#include <cmath>

#include "tools/forge/noise.h"

namespace tw {

// Winds every face to be seen from above.
void orientUp(TriangleMesh& m) {
    for (size_t f = 0; f < m.tri.size(); ++f)
        if (dot(faceNormal(m, f), kUp) < 0) std::swap(m.tri[f][1], m.tri[f][2]);
}

TriangleMesh octahedron(const std::string& name, V3 c, float r, float stretch) {
    TriangleMesh m;
    m.name = name;
    const V3 p[6] = {{r, 0, 0}, {-r, 0, 0}, {0, r * stretch, 0}, {0, -r * stretch, 0},
                     {0, 0, r}, {0, 0, -r}};
    for (int i = 0; i < 6; ++i)
        addVertex(m, c + p[i], {0.5f + p[i].x / (2 * r), 0.5f + p[i].y / (2 * r * stretch)});
    const int f[8][3] = {{0, 2, 4}, {4, 2, 1}, {1, 2, 5}, {5, 2, 0},
                         {0, 4, 3}, {4, 1, 3}, {1, 5, 3}, {5, 0, 3}};
    for (auto& t : f) addTri(m, t[0], t[1], t[2]);
    orientAbout(m, c, true);
    return unshared(m);
}

// A vertical column (closed sides, no caps) from y0 down to y1.
TriangleMesh column(const std::string& name, V3 base, float top, float radius, int sides) {
    TriangleMesh m = tube({{base.x, base.y, base.z}, {base.x, top, base.z}}, radius, sides, false,
                          false, 1.0f, 2.0f);
    m.name = name;
    return m;
}

// A flat quad from four corners in order; seen from the side `facing` points to.
TriangleMesh quad(const std::string& name, V3 a, V3 b, V3 c, V3 d, V3 facing, float uvScale) {
    TriangleMesh m;
    m.name = name;
    V3 e1 = normalised(b - a), e2 = normalised(d - a);
    auto uvOf = [&](V3 p) { return TexUV{dot(p - a, e1) / uvScale, dot(p - a, e2) / uvScale}; };
    int ia = addVertex(m, a, uvOf(a)), ib = addVertex(m, b, uvOf(b));
    int ic = addVertex(m, c, uvOf(c)), id = addVertex(m, d, uvOf(d));
    addQuad(m, ia, ib, ic, id);
    for (size_t f = 0; f < m.tri.size(); ++f)
        if (dot(faceNormal(m, f), facing) < 0) std::swap(m.tri[f][1], m.tri[f][2]);
    return m;
}

// Spherical mapping with each face kept on one side of the longitude seam.
void sphericalUV(TriangleMesh& m) {
    m.uv.resize(m.pos.size());
    for (auto& t : m.tri) {
        float u[3], v[3];
        for (int k = 0; k < 3; ++k) {
            V3 p = normalised(m.pos[t[k]]);
            u[k] = std::atan2(p.z, p.x) / (2 * kPi) + 0.5f;
            v[k] = std::acos(std::clamp(p.y, -1.0f, 1.0f)) / kPi;
        }
        for (int k = 1; k < 3; ++k) {
            if (u[k] - u[0] > 0.5f) u[k] -= 1;
            if (u[0] - u[k] > 0.5f) u[k] += 1;
        }
        for (int k = 0; k < 3; ++k) m.uv[t[k]] = {u[k] * 2, v[k]};
    }
}

} // namespace tw
