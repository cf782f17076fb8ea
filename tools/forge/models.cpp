// The data set's geometry: four single meshes and five animated scenes, each sized for the
// camera that looks at it and wound for the side it is seen from. Axes are the
// presentation's: x right, y down on screen (so "up" is -y), z away from the viewer.
#include "tools/forge/models.h"

#include <algorithm>
#include <cmath>

#include "tools/forge/noise.h"

namespace tw {

namespace {

constexpr float kPi = 3.14159265f;
const V3 kUp = {0, -1, 0};

// Winds every face to be seen from above.
void orientUp(RMesh& m) {
    for (size_t f = 0; f < m.tri.size(); ++f)
        if (dot(faceNormal(m, f), kUp) < 0) std::swap(m.tri[f][1], m.tri[f][2]);
}

// A heightfield over x (x0..x1) and z (z0..z1), y = height(x, z), seen from above.
template <class H>
RMesh heightfield(const std::string& name, float x0, float x1, float z0, float z1, int nx, int nz,
                  H height, float uvScale) {
    RMesh m;
    m.name = name;
    for (int j = 0; j <= nz; ++j)
        for (int i = 0; i <= nx; ++i) {
            float x = x0 + (x1 - x0) * i / nx, z = z0 + (z1 - z0) * j / nz;
            addVertex(m, {x, height(x, z), z}, {x / uvScale, z / uvScale});
        }
    for (int j = 0; j < nz; ++j)
        for (int i = 0; i < nx; ++i) {
            int a = j * (nx + 1) + i;
            addQuad(m, a, a + 1, a + nx + 2, a + nx + 1);
        }
    orientUp(m);
    return m;
}

RMesh octahedron(const std::string& name, V3 c, float r, float stretch) {
    RMesh m;
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
RMesh column(const std::string& name, V3 base, float top, float radius, int sides) {
    RMesh m = tube({{base.x, base.y, base.z}, {base.x, top, base.z}}, radius, sides, false, false,
                   1.0f, 2.0f);
    m.name = name;
    return m;
}

// A flat quad from four corners in order; seen from the side `facing` points to.
RMesh quad(const std::string& name, V3 a, V3 b, V3 c, V3 d, V3 facing, float uvScale) {
    RMesh m;
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
void sphericalUV(RMesh& m) {
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

// ---------------------------------------------------------------- single meshes

// A geodesic lattice: every face of a subdivided icosahedron becomes a triangular frame,
// drawn from both sides so the far struts show through the openings.
RMesh lattice() {
    RMesh ico = icosphere(1, 400);
    RMesh out;
    out.name = "geo2";
    for (auto& t : ico.tri) {
        V3 a = ico.pos[t[0]], b = ico.pos[t[1]], c = ico.pos[t[2]];
        V3 g = (a + b + c) * (1.0f / 3.0f);
        V3 corner[3] = {a, b, c};
        V3 inner[3];
        for (int k = 0; k < 3; ++k) inner[k] = g + (corner[k] - g) * 0.68f;
        RMesh frame;
        for (int k = 0; k < 3; ++k) {
            int k1 = (k + 1) % 3;
            int i0 = addVertex(frame, corner[k]), i1 = addVertex(frame, corner[k1]);
            int i2 = addVertex(frame, inner[k1]), i3 = addVertex(frame, inner[k]);
            addQuad(frame, i0, i1, i2, i3);
        }
        orientAbout(frame, {0, 0, 0}, true);
        RMesh back = frame;
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
RMesh faceted() {
    RMesh s = icosphere(3, 1.0f);
    for (size_t i = 0; i < s.pos.size(); ++i) {
        float j = 0.9925f + 0.015f * hashUnit(static_cast<int32_t>(i), 0, 0, 4242);
        s.pos[i] = s.pos[i] * (3000.0f * j);
    }
    RMesh out;
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
RMesh knot() {
    RMesh m = torusKnot(2, 3, 55, 25, 16, 180, 12);
    m.name = "ting";
    return m;
}

// A spiked star: a geodesic ball whose first-level vertices are drawn out into spikes;
// within 56 units so it fits the 30 degree view from 300 units while it tips.
RMesh spikes() {
    RMesh s = icosphere(2, 26);
    for (size_t i = 0; i < s.pos.size(); ++i) {
        if (i < 12)
            s.pos[i] = s.pos[i] * (55.0f / 26.0f);
        else if (i < 42)
            s.pos[i] = s.pos[i] * (36.0f / 26.0f);
    }
    orientAbout(s, {0, 0, 0}, true);
    RMesh out = unshared(s);
    out.name = "spike";
    sphericalUV(out);
    return out;
}

// ---------------------------------------------------------------- scenes

void addPart(ForgeScene& s, RMesh mesh, int material) {
    s.parts.push_back({std::move(mesh), material});
}

// The opening: a mountain tarn at night with a floating ember, glimpsed through the pupil.
ForgeScene tarnScene() {
    ForgeScene s;
    s.file = "scene03.3ds";
    s.role = "opening: a tarn among peaks with a floating ember";
    s.materials = {{"water", "", "s08_back32.tga", "", false},
                   {"rock", "tw_rock.tga", "", "", false},
                   {"lantern", "tw_ember.tga", "jallaenv2.tga", "", false}};
    addPart(s,
            heightfield(
                "water", -900, 900, -900, 900, 72, 72,
                [](float x, float z) {
                    return 40 + 10 * std::sin(x * 0.03f + z * 0.012f) +
                           8 * std::sin(z * 0.045f - x * 0.02f);
                },
                300),
            0);
    // Peaks: a ring of rock rising from the shore.
    RMesh ring;
    ring.name = "peaks";
    const int sectors = 72, rows = 4;
    const float radii[rows + 1] = {620, 720, 820, 920, 1100};
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i < sectors; ++i) {
            float a = 2 * kPi * i / sectors;
            float h = 0;
            if (j > 0 && j < rows) {
                float n = hashUnit(i, j, 0, 3303);
                h = (j == 2 ? 260.0f : 150.0f) + 240.0f * n * n;
                if (i % 9 == 0 && j == 2) h += 180; // a few tall peaks
            }
            float r = radii[j];
            addVertex(ring, {r * std::cos(a), 40 - h, r * std::sin(a)},
                      {static_cast<float>(i) / 6.0f, static_cast<float>(j) / 2.0f});
        }
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < sectors; ++i) {
            int i1 = (i + 1) % sectors;
            addQuad(ring, j * sectors + i, j * sectors + i1, (j + 1) * sectors + i1,
                    (j + 1) * sectors + i);
        }
    orientUp(ring);
    addPart(s, ring, 1);
    // Standing stones on the shore.
    RMesh stones;
    stones.name = "stones";
    for (int i = 0; i < 7; ++i) {
        float a = 2 * kPi * (i + 0.3f) / 7;
        float h = 90 + 60 * hashUnit(i, 1, 0, 77);
        V3 c = {520 * std::cos(a), 40, 520 * std::sin(a)};
        append(stones, box({c.x - 18, 40 - h, c.z - 12}, {c.x + 18, 41, c.z + 12}, 60));
    }
    addPart(s, stones, 1);
    addPart(s, octahedron("ember", {0, -70, 0}, 36, 1.6f), 2);

    CameraPath cam;
    cam.name = "Camera01";
    const int keys = 9;
    for (int k = 0; k < keys; ++k) {
        float t = 1.2f * k;
        float a = -kPi / 2 + 0.24f * k;
        cam.times.push_back(t);
        cam.eye.push_back({380 * std::cos(a), -60 - 6.0f * k, 380 * std::sin(a)});
        cam.target.push_back({0, -55, 0});
    }
    s.cameras.push_back(cam);
    s.timeEnd = 1850 * 0.005f; // the opening runs 18.5 s at 0.005 per centisecond
    return s;
}

// The greetings flight: down a valley of faceted chrome under arches, past ember beacons.
ForgeScene valleyScene() {
    ForgeScene s;
    s.file = "scene01.3ds";
    s.role = "greetings: a flight down a chrome valley under stone arches";
    s.materials = {{"chrome", "", "s08_back32.tga", "", false},
                   {"arches", "tw_rock.tga", "", "", false},
                   {"beacons", "tw_ember.tga", "", "", false}};
    addPart(s,
            heightfield(
                "valley", -900, 900, -400, 6000, 18, 64,
                [](float x, float z) {
                    float side = std::fabs(x) / 900.0f;
                    float n = fbm(x / 260 + 5, z / 260, 0, 3, 1201);
                    return 80 - 520 * side * side - 90 * n + 40 * side * std::sin(z / 300);
                },
                400),
            0);
    RMesh arches;
    arches.name = "arches";
    for (int k = 0; k < 7; ++k) {
        float z = 500 + 800.0f * k;
        std::vector<V3> path;
        for (int i = 0; i <= 24; ++i) {
            float a = kPi * i / 24;
            path.push_back({-380 * std::cos(a), 60 - 330 * std::sin(a), z});
        }
        append(arches, tube(path, 20, 8, false, false, 0.25f, 1));
    }
    addPart(s, arches, 1);
    RMesh beacons;
    beacons.name = "beacons";
    for (int k = 0; k < 12; ++k) {
        float z = 300 + 480.0f * k;
        float x = (k % 2 ? 1 : -1) * 240.0f;
        append(beacons, octahedron("b", {x, -150 - 40.0f * (k % 3), z}, 22, 1.8f));
    }
    addPart(s, beacons, 2);

    CameraPath cam;
    cam.name = "Camera01";
    // Keys ease in and out (the loader gives them full tension): seven glides of 4.3 s.
    for (int k = 0; k <= 6; ++k) {
        float t = 26.0f * k / 6;
        float z = 820.0f * k;
        float x = 110 * std::sin(k * 1.3f);
        cam.times.push_back(t);
        cam.eye.push_back({x, -130 - 30 * std::sin(k * 0.9f), z});
        cam.target.push_back({x * 0.4f, -70, z + 500});
    }
    s.cameras.push_back(cam);
    s.timeEnd = 26;
    return s;
}

// The grey scene: bright blocks spiralling round a column inside a dark rust dome. The dome
// hides the scene's red clear colour, so the colour each beat brings back is rust and ember.
ForgeScene spiralScene() {
    ForgeScene s;
    s.file = "scene04.3ds";
    s.role = "grey scene: bright blocks spiralling round a column in a rust dome";
    s.materials = {{"emberchrome", "tw_ember.tga", "s08_back32.tga", "", false},
                   // A plain texture: the scene turns a second layer here into a multiply,
                   // which would leave these blocks too dark to survive the grain.
                   {"frost", "tw_frost.tga", "", "", false},
                   {"column", "tw_rock.tga", "", "", false},
                   {"rust", "tw_rust.tga", "", "", false}};
    RMesh warm, cold;
    warm.name = "warm";
    cold.name = "cold";
    for (int k = 0; k < 28; ++k) {
        float a = 0.55f * k;
        float r = 150 + 8.0f * (k % 4);
        float y = 220 - 24.0f * k;
        V3 c = {r * std::cos(a), y, r * std::sin(a)};
        RMesh b = box({-38, -14, -22}, {38, 14, 22}, 40);
        rotateY(b, -a);
        translate(b, c);
        append(k % 2 ? cold : warm, b);
    }
    addPart(s, warm, 0);
    addPart(s, cold, 1);
    RMesh col = column("column", {0, 320, 0}, -520, 40, 16);
    addPart(s, col, 2);
    // The dome: seen from inside, well clear of the camera's orbit (720 units out).
    RMesh dome = icosphere(3, 1500);
    orientAbout(dome, {0, 0, 0}, false);
    dome = unshared(dome);
    sphericalUV(dome);
    translate(dome, {0, -100, 0});
    dome.name = "dome";
    addPart(s, dome, 3);

    CameraPath cam;
    cam.name = "Camera01";
    for (int k = 0; k <= 4; ++k) {
        float t = 2.5f * k;
        float a = -kPi / 2 + 0.7f * k;
        cam.times.push_back(t);
        cam.eye.push_back({720 * std::cos(a), 120 - 110.0f * k, 720 * std::sin(a)});
        cam.target.push_back({0, 60 - 100.0f * k, 0});
    }
    s.cameras.push_back(cam);
    s.timeEnd = 10;
    return s;
}

// The tunnel: a winding tube of chrome facets with rings of ember light.
V3 tunnelPath(float z) {
    return {150 * std::sin(z / 500.0f), 90 * std::sin(z / 370.0f + 1.0f), z};
}

ForgeScene tunnelScene() {
    ForgeScene s;
    s.file = "tunnel.siv";
    s.role = "tunnel: a winding chrome passage with rings of light";
    s.siv = true;
    s.materials = {{"walls", "s08_back32.tga", "", "", false},
                   {"lights", "tw_lights.tga", "", "", false}};
    std::vector<V3> path;
    for (int i = 0; i <= 190; ++i) path.push_back(tunnelPath(-100 + 25.0f * i));
    RMesh walls = tube(path, 70, 14, false, true, 0.1f, 2);
    walls.name = "walls";
    addPart(s, walls, 0);
    RMesh rings;
    rings.name = "rings";
    for (int k = 0; k < 18; ++k) {
        float z = 100 + 250.0f * k;
        RMesh r = tube({tunnelPath(z - 14), tunnelPath(z + 14)}, 64, 14, false, true, 1.0f, 3);
        append(rings, r);
    }
    addPart(s, rings, 1);

    CameraPath cam;
    cam.name = "flight";
    // The scene time runs from 0.96 to about 19.2 (0.014 per centisecond over 13 s).
    for (int k = 0; k <= 21; ++k) {
        float t = static_cast<float>(k);
        float z = 150 + 190.0f * t;
        cam.times.push_back(t);
        cam.eye.push_back(tunnelPath(z));
        cam.target.push_back(tunnelPath(z + 220));
    }
    s.cameras.push_back(cam);
    s.timeEnd = 0.96f + 1300 * 0.014f;
    return s;
}

// The room: stone walls, a tiled floor, chrome objects, glass panes, and the screen on the
// far wall that shows the previous frame. Materials in the order the scene set-up amends.
ForgeScene roomScene() {
    ForgeScene s;
    s.file = "room03.siv";
    s.role = "room: stone, tiles, chrome, glass and a live screen";
    s.siv = true;
    s.materials = {{"stone", "tw_stone.tga", "", "", false},
                   {"floor", "tw_floor.tga", "", "", false},
                   {"chrome", "s08_back32.tga", "", "", false},
                   {"glass", "tw_glass.tga", "", "", true},
                   {"screen", "tw_screen.tga", "", "", false}};
    const float x0 = -320, x1 = 320, top = -200, floorY = 100, z0 = -420, z1 = 420;
    const V3 centre = {0, -50, 0};
    RMesh walls;
    walls.name = "walls";
    append(walls, quad("w", {x0, top, z1}, {x1, top, z1}, {x1, floorY, z1}, {x0, floorY, z1},
                       {0, 0, -1}, 160));
    append(walls, quad("w", {x1, top, z0}, {x0, top, z0}, {x0, floorY, z0}, {x1, floorY, z0},
                       {0, 0, 1}, 160));
    append(walls, quad("w", {x0, top, z0}, {x0, top, z1}, {x0, floorY, z1}, {x0, floorY, z0},
                       {1, 0, 0}, 160));
    append(walls, quad("w", {x1, top, z1}, {x1, top, z0}, {x1, floorY, z0}, {x1, floorY, z1},
                       {-1, 0, 0}, 160));
    append(walls,
           quad("w", {x0, top, z0}, {x1, top, z0}, {x1, top, z1}, {x0, top, z1}, {0, 1, 0}, 160));
    addPart(s, walls, 0);
    addPart(s,
            quad("floor", {x0, floorY, z0}, {x1, floorY, z0}, {x1, floorY, z1}, {x0, floorY, z1},
                 {0, -1, 0}, 160),
            1);
    RMesh chrome;
    chrome.name = "chrome";
    RMesh ball = icosphere(2, 55);
    translate(ball, {110, 0, 170});
    append(chrome, ball);
    append(chrome, column("c", {-230, floorY, 260}, top, 26, 12));
    append(chrome, column("c", {230, floorY, 260}, top, 26, 12));
    append(chrome, box({80, 55, 140}, {140, floorY, 200}, 40));
    // The screen's frame.
    append(chrome, box({-150, -172, 400}, {150, -164, 412}, 40));
    append(chrome, box({-150, 32, 400}, {150, 40, 412}, 40));
    append(chrome, box({-158, -172, 400}, {-150, 40, 412}, 40));
    append(chrome, box({150, -172, 400}, {158, 40, 412}, 40));
    addPart(s, chrome, 2);
    RMesh glassPanes;
    glassPanes.name = "glass";
    append(glassPanes, quad("g", {-200, -120, -40}, {-80, -120, 60}, {-80, floorY, 60},
                            {-200, floorY, -40}, {1, 0, -1}, 220));
    append(glassPanes, quad("g", {170, -100, -120}, {250, -100, -20}, {250, floorY, -20},
                            {170, floorY, -120}, {-1, 0, -1}, 220));
    addPart(s, glassPanes, 3);
    // The live screen: the whole previous frame maps onto it, top row at the top.
    RMesh screen;
    screen.name = "screen";
    int a = addVertex(screen, {-150, -164, 399}, {0, 0});
    int b = addVertex(screen, {150, -164, 399}, {1, 0});
    int c = addVertex(screen, {150, 32, 399}, {1, 1});
    int d = addVertex(screen, {-150, 32, 399}, {0, 1});
    addQuad(screen, a, b, c, d);
    orientAbout(screen, centre, false);
    addPart(s, screen, 4);

    CameraPath cam;
    cam.name = "viewer";
    const V3 eyes[6] = {{-60, -40, -340}, {-120, -30, -260}, {-40, -50, -180},
                        {90, -45, -200},  {150, -35, -120},  {60, -40, -60}};
    const V3 looks[6] = {{0, -60, 400}, {60, -40, 300},  {120, -10, 170},
                         {0, -70, 400}, {-80, -40, 200}, {0, -60, 400}};
    for (int k = 0; k < 6; ++k) {
        cam.times.push_back(2.6f * k);
        cam.eye.push_back(eyes[k]);
        cam.target.push_back(looks[k]);
    }
    s.cameras.push_back(cam);
    s.timeEnd = 12.5f;
    return s;
}

// ---------------------------------------------------------------- encoding

std::vector<uint8_t> encode3dsScene(const ForgeScene& s) {
    TdsScene t;
    for (const ForgeMaterial& m : s.materials) {
        TdsMaterial tm;
        tm.name = m.name;
        tm.textureMap = m.texture;
        tm.reflectionMap = m.reflection;
        tm.bumpMap = m.bump;
        t.materials.push_back(tm);
    }
    int n = 0;
    for (const ForgePart& p : s.parts) {
        RMesh named = p.mesh;
        named.name = p.mesh.name + std::to_string(n++);
        t.meshes.push_back(toTdsScene(named, s.materials[p.material].name));
    }
    uint32_t lastFrame = 0;
    for (const CameraPath& c : s.cameras) {
        TdsCamera cam;
        cam.name = c.name;
        cam.position = toTdsCameraPoint(c.eye.front());
        cam.target = toTdsCameraPoint(c.target.front());
        cam.lens = 2400.0f / 45.0f; // the 45 degrees the presentation draws scenes with
        t.cameras.push_back(cam);
        TdsNode eye, target;
        eye.kind = TDS_NODE_CAMERA;
        target.kind = TDS_NODE_TARGET;
        eye.name = target.name = c.name;
        for (size_t k = 0; k < c.times.size(); ++k) {
            // Frames at 30 per second: the reader turns frame numbers back into seconds.
            uint32_t frame = static_cast<uint32_t>(std::lround(c.times[k] * 30.0f));
            lastFrame = std::max(lastFrame, frame);
            TdsKey ke, kt;
            ke.frame = kt.frame = frame;
            ke.position = toTdsCameraPoint(c.eye[k]);
            kt.position = toTdsCameraPoint(c.target[k]);
            eye.positionKeys.push_back(ke);
            target.positionKeys.push_back(kt);
        }
        t.nodes.push_back(eye);
        t.nodes.push_back(target);
    }
    t.frameEnd = lastFrame;
    return encodeTdsScene(t);
}

std::vector<uint8_t> encodeSivScene(const ForgeScene& s) {
    SivFile f;
    f.name = s.file;
    std::vector<std::string> textures;
    for (const ForgeMaterial& m : s.materials) {
        auto it = std::find(textures.begin(), textures.end(), m.texture);
        int index = static_cast<int>(it - textures.begin());
        if (it == textures.end()) textures.push_back(m.texture);
        f.materials.push_back({m.name, index, m.twoSided});
    }
    for (size_t i = 0; i < textures.size(); ++i)
        f.textures.push_back({static_cast<int32_t>(i), textures[i]});
    for (const ForgePart& p : s.parts) f.objects.push_back(toSiv(p.mesh, p.material));
    int32_t trackId = 1;
    for (const CameraPath& c : s.cameras) {
        SivCamera cam;
        cam.name = c.name;
        cam.position = toSivPoint(c.eye.front());
        cam.target = toSivPoint(c.target.front());
        cam.positionTrack = trackId++;
        cam.targetTrack = trackId++;
        SivTrack eye, target;
        eye.id = cam.positionTrack;
        target.id = cam.targetTrack;
        for (size_t k = 0; k < c.times.size(); ++k) {
            // Tension 0: a smooth spline through the keys (the SIV loader keeps it).
            eye.keys.push_back({c.times[k], toSivPoint(c.eye[k]), 0, 0, 0});
            target.keys.push_back({c.times[k], toSivPoint(c.target[k]), 0, 0, 0});
        }
        f.cameras.push_back(cam);
        f.tracks.push_back(eye);
        f.tracks.push_back(target);
    }
    // One extra record, which the presentation reads and ignores: the scene's name.
    std::array<uint8_t, 104> extra{};
    std::copy_n(s.file.begin(), std::min<size_t>(s.file.size(), 103), extra.begin());
    f.extras.push_back(extra);
    return encodeSiv(f);
}

} // namespace

std::vector<ForgeMesh> makeMeshes() {
    std::vector<ForgeMesh> out;
    out.push_back({"geo2.3ds",
                   "backdrop: the glowing lattice, drawn twice turning apart",
                   lattice(),
                   {0, 0, 0},
                   {0, 0, -500},
                   {0, 0, 0},
                   150,
                   "s08_back33.tga",
                   false});
    out.push_back({"skygeo.3ds",
                   "credits and metaballs: the faceted sky around the camera",
                   faceted(),
                   {0, 0, 0},
                   {0, 0, -400},
                   {0, 0, 0},
                   30,
                   "s08_back32.tga",
                   true});
    out.push_back({"ting.3ds",
                   "credits: the knot that twists",
                   knot(),
                   {0, 0, 0},
                   {0, 0, -600},
                   {0, 0, 0},
                   30,
                   "s08_back32.tga",
                   true});
    out.push_back({"spike.3ds",
                   "spike: the spiked star that tips on the beat",
                   spikes(),
                   {0, 0, 0},
                   {0, 0, -300},
                   {0, 0, 0},
                   30,
                   "s08_back32.tga",
                   true});
    return out;
}

std::vector<ForgeScene> makeScenes() {
    return {tarnScene(), valleyScene(), spiralScene(), tunnelScene(), roomScene()};
}

std::vector<uint8_t> encodeMesh(const ForgeMesh& m) {
    return encodeTdsMesh(toTdsSingle(m.mesh));
}

std::vector<uint8_t> encodeScene(const ForgeScene& s) {
    return s.siv ? encodeSivScene(s) : encode3dsScene(s);
}

uint32_t loadedFlags(const ForgeScene& s, int material) {
    const ForgeMaterial& m = s.materials[static_cast<size_t>(material)];
    if (s.siv) return m.twoSided ? 0x102u : 0x2u;
    uint32_t flags = 0;
    if (!m.texture.empty()) flags = 0x2;
    if (!m.reflection.empty()) flags |= m.texture.empty() ? 0x6u : 0x58u;
    if (!m.bump.empty()) flags |= 0x60;
    return flags ? flags : 0x1u;
}

} // namespace tw
