// Motion as a viewer sees it: the animation error on hand-worked poses and
// display times, and a capture's own error from its documented columns.
#include <gtest/gtest.h>

#include <cmath>

#include "pacing/animation_error.h"
#include "pacing/capture_animation.h"
#include "pacing/motion_option.h"

namespace {

constexpr double kNear = 1e-9;

TEST(AnimationError, RepeatsSkipsLateWordsAndClocksThatGoBack) {
    AnimationError e;
    ResetAnimationError(e);
    AnimationStep s = ShowPose(e, 0.000, 1.000);
    EXPECT_TRUE(s.newPose && !s.hasError);
    // Shown again a refresh later, or a side that did not move: nothing.
    EXPECT_FALSE(ShowPose(e, 0.000, 1.020).newPose);
    // A pose of 30 ms was never shown: 45 ms is measured from the one shown.
    s = ShowPose(e, 0.045, 1.040);
    EXPECT_TRUE(s.hasError);
    EXPECT_NEAR(s.errorMs, 5.0, kNear);  // 45 ms of motion over 40 ms of display
    EXPECT_NEAR(s.timeMs, 45.0, kNear);
    EXPECT_NEAR(ShowPose(e, 0.060, 1.060).errorMs, -5.0, kNear);
    // A display time a refresh back is a late word: refused, and the next
    // pose is measured from the last one taken.
    EXPECT_FALSE(ShowPose(e, 0.080, 1.050).newPose);
    EXPECT_EQ(e.refused, 1u);
    EXPECT_NEAR(ShowPose(e, 0.080, 1.080).errorMs, 0.0, kNear);
    EXPECT_EQ(e.errors.count, 3u);
    EXPECT_NEAR(AnimationErrorMs(e, 1.0), 5.0, kNear);
    // The clock went back a minute, then a pose time went back: each starts
    // the count again, with no error and AnimationTime from there.
    s = ShowPose(e, 0.100, 0.010);
    EXPECT_TRUE(s.newPose && !s.hasError && s.timeMs == 0.0);
    EXPECT_NEAR(ShowPose(e, 0.120, 0.030).errorMs, 0.0, kNear);
    EXPECT_FALSE(ShowPose(e, 0.005, 0.050).hasError);
    EXPECT_FALSE(ShowPose(e, std::nan(""), 0.070).newPose);
    EXPECT_EQ(e.restarts, 2u);
    EXPECT_EQ(e.refused, 2u);
    EXPECT_EQ(e.errors.count, 4u);
}

TEST(MotionOption, OneReaderForBothPrograms) {
    MotionKind kind = MotionKind::kCpu;
    char error[100];
    int side = -1;
    EXPECT_TRUE(IsMotionOption("--right-motion", &side) && side == 1);
    EXPECT_FALSE(IsMotionOption("--motion", &side));
    EXPECT_TRUE(ParseMotionOption("--left-motion", "display", &kind, error, sizeof error));
    EXPECT_EQ(kind, MotionKind::kDisplay);
    EXPECT_FALSE(ParseMotionOption("--left-motion", "gpu", &kind, error, sizeof error));
    EXPECT_STREQ(error, "--left-motion: not cpu, refresh or display: 'gpu'");
    EXPECT_FALSE(ParseMotionOption("--right-motion", nullptr, &kind, error, sizeof error));
    EXPECT_STREQ(error, "--right-motion needs a value");
    EXPECT_STREQ(MotionName(NextMotion(kind)), "cpu");
    EXPECT_STREQ(MotionName(NextMotion(NextMotion(kind))), "refresh");
}

TEST(CaptureAnimation, FromTheCpuStartColumnOrThePreviousPresentsEnd) {
    // TimeInSeconds, MsUntilDisplayed (negative: not displayed), CPU start
    // (negative: no such column), MsInPresentAPI.
    const double rows[][4] = {
        {1.000, 10.0, 0.990, 0.5}, {1.016, 12.0, 1.004, 1.0},   {1.033, -1.0, 1.020, 0.5},
        {1.050, 10.0, 1.038, 2.0}, {1.066, 10.0, 2000.0, -1.0}, {1.083, 10.0, -1.0, 0.5},
    };
    // With CPU starts: -4 (14 ms of simulation over 18 of screen), +2, and
    // then a start that wrapped, which is not kept.
    // Without: nothing before the first present's end; then 1 ms (33 over
    // 32); 2.5 ms from a start 2 ms after a present; then nothing after an
    // unknown time in the present call.
    const double want[2][6] = {{0, -4.0, 0, 2.0, 0, 0}, {0, 0, 0, 1.0, 2.5, 0}};
    const double times[2][6] = {{0, 14.0, -1, 48.0, -1, -1}, {-1, 0.0, -1, 33.0, 51.5, -1}};
    for (int column = 0; column < 2; ++column) {
        CaptureAnimation c;
        ResetCaptureAnimation(c);
        for (int i = 0; i < 6; ++i) {
            const double* r = rows[i];
            const CapturePresent p{r[0], r[1] >= 0.0, r[1], column == 0 && r[2] >= 0.0, r[2], r[3]};
            const CaptureAnimationStep s = AddCapturePresent(c, p);
            EXPECT_EQ(s.hasError, want[column][i] != 0.0) << column << " " << i;
            EXPECT_NEAR(s.errorMs, want[column][i], 1e-6) << column << " " << i;
            EXPECT_EQ(s.shown, times[column][i] >= 0.0) << column << " " << i;
            EXPECT_NEAR(s.timeMs, s.shown ? times[column][i] : 0.0, 1e-6) << column << " " << i;
        }
        EXPECT_EQ(c.rejected, column == 0 ? 1u : 0u);
        EXPECT_EQ(c.errors.count, 2u);
    }
    // The file's own column: a wrapped counter and a cell that is no number.
    CaptureAnimation f;
    ResetCaptureAnimation(f);
    EXPECT_FALSE(KeepCaptureAnimationError(f, -1844674407370945.5));
    EXPECT_FALSE(KeepCaptureAnimationError(f, std::nan("")));
    EXPECT_TRUE(KeepCaptureAnimationError(f, -3.0));
    EXPECT_TRUE(KeepCaptureAnimationError(f, 1000.0));
    EXPECT_EQ(f.rejected, 2u);
    EXPECT_NEAR(QuantileSeconds(f.errors, 0.5) * 1000.0, 3.0, 0.01);
}

}  // namespace
