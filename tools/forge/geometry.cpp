// Mesh building in the presentation's axes and conversion to the file formats' axes.
#include "tools/forge/geometry.h"

#include <map>
#include <stdexcept>
#include <utility>

namespace tw {

int addVertex(TriangleMesh& m, V3 p, TexUV uv) {
    m.pos.push_back(p);
    m.uv.push_back(uv);
    return static_cast<int>(m.pos.size()) - 1;
}

void addTri(TriangleMesh& m, int a, int b, int c) {
    m.tri.push_back({a, b, c});
}

void addQuad(TriangleMesh& m, int a, int b, int c, int d) {
    addTri(m, a, b, c);
    addTri(m, a, c, d);
}

void append(TriangleMesh& dst, const TriangleMesh& src) {
    int base = static_cast<int>(dst.pos.size());
    dst.pos.insert(dst.pos.end(), src.pos.begin(), src.pos.end());
    dst.uv.insert(dst.uv.end(), src.uv.begin(), src.uv.end());
    dst.uv.resize(dst.pos.size());
    for (auto t : src.tri) dst.tri.push_back({t[0] + base, t[1] + base, t[2] + base});
}

void flipFaces(TriangleMesh& m) {
    for (auto& t : m.tri) std::swap(t[1], t[2]);
}

V3 faceNormal(const TriangleMesh& m, size_t face) {
    const auto& t = m.tri[face];
    V3 a = m.pos[t[0]], b = m.pos[t[1]], c = m.pos[t[2]];
    return cross(b - a, c - a);
}

void orientAbout(TriangleMesh& m, V3 centre, bool outward) {
    for (size_t f = 0; f < m.tri.size(); ++f) {
        const auto& t = m.tri[f];
        V3 mid = (m.pos[t[0]] + m.pos[t[1]] + m.pos[t[2]]) * (1.0f / 3.0f);
        float side = dot(faceNormal(m, f), mid - centre);
        if ((side < 0) == outward) std::swap(m.tri[f][1], m.tri[f][2]);
    }
}

std::vector<V3> vertexNormals(const TriangleMesh& m) {
    std::vector<V3> n(m.pos.size());
    for (size_t f = 0; f < m.tri.size(); ++f) {
        V3 fn = faceNormal(m, f);
        for (int i : m.tri[f]) n[i] = n[i] + fn;
    }
    for (V3& v : n) v = normalised(v);
    return n;
}

void translate(TriangleMesh& m, V3 d) {
    for (V3& p : m.pos) p = p + d;
}

void scaleBy(TriangleMesh& m, V3 s) {
    for (V3& p : m.pos) p = {p.x * s.x, p.y * s.y, p.z * s.z};
}

void rotateY(TriangleMesh& m, float a) {
    float c = std::cos(a), s = std::sin(a);
    for (V3& p : m.pos) p = {p.x * c + p.z * s, p.y, -p.x * s + p.z * c};
}

TriangleMesh unshared(const TriangleMesh& m) {
    TriangleMesh out;
    out.name = m.name;
    for (const auto& t : m.tri) {
        int a = addVertex(out, m.pos[t[0]], m.uv.empty() ? TexUV{} : m.uv[t[0]]);
        int b = addVertex(out, m.pos[t[1]], m.uv.empty() ? TexUV{} : m.uv[t[1]]);
        int c = addVertex(out, m.pos[t[2]], m.uv.empty() ? TexUV{} : m.uv[t[2]]);
        addTri(out, a, b, c);
    }
    return out;
}

TriangleMesh icosphere(int subdivisions, float radius) {
    TriangleMesh m;
    const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
    const V3 base[12] = {{-1, t, 0},  {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t},  {0, 1, t},
                         {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    for (V3 v : base) addVertex(m, normalised(v));
    const int faces[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                              {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                              {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                              {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    for (auto& f : faces) addTri(m, f[0], f[1], f[2]);
    for (int s = 0; s < subdivisions; ++s) {
        std::map<std::pair<int, int>, int> mids;
        auto mid = [&](int a, int b) {
            auto key = std::make_pair(std::min(a, b), std::max(a, b));
            auto it = mids.find(key);
            if (it != mids.end()) return it->second;
            int v = addVertex(m, normalised(m.pos[a] + m.pos[b]));
            mids[key] = v;
            return v;
        };
        std::vector<std::array<int, 3>> next;
        for (auto f : m.tri) {
            int ab = mid(f[0], f[1]), bc = mid(f[1], f[2]), ca = mid(f[2], f[0]);
            next.push_back({f[0], ab, ca});
            next.push_back({f[1], bc, ab});
            next.push_back({f[2], ca, bc});
            next.push_back({ab, bc, ca});
        }
        m.tri = next;
    }
    for (V3& p : m.pos) p = p * radius;
    orientAbout(m, {0, 0, 0}, true);
    return m;
}

TriangleMesh box(V3 lo, V3 hi, float uvScale) {
    TriangleMesh m;
    V3 c = (lo + hi) * 0.5f;
    // Six faces, each with its own four corners so that the mapping tiles per face.
    for (int axis = 0; axis < 3; ++axis) {
        for (int side = 0; side < 2; ++side) {
            V3 q[4];
            for (int k = 0; k < 4; ++k) {
                float a = (k == 1 || k == 2) ? 1.0f : 0.0f, b = (k >= 2) ? 1.0f : 0.0f;
                float coord[3];
                coord[axis] = side ? 1.0f : 0.0f;
                coord[(axis + 1) % 3] = a;
                coord[(axis + 2) % 3] = b;
                q[k] = {lo.x + (hi.x - lo.x) * coord[0], lo.y + (hi.y - lo.y) * coord[1],
                        lo.z + (hi.z - lo.z) * coord[2]};
            }
            int idx[4];
            for (int k = 0; k < 4; ++k) {
                const float* pc = &q[k].x;
                float uu = pc[(axis + 1) % 3] / uvScale, vv = pc[(axis + 2) % 3] / uvScale;
                idx[k] = addVertex(m, q[k], {uu, vv});
            }
            addQuad(m, idx[0], idx[1], idx[2], idx[3]);
        }
    }
    orientAbout(m, c, true);
    return m;
}

TriangleMesh torusKnot(int p, int q, float bigR, float smallR, float tube, int segments,
                       int sides) {
    TriangleMesh m;
    auto curve = [&](float s) {
        float r = bigR + smallR * std::cos(q * s);
        return V3{r * std::cos(p * s), smallR * std::sin(q * s), r * std::sin(p * s)};
    };
    const float twoPi = 6.2831853f;
    for (int i = 0; i < segments; ++i) {
        float s = twoPi * static_cast<float>(i) / static_cast<float>(segments);
        V3 c = curve(s);
        V3 tangent = normalised(curve(s + 0.001f) - curve(s - 0.001f));
        // From the torus's core circle to the curve: never zero, and periodic, so the rings
        // close without a twisted seam.
        V3 d = c - V3{bigR * std::cos(p * s), 0, bigR * std::sin(p * s)};
        V3 n = normalised(d - tangent * dot(d, tangent));
        V3 b = normalised(cross(tangent, n));
        for (int j = 0; j < sides; ++j) {
            float a = twoPi * static_cast<float>(j) / static_cast<float>(sides);
            V3 off = n * (std::cos(a) * tube) + b * (std::sin(a) * tube);
            addVertex(m, c + off,
                      {static_cast<float>(i) / segments * 8.0f, static_cast<float>(j) / sides});
        }
    }
    for (int i = 0; i < segments; ++i) {
        int i1 = (i + 1) % segments;
        for (int j = 0; j < sides; ++j) {
            int j1 = (j + 1) % sides;
            int a = i * sides + j, b = i1 * sides + j, c = i1 * sides + j1, d = i * sides + j1;
            addQuad(m, a, b, c, d);
        }
    }
    // Orient each face away from the knot's centre line at that segment.
    for (size_t f = 0; f < m.tri.size(); ++f) {
        int ring = m.tri[f][0] / sides;
        float s = twoPi * static_cast<float>(ring) / static_cast<float>(segments);
        const auto& t = m.tri[f];
        V3 mid = (m.pos[t[0]] + m.pos[t[1]] + m.pos[t[2]]) * (1.0f / 3.0f);
        V3 centre = curve(s + twoPi * 0.5f / segments);
        if (dot(faceNormal(m, f), mid - centre) < 0) std::swap(m.tri[f][1], m.tri[f][2]);
    }
    return m;
}

TriangleMesh tube(const std::vector<V3>& path, float radius, int sides, bool closed, bool inward,
                  float uvAlong, float uvAround) {
    TriangleMesh m;
    size_t n = path.size();
    const float twoPi = 6.2831853f;
    V3 prevN{0, -1, 0};
    for (size_t i = 0; i < n; ++i) {
        V3 ahead = (i + 1 < n) ? path[i + 1] : (closed ? path[0] : path[i]);
        V3 behind = (i > 0) ? path[i - 1] : (closed ? path[n - 1] : path[i]);
        V3 t = normalised(ahead - behind);
        // Parallel transport of the frame keeps the rings from twisting.
        V3 nn = normalised(prevN - t * dot(prevN, t));
        if (length(nn) < 0.5f) nn = normalised(cross(t, V3{1, 0, 0}));
        V3 b = cross(t, nn);
        prevN = nn;
        for (int j = 0; j <= sides; ++j) {
            float a = twoPi * static_cast<float>(j) / static_cast<float>(sides);
            V3 off = nn * (std::cos(a) * radius) + b * (std::sin(a) * radius);
            addVertex(m, path[i] + off,
                      {static_cast<float>(i) * uvAlong, static_cast<float>(j) / sides * uvAround});
        }
    }
    size_t rings = closed ? n : n - 1;
    int stride = sides + 1;
    for (size_t i = 0; i < rings; ++i) {
        int r0 = static_cast<int>(i) * stride;
        int r1 = static_cast<int>((i + 1) % n) * stride;
        for (int j = 0; j < sides; ++j) {
            int a = r0 + j, b = r1 + j, c = r1 + j + 1, d = r0 + j + 1;
            addQuad(m, a, b, c, d);
            size_t f0 = m.tri.size() - 2;
            for (size_t f = f0; f < f0 + 2; ++f) {
                V3 axis = (path[i] + path[(i + 1) % n]) * 0.5f;
                const auto& tt = m.tri[f];
                V3 mid = (m.pos[tt[0]] + m.pos[tt[1]] + m.pos[tt[2]]) * (1.0f / 3.0f);
                bool out = dot(faceNormal(m, f), mid - axis) > 0;
                if (out == inward) std::swap(m.tri[f][1], m.tri[f][2]);
            }
        }
    }
    return m;
}

// ---- conversions ----

static void checkSize(const TriangleMesh& m) {
    if (m.pos.size() > 65535 || m.tri.size() > 65535)
        throw std::length_error("mesh " + m.name + " is too large for a 3ds file");
}

TdsMesh toTdsSingle(const TriangleMesh& m) {
    checkSize(m);
    TdsMesh t;
    t.name = m.name;
    for (V3 p : m.pos) t.vertices.push_back({p.x, p.z, -p.y});
    for (size_t i = 0; i < m.pos.size(); ++i) {
        TexUV uv = i < m.uv.size() ? m.uv[i] : TexUV{};
        t.mapping.push_back({1.0f - uv.u, uv.v});
    }
    for (auto f : m.tri)
        t.faces.push_back({static_cast<uint16_t>(f[0]), static_cast<uint16_t>(f[1]),
                           static_cast<uint16_t>(f[2]), 7});
    return t;
}

TdsMesh toTdsScene(const TriangleMesh& m, const std::string& material) {
    checkSize(m);
    TdsMesh t = toTdsSingle(m);
    for (size_t i = 0; i < m.pos.size(); ++i) t.vertices[i] = {m.pos[i].x, -m.pos[i].z, m.pos[i].y};
    TdsFaceGroup g;
    g.material = material;
    for (size_t f = 0; f < m.tri.size(); ++f) g.faces.push_back(static_cast<uint16_t>(f));
    t.groups.push_back(g);
    return t;
}

std::array<float, 3> toTdsCameraPoint(V3 p) {
    return {-p.x, -p.z, -p.y};
}

std::array<float, 3> toSivPoint(V3 p) {
    return {p.x, -p.y, p.z};
}

SivObject toSiv(const TriangleMesh& m, int material) {
    SivObject o;
    o.name = m.name;
    std::vector<V3> n = vertexNormals(m);
    for (size_t i = 0; i < m.pos.size(); ++i) {
        SivVertex v;
        v.position = toSivPoint(m.pos[i]);
        v.normal = {n[i].x, n[i].y, n[i].z};
        TexUV uv = i < m.uv.size() ? m.uv[i] : TexUV{};
        v.u = uv.u;
        v.v = 1.0f - uv.v;
        o.vertices.push_back(v);
    }
    for (auto f : m.tri) o.faces.push_back({f[0], f[2], f[1], material});
    return o;
}

} // namespace tw
