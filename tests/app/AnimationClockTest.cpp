// The clock of a slot's animation: playing, pausing, stepping, speeds, and
// the ends of a set when looping and when playing once.
#include "app/AnimationClock.h"

#include <gtest/gtest.h>

#include <limits>

TEST(AnimationClockTest, PlayingLoopsRoundTheSetAtItsSpeed) {
    AnimationClock clock;
    clock.Start(2.0, 0.5);
    EXPECT_EQ(clock.Time(), 0.5);
    EXPECT_FALSE(clock.Paused());
    EXPECT_TRUE(clock.Looping());
    clock.Advance(1.0);
    EXPECT_DOUBLE_EQ(clock.Time(), 1.5);
    clock.Advance(1.0); // past the end: round to the start
    EXPECT_DOUBLE_EQ(clock.Time(), 0.5);
    clock.Faster();
    clock.Advance(0.25);
    EXPECT_DOUBLE_EQ(clock.Time(), 1.0);
    // The end itself is a time of the set; a start past it wraps.
    clock.Start(2.0, 2.0);
    EXPECT_EQ(clock.Time(), 2.0);
    clock.Start(2.0, 5.0);
    EXPECT_EQ(clock.Time(), 1.0);
    // A set of one pose stays at its start.
    clock.Start(0.0, 3.0);
    clock.Advance(1.0);
    EXPECT_EQ(clock.Time(), 0.0);
}

TEST(AnimationClockTest, StepsPauseAndWrapOrStopAtTheEnds) {
    AnimationClock clock;
    clock.Start(1.0, 0.0);
    clock.Step(-AnimationClock::kStep);
    EXPECT_TRUE(clock.Paused());
    EXPECT_DOUBLE_EQ(clock.Time(), 1.0 - 1.0 / 30);
    clock.Advance(0.5); // paused: still
    EXPECT_DOUBLE_EQ(clock.Time(), 1.0 - 1.0 / 30);
    clock.Step(2 * AnimationClock::kStep);
    EXPECT_NEAR(clock.Time(), 1.0 / 30, 1e-12);
    clock.GoToStart();
    EXPECT_EQ(clock.Time(), 0.0);

    // Once: the steps stop at the ends.
    clock.SwitchLooping();
    clock.Step(-AnimationClock::kStep);
    EXPECT_EQ(clock.Time(), 0.0);
    clock.Start(1.0, 0.99);
    clock.Step(AnimationClock::kStep);
    EXPECT_EQ(clock.Time(), 1.0);
}

TEST(AnimationClockTest, PlayingOnceStopsAtTheEndAndPlayStartsItAgain) {
    AnimationClock clock;
    clock.SwitchLooping();
    clock.Start(1.0, 0.5);
    clock.Advance(2.0);
    EXPECT_EQ(clock.Time(), 1.0);
    EXPECT_TRUE(clock.Paused());
    clock.PlayOrPause();
    EXPECT_FALSE(clock.Paused());
    EXPECT_EQ(clock.Time(), 0.0);
    clock.Advance(0.25);
    clock.PlayOrPause(); // a pause mid-way keeps the time
    clock.PlayOrPause();
    EXPECT_EQ(clock.Time(), 0.25);
}

TEST(AnimationClockTest, SpeedsStayWithinOneSixtyFourthAndSixtyFour) {
    AnimationClock clock;
    for (int i = 0; i < 10; ++i)
        clock.Faster();
    EXPECT_EQ(clock.Speed(), 64.0);
    for (int i = 0; i < 20; ++i)
        clock.Slower();
    EXPECT_EQ(clock.Speed(), 1.0 / 64);
    clock.SetSpeed(std::numeric_limits<double>::infinity());
    EXPECT_EQ(clock.Speed(), 1.0 / 64);
    clock.SetSpeed(3);
    EXPECT_EQ(clock.Speed(), 3.0);
}
