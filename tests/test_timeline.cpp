// The timeline script: scene selection by time, stalls, the end.
#include <gtest/gtest.h>

#include "scenes/registry.h"
#include "scenes/timeline.h"

namespace tw {
namespace {

TEST(Timeline, SelectsSceneByTimeWithInclusiveWaits) {
    Timeline tl;
    timelineCreate(tl, kDemoScript);
    EXPECT_EQ(tl.scene, -1);
    EXPECT_FALSE(timelineStep(tl, 0.0f));
    EXPECT_EQ(tl.scene, SCENE_EYE);
    EXPECT_FALSE(timelineStep(tl, 1849.99f));
    EXPECT_EQ(tl.scene, SCENE_EYE);
    EXPECT_FALSE(timelineStep(tl, 1850.0f)); // a wait is due at exactly its time
    EXPECT_EQ(tl.scene, SCENE_WARP);
    EXPECT_EQ(tl.cursor->op, TL_WAIT);
    EXPECT_EQ(tl.cursor->arg, 3150);
    EXPECT_EQ(tl.time, 1850.0f);
}

TEST(Timeline, StallPassesEveryDueWaitInOneStep) {
    Timeline tl;
    timelineCreate(tl, kDemoScript);
    EXPECT_FALSE(timelineStep(tl, 5000.0f));
    EXPECT_EQ(tl.scene, SCENE_ROOM);
    EXPECT_EQ(tl.cursor->arg, 5700);
}

TEST(Timeline, EveryBoundaryAndTheEnd) {
    const int bounds[] = {1850, 3150, 4450, 5700, 7000, 8350, 9600, 11550, 14800, 17250};
    Timeline tl;
    timelineCreate(tl, kDemoScript);
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(timelineStep(tl, static_cast<float>(bounds[i]) - 0.5f));
        EXPECT_EQ(tl.scene, i);
        EXPECT_FALSE(timelineStep(tl, static_cast<float>(bounds[i])));
        EXPECT_EQ(tl.scene, i + 1);
    }
    EXPECT_FALSE(timelineStep(tl, 17699.9f));
    EXPECT_TRUE(timelineStep(tl, 17700.0f));
    EXPECT_TRUE(timelineStep(tl, 0.0f)); // the cursor stays on the end entry
    EXPECT_EQ(tl.cursor->op, TL_END);
}

TEST(Timeline, SceneIntervalsCoverTheScript) {
    float s = 0, e = 0;
    ASSERT_TRUE(sceneInterval(SCENE_EYE, s, e));
    EXPECT_EQ(s, 0.0f);
    EXPECT_EQ(e, 18.5f);
    ASSERT_TRUE(sceneInterval(SCENE_END, s, e));
    EXPECT_EQ(s, 172.5f);
    EXPECT_EQ(e, 177.0f);
    EXPECT_FALSE(sceneInterval(99, s, e));
}

} // namespace
} // namespace tw
