#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iomanip>
#include <memory>
#include <string>
#include <vector>

#include "lab/capture/capture_stats.h"
#include "lab/sim/replay.h"
#include "lab/sim/sweep.h"
#include "pacing/frame_log.h"
#include "temp_file.h"

namespace {

std::vector<FrameDisplay> collected;

FrameSink Collect() {
    collected.clear();
    return FrameSink{
        [](void*, const FrameSample&, const FrameDisplay& d) { collected.push_back(d); }, nullptr};
}

SimSetup MotionSetup(PaceRule rule, MotionKind motion) {
    SimSetup setup{};
    setup.redraw.redrawHz = 1000.0;
    setup.redraw.jitterMs = 2.0;
    setup.redraw.seconds = 10.0;
    setup.redraw.seed = 30;
    setup.clock = PacerClock::kMilliseconds;
    setup.displayHz = 60.0;
    setup.side[0] = SideSetup{rule, 62.0, motion};
    setup.side[1] = SideSetup{rule, 31.0, motion};
    return setup;
}

}  // namespace

// The rules decide when a side moves, the motion only how far; with the
// display's grid and latch known, every pose lands where it was predicted,
// so none moves on screen by other than the time that passed there. The
// same figures come with a sink as without one (two loops).
TEST(SimMotion, DisplayMotionShowsEveryPredictedPoseWithoutError) {
    auto cpu = std::make_unique<SimResult>();
    auto display = std::make_unique<SimResult>();
    auto quiet = std::make_unique<SimResult>();
    for (PaceRule rule :
         {kRuleAdaptive, kRuleFixed, kRuleScheduled, kRuleEveryRedraw, kRuleDisplayLocked}) {
        SCOPED_TRACE(PaceRuleName(rule));
        RunSim(MotionSetup(rule, MotionKind::kCpu), *cpu);
        RunSim(MotionSetup(rule, MotionKind::kDisplay), *quiet);
        RunSim(MotionSetup(rule, MotionKind::kDisplay), *display, Collect());
        for (int side = 0; side < 2; ++side) {
            EXPECT_EQ(display->side[side].updates, cpu->side[side].updates);
            const Motion& motion = display->motions[side];
            EXPECT_GT(motion.checked, 100u);
            EXPECT_EQ(motion.mispredicted, 0u);
            EXPECT_LT(AnimationErrorMs(display->animation.sides[side], 1.0), 0.001);
            EXPECT_EQ(AnimationErrorMs(quiet->animation.sides[side], 1.0),
                      AnimationErrorMs(display->animation.sides[side], 1.0));
            EXPECT_EQ(quiet->motions[side].checked, motion.checked);
        }
        if (rule != kRuleEveryRedraw && rule != kRuleDisplayLocked) {
            EXPECT_GT(AnimationErrorMs(cpu->animation.sides[1], 0.99), 1.0);
        }
        int cells = 0;
        for (const FrameDisplay& d : collected) {
            for (double e : d.sideAnimationErrorMs) {
                if (std::isnan(e))
                    continue;
                ++cells;
                EXPECT_LT(std::fabs(e), 0.001);
            }
        }
        EXPECT_GT(cells, 100);
    }
}

// Under a rate limit the swap waits for the limiter after the pose is set,
// so a prediction from the frame's start and drawing time misses, and is
// counted; under the display-timed limit the frame is planned for its
// refresh, and none misses.
TEST(SimMotion, MissedPredictionsAreCounted) {
    SimSetup setup = MotionSetup(kRuleAdaptive, MotionKind::kDisplay);
    setup.limit.renderMs = 3.0;
    auto result = std::make_unique<SimResult>();
    setup.limit.setting =
        LimitSetting{LimitKind::kRate, 60.0, WaitMethod::kHybrid, WaitPlacement::kSwap};
    RunSim(setup, *result);
    EXPECT_GT(result->motions[0].mispredicted, 0u);
    EXPECT_LE(result->motions[0].mispredicted, result->motions[0].checked);
    setup.limit.setting.kind = LimitKind::kDisplay;
    RunSim(setup, *result);
    EXPECT_GT(result->motions[0].checked, 100u);
    EXPECT_EQ(result->motions[0].mispredicted, 0u);
    EXPECT_LT(AnimationErrorMs(result->animation.sides[0], 1.0), 0.001);
}

// Worked by hand: presents 10 ms apart, shown 5, 5, 10, 5 and 5 ms after
// them. every-redraw moves the left side 10 ms a present, fixed-exact at 50
// the right one 20 ms every other present; the error is each pose's step
// less the step of the screen time that showed it.
TEST(SimMotion, ReplayMeasuresPosesAtTheCapturesDisplayTimes) {
    TempFile file("anim-capture");
    std::ofstream(file.path)
        << "Application,ProcessID,SwapChainAddress,PresentRuntime,SyncInterval,PresentFlags,"
           "AllowsTearing,PresentMode,TimeInMs,MsBetweenPresents,MsInPresentAPI,MsUntilDisplayed\n"
           "g.exe,1,0x1,DXGI,0,0,1,Hardware: Independent Flip,1000,10,0.1,5\n"
           "g.exe,1,0x1,DXGI,0,0,1,Hardware: Independent Flip,1010,10,0.1,5\n"
           "g.exe,1,0x1,DXGI,0,0,1,Hardware: Independent Flip,1020,10,0.1,10\n"
           "g.exe,1,0x1,DXGI,0,0,1,Hardware: Independent Flip,1030,10,0.1,5\n"
           "g.exe,1,0x1,DXGI,0,0,1,Hardware: Independent Flip,1040,10,0.1,5\n";
    ReplaySetup setup{};
    setup.path = file.path.c_str();
    setup.clock = PacerClock::kMilliseconds;
    setup.side[0] = SideSetup{kRuleEveryRedraw, 62.0};
    setup.side[1] = SideSetup{kRuleFixedExact, 50.0};
    setup.ruleGiven[0] = setup.ruleGiven[1] = setup.targetGiven[1] = true;
    CaptureReaderPtr reader = NewCaptureReader();
    auto result = std::make_unique<ReplayResult>();
    char error[512] = "";
    ASSERT_TRUE(RunReplay(setup, *reader, *result, Collect(), error, sizeof error, nullptr))
        << error;
    ASSERT_EQ(collected.size(), 5u);
    const double e = kEmptyCell;
    const double left[5] = {e, 0.0, -5.0, 5.0, 0.0};
    const double right[5] = {e, e, -5.0, e, 5.0};
    const auto same = [](double cell, double want) {
        return std::isnan(want) ? std::isnan(cell) : std::fabs(cell - want) < 1e-6;
    };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(same(collected[i].sideAnimationErrorMs[0], left[i]));
        EXPECT_TRUE(same(collected[i].sideAnimationErrorMs[1], right[i]));
        EXPECT_TRUE(same(collected[i].animationErrorMs, left[i]));
    }
    EXPECT_NEAR(AnimationErrorMs(result->sim.animation.sides[1], 1.0), 5.0, 0.01);
}

// Captures written to the present monitor's documented meanings, one with
// a CPU start column and one without: the error computed from their times
// is the one their own column holds.
TEST(SimMotion, ComputedCaptureErrorAgreesWithTheFilesColumn) {
    for (const char* name : {"animation_cpu_start.csv", "animation_present_end.csv"}) {
        SCOPED_TRACE(name);
        const std::string path = std::string(TEMPOLA_SOURCE_DIR) + "/tests/data/capture/" + name;
        double figures[2][2];
        for (int recompute = 0; recompute < 2; ++recompute) {
            ReplaySetup setup{};
            setup.path = path.c_str();
            setup.clock = PacerClock::kMilliseconds;
            setup.recomputeAnimation = recompute == 1;
            CaptureReaderPtr reader = NewCaptureReader();
            auto result = std::make_unique<ReplayResult>();
            char error[512] = "";
            ASSERT_TRUE(
                RunReplay(setup, *reader, *result, kNoFrameSink, error, sizeof error, nullptr))
                << error;
            auto records = std::make_unique<StatRecords>();
            ResetStatRecords(*records);
            AddCaptureAnimationStats(*records, &result->facts);
            EXPECT_STREQ(StatText(*records, StatKey::kCaptureAnimationErrorSource),
                         recompute ? "computed" : "file");
            figures[recompute][0] = StatNumber(*records, StatKey::kCaptureAnimationErrorP50Ms);
            figures[recompute][1] = StatNumber(*records, StatKey::kCaptureAnimationErrorP99Ms);
            EXPECT_GT(result->facts.computedError.count, 90u);
        }
        EXPECT_GT(figures[0][1], 1.0);
        EXPECT_NEAR(figures[1][0], figures[0][0], 0.01);
        EXPECT_NEAR(figures[1][1], figures[0][1], 0.01);
    }
}

// A capture of presents 1 to 3 ms apart on a 60 Hz display that takes a
// present until 2 ms before its refresh, only the last before it shown:
// display-locked counts the refreshes from the capture's display times
// (scheduled at 40 cannot show evenly), and display motion predicts from
// them, so every pose it moves lands where it was predicted.
TEST(SimMotion, ReplayHearsTheCapturesDisplayTimes) {
    TempFile file("grid-capture");
    {
        std::ofstream out(file.path);
        out << std::fixed << std::setprecision(4);
        out << "Application,ProcessID,SwapChainAddress,PresentRuntime,SyncInterval,PresentFlags,"
               "AllowsTearing,PresentMode,TimeInMs,MsBetweenPresents,MsInPresentAPI,"
               "MsUntilDisplayed\n";
        const double period = 1000.0 / 60.0;
        std::vector<double> times;
        uint32_t random = 30;
        for (double t = 1000.0; t < 4000.0;) {
            random = random * 1664525u + 1013904223u;
            t += 1.0 + 2.0 * (random >> 8) / 16777216.0;
            times.push_back(t);
        }
        const auto refresh = [&](double t) { return std::ceil((t + 2.0) / period) * period; };
        for (size_t i = 0; i < times.size(); ++i) {
            const bool shown = i + 1 == times.size() || refresh(times[i + 1]) != refresh(times[i]);
            out << "g.exe,1,0x1,DXGI,0,0,1,Hardware: Independent Flip," << times[i] << ",2,0.1,";
            if (shown)
                out << refresh(times[i]) - times[i];
            else
                out << "NA";
            out << "\n";
        }
    }
    ReplaySetup setup{};
    setup.path = file.path.c_str();
    setup.clock = PacerClock::kMilliseconds;
    setup.ruleGiven[0] = setup.ruleGiven[1] = setup.targetGiven[0] = setup.targetGiven[1] = true;
    double jitter[2];
    for (PaceRule rule : {kRuleScheduled, kRuleDisplayLocked}) {
        setup.side[0] = SideSetup{rule, 40.0, MotionKind::kDisplay};
        setup.side[1] = SideSetup{rule, 24.0, MotionKind::kCpu};
        CaptureReaderPtr reader = NewCaptureReader();
        auto result = std::make_unique<ReplayResult>();
        char error[512] = "";
        ASSERT_TRUE(RunReplay(setup, *reader, *result, kNoFrameSink, error, sizeof error, nullptr))
            << error;
        jitter[rule == kRuleDisplayLocked] = JitterMs(result->sim.side[0].seen);
        const Motion& moved = result->sim.motions[0];
        EXPECT_GT(moved.checked, 100u);
        EXPECT_LE(moved.mispredicted, 1u);
        EXPECT_LT(AnimationErrorMs(result->sim.animation.sides[0], 0.99), 0.001);
        EXPECT_GT(AnimationErrorMs(result->sim.animation.sides[1], 0.5), 0.3);
    }
    EXPECT_GT(jitter[0], 4.0);
    EXPECT_LT(jitter[1], 0.5);
}

// Every point of a sweep moves by the one motion, whichever side it ran on.
TEST(SimMotion, TheSweepMovesEveryPointByItsMotion) {
    SweepSetup sweep{};
    sweep.run = MotionSetup(kRuleAdaptive, MotionKind::kCpu);
    sweep.run.redraw.seconds = 3.0;
    sweep.run.side[0].motion = MotionKind::kDisplay;
    const double rates[1] = {1000.0};
    sweep.redrawHz = rates;
    sweep.redrawCount = 1;
    sweep.targetFrom = 29.0;
    sweep.targetStep = 1.0;
    sweep.targetCount = 3;
    std::vector<SweepRow> rows(SweepRowCount(sweep));
    ASSERT_TRUE(RunSweep(sweep, 1, rows.data(), nullptr));
    for (const SweepRow& row : rows) {
        SCOPED_TRACE(std::string(PaceRuleName(row.rule)) + " " + std::to_string(row.target));
        EXPECT_LT(row.animation.p99Ms, 0.001);
        EXPECT_GT(row.seen.meanRate, 0.0);
    }
}
