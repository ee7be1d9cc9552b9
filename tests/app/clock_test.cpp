// Clocks and the tick, driven in virtual time.
#include <gtest/gtest.h>

#include "app/clock.h"
#include "platform/tick.h"

namespace {

class VirtualTime : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::useVirtualTick(true);
        platform::setVirtualTick(123456);
    }
    void TearDown() override { platform::useVirtualTick(false); }
};

TEST_F(VirtualTime, StartedClockReadsOffsetThenAdvancesWithTheTick) {
    Clock clock{};
    clock.start(2.5);
    EXPECT_DOUBLE_EQ(clock.seconds(), 2.5);
    platform::advanceVirtualTick(1000);
    EXPECT_NEAR(clock.seconds(), 3.5, 1e-9);
    platform::advanceVirtualTick(1);
    EXPECT_NEAR(clock.seconds(), 3.501, 1e-9); // millisecond resolution
}

TEST_F(VirtualTime, StartClocksZeroesBothMainAndAux) {
    startClocks();
    EXPECT_EQ(clockMain.seconds(), 0.0);
    EXPECT_EQ(clockAux.seconds(), 0.0);
    platform::advanceVirtualTick(36600);
    EXPECT_NEAR(clockMain.seconds(), 36.6, 1e-9);
    EXPECT_NEAR(clockAux.seconds(), 36.6, 1e-9);
}

TEST_F(VirtualTime, NeverStartedClockReadsSecondsSinceTickZero) {
    static Clock neverStarted; // zero-initialised static, as the globals are
    EXPECT_NEAR(neverStarted.seconds(), 123.456, 1e-9);
}

TEST(RealTick, IsMonotonicAndStartsSmall) {
    const std::uint32_t a = platform::tickMilliseconds();
    const std::uint32_t b = platform::tickMilliseconds();
    EXPECT_LE(a, b);
    // Counted from the process's first read, far from the 32-bit wrap.
    EXPECT_LT(b, 24u * 3600u * 1000u);
}

} // namespace
