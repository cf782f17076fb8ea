// The meshes and scenes of the data set, built in the presentation's axes, and their files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/forge/geometry.h"

namespace tw {

// A single mesh and the view its scene gives it (for checks and the contact sheet).
struct ForgeMesh {
    std::string file;
    std::string role;
    TriangleMesh mesh;
    V3 objectPosition;   // where its scene places it
    V3 eye, target;      // the scene's camera
    float fovDegrees;    // the field of view the scene draws it with
    std::string texture; // what its scene maps onto it
    bool envMapped;      // texture coordinates from normals rather than the mesh's mapping
};

struct ForgeMaterial {
    std::string name;
    std::string texture;    // 3DS texture map; the SIV material's texture
    std::string reflection; // 3DS only
    std::string bump;       // 3DS only
    bool twoSided = false;  // SIV only
};

struct ForgePart {
    TriangleMesh mesh; // one material per part: both loaders take one material per mesh
    int material = 0;
};

// A camera as key lists of eye and target points at times in the scene's own unit.
struct CameraPath {
    std::string name;
    std::vector<float> times;
    std::vector<V3> eye, target;
};

struct ForgeScene {
    std::string file;
    std::string role;
    bool siv = false;
    std::vector<ForgeMaterial> materials;
    std::vector<ForgePart> parts;
    std::vector<CameraPath> cameras;
    float timeEnd = 0; // the last scene time its set-up reaches
};

std::vector<ForgeMesh> makeMeshes();
std::vector<ForgeScene> makeScenes();

// The file bytes: single meshes as 3DS, scenes as 3DS or SIV.
std::vector<uint8_t> encodeMesh(const ForgeMesh& mesh);
std::vector<uint8_t> encodeScene(const ForgeScene& scene);

// The material flags the presentation derives when it loads the scene (before any scene
// set-up amends them).
uint32_t loadedFlags(const ForgeScene& scene, int material);

} // namespace tw
