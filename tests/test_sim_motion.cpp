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
    setup.redraw = RedrawModel{1000.0, 2.0, 30, 0.0, 0.0, 10.0};
    setup.displayHz = 60.0;
    setup.side[0] = SideSetup{rule, 62.0, motion};
    setup.side[1] = SideSetup{rule, 31.0, motion};
    return setup;
}

// Presents at times (ms) in the present monitor's 2.x layout, each shown
// until ms later, or not shown (NaN).
void WriteCapture(const std::string& path, const std::vector<double>& times,
                  const std::vector<double>& until) {
    std::ofstream out(path);
    out << std::fixed << std::setprecision(4)
        << "Application,SwapChainAddress,TimeInMs,MsInPresentAPI,MsUntilDisplayed\n";
    for (size_t i = 0; i < times.size(); ++i) {
        out << "g.exe,0x1," << times[i] << ",0.1,";
        std::isnan(until[i]) ? out << "NA\n" : out << until[i] << "\n";
    }
}

std::unique_ptr<ReplayResult> Replay(ReplaySetup setup, const std::string& path,
                                     FrameSink sink = kNoFrameSink) {
    setup.path = path.c_str();
    setup.ruleGiven[0] = setup.ruleGiven[1] = setup.targetGiven[0] = setup.targetGiven[1] = true;
    CaptureReaderPtr reader = NewCaptureReader();
    auto result = std::make_unique<ReplayResult>();
    char error[512] = "";
    EXPECT_TRUE(RunReplay(setup, *reader, *result, sink, error, sizeof error, nullptr)) << error;
    return result;
}

}  // namespace

// With the display's grid and latch known, every pose lands where it was
// predicted, so none moves on screen by other than the time that passed
// there, whatever the rule (the sweep's test has the loop without a sink).
TEST(SimMotion, DisplayMotionShowsEveryPredictedPoseWithoutError) {
    auto moved = std::make_unique<SimResult>();
    for (PaceRule rule :
         {kRuleAdaptive, kRuleFixed, kRuleScheduled, kRuleEveryRedraw, kRuleDisplayLocked}) {
        SCOPED_TRACE(PaceRuleName(rule));
        SimSetup setup = MotionSetup(rule, MotionKind::kDisplay);
        // Unjittered, every-redraw's first update is after the first refresh.
        setup.redraw.jitterMs = rule == kRuleEveryRedraw ? 0.0 : 2.0;
        RunSim(setup, *moved, Collect());
        for (int side = 0; side < 2; ++side) {
            EXPECT_GT(moved->motions[side].checked, 100u);
            EXPECT_EQ(moved->motions[side].mispredicted, 0u);
            EXPECT_LT(AnimationErrorMs(moved->animation.sides[side], 1.0), 0.001);
        }
        int cells = 0;
        for (const FrameDisplay& d : collected) {
            for (double e : d.sideAnimationErrorMs) {
                cells += !std::isnan(e);
                EXPECT_FALSE(std::fabs(e) >= 0.001);
            }
        }
        EXPECT_GT(cells, 100);
    }
}

// Under a rate limit the swap waits for the limiter after the pose is set,
// so a prediction from the frame's start and drawing time misses, and is
// counted.
TEST(SimMotion, MissedPredictionsAreCounted) {
    SimSetup setup = MotionSetup(kRuleAdaptive, MotionKind::kDisplay);
    setup.limit.renderMs = 3.0;
    setup.limit.setting =
        LimitSetting{LimitKind::kRate, 60.0, WaitMethod::kHybrid, WaitPlacement::kSwap};
    auto result = std::make_unique<SimResult>();
    RunSim(setup, *result);
    EXPECT_GT(result->motions[0].mispredicted, 0u);
    EXPECT_LE(result->motions[0].mispredicted, result->motions[0].checked);
}

// Worked by hand: presents 10 ms apart, shown 5, 5, 10, 5 and 5 ms after
// them. every-redraw moves the left side 10 ms a present, fixed-exact at 50
// the right one 20 ms every other present; the error is each pose's step
// less the step of the screen time that showed it.
TEST(SimMotion, ReplayMeasuresPosesAtTheCapturesDisplayTimes) {
    TempFile file("anim-capture");
    WriteCapture(file.path, {1000, 1010, 1020, 1030, 1040}, {5, 5, 10, 5, 5});
    ReplaySetup setup{};
    setup.side[0] = SideSetup{kRuleEveryRedraw, 62.0};
    setup.side[1] = SideSetup{kRuleFixedExact, 50.0};
    auto result = Replay(setup, file.path, Collect());
    ASSERT_EQ(collected.size(), 5u);
    const double e = NAN;
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

// Presents 1 to 3 ms apart on a 60 Hz display that takes one until 2 ms
// before its refresh, only the last before it shown: display-locked counts
// the refreshes from the capture's display times (scheduled at 40 cannot
// show evenly), and display motion predicts from them.
TEST(SimMotion, ReplayHearsTheCapturesDisplayTimes) {
    std::vector<double> times;
    uint32_t random = 30;
    for (double t = 1000.0; t < 4000.0; times.push_back(t)) {
        random = random * 1664525u + 1013904223u;
        t += 1.0 + 2.0 * (random >> 8) / 16777216.0;
    }
    const auto refresh = [](double t) { return std::ceil((t + 2.0) * 0.06) / 0.06; };
    std::vector<double> until;
    for (size_t i = 0; i < times.size(); ++i) {
        const bool last = i + 1 == times.size() || refresh(times[i + 1]) != refresh(times[i]);
        until.push_back(last ? refresh(times[i]) - times[i] : NAN);
    }
    TempFile file("grid-capture");
    WriteCapture(file.path, times, until);
    double jitter[2];
    for (PaceRule rule : {kRuleScheduled, kRuleDisplayLocked}) {
        ReplaySetup setup{};
        setup.side[0] = SideSetup{rule, 40.0, MotionKind::kDisplay};
        setup.side[1] = SideSetup{rule, 24.0, MotionKind::kCpu};
        auto result = Replay(setup, file.path);
        jitter[rule == kRuleDisplayLocked] = JitterMs(result->sim.side[0].seen);
        EXPECT_GT(result->sim.motions[0].checked, 100u);
        EXPECT_LE(result->sim.motions[0].mispredicted, 1u);
        EXPECT_LT(AnimationErrorMs(result->sim.animation.sides[0], 0.99), 0.001);
        EXPECT_GT(AnimationErrorMs(result->sim.animation.sides[1], 0.5), 0.3);
    }
    EXPECT_GT(jitter[0], 4.0);
    EXPECT_LT(jitter[1], 0.5);
}

// Captures written to the present monitor's documented meanings, one with
// a CPU start column and one without: the error computed from their times
// is the one their own column holds.
TEST(SimMotion, ComputedCaptureErrorAgreesWithTheFilesColumn) {
    for (const char* name : {"animation_cpu_start.csv", "animation_present_end.csv"}) {
        SCOPED_TRACE(name);
        ReplaySetup setup{};
        setup.recomputeAnimation = true;
        auto result =
            Replay(setup, std::string(TEMPOLA_SOURCE_DIR) + "/tests/data/capture/" + name);
        const CaptureFacts& facts = result->facts;
        EXPECT_GT(facts.computedError.count, 90u);
        EXPECT_GT(PercentileSeconds(facts.animationError, 0.99), 0.001);
        for (double p : {0.5, 0.99})
            EXPECT_NEAR(PercentileSeconds(facts.computedError, p),
                        PercentileSeconds(facts.animationError, p), 1e-5);
        auto records = std::make_unique<StatRecords>();
        ResetStatRecords(*records);
        AddCaptureAnimationStats(*records, &facts);
        EXPECT_STREQ(StatText(*records, StatKey::kCaptureAnimationErrorSource), "computed");
    }
}

// Every point of a sweep moves by the one motion, whichever side it ran on.
TEST(SimMotion, TheSweepMovesEveryPointByItsMotion) {
    const double rates[1] = {1000.0};
    SweepSetup sweep{MotionSetup(kRuleAdaptive, MotionKind::kCpu), rates, 1, 29.0, 1.0, 3};
    sweep.run.redraw.seconds = 3.0;
    sweep.run.side[0].motion = MotionKind::kDisplay;
    std::vector<SweepRow> rows(SweepRowCount(sweep));
    ASSERT_TRUE(RunSweep(sweep, 1, rows.data(), nullptr));
    for (const SweepRow& row : rows)
        EXPECT_LT(row.animation.p99Ms, 0.001) << PaceRuleName(row.rule) << " " << row.target;
}
