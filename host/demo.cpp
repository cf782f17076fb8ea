// The demo loop: one iteration per frame, driven only by the clock and the music's syncs.
#include "host/demo.h"

#include "base/random.h"
#include "base/sync.h"
#include "image/ops.h"
#include "scenes/registry.h"

namespace tw {

void demoCreateFramebuffer(Demo& demo) {
    demo.framebuffer = createBitmap(320, 240);
    fillBitmap(demo.framebuffer, makeColour(0, 0, 0, 0));
}

void demoSetup(Demo& demo, MusicOutput& music, const std::string& musicPath, bool noSound) {
    // A fresh pass starts from a clear frame too: some scenes read the frame before theirs.
    if (!demo.framebuffer.pixels) demoCreateFramebuffer(demo);
    fillBitmap(demo.framebuffer, makeColour(0, 0, 0, 0));
    seedRandom();
    resetSyncFlags();
    createZBuffer(gZBuffer, 320, 240);
    demo.scenes = std::make_unique<AllScenes>();
    setupAllScenes(*demo.scenes);
    demo.musicLoaded = music.load(musicPath, noSound);
    music.installSync(musicSyncCallback);
    timelineCreate(demo.timeline, kDemoScript);
    demo.demoTime = 0.0f;
    demo.flashStart = -31337.0f;
    demo.ended = false;
    demo.frameIndex = 0;
}

void demoStart(MusicOutput& music, FrameClock& clock) {
    clock.start();
    music.play();
}

void demoStartup(Demo& demo, MusicOutput& music, FrameClock& clock, const std::string& musicPath,
                 bool noSound) {
    demoSetup(demo, music, musicPath, noSound);
    demoStart(music, clock);
}

void applyFlash(Bitmap& framebuffer, float flashStart, float demoTime) {
    double flashEnd = static_cast<double>(flashStart) + 0.2;
    if (flashEnd > demoTime) {
        int k = static_cast<int>((flashEnd - demoTime) * 5.0 * 255.0);
        blendFill(framebuffer, k & 255, makeColour(255, 255, 255, 255));
    }
}

FrameResult demoFrame(Demo& demo, FrameSink& sink, FrameClock& clock, MusicOutput& music,
                      float presentFrom) {
    demo.presented = false;
    // A quit request ends the loop before anything of this frame happens.
    if (sink.pollQuit()) return FrameResult::Quit;
    float delta = clock.tick();
    demo.demoTime = demo.demoTime + delta;
    // Offline music renders every tick up to this frame's time first, so its syncs reach the
    // same frame on every run; a live player runs on its own thread and ignores this.
    music.advanceTo(demo.demoTime);
    if (timelineStep(demo.timeline, demo.demoTime * 100.0f)) demo.ended = true;
    clearZBuffer(gZBuffer);
    if (!demo.ended && demo.timeline.scene >= 0)
        runScene(*demo.scenes, demo.timeline.scene, demo.framebuffer, demo.timeline.time);
    if (latchSync(SYNC_FLASH)) demo.flashStart = demo.demoTime;
    applyFlash(demo.framebuffer, demo.flashStart, demo.demoTime);
    ++demo.frameIndex;
    if (demo.demoTime >= presentFrom) {
        if (!sink.present(demo.framebuffer)) return FrameResult::SinkFailed;
        demo.presented = true;
    }
    return demo.ended ? FrameResult::Ended : FrameResult::Continue;
}

} // namespace tw
