// Lamp swing angles and the depth order of the beams.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "sequences/disco_lamps.h"

namespace {

std::vector<int> order(std::vector<float> keys) {
    std::vector<int> entries(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        entries[i] = static_cast<int>(i);
    sortByViewDepth(keys.data(), entries.data(), static_cast<int>(keys.size()));
    for (size_t i = 1; i < keys.size(); ++i)
        EXPECT_LE(keys[i - 1], keys[i]) << "keys must ascend";
    return entries;
}

TEST(LampSort, ExchangePassOrdersFarthestFirst) {
    struct Case {
        std::vector<float> keys;
        std::vector<int> entries;
    } cases[] = {
        {{-5, -5, -1, -5}, {1, 0, 3, 2}}, // equal keys: the pass's own order
        {{-4, -3, -2, -1}, {0, 1, 2, 3}},
        {{-1, -2, -3, -4}, {3, 2, 1, 0}},
        {{-10, 3, -20, -1}, {2, 0, 3, 1}}, // a lamp behind the camera comes last
        {{-7}, {0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(order(c.keys), c.entries);
}

TEST(LampSort, IdentityViewOrdersGroupsByAnchorZ) {
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<float> a, b;
    for (const LampAnchor& anchor : lampGroupA)
        a.push_back(viewDepth(identity, anchor));
    for (const LampAnchor& anchor : lampGroupB)
        b.push_back(viewDepth(identity, anchor));
    EXPECT_EQ(order(a), (std::vector<int>{2, 3, 0, 1}));
    EXPECT_EQ(order(b), (std::vector<int>{1, 2, 3, 0, 4, 5, 6, 7}));
}

TEST(LampSort, ViewDepthIsEyeSpaceZ) {
    // A view that moves the world 100 units away and turns it half around y.
    const float m[16] = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 3, 4, -100, 1};
    EXPECT_FLOAT_EQ(viewDepth(m, {17, 66, 17, 0}), -117.0f);
    EXPECT_FLOAT_EQ(viewDepth(m, {0, 0, -150, 0}), 50.0f);
}

TEST(LampSwing, AnglesAtZeroAndBounded) {
    float angles[4];
    swingAngles(0.0, angles);
    EXPECT_NEAR(angles[0], 21.04, 0.01);
    EXPECT_NEAR(angles[1], 22.73, 0.01);
    EXPECT_NEAR(angles[2], 3.53, 0.01);
    EXPECT_NEAR(angles[3], -18.92, 0.01);
    for (double T = 0; T < 300; T += 0.77) {
        swingAngles(T, angles);
        for (float a : angles)
            EXPECT_LE(std::abs(a), 25.0f);
    }
}

} // namespace
