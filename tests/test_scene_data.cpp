// The forge's scene files, read back through the presentation's loaders, against the forge's
// own description of what it wrote: meshes, mapping, materials and flags, camera keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/paths.h"
#include "base/report.h"
#include "formats/scene.h"
#include "tools/forge/models.h"

namespace tw {
namespace {

class SceneData : public ::testing::Test {
  protected:
    void SetUp() override { setDataRoot(TW_BINARY_DIR); }
    void TearDown() override { setDataRoot("."); }
};

// Curves 0..2 (or 3..5) of a camera at key k against a forged point.
void expectKey(const Camera& cam, int first, size_t k, V3 want, const std::string& what) {
    const float w[3] = {want.x, want.y, want.z};
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(cam.curves[first + i].keys[k].value, w[i], 1e-3f) << what;
}

TEST_F(SceneData, EveryForgedSceneLoadsAsTheForgeMeantIt) {
    std::vector<ForgeScene> scenes = makeScenes();
    ASSERT_EQ(scenes.size(), 5u);
    for (const ForgeScene& fs : scenes) {
        SCOPED_TRACE(fs.file);
        std::string path = dataPath("data/" + fs.file);
        Scene scene;
        ReportCapture cap; // textures load without a single complaint
        fs.siv ? loadSivScene(scene, path) : loadTdsScene(scene, path);
        for (const std::string& line : cap.lines) EXPECT_EQ(line.rfind("len: ", 0), 0u) << line;
        EXPECT_EQ(scene.isTds, fs.siv ? 0 : 1);

        ASSERT_EQ(scene.materials.size(), fs.materials.size());
        for (size_t m = 0; m < fs.materials.size(); ++m) {
            EXPECT_EQ(scene.materials[m].flags, loadedFlags(fs, static_cast<int>(m))) << m;
            EXPECT_TRUE(materialDrawable(scene.materials[m])) << m;
        }

        ASSERT_EQ(scene.meshes.size(), fs.parts.size());
        for (size_t p = 0; p < fs.parts.size(); ++p) {
            const TriangleMesh& want = fs.parts[p].mesh;
            const Mesh& got = scene.meshes[p];
            ASSERT_EQ(got.vertexCount, static_cast<int32_t>(want.pos.size())) << p;
            ASSERT_EQ(got.faceCount, static_cast<int32_t>(want.tri.size())) << p;
            EXPECT_EQ(got.materialIndex, fs.parts[p].material) << p;
            for (size_t v = 0; v < want.pos.size(); ++v) {
                const Vertex& vert = got.vertices[v];
                float uvErr = v < want.uv.size() ? std::max(std::fabs(vert.uv1.u - want.uv[v].u),
                                                            std::fabs(vert.uv1.v - want.uv[v].v))
                                                 : 0.0f;
                ASSERT_LT(
                    std::max({std::fabs(vert.x - want.pos[v].x), std::fabs(vert.y - want.pos[v].y),
                              std::fabs(vert.z - want.pos[v].z)}),
                    1e-3f)
                    << p << "/" << v;
                ASSERT_LT(uvErr, 1e-5f) << p << "/" << v;
            }
            for (size_t f = 0; f < want.tri.size(); ++f) {
                const Face& face = got.faces[f];
                // SIV files store the other winding, which the mirrored rule draws.
                int b = fs.siv ? want.tri[f][2] : want.tri[f][1];
                int c = fs.siv ? want.tri[f][1] : want.tri[f][2];
                ASSERT_EQ(std::vector<int>({face.a, face.b, face.c}),
                          std::vector<int>({want.tri[f][0], b, c}))
                    << p << "/" << f;
            }
        }

        ASSERT_EQ(scene.cameras.size(), fs.cameras.size());
        for (size_t c = 0; c < fs.cameras.size(); ++c) {
            const CameraPath& path = fs.cameras[c];
            const Camera& cam = scene.cameras[c];
            size_t keys = path.times.size();
            ASSERT_EQ(keyCount(cam.curves[0]), static_cast<int>(keys > 1 || fs.siv ? keys : 1));
            for (size_t k = 0; k < static_cast<size_t>(keyCount(cam.curves[0])); ++k) {
                std::string what = "camera " + std::to_string(c) + " key " + std::to_string(k);
                // 3DS keys sit on whole frames at 30 per second.
                EXPECT_NEAR(cam.curves[0].keys[k].time, path.times[k], fs.siv ? 1e-6f : 0.017f)
                    << what;
                expectKey(cam, 0, k, path.eye[k], what);
                expectKey(cam, 3, k, path.target[k], what);
            }
            // The scene's set-up reaches scene times up to timeEnd: the keys cover it.
            EXPECT_GE(cam.curves[0].keys.back().time + 0.02f, fs.timeEnd);
        }
    }
}

} // namespace
} // namespace tw
