// Motion as a viewer sees it: the animation error on hand-worked poses and
// display times, the three motions on a scripted display, the predictions
// they lean on, and a capture's own error from its documented columns.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pacing/animation_error.h"
#include "pacing/capture_animation.h"
#include "pacing/display_model.h"
#include "pacing/display_prediction.h"
#include "pacing/motion.h"
#include "pacing/rules.h"

namespace {

constexpr double kNear = 1e-9;

// A 50 Hz display's refreshes, from one second on.
double Refresh(int k) {
    return 1.0 + 0.020 * k;
}

struct Shown {
    AnimationError error;
    AnimationStep last;
    Shown() { ResetAnimationError(error); }
    void Show(Motion& motion, double display) {
        last = ShowPose(error, motion.poseTime, display);
        NoteShownPose(motion, motion.poseTime, display);
    }
};

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

TEST(Motion, CpuIsTheElapsedTimeAndRefreshCarriesTheRest) {
    Motion cpu;
    StartMotion(cpu, MotionKind::kCpu);
    const MotionClock anyClock{5.0, 0.015625, 5.01};
    EXPECT_EQ(MotionStep(cpu, 0.017000000000000001, anyClock), 0.017000000000000001);

    // Periods of 1/64 s; updates 1.25, 1.25 and 0.5 periods apart.
    Motion m;
    StartMotion(m, MotionKind::kRefresh);
    const MotionClock clock{1.0, 0.015625, -1.0};
    EXPECT_EQ(MotionStep(m, 0.01953125, clock), 0.015625);
    EXPECT_EQ(m.carried, 0.00390625);
    EXPECT_EQ(MotionStep(m, 0.01953125, clock), 0.03125);  // 1.5 periods: two
    EXPECT_EQ(MotionStep(m, 0.0078125, clock), 0.0);       // the half ran ahead
    EXPECT_EQ(m.poseTime, 0.046875);                       // all the time passed
    EXPECT_STREQ(MotionNote(m), "");
    MotionStep(m, 0.01953125, clock);
    // The clock goes back: the quarter carried is not added to the next step.
    EXPECT_EQ(MotionStep(m, 0.01953125, MotionClock{0.5, 0.015625, -1.0}), 0.015625);
    // No period, or one that is no refresh's: the elapsed time, and it says so.
    EXPECT_EQ(MotionStep(m, 0.007, MotionClock{0.6, 0.0, -1.0}), 0.007);
    EXPECT_STREQ(MotionNote(m), "(no refresh period: cpu)");
    EXPECT_EQ(MotionStep(m, 0.007, MotionClock{0.7, std::nan(""), -1.0}), 0.007);
    // The cadence shown, where known, before the one announced.
    EXPECT_EQ(MotionPeriod(0.025, 1.0 / 60.0), 0.025);
    EXPECT_EQ(MotionPeriod(0.0, 0.02), 0.02);
}

TEST(Motion, DisplayMovesByPredictedDisplayTimesAndCountsMisses) {
    Motion m;
    StartMotion(m, MotionKind::kDisplay);
    Shown shown;
    // The first update has nothing to count from: a refresh's worth.
    EXPECT_NEAR(MotionStep(m, 0.016, MotionClock{1.000, 0.020, Refresh(1)}), 0.020, kNear);
    EXPECT_STREQ(MotionNote(m), "");
    shown.Show(m, Refresh(1));
    // Pose 40 ms, predicted for refresh 2, comes a refresh late: counted,
    // and the next step counts from where it was really shown.
    EXPECT_NEAR(MotionStep(m, 0.016, MotionClock{1.016, 0.020, Refresh(2)}), 0.020, kNear);
    shown.Show(m, Refresh(3));
    EXPECT_NEAR(shown.last.errorMs, -20.0, kNear);
    EXPECT_EQ(m.mispredicted, 1u);
    EXPECT_NEAR(MotionStep(m, 0.016, MotionClock{1.062, 0.020, Refresh(4)}), 0.020, kNear);
    shown.Show(m, Refresh(4));
    EXPECT_NEAR(shown.last.errorMs, 0.0, kNear);

    // Updates faster than the word: two aim at refresh 6 (the second does
    // not move), the next at 7 counts from 6's prediction, then the words.
    EXPECT_NEAR(MotionStep(m, 0.013, MotionClock{1.075, 0.020, Refresh(5)}), 0.020, kNear);
    shown.Show(m, Refresh(5));
    EXPECT_NEAR(MotionStep(m, 0.010, MotionClock{1.085, 0.020, Refresh(6)}), 0.020, kNear);
    EXPECT_EQ(MotionStep(m, 0.003, MotionClock{1.088, 0.020, Refresh(6)}), 0.0);
    const double atSix = m.poseTime;
    EXPECT_NEAR(MotionStep(m, 0.017, MotionClock{1.105, 0.020, Refresh(7)}), 0.020, kNear);
    EXPECT_NEAR(ShowPose(shown.error, atSix, Refresh(6)).errorMs, 0.0, kNear);
    NoteShownPose(m, atSix, Refresh(6));
    shown.Show(m, Refresh(7));
    EXPECT_NEAR(shown.last.errorMs, 0.0, kNear);
    shown.Show(m, Refresh(8));  // shown again: neither checked nor an error
    EXPECT_EQ(m.checked, 6u);
    EXPECT_EQ(m.mispredicted, 1u);
    EXPECT_EQ(shown.error.errors.count, 5u);
    EXPECT_NEAR(AnimationErrorMs(shown.error, 1.0), 20.0, kNear);  // the late one
}

TEST(Motion, DisplayFallsBackAndResumesWithoutAJump) {
    Motion m;
    StartMotion(m, MotionKind::kDisplay);
    MotionStep(m, 0.020, MotionClock{1.000, 0.020, Refresh(1)});
    // Two seconds without display times: whole refreshes, and it says so.
    double now = 1.000;
    for (int i = 0; i < 100; ++i) {
        now += 0.020;
        EXPECT_NEAR(MotionStep(m, 0.020, MotionClock{now, 0.020, -1.0}), 0.020, kNear);
    }
    EXPECT_STREQ(MotionNote(m), "(no display times: refresh)");
    // They come back: one refresh on, not the two seconds again.
    EXPECT_NEAR(MotionStep(m, 0.020, MotionClock{now + 0.02, 0.020, Refresh(102)}), 0.020, 1e-6);
    EXPECT_STREQ(MotionNote(m), "");
    MotionStep(m, 0.010, MotionClock{now + 0.03, 0.0, -1.0});
    EXPECT_STREQ(MotionNote(m), "(no display times: cpu)");
    // A display clock that went back by more than a second starts afresh.
    EXPECT_NEAR(MotionStep(m, 0.016, MotionClock{now + 0.05, 0.020, 0.5}), 0.020, kNear);
    EXPECT_NEAR(MotionStep(m, 0.016, MotionClock{now + 0.07, 0.020, 0.52}), 0.020, kNear);
    // The key's change keeps the pose where it is.
    const double pose = m.poseTime;
    ChangeMotion(m, NextMotion(m.kind));
    EXPECT_EQ(m.kind, MotionKind::kCpu);
    EXPECT_EQ(m.poseTime, pose);
}

TEST(DisplayPrediction, OnTheLearnedCadenceUntilTheWordStops) {
    EXPECT_NEAR(PredictOnCadence(1.000, 0.030, 1.001), 1.030, kNear);
    EXPECT_NEAR(PredictOnCadence(1.000, 0.030, 1.061), 1.090, kNear);
    EXPECT_LT(PredictOnCadence(1.000, 0.0, 1.001), 0.0);
    EXPECT_LT(PredictOnCadence(1.000, 0.030, std::numeric_limits<double>::infinity()), 0.0);

    DisplayLimiter l;
    StartDisplayLimiter(l, 60.0);
    EXPECT_LT(PredictLiveDisplay(l, 1.0), 0.0);
    // Shown 10 ms after its swap, on a 20 ms refresh: a redraw starting
    // 5 ms on makes the next refresh, one 15 ms on the one after.
    NoteDisplayReport(l, DisplayReport{0.990, true, 1.000, 0.020}, 1.001);
    EXPECT_NEAR(PredictLiveDisplay(l, 1.005), 1.020, kNear);
    EXPECT_NEAR(PredictLiveDisplay(l, 1.015), 1.040, kNear);
    EXPECT_NEAR(PredictLiveDisplay(l, 2.0), 2.020, kNear);
    EXPECT_LT(PredictLiveDisplay(l, 2.002), 0.0);  // a second without a word
    EXPECT_LT(PredictOnGrid(0.0, 0.0, 0.0, 1.0), 0.0);
    EXPECT_LT(PredictOnGrid(0.0, 60.0, 0.0, std::nan("")), 0.0);
}

// The modelled display at 60 Hz with a 2 ms latch, redraws 1 to 3 ms apart,
// the left side adaptive at 62: the largest error of each motion, and the
// poses display motion aimed wrong.
double LargestErrorMs(MotionKind kind, uint64_t* mispredicted) {
    const double latch = 0.002;
    DisplayModel d;
    StartDisplay(d, 60.0);
    IntervalFigures a, b;
    ResetFigures(a);
    ResetFigures(b);
    IntervalFigures* seen[2] = {&a, &b};
    Pacer pacer{};
    pacer.target = 62.0;
    Motion motion;
    StartMotion(motion, kind);
    AnimationError error;
    ResetAnimationError(error);
    double held = 0.0;
    uint64_t updates = 0;
    uint32_t noise = 1;
    double s = 0.0;
    for (int i = 0; i < 20000; ++i) {
        noise = noise * 1664525u + 1013904223u;
        s += 0.001 + 0.002 * (noise >> 8) / 16777216.0;
        while (d.refreshTime < s + latch) {
            const double at = d.refreshTime;
            const bool any = d.showing;
            ShowRefresh(d, seen);
            if (any) {
                ShowPose(error, held, at);
                NoteShownPose(motion, held, at);
            }
        }
        double elapsed = 0.0;
        if (StepPacer(pacer, kRuleAdaptive, s, &elapsed)) {
            const MotionClock clock{s, 1.0 / 60.0, PredictOnGrid(0.0, 60.0, latch, s)};
            MotionStep(motion, elapsed, clock);
            ++updates;
        }
        MakeRedraw(d, updates, 0);
        held = motion.poseTime;
    }
    EXPECT_GT(error.errors.count, 2000u);
    *mispredicted = motion.mispredicted;
    return AnimationErrorMs(error, 1.0);
}

TEST(Motion, InTheModelledDisplayEveryPoseLandsWhereItWasAimed) {
    uint64_t missed = 1;
    EXPECT_LT(LargestErrorMs(MotionKind::kDisplay, &missed), 0.001);
    EXPECT_EQ(missed, 0u);
    EXPECT_GT(LargestErrorMs(MotionKind::kCpu, &missed), 2.0);
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
