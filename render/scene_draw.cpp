// Drawing a loaded scene: animate one camera from its curves, then draw every mesh unrotated
// at its loaded position with the winding rule of the file kind it came from.
#include "render/scene_draw.h"

#include "render/draw.h"

namespace tw {

void drawScene(Scene& scene, Bitmap& target, int cameraIndex, float time) {
    if (scene.cameras.empty()) return;
    if (cameraIndex < 0 || static_cast<size_t>(cameraIndex) >= scene.cameras.size())
        cameraIndex = 0;
    Camera& camera = scene.cameras[static_cast<size_t>(cameraIndex)];
    // The loaders never leave a curve empty; a scene built by other hands might, and an
    // empty curve cannot be evaluated.
    for (const TCBCurve& curve : camera.curves) {
        if (keyCount(curve) == 0) return;
    }
    setFieldOfView(camera, 45);
    lookAlongCurves(camera, camera, time);

    // SIV meshes had y negated at load, which mirrors their winding on screen.
    FrontRule rule = scene.isTds ? FrontRule::Default : FrontRule::Mirrored;
    static const Material kNoMaps = [] {
        Material m;
        m.flags = MAT_WIRE;
        return m;
    }();
    for (Mesh& mesh : scene.meshes) {
        setScale(mesh, 1, 1, 1);
        rotate(mesh, 0, 0, 0);
        setPosition(mesh, mesh.px, mesh.py, mesh.pz);
        // A mesh naming no material (scene files without materials, an unknown name) draws
        // as a material without maps: white lines, so its shape still shows.
        const bool named = mesh.materialIndex >= 0 &&
                           static_cast<size_t>(mesh.materialIndex) < scene.materials.size();
        drawSceneMesh(target, mesh, camera,
                      named ? scene.materials[static_cast<size_t>(mesh.materialIndex)] : kNoMaps,
                      rule);
    }
}

} // namespace tw
