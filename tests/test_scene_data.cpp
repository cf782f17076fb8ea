// The forge's scene files, read back through the presentation's loaders, against the forge's
// own description of what it wrote: meshes, mapping, materials and flags, camera keys.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "base/paths.h"
#include "base/report.h"
#include "formats/scene.h"
#include "formats/siv.h"
#include "formats/tds_scene.h"
#include "tools/forge/models.h"

namespace tw {
namespace {

class SceneData : public ::testing::Test {
  protected:
    void SetUp() override { setDataRoot(TW_BINARY_DIR); }
    void TearDown() override { setDataRoot("."); }
};

void expectNear3(float x, float y, float z, V3 want, float tol, const std::string& what) {
    EXPECT_NEAR(x, want.x, tol) << what;
    EXPECT_NEAR(y, want.y, tol) << what;
    EXPECT_NEAR(z, want.z, tol) << what;
}

TEST_F(SceneData, EveryForgedSceneLoadsAsTheForgeMeantIt) {
    std::vector<ForgeScene> scenes = makeScenes();
    ASSERT_EQ(scenes.size(), 5u);
    for (const ForgeScene& fs : scenes) {
        SCOPED_TRACE(fs.file);
        std::string path = dataPath("data/" + fs.file);
        Scene scene;
        ReportCapture cap; // textures load without a single complaint
        if (fs.siv) {
            loadSivScene(scene, path);
        } else {
            load3dsScene(scene, path);
        }
        for (const std::string& line : cap.lines) {
            EXPECT_EQ(line.rfind("len: ", 0), 0u) << line;
        }
        EXPECT_EQ(scene.is3ds, fs.siv ? 0 : 1);

        ASSERT_EQ(scene.materials.size(), fs.materials.size());
        for (size_t m = 0; m < fs.materials.size(); ++m) {
            EXPECT_EQ(scene.materials[m].flags, loadedFlags(fs, static_cast<int>(m))) << m;
            EXPECT_TRUE(materialDrawable(scene.materials[m])) << m;
        }

        ASSERT_EQ(scene.meshes.size(), fs.parts.size());
        for (size_t p = 0; p < fs.parts.size(); ++p) {
            const RMesh& want = fs.parts[p].mesh;
            const Mesh& got = scene.meshes[p];
            ASSERT_EQ(got.vertexCount, static_cast<int32_t>(want.pos.size())) << p;
            ASSERT_EQ(got.faceCount, static_cast<int32_t>(want.tri.size())) << p;
            EXPECT_EQ(got.materialIndex, fs.parts[p].material) << p;
            for (size_t v = 0; v < want.pos.size(); ++v) {
                const Vertex& vert = got.vertices[v];
                ASSERT_NEAR(vert.x, want.pos[v].x, 1e-3f) << p << "/" << v;
                ASSERT_NEAR(vert.y, want.pos[v].y, 1e-3f) << p << "/" << v;
                ASSERT_NEAR(vert.z, want.pos[v].z, 1e-3f) << p << "/" << v;
                if (v < want.uv.size()) {
                    ASSERT_NEAR(vert.uv1.u, want.uv[v].u, 1e-5f) << p << "/" << v;
                    ASSERT_NEAR(vert.uv1.v, want.uv[v].v, 1e-5f) << p << "/" << v;
                }
            }
            for (size_t f = 0; f < want.tri.size(); ++f) {
                const Face& face = got.faces[f];
                // SIV files store the other winding, which the mirrored rule draws.
                int b = fs.siv ? want.tri[f][2] : want.tri[f][1];
                int c = fs.siv ? want.tri[f][1] : want.tri[f][2];
                ASSERT_EQ(face.a, want.tri[f][0]) << p << "/" << f;
                ASSERT_EQ(face.b, b) << p << "/" << f;
                ASSERT_EQ(face.c, c) << p << "/" << f;
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
                expectNear3(cam.curves[0].keys[k].value, cam.curves[1].keys[k].value,
                            cam.curves[2].keys[k].value, path.eye[k], 1e-3f, what);
                expectNear3(cam.curves[3].keys[k].value, cam.curves[4].keys[k].value,
                            cam.curves[5].keys[k].value, path.target[k], 1e-3f, what);
            }
            // The scene's set-up reaches scene times up to timeEnd: the keys cover it.
            EXPECT_GE(cam.curves[0].keys.back().time + 0.02f, fs.timeEnd);
        }
    }
}

// The raw readers agree with the counts the files were written with, and the scene files
// stay well inside the reader's limits (16 tracks).
TEST_F(SceneData, RawReadersSeeEveryRecord) {
    for (const ForgeScene& fs : makeScenes()) {
        SCOPED_TRACE(fs.file);
        std::string path = dataPath("data/" + fs.file);
        if (fs.siv) {
            ReportCapture cap;
            auto siv = readSiv(path);
            ASSERT_TRUE(siv);
            EXPECT_EQ(siv->objects.size(), fs.parts.size());
            EXPECT_EQ(siv->materials.size(), fs.materials.size());
            EXPECT_EQ(siv->cameras.size(), fs.cameras.size());
            EXPECT_EQ(siv->tracks.size(), 2 * fs.cameras.size());
        } else {
            Scene3ds s;
            ASSERT_TRUE(read3dsScene(path, s));
            EXPECT_EQ(s.objectCount, static_cast<int>(fs.parts.size()));
            EXPECT_EQ(s.materialCount, static_cast<int>(fs.materials.size()));
            EXPECT_EQ(s.cameraCount, static_cast<int>(fs.cameras.size()));
            EXPECT_EQ(s.trackCount, static_cast<int>(2 * fs.cameras.size()));
            EXPECT_LE(s.trackCount, kMaxTracks3ds);
            for (int t = 0; t < s.trackCount; ++t) EXPECT_GE(s.tracks[t].owner, 0);
        }
    }
}

} // namespace
} // namespace tw
