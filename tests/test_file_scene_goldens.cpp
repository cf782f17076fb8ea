// Golden frames of the five scenes that play scene files (eye, tunnel, room, grey,
// greetings), and those scenes on missing or short data: they draw on without reading what
// is not there.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/paths.h"
#include "base/random.h"
#include "base/report.h"
#include "base/sync.h"
#include "scenes/eye.h"
#include "scenes/greetings.h"
#include "scenes/grey.h"
#include "scenes/room.h"
#include "scenes/timeline.h"
#include "scenes/tunnel.h"
#include "tests/support/goldens.h"
#include "tools/write/siv_writer.h"
#include "tools/write/tga_writer.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

using FileSceneGolden = GoldenScene;

TEST_F(FileSceneGolden, Eye) {
    static EyeScene scene;
    golden(scene, setupEye, runEye,
           {"eye", 0, kStep30, 60, {{15, SYNC_BEAT}, {30, SYNC_ACCENT}}, {0, 16, 31, 59}});
}

TEST_F(FileSceneGolden, Tunnel) {
    static TunnelScene scene;
    golden(
        scene, setupTunnel, runTunnel,
        {"tunnel", sceneStartCs(SCENE_TUNNEL), kStep30, 60, {{20, SYNC_ACCENT}}, {0, 21, 40, 59}});
}

TEST_F(FileSceneGolden, Room) {
    static RoomScene scene;
    // 10 frames a second, past the end of the six-second intro picture; the live texture shows
    // the previous scene's last frame first.
    golden(scene, setupRoom, runRoom,
           {"room", sceneStartCs(SCENE_ROOM), 10, 70, {}, {0, 1, 30, 65}}, true);
}

TEST_F(FileSceneGolden, Grey) {
    static GreyScene scene;
    golden(scene, setupGrey, runGrey,
           {"grey", sceneStartCs(SCENE_GREY), kStep30, 60, {{20, SYNC_BEAT}}, {0, 21, 59}});
}

TEST_F(FileSceneGolden, Greetings) {
    static GreetingsScene scene;
    golden(
        scene, setupGreetings, runGreetings,
        {"greetings", sceneStartCs(SCENE_GREETINGS), kStep30, 60, {{25, SYNC_BEAT}}, {0, 26, 59}});
}

// Runs every frame of the five scenes for a while with beats and accents.
template <typename Runs> void runAll(Runs&& runs, Bitmap& frame) {
    for (int i = 0; i < 120; ++i) {
        syncFlags[SYNC_BEAT] = (i % 30 == 0) ? 1.0f : 0.0f;
        syncFlags[SYNC_ACCENT] = (i % 45 == 0) ? 1.0f : 0.0f;
        clearZBuffer(gZBuffer);
        runs(frame, static_cast<float>(i) * 7);
    }
}

// A room file with three materials and a tunnel file without any: the amendments that do
// not fit are skipped and both scenes play.
TEST(FileScenesWithoutData, ShortSceneFilesSkipWhatDoesNotFit) {
    const std::string root = ::testing::TempDir() + "short_scenes";
    fs::create_directories(root + "/data");
    Bitmap small = createBitmap(64, 64);
    fillBitmap(small, 0xff808080u);
    ASSERT_TRUE(writeTga(root + "/data/small.tga", small));
    SivFile room;
    room.textures = {{0, "small.tga"}};
    room.materials = {{"a", 0, false}, {"b", 0, false}, {"c", 0, true}};
    SivObject wall;
    wall.vertices.resize(3);
    wall.vertices[1].position = {100, 0, 0};
    wall.vertices[2].position = {0, 100, 0};
    wall.faces = {{0, 1, 2, 2}};
    room.objects = {wall};
    room.cameras = {SivCamera{}};
    ASSERT_TRUE(writeFile(root + "/data/room03.siv", encodeSiv(room)));
    SivFile tunnel = room;
    tunnel.materials.clear();
    ASSERT_TRUE(writeFile(root + "/data/tunnel.siv", encodeSiv(tunnel)));

    setDataRoot(root);
    createZBuffer(gZBuffer, 320, 240);
    Bitmap frame = createBitmap(320, 240);
    ReportCapture quiet;
    static RoomScene shortRoom;
    static TunnelScene bareTunnel;
    setupRoom(shortRoom);
    setupTunnel(bareTunnel);
    ASSERT_EQ(shortRoom.scene.materials.size(), 3u);
    // Rows 0, 2 and 1 fit; the row for material 4 and the live texture are skipped.
    EXPECT_EQ(shortRoom.scene.materials[0].flags, 0x2u | 0x10a8u);
    EXPECT_EQ(shortRoom.scene.materials[2].flags, 0x102u | 0x104cu);
    EXPECT_FALSE(shortRoom.liveTexture);
    EXPECT_TRUE(bareTunnel.scene.materials.empty());
    runAll(
        [](Bitmap& f, float t) {
            runRoom(shortRoom, f, sceneStartCs(SCENE_ROOM) + t);
            runTunnel(bareTunnel, f, sceneStartCs(SCENE_TUNNEL) + t);
        },
        frame);

    // Five materials, but material 4's texture is 64x64: no live texture.
    room.materials.resize(5, {"d", 0, false});
    ASSERT_TRUE(writeFile(root + "/data/room03.siv", encodeSiv(room)));
    static RoomScene room5Scene;
    setupRoom(room5Scene);
    ASSERT_EQ(room5Scene.scene.materials.size(), 5u);
    EXPECT_EQ(room5Scene.scene.materials[4].base.width, 64); // the premise
    EXPECT_FALSE(room5Scene.liveTexture);
    EXPECT_EQ(room5Scene.scene.materials[4].flags, 0x2u | 0x1048u);
    runAll([](Bitmap& f, float t) { runRoom(room5Scene, f, sceneStartCs(SCENE_ROOM) + t); }, frame);
    setDataRoot(".");
}

// The ribbon's own rules: row 0 and rows from 240 are never drawn, column pairs share a
// texture column, texels without red leave the frame alone, sums saturate.
TEST(Greetings, RibbonRules) {
    GreetingsScene s;
    for (int k = 0; k < 320; ++k) {
        s.height[k] = 64;
        s.centre[k] = k < 160 ? 230 : 20; // the band runs off the bottom and the top
    }
    s.ribbon = createBitmap(4096, 32);
    for (int v = 0; v < 32; ++v)
        for (int u = 0; u < 4096; ++u)
            s.ribbon.pixels[v * 4096 + u] = (u % 3 == 0) ? 0x00f08040u : 0x0000ffffu;
    Bitmap frame = createBitmap(320, 240);
    fillBitmap(frame, 0x00202020u);
    drawRibbon(s, frame, 0);
    for (int x = 0; x < 320; ++x) EXPECT_EQ(frame.pixels[x], 0x00202020u) << x;
    EXPECT_NE(frame.pixels[239 * 320 + 300], 0x00202020u); // the last row is drawn
    // Columns 0 and 1 read texture column 0 (red): both lit; columns 2, 3 read column 1
    // (no red): untouched.
    const int y = 10; // inside the band of columns 0..159 (centre(319 - i) = 20)
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(frame.pixels[y * 320 + x], x < 2 ? 0x00ffa060u : 0x00202020u) << x;
    // The phase moves the text by 1.2 texture columns per unit.
    Bitmap moved = createBitmap(320, 240);
    drawRibbon(s, moved, 10); // column 0 now reads texture column 12 (red)
    EXPECT_NE(moved.pixels[y * 320 + 0], 0u);
    // A picture smaller than the strip is never read.
    GreetingsScene none = s;
    none.ribbon = createBitmap(64, 32);
    fillBitmap(none.ribbon, 0xffffffffu);
    Bitmap clean = createBitmap(320, 240);
    drawRibbon(none, clean, 0);
    for (int i = 0; i < clean.pixelCount(); ++i) ASSERT_EQ(clean.pixels[i], 0u);
}

} // namespace
} // namespace tw
