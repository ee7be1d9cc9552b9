// The timeline table: which sequence, mode and local time each main-clock time shows.
#include <gtest/gtest.h>

#include "app/timeline.h"

namespace {

struct Row {
    double t;
    Scene scene;
    int mode;
    double local;
};

TEST(Timeline, PicksSequenceModeAndLocalTime) {
    const Row rows[] = {
        {0.003, Scene::City, 0, 0.003},  {36.59, Scene::City, 0, 36.59},
        {36.6, Scene::City, 1, 0.0},     {38.6, Scene::Disco, 0, 0.0},
        {40.59, Scene::Disco, 0, 1.99},  {40.6, Scene::Disco, 1, 2.0},
        {63.99, Scene::Disco, 1, 25.39}, {64.0, Scene::Disco, 1, 25.4},
        {69.5, Scene::Disco, 1, 25.4},   {73.999, Scene::Disco, 1, 25.4},
        {74.0, Scene::Disco, 1, 25.4},   {100.0, Scene::Disco, 1, 51.4},
        {106.99, Scene::Disco, 1, 58.39}, {107.0, Scene::Disco, 2, 33.0},
        {200.0, Scene::Disco, 2, 126.0},
    };
    for (const Row& row : rows) {
        const TimelineSlot slot = timelineAt(row.t);
        EXPECT_EQ(slot.scene, row.scene) << "t = " << row.t;
        EXPECT_EQ(slot.mode, row.mode) << "t = " << row.t;
        EXPECT_NEAR(slot.time, row.local, 1e-9) << "t = " << row.t;
    }
}

TEST(Timeline, HoldIsExactlyConstantAndContinuousAtBothEnds) {
    for (double t = 64.0; t < 74.0; t += 0.37)
        EXPECT_EQ(timelineAt(t).time, 25.4) << "t = " << t;
    EXPECT_NEAR(timelineAt(63.9999999).time, 25.4, 1e-6);
    EXPECT_NEAR(timelineAt(74.0000001).time, 25.4, 1e-6);
    // The cut from city to disco restarts local time at 0.
    EXPECT_NEAR(timelineAt(38.5999999).time, 2.0, 1e-6);
}

} // namespace
