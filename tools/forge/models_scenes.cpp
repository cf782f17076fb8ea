// The five animated scenes of the data set: the tarn, the valley, the spiral, the tunnel and
// the room, each sized for its camera and wound for the side it is seen from.
#include "tools/forge/models_internal.h"

#include <algorithm>
#include <cmath>

#include "tools/forge/noise.h"

namespace tw {

namespace {

void addPart(ForgeScene& s, TriangleMesh mesh, int material) {
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
    TriangleMesh ring;
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
    TriangleMesh stones;
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
    TriangleMesh arches;
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
    TriangleMesh beacons;
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
    TriangleMesh warm, cold;
    warm.name = "warm";
    cold.name = "cold";
    for (int k = 0; k < 28; ++k) {
        float a = 0.55f * k;
        float r = 150 + 8.0f * (k % 4);
        float y = 220 - 24.0f * k;
        V3 c = {r * std::cos(a), y, r * std::sin(a)};
        TriangleMesh b = box({-38, -14, -22}, {38, 14, 22}, 40);
        rotateY(b, -a);
        translate(b, c);
        append(k % 2 ? cold : warm, b);
    }
    addPart(s, warm, 0);
    addPart(s, cold, 1);
    TriangleMesh col = column("column", {0, 320, 0}, -520, 40, 16);
    addPart(s, col, 2);
    // The dome: seen from inside, well clear of the camera's orbit (720 units out).
    TriangleMesh dome = icosphere(3, 1500);
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
    TriangleMesh walls = tube(path, 70, 14, false, true, 0.1f, 2);
    walls.name = "walls";
    addPart(s, walls, 0);
    TriangleMesh rings;
    rings.name = "rings";
    for (int k = 0; k < 18; ++k) {
        float z = 100 + 250.0f * k;
        TriangleMesh r =
            tube({tunnelPath(z - 14), tunnelPath(z + 14)}, 64, 14, false, true, 1.0f, 3);
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
    TriangleMesh walls;
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
    TriangleMesh chrome;
    chrome.name = "chrome";
    TriangleMesh ball = icosphere(2, 55);
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
    TriangleMesh glassPanes;
    glassPanes.name = "glass";
    append(glassPanes, quad("g", {-200, -120, -40}, {-80, -120, 60}, {-80, floorY, 60},
                            {-200, floorY, -40}, {1, 0, -1}, 220));
    append(glassPanes, quad("g", {170, -100, -120}, {250, -100, -20}, {250, floorY, -20},
                            {170, floorY, -120}, {-1, 0, -1}, 220));
    addPart(s, glassPanes, 3);
    // The live screen: the whole previous frame maps onto it, top row at the top.
    TriangleMesh screen;
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

} // namespace

std::vector<ForgeScene> makeScenes() {
    return {tarnScene(), valleyScene(), spiralScene(), tunnelScene(), roomScene()};
}

} // namespace tw
