// The four single meshes of the data set: the lattice, the faceted sky, the knot and the
// spiked star, each with the view its scene gives it.
#include "tools/forge/models_internal.h"

#include <algorithm>
#include <cmath>

#include "tools/forge/noise.h"

namespace tw {

namespace {

// A geodesic lattice: every face of a subdivided icosahedron becomes a triangular frame,
// drawn from both sides so the far struts show through the openings.
TriangleMesh lattice() {
    TriangleMesh ico = icosphere(1, 400);
    TriangleMesh out;
    out.name = "geo2";
    for (auto& t : ico.tri) {
        V3 a = ico.pos[t[0]], b = ico.pos[t[1]], c = ico.pos[t[2]];
        V3 g = (a + b + c) * (1.0f / 3.0f);
        V3 corner[3] = {a, b, c};
        V3 inner[3];
        for (int k = 0; k < 3; ++k) inner[k] = g + (corner[k] - g) * 0.68f;
        TriangleMesh frame;
        for (int k = 0; k < 3; ++k) {
            int k1 = (k + 1) % 3;
            int i0 = addVertex(frame, corner[k]), i1 = addVertex(frame, corner[k1]);
            int i2 = addVertex(frame, inner[k1]), i3 = addVertex(frame, inner[k]);
            addQuad(frame, i0, i1, i2, i3);
        }
        orientAbout(frame, {0, 0, 0}, true);
        TriangleMesh back = frame;
        flipFaces(back);
        append(out, frame);
        append(out, back);
    }
    out = unshared(out);
    sphericalUV(out);
    return out;
}

// The faceted sky: a jittered geodesic sphere of separate shards, wound to be seen from
// inside. Radius 3000 holds cameras 400 to 1600 units from its centre with room to spare.
TriangleMesh faceted() {
    TriangleMesh s = icosphere(3, 1.0f);
    for (size_t i = 0; i < s.pos.size(); ++i) {
        float j = 0.9925f + 0.015f * hashUnit(static_cast<int32_t>(i), 0, 0, 4242);
        s.pos[i] = s.pos[i] * (3000.0f * j);
    }
    TriangleMesh out;
    out.name = "skygeo";
    for (auto& t : s.tri) {
        V3 a = s.pos[t[0]], b = s.pos[t[1]], c = s.pos[t[2]];
        V3 g = (a + b + c) * (1.0f / 3.0f);
        int ia = addVertex(out, g + (a - g) * 0.94f), ib = addVertex(out, g + (b - g) * 0.94f);
        int ic = addVertex(out, g + (c - g) * 0.94f);
        addTri(out, ia, ib, ic);
    }
    orientAbout(out, {0, 0, 0}, false);
    sphericalUV(out);
    return out;
}

// The knot that twists: within 100 units of its centre so the camera at 600 units with a
// 30 degree view keeps it whole while its vertices turn.
TriangleMesh knot() {
    TriangleMesh m = torusKnot(2, 3, 55, 25, 16, 180, 12);
    m.name = "ting";
    return m;
}

// A spiked star: a geodesic ball whose first-level vertices are drawn out into spikes;
// within 56 units so it fits the 30 degree view from 300 units while it tips.
TriangleMesh spikes() {
    TriangleMesh s = icosphere(2, 26);
    for (size_t i = 0; i < s.pos.size(); ++i) {
        if (i < 12)
            s.pos[i] = s.pos[i] * (55.0f / 26.0f);
        else if (i < 42)
            s.pos[i] = s.pos[i] * (36.0f / 26.0f);
    }
    orientAbout(s, {0, 0, 0}, true);
    TriangleMesh out = unshared(s);
    out.name = "spike";
    sphericalUV(out);
    return out;
}

} // namespace

std::vector<ForgeMesh> makeMeshes() {
    // Each scene places its mesh at the origin and looks at it from `distance` in front.
    auto seen = [](const char* file, const char* role, TriangleMesh mesh, float distance, float fov,
                   const char* texture, bool envMapped) {
        return ForgeMesh{file,      role, std::move(mesh), {0, 0, 0}, {0, 0, -distance},
                         {0, 0, 0}, fov,  texture,         envMapped};
    };
    std::vector<ForgeMesh> out;
    out.push_back(seen("geo2.3ds", "backdrop: the glowing lattice, drawn twice turning apart",
                       lattice(), 500, 150, "s08_back33.tga", false));
    out.push_back(seen("skygeo.3ds", "credits and metaballs: the faceted sky around the camera",
                       faceted(), 400, 30, "s08_back32.tga", true));
    out.push_back(
        seen("ting.3ds", "credits: the knot that twists", knot(), 600, 30, "s08_back32.tga", true));
    out.push_back(seen("spike.3ds", "spike: the spiked star that tips on the beat", spikes(), 300,
                       30, "s08_back32.tga", true));
    return out;
}

} // namespace tw
