// The two interpolation formulas of the camera paths.
#include <gtest/gtest.h>

#include "animation/spline.h"

namespace {

struct FormulaCase {
    float p0, p1, p2, p3, u;
    float cubic;
    float catmullRom;
};

// Both formulas pass through p1 at u = 0 and p2 at u = 1; in between they differ.
const FormulaCase kFormulaCases[] = {
    {0, 0, 1, 0, 0.5f, 0.625f, 0.5625f},
    {0, 1, 2, 3, 0.5f, 1.5f, 1.5f},
    {3, 5, 7, 11, 0.0f, 5.0f, 5.0f},
    {3, 5, 7, 11, 1.0f, 7.0f, 7.0f},
    // Straight lines stay straight in Catmull-Rom; the simple cubic bends them at the ends.
    {0, 10, 20, 30, 0.25f, 13.4375f, 12.5f},
    {-2, 4, -8, 16, 0.0f, 4.0f, 4.0f},
    {-2, 4, -8, 16, 1.0f, -8.0f, -8.0f},
    // a0 = 0, a1 = -5, a2 = 5: -5/4 + 5/2 + 5.
    {0, 5, 5, 0, 0.5f, 6.25f, 5.625f},
};

TEST(SplineFormulas, WorkedValues) {
    for (const FormulaCase& c : kFormulaCases) {
        SCOPED_TRACE(testing::Message() << "(" << c.p0 << ", " << c.p1 << ", " << c.p2 << ", "
                                        << c.p3 << ", " << c.u << ")");
        EXPECT_FLOAT_EQ(cubicInterpolate(c.p0, c.p1, c.p2, c.p3, c.u), c.cubic);
        EXPECT_FLOAT_EQ(catmullRomInterpolate(c.p0, c.p1, c.p2, c.p3, c.u), c.catmullRom);
    }
}

} // namespace
