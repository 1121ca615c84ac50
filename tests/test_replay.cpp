#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "lab/sim/clock_model.h"
#include "lab/sim/replay.h"
#include "lab/sim_report.h"
#include "pacing/frame_log.h"
#include "temp_file.h"

namespace {

std::string DataFile(const char* name) {
    return std::string(TEMPOLA_SOURCE_DIR) + "/tests/data/capture/" + name;
}

ReplaySetup RuleSetup(const std::string& path, PaceRule left, PaceRule right, double rightTarget) {
    ReplaySetup setup{};
    setup.path = path.c_str();
    setup.clock = PacerClock::kMilliseconds;
    setup.side[0] = SideSetup{left, 62.0};
    setup.side[1] = SideSetup{right, rightTarget};
    setup.ruleGiven[0] = setup.ruleGiven[1] = setup.targetGiven[1] = true;
    return setup;
}

struct Replayed {
    CaptureReaderPtr reader = NewCaptureReader();
    std::unique_ptr<ReplayResult> result = std::make_unique<ReplayResult>();
    bool ok = false;
    std::string error;
};

std::unique_ptr<Replayed> Replay(const ReplaySetup& setup, FrameLog* log = nullptr) {
    auto r = std::make_unique<Replayed>();
    char error[600] = "";
    r->ok = RunReplay(setup, *r->reader, *r->result, log ? FrameLogSink(*log) : kNoFrameSink, error,
                      sizeof error, nullptr);
    r->error = error;
    return r;
}

void ExpectAll(const IntervalFigures& f, uint64_t count, double seconds) {
    EXPECT_EQ(f.count, count);
    EXPECT_NEAR(f.min, seconds, 1e-6);
    EXPECT_NEAR(f.max, seconds, 1e-6);
}

// The cells of each row from column `from` on, the header left out.
std::vector<std::string> Columns(const std::string& path, int from, int to) {
    std::ifstream in(path);
    std::vector<std::string> rows;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::stringstream cells(line);
        std::string cell;
        std::string kept;
        for (int i = 0; std::getline(cells, cell, ','); ++i) {
            if (i >= from && i <= to)
                kept += cell + ",";
        }
        rows.push_back(kept);
    }
    return rows;
}

}  // namespace

// Worked by hand over the test files' redraws, 10 ms apart after the first:
// every-redraw updates on every redraw that sees time pass (all but the
// first), and fixed-exact at 50 on every other redraw from the first; the
// first update of each opens its count.
TEST(Replay, EveryFormatGivesTheHandWorkedCadences) {
    for (const char* file : {"presentmon1.csv", "presentmon2.csv", "presentmon24.csv",
                             "mangohud_v1.csv", "mangohud_old.csv", "tempola_old.csv"}) {
        SCOPED_TRACE(file);
        const std::string path = DataFile(file);
        auto r = Replay(RuleSetup(path, kRuleEveryRedraw, kRuleFixedExact, 50.0));
        ASSERT_TRUE(r->ok) << r->error;
        EXPECT_EQ(r->result->sim.frames, 12u);
        EXPECT_EQ(r->result->sim.side[0].updates, 11u);
        EXPECT_EQ(r->result->sim.side[1].updates, 6u);
        ExpectAll(r->result->sim.cadence.left, 10, 0.010);
        ExpectAll(r->result->sim.cadence.right, 5, 0.020);
    }
}

// The old Tempola log names every-redraw and fixed-exact at 50: replay
// follows it when the command line names no rule.
TEST(Replay, FollowsTheLogsRulesUnlessTheyAreGiven) {
    const std::string path = DataFile("tempola_old.csv");
    ReplaySetup setup = RuleSetup(path, kRuleFixed, kRuleFixed, 31.0);
    setup.ruleGiven[0] = setup.ruleGiven[1] = setup.targetGiven[1] = false;
    auto r = Replay(setup);
    ASSERT_TRUE(r->ok) << r->error;
    EXPECT_EQ(r->result->sim.side[1].updates, 6u);
    EXPECT_EQ(r->result->last[1].rule, kRuleFixedExact);
    EXPECT_EQ(r->result->last[1].target, 50.0);
    setup.ruleGiven[0] = true;  // fixed at 62 on the left: every other redraw too
    r = Replay(setup);
    EXPECT_EQ(r->result->sim.side[0].updates, 6u);
}

// Seen intervals from the recorded display times (5 ms after each redraw,
// one frame never shown): the dropped frame's 10 ms go to the next shown one.
TEST(Replay, SeenFiguresComeFromTheCapturesDisplayTimes) {
    auto r =
        Replay(RuleSetup(DataFile("presentmon2.csv"), kRuleEveryRedraw, kRuleFixedExact, 50.0));
    ASSERT_TRUE(r->ok) << r->error;
    EXPECT_TRUE(r->result->recordedDisplay);
    EXPECT_EQ(r->result->sim.dropped, 1u);
    const IntervalFigures& left = r->result->sim.side[0].seen;
    EXPECT_EQ(left.count, 9u);  // poses from the second redraw on, one never shown
    EXPECT_NEAR(left.max, 0.020, 1e-9);
    EXPECT_NEAR(left.min, 0.010, 1e-9);
    // With no display times, a modelled 100 Hz display shows each new pose.
    const std::string mango = DataFile("mangohud_v1.csv");
    ReplaySetup modelled = RuleSetup(mango, kRuleEveryRedraw, kRuleFixed, 31.0);
    modelled.displayHz = 100.0;
    r = Replay(modelled);
    ASSERT_TRUE(r->ok) << r->error;
    EXPECT_FALSE(r->result->recordedDisplay);
    ExpectAll(r->result->sim.side[0].seen, 10, 0.010);
}

// A run as the live program makes one: its own clock (here across the
// 32-bit wrap), jittered redraws, rules and targets changed by keys
// mid-run, rows through the engine's frame log. Replayed with the rules it
// recorded, it gives back every flag and interval, row for row, but where a
// side is display-locked: the recording stepped it without a display (as
// scheduled), and replay counts the refreshes from the log's display times.
TEST(Replay, ATempolaLogRoundTripsRowForRow) {
    TempFile recorded("replay-recorded");
    TempFile replayed("replay-replayed");
    auto log = std::make_unique<FrameLog>();
    char error[300];
    ASSERT_TRUE(OpenFrameLog(*log, recorded.path.c_str(), CaptureIdentity{"tempola", 7, 1}, error,
                             sizeof error));
    Pacer pacers[2] = {Pacer{}, Pacer{}};
    pacers[0].target = kLeftStartTarget;
    pacers[1].target = kRightStartTarget;
    PaceRule rules[2] = {kLeftStartRule, kRightStartRule};
    uint64_t random = 5;
    for (int i = 0; i < 6000; ++i) {
        if (i % 700 == 350)
            rules[i % 1400 == 350 ? 0 : 1] = NextPaceRule(rules[i % 1400 == 350 ? 0 : 1]);
        if (i % 500 == 100)
            RaiseTarget(pacers[0]);
        if (i % 900 == 450)
            LowerTarget(pacers[1]);
        const double s = i * 0.0041 + UnitFraction(NextRandom(random)) * 0.003;
        const uint32_t ms = 4294966000u + static_cast<uint32_t>(s * 1000.0);
        FrameSample sample{s, {}, {}, ms, {}};
        SideSample* sides[2] = {&sample.left, &sample.right};
        for (int k = 0; k < 2; ++k) {
            sides[k]->target = pacers[k].target;
            sides[k]->rule = rules[k];
            sides[k]->updated = StepPacer(pacers[k], rules[k], PacerTime(ms), &sides[k]->elapsed);
        }
        LogFrame(*log, sample,
                 i % 7 == 3 ? FrameDisplay{FrameFate::kDropped, -1, -1, {-1, -1}, -1, -1, -1}
                            : FrameDisplay{FrameFate::kShown, 6.5, -1, {-1, -1}, -1, -1, -1});
    }
    ASSERT_TRUE(CloseFrameLog(*log));

    ReplaySetup setup{};
    setup.path = recorded.path.c_str();
    ASSERT_TRUE(OpenFrameLog(*log, replayed.path.c_str(), CaptureIdentity{"tempola-sim", 8, 0},
                             error, sizeof error));
    auto r = Replay(setup, log.get());
    ASSERT_TRUE(CloseFrameLog(*log));
    ASSERT_TRUE(r->ok) << r->error;
    EXPECT_TRUE(r->result->recordedDisplay);
    const auto before = Columns(recorded.path, 11, 19);  // PacerClockMs to RightRule
    const auto after = Columns(replayed.path, 11, 19);
    ASSERT_EQ(before.size(), 6000u);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        const bool locked = before[i].find(PaceRuleName(kRuleDisplayLocked)) != std::string::npos;
        ASSERT_EQ(locked ? before[i] : after[i], before[i]) << "row " << i + 1;
    }
    // A rule given on the command line wins over the recorded ones.
    setup.ruleGiven[0] = true;
    setup.side[0] = SideSetup{kRuleEveryRedraw, 62.0};
    r = Replay(setup);
    ASSERT_TRUE(r->ok) << r->error;
    EXPECT_GT(r->result->sim.side[0].updates, 5000u);
}

// The stats line of a replay carries what the capture says beside its
// frames: the machine, the tick rate, and its latencies summed up.
TEST(Replay, StatsCarryTheCapturesMachineAndLatencies) {
    auto stats = [](const char* file) {
        const std::string path = DataFile(file);
        auto r = Replay(RuleSetup(path, kRuleFixed, kRuleFixed, 31.0));
        EXPECT_TRUE(r->ok) << r->error;
        char* text = nullptr;
        size_t size = 0;
        std::FILE* out = open_memstream(&text, &size);
        PrintSimStats(out, ReportSetup(RuleSetup(path, kRuleFixed, kRuleFixed, 31.0), *r->result),
                      r->result->sim, "capture", &r->result->facts);
        std::fclose(out);
        const std::string line(text, size);
        std::free(text);
        return line;
    };
    const std::string ticks = stats("presentmon24_qpc.csv");
    EXPECT_NE(ticks.find(" capture_tick_hz=10000000 "), std::string::npos) << ticks;
    // Input latency 30 ms on every other row; display latency 6 to 11.5 ms.
    EXPECT_NE(ticks.find(" capture_input_latency_p50_ms=30.000 "), std::string::npos) << ticks;
    EXPECT_NE(ticks.find(" capture_display_latency_mean_ms=8.750 "), std::string::npos) << ticks;
    EXPECT_NE(ticks.find(" capture_display_latency_p99_ms=11.500"), std::string::npos) << ticks;
    EXPECT_EQ(ticks.find("capture_click_latency"), std::string::npos);  // all NA
    EXPECT_EQ(ticks.find("capture_game"), std::string::npos);
    const std::string named = stats("capframex.csv");
    EXPECT_NE(named.find(" capture_game=re2.exe "), std::string::npos) << named;
    EXPECT_NE(named.find(" capture_cpu=AMD_Ryzen_7_5800X3D "), std::string::npos) << named;
    EXPECT_EQ(named.find("capture_tick_hz"), std::string::npos);
}
