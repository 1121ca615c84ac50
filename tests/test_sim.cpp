#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lab/sim/clock_model.h"
#include "lab/sim_options.h"
#include "lab/sim/sim_run.h"
#include "lab/sim/sweep.h"
#include "lab/sim/wake_model.h"
#include "pacing/side_log.h"
#include "temp_file.h"

namespace {

std::vector<double> Redraws(const RedrawModel& model) {
    RedrawClock clock;
    StartRedrawClock(clock, model);
    std::vector<double> times;
    for (double s = 0.0; NextRedraw(clock, &s);) {
        times.push_back(s);
    }
    return times;
}

RedrawModel Model(double hz, double seconds, double stallEveryMs = 0, double stallLengthMs = 0) {
    return RedrawModel{hz, 0.0, 1, stallEveryMs, stallLengthMs, seconds};
}

bool Parse(std::vector<const char*> args, SimOptions* options, std::string* error = nullptr) {
    args.insert(args.begin(), "tempola-sim");
    char text[256] = "";
    const bool ok =
        ParseSimOptions(static_cast<int>(args.size()), args.data(), options, text, sizeof text);
    if (error != nullptr) {
        *error = text;
    }
    return ok;
}

SimSetup TenMsRuns(double redrawHz, double seconds, SideSetup left, SideSetup right) {
    SimSetup setup{};
    setup.redraw = Model(redrawHz, seconds);
    setup.clock = PacerClock::kMilliseconds;
    setup.side[0] = left;
    setup.side[1] = right;
    return setup;
}

// Runs one simulation logged to a file and reads the log back: the header
// row first, then one row of cells per redraw.
std::vector<std::vector<std::string>> RunLogged(const SimSetup& setup) {
    TempFile file("sim-log");
    auto result = std::make_unique<SimResult>();
    auto log = std::make_unique<FrameLog>();
    char error[200];
    EXPECT_TRUE(OpenFrameLog(*log, file.path.c_str(), CaptureIdentity{"tempola-sim", 1, 0}, error,
                             sizeof error));
    RunSim(setup, *result, FrameLogSink(*log));
    EXPECT_TRUE(CloseFrameLog(*log));
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(file.path);
    for (std::string line; std::getline(in, line);) {
        rows.emplace_back(1);
        for (char c : line) {
            if (c == ',') {
                rows.back().emplace_back();
            } else {
                rows.back().back() += c;
            }
        }
    }
    return rows;
}

// The cell in column `name` of redraw `row`; -1 for an empty one.
double Ms(const std::vector<std::vector<std::string>>& csv, size_t row, const char* name) {
    const size_t column = std::find(csv[0].begin(), csv[0].end(), name) - csv[0].begin();
    EXPECT_LT(column, csv[row + 1].size()) << name;
    const std::string cell = column < csv[row + 1].size() ? csv[row + 1][column] : "";
    return cell.empty() ? -1.0 : std::atof(cell.c_str());
}

}  // namespace

TEST(SimClock, SplitmixMatchesItsPublishedSequence) {
    uint64_t state = 0;
    EXPECT_EQ(NextRandom(state), 0xe220a8397b1dcdafull);
    EXPECT_EQ(NextRandom(state), 0x6e789e6aa1b965f4ull);
    EXPECT_EQ(UnitFraction(0), 0.0);
    EXPECT_LT(UnitFraction(~0ull), 1.0);
    EXPECT_LT(UnitFraction(~0ull) * 3.0, 3.0);  // a jitter never reaches its bound
}

TEST(SimClock, JitterStaysWithinItsBoundsAndRepeatsWithItsSeed) {
    for (double jitterMs : {3.0, 25.0}) {  // shorter and longer than a redraw period
        RedrawModel model = Model(100.0, 20.0);
        model.jitterMs = jitterMs;
        const std::vector<double> times = Redraws(model);
        ASSERT_EQ(times.size(), 2000u);
        double low = 1.0;
        double high = 0.0;
        for (size_t i = 0; i < times.size(); ++i) {
            const double offset = times[i] - static_cast<double>(i) / 100.0;
            ASSERT_GE(offset, 0.0) << i;
            ASSERT_LT(offset, jitterMs / 1000.0) << i;
            ASSERT_TRUE(i == 0 || times[i] >= times[i - 1]) << i;
            low = std::min(low, offset);
            high = std::max(high, offset);
        }
        // The draws cover the range rather than bunching.
        EXPECT_LT(low, jitterMs * 0.01 / 1000.0);
        EXPECT_GT(high, jitterMs * 0.99 / 1000.0);
        EXPECT_EQ(Redraws(model), times);
        model.seed = 2;
        EXPECT_NE(Redraws(model), times);
    }
}

TEST(SimClock, StallsSwallowTheirWindowsIntoOneRedrawAtTheEnd) {
    const std::vector<double> times = Redraws(Model(1000.0, 0.3, 100.0, 30.0));
    // 0..99 ms, 130 ms for 100..129, then the regular 130..199, 230 for
    // 200..229, 230..299.
    ASSERT_EQ(times.size(), 100u + 1 + 70 + 1 + 70);
    const size_t at[] = {99, 100, 101, 102, 171, 172};
    const double want[] = {0.099, 0.13, 0.13, 0.131, 0.23, 0.23};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(times[at[i]], want[i]) << at[i];
    }

    // Redraws far apart skip windows that hold none; one lands in the sixth.
    EXPECT_EQ(Redraws(Model(3.0, 2.4, 400.0, 5.0)),
              (std::vector<double>{0.0, 1.0 / 3, 2.0 / 3, 1.0, 4.0 / 3, 5.0 / 3, 2.005, 7.0 / 3}));

    // A replacement at or past the end of the run is not made.
    EXPECT_EQ(Redraws(Model(1000.0, 0.12, 100.0, 30.0)).size(), 100u);
}

TEST(SimClock, MillisecondClockWrapsAtThirtyTwoBitsAndMicrosecondsTruncate) {
    uint32_t ms = 7;
    EXPECT_EQ(PacerSeconds(PacerClock::kMilliseconds, 1.0009, &ms), PacerTime(1000));
    EXPECT_EQ(ms, 1000u);
    // 2^32 + 1 ms and 3 * 2^32 + 2 ms into the run.
    EXPECT_EQ(PacerSeconds(PacerClock::kMilliseconds, 4294967.2971, &ms), PacerTime(1));
    EXPECT_EQ(ms, 1u);
    PacerSeconds(PacerClock::kMilliseconds, 12884901.8902, &ms);
    EXPECT_EQ(ms, 2u);
    EXPECT_EQ(PacerSeconds(PacerClock::kMicroseconds, 1.2345678, &ms), 1234567 * 1e-6);
    EXPECT_EQ(ms, 1234u);
    EXPECT_EQ(PacerSeconds(PacerClock::kMicroseconds, 4294967.2971, &ms), 4294967297100 * 1e-6);
    // The clocks read floor(s * 1000) and floor(s * 1e6) as they stand:
    // 1007 / 1000.0 * 1000.0 rounds just below 1007.
    EXPECT_EQ(PacerSeconds(PacerClock::kMilliseconds, 1007 / 1000.0, &ms), PacerTime(1006));
    EXPECT_EQ(PacerSeconds(PacerClock::kMilliseconds, 1008 / 1000.0, &ms), PacerTime(1008));
    EXPECT_EQ(PacerSeconds(PacerClock::kMicroseconds, 249 / 1e6, &ms), 248 * 1e-6);
}

// Frames every 10 ms at target 31 for 2 s: the fixed rule moves on every
// fourth frame; the adaptive one waits 40 and 30 ms in turn (updates at 0,
// 40, 70, 110, 140, ...), 57 updates before 2 s.
TEST(SimRun, FiguresOfTheUpdatesAndOfWhatTheDisplayShows) {
    auto result = std::make_unique<SimResult>();
    SimSetup setup = TenMsRuns(100.0, 2.0, {kRuleAdaptive, 31.0}, {kRuleFixed, 31.0});
    RunSim(setup, *result);
    EXPECT_EQ(result->frames, 200u);
    EXPECT_EQ(result->side[0].updates, 57u);
    EXPECT_NEAR(MeanRate(result->cadence.left), 1000.0 / 35, 1e-4);
    EXPECT_NEAR(JitterMs(result->cadence.left), 5.0, 1e-4);
    EXPECT_NEAR(result->side[0].measuredRate, (25.0 + 100.0 / 3) / 2, 1e-4);
    EXPECT_EQ(result->side[1].updates, 50u);
    EXPECT_NEAR(MeanRate(result->cadence.right), 25.0, 1e-4);
    EXPECT_NEAR(WorstMs(result->cadence.right), 40.0, 1e-4);
    EXPECT_NEAR(JitterMs(result->cadence.redraw), 0.0, 1e-6);
    // Over 10 s a display far slower than the updates shows a new pose at
    // every refresh.
    setup.redraw.seconds = 10.0;
    setup.displayHz = 10.0;
    RunSim(setup, *result);
    EXPECT_EQ(result->side[0].seen.count, 99u);
    EXPECT_NEAR(JitterMs(result->side[0].seen), 0.0, 1e-9);
}

// A 50 Hz display: refreshes every 20 ms show left poses of 0, 40, 70, 110,
// 140, 180 ms at 0, 40, 80, 120, 140, 180 ms; the right side's (every 40 ms)
// at each 40 ms refresh.
TEST(SimRun, LogRowsCarryUpdatesAndSeenIntervals) {
    SimSetup setup = TenMsRuns(100.0, 0.3, {kRuleAdaptive, 31.0}, {kRuleFixed, 31.0});
    setup.displayHz = 50.0;
    const auto seen = RunLogged(setup);
    ASSERT_EQ(seen.size(), 31u);
    ASSERT_EQ(seen[0].size(), size_t{kFrameLogColumnCount});
    EXPECT_NEAR(Ms(seen, 4, "LeftMsBetweenUpdates"), 40.0, 1e-3);
    EXPECT_NEAR(Ms(seen, 7, "LeftMsBetweenUpdates"), 30.0, 1e-3);
    EXPECT_EQ(Ms(seen, 5, "LeftMsBetweenUpdates"), -1.0);
    const double leftSeen[20] = {-1, -1, -1, -1, 40, -1, -1, -1, 40, -1,
                                 -1, -1, 40, -1, 20, -1, -1, -1, 40, -1};
    for (size_t row = 0; row < 20; ++row) {
        EXPECT_EQ(Ms(seen, row, "LeftSeenMs"), leftSeen[row]) << row;
        EXPECT_EQ(Ms(seen, row, "RightSeenMs"), row > 0 && row % 4 == 0 ? 40.0 : -1.0) << row;
    }
    // The last redraw (290 ms) is shown by no refresh before the end.
    EXPECT_EQ(Ms(seen, 29, "LeftSeenMs"), -1.0);
    EXPECT_EQ(Ms(seen, 29, "Dropped"), -1.0);
    // Redraws at 0, 20, 40 ms are shown at once; 10, 30 are replaced
    // before a refresh; between shown ones, a refresh.
    EXPECT_EQ(Ms(seen, 0, "Dropped"), 0.0);
    EXPECT_EQ(Ms(seen, 1, "Dropped"), 1.0);
    EXPECT_EQ(Ms(seen, 2, "MsUntilDisplayed"), 0.0);
    EXPECT_EQ(Ms(seen, 2, "MsBetweenDisplayChange"), 20.0);
    EXPECT_EQ(Ms(seen, 3, "MsUntilDisplayed"), -1.0);
    // A latch of 5 ms: the redraw at 20 ms misses the refresh at 20 and
    // 10 ms makes it (by 20 - 5), so 10 is shown there, 10 ms after it.
    setup.latchMs = 5.0;
    const auto latched = RunLogged(setup);
    EXPECT_EQ(Ms(latched, 1, "Dropped"), 0.0);
    EXPECT_EQ(Ms(latched, 1, "MsUntilDisplayed"), 10.0);
    EXPECT_EQ(Ms(latched, 2, "Dropped"), 1.0);
    EXPECT_EQ(Ms(latched, 5, "PacerClockMs"), 50.0);
}

// The refresh-locked rule on a 60 Hz display with redraws at 1 kHz and
// 2 ms of jitter: at 31 every pose is on screen for two refreshes exactly,
// where fixed at 31 mixes two and three.
TEST(SimRun, DisplayLockedShowsWholePairsOfRefreshes) {
    auto result = std::make_unique<SimResult>();
    SimSetup setup = TenMsRuns(1000.0, 20.0, {kRuleDisplayLocked, 31.0}, {kRuleFixed, 31.0});
    setup.redraw.jitterMs = 2.0;
    setup.displayHz = 60.0;
    RunSim(setup, *result);
    const IntervalFigures& locked = result->side[0].seen;
    const IntervalFigures& fixed = result->side[1].seen;
    EXPECT_GT(locked.count, 550u);
    EXPECT_LT(JitterMs(locked), 0.5);
    EXPECT_NEAR(MeanRate(locked), 30.0, 0.05);
    EXPECT_NEAR(locked.min, 2.0 / 60, 1e-9);
    EXPECT_NEAR(locked.max, 2.0 / 60, 1e-9);
    EXPECT_GT(JitterMs(fixed), 3.0);
}

// Engines share nothing: runs on several threads at once give what each
// gives alone, and the side captures agree with the main log.
TEST(SimRun, EnginesOnThreadsDoNotSeeEachOther) {
    std::vector<SimSetup> setups;
    for (int i = 0; i < 4; ++i) {
        SimSetup setup = TenMsRuns(240.0 + 100 * i, 5.0, {static_cast<PaceRule>(i), 40.0 + i},
                                   {kRuleDisplayLocked, 31.0});
        setup.redraw.jitterMs = i;
        setup.displayHz = 60.0;
        setups.push_back(setup);
    }
    std::vector<std::unique_ptr<SimResult>> alone, together;
    for (const SimSetup& setup : setups) {
        alone.push_back(std::make_unique<SimResult>());
        together.push_back(std::make_unique<SimResult>());
        RunSim(setup, *alone.back());
    }
    std::vector<std::thread> threads;
    for (size_t i = 0; i < setups.size(); ++i)
        threads.emplace_back([&, i] { RunSim(setups[i], *together[i]); });
    for (std::thread& t : threads)
        t.join();
    for (size_t i = 0; i < setups.size(); ++i) {
        EXPECT_EQ(std::memcmp(&alone[i]->side, &together[i]->side, sizeof alone[i]->side), 0) << i;
        EXPECT_EQ(alone[i]->cadence.left.count, together[i]->cadence.left.count) << i;
    }
}

TEST(SimRun, SideCapturesHoldOneRowPerUpdate) {
    TempFolder folder("sim-sides");
    const std::string prefix = folder.path + "/run";
    SimSetup setup = TenMsRuns(100.0, 0.3, {kRuleAdaptive, 31.0}, {kRuleFixed, 31.0});
    setup.displayHz = 50.0;
    auto result = std::make_unique<SimResult>();
    auto sides = std::make_unique<SideLog[]>(2);
    ASSERT_TRUE(OpenSideLogs(sides.get(), prefix.c_str(), CaptureIdentity{"tempola-sim", 1, 0},
                             nullptr, 0));
    RunSim(setup, *result, SideLogSink(sides.get()));
    ASSERT_TRUE(CloseSideLogs(sides.get()));
    std::ifstream left(prefix + "-left.csv");
    std::vector<std::string> lines;
    for (std::string line; std::getline(left, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 1 + result->side[0].updates);
    // The pose of 70 ms is first shown by the refresh at 80: 40 ms after the
    // one at 40 that showed the pose of 40 ms, 10 ms after its redraw.
    EXPECT_EQ(lines[3],
              "tempola-sim,1,0,OpenGL,0,0,0,0.0700000,30.0000,40.0000,10.0000,adaptive,31.0");
}

TEST(SimSweep, RowsInOrderAndTheSameWhateverTheThreads) {
    SimOptions options;
    ASSERT_TRUE(
        Parse({"--sweep", "--targets", "30:31:0.5", "--redraw-list", "60,1000", "--seconds", "2"},
              &options));
    const SweepSetup sweep = SweepSetupOf(options);
    ASSERT_EQ(SweepRowCount(sweep), 2u * kPaceRuleCount * 3);
    std::vector<SweepRow> rows[3];
    for (int threads = 1; threads <= 3; ++threads) {
        rows[threads - 1].resize(SweepRowCount(sweep));
        ASSERT_TRUE(RunSweep(sweep, threads, rows[threads - 1].data(), nullptr));
    }
    for (size_t i = 0; i < rows[0].size(); ++i) {
        const SweepRow& row = rows[0][i];
        const size_t perRate = 3 * kPaceRuleCount;
        EXPECT_EQ(row.redrawHz, i < perRate ? 60.0 : 1000.0);
        EXPECT_EQ(row.rule, static_cast<PaceRule>(i % perRate / 3));
        EXPECT_EQ(row.target, 30.0 + 0.5 * static_cast<double>(i % 3));
        for (int t = 1; t < 3; ++t) {
            EXPECT_EQ(std::memcmp(&rows[t][i], &row, sizeof row), 0) << i << " threads " << t + 1;
        }
    }
    // Fixed at 31 on 1 ms redraws waits 0.97 / 31 s: an update every 32 ms.
    EXPECT_NEAR(rows[0][3 * kPaceRuleCount + 3 * kRuleFixed + 2].updates.meanRate, 31.25, 1e-3);
    EXPECT_NEAR(rows[0][3 * kPaceRuleCount + 3 * kRuleFixed + 2].updates.rateErrorPct, 0.806, 1e-3);
    // Unpaced on 60 Hz redraws read through a ms clock: 16 and 17 ms steps.
    EXPECT_NEAR(rows[0][3 * kRuleEveryRedraw].updates.meanRate, 60.0, 0.1);
    EXPECT_NEAR(rows[0][3 * kRuleEveryRedraw].updates.worstMs, 17.0, 1e-3);
}

TEST(SimOptions, DefaultsAndGoodValues) {
    SimOptions options;
    ASSERT_TRUE(Parse({}, &options));
    EXPECT_EQ(options.setup.redraw.seconds, 60.0);
    ASSERT_TRUE(Parse({"--sweep"}, &options));
    EXPECT_EQ(options.setup.redraw.seconds, 10.0);
    ASSERT_TRUE(Parse({"--sweep", "--targets", "5:200:0.1"}, &options));
    EXPECT_EQ(options.targetCount, 1951);  // 200 reached despite rounding
    ASSERT_TRUE(Parse({"--stall", "16.5:4", "--clock", "us", "--right", "fixed-exact", "--seed",
                       "18446744073709551615"},
                      &options));
    EXPECT_EQ(options.setup.redraw.stallEveryMs, 16.5);
    EXPECT_EQ(options.setup.redraw.seed, ~0ull);
    EXPECT_EQ(options.setup.clock, PacerClock::kMicroseconds);
    EXPECT_EQ(options.setup.side[1].rule, kRuleFixedExact);
    ASSERT_TRUE(Parse({"--left-rule", "display-locked", "--right-target", "90", "--latch-ms", "4.5",
                       "--side-logs", "p"},
                      &options));
    EXPECT_EQ(options.setup.side[0].rule, kRuleDisplayLocked);
    EXPECT_EQ(options.setup.side[1].target, 90.0);
    EXPECT_EQ(options.setup.latchMs, 4.5);
    EXPECT_STREQ(options.sideLogPrefix, "p");
    ASSERT_TRUE(
        Parse({"--replay", "c.json", "--list", "--run", "3", "--qpc-hz", "3579545"}, &options));
    EXPECT_TRUE(options.list);
    EXPECT_EQ(options.run, 3);
    EXPECT_EQ(options.ticksHz, 3579545.0);
    ASSERT_TRUE(Parse({"--version"}, &options));
    EXPECT_TRUE(options.version);
    EXPECT_FALSE(Parse({"--redraw", "x", "--help"}, &options));
    ASSERT_TRUE(Parse({"--help", "--redraw", "x"}, &options));
    EXPECT_TRUE(options.help);
}

TEST(SimOptions, BadValuesAreRefusedWithAMessage) {
    const std::vector<std::vector<const char*>> bad = {
        {"--redraw", "0"},
        {"--redraw", "inf"},
        {"--redraw", "60Hz"},
        {"--redraw", " 60"},
        {"--redraw", "1e400"},
        {"--jitter", "-1"},
        {"--seed", "-1"},
        {"--seed", "1.5"},
        {"--left", "wobbly"},
        {"--left-target", "4.5"},
        {"--left-target", "40.2"},
        {"--latch-ms", "-1"},
        {"--side-logs"},
        {"--stall", "100"},
        {"--stall", "100:"},
        {"--stall", "100:100"},
        {"--stall", "0:5"},
        {"--clock", "ns"},
        {"--seconds", "1e10"},
        {"--seconds", "1e9", "--redraw", "10000"},
        {"--seconds", "1e6", "--display-hz", "1e7"},
        {"--frobnicate"},
        {"--redraw"},
        {"--sweep", "--log", "x.csv"},
        {"--threads", "2"},
        {"--sweep", "--threads", "0"},
        {"--sweep", "--threads", "1.5"},
        {"--sweep", "--targets", "5:200"},
        {"--sweep", "--targets", "4:200:1"},
        {"--sweep", "--targets", "50:40:1"},
        {"--sweep", "--targets", "5:200:0"},
        {"--sweep", "--targets", "5:200:0.001"},
        {"--sweep", "--redraw-list", "60,,144"},
        {"--sweep", "--redraw-list", "60,0"},
        {"--sweep", "--seconds", "1e9", "--redraw-list", "60,2000"},
        {"--list"},
        {"--run", "2"},
        {"--qpc-hz", "1e7"},
        {"--replay", "c.csv", "--run", "0"},
        {"--replay", "c.csv", "--run", "1.5"},
        {"--replay", "c.csv", "--qpc-hz", "0"},
        {"--replay", "c.csv", "--list", "--log", "x.csv"},
    };
    for (const auto& args : bad) {
        SimOptions options;
        std::string error;
        EXPECT_FALSE(Parse(args, &options, &error)) << args[0] << " " << args.back();
        EXPECT_GT(error.size(), 10u) << args[0];
    }
}

namespace {

SimSetup Limited(const char* limit, WaitMethod method, WaitPlacement at, double seconds) {
    SimSetup setup = TenMsRuns(1000.0, seconds, {kRuleAdaptive, 62.0}, {kRuleFixed, 31.0});
    char error[128];
    EXPECT_TRUE(ParseLimitOption("--limit", limit, &setup.limit.setting, error, sizeof error));
    setup.limit.setting.method = method;
    setup.limit.setting.placement = at;
    setup.limit.renderMs = 1.5;
    setup.limit.renderJitterMs = 1.0;
    setup.limit.wakeLateP50Us = 100.0;
    setup.limit.wakeLateP99Us = 160.0;
    return setup;
}

}  // namespace

TEST(SimLimit, WakeModelHasTheQuantilesItWasFittedTo) {
    auto wake = std::make_unique<WakeModel>();
    StartWakeModel(*wake, 100.0, 160.0, 1);
    std::vector<double> draws;
    for (int i = 0; i < 100000; ++i) {
        draws.push_back(WakeLateness(*wake, NextRandom(wake->random)));
    }
    std::sort(draws.begin(), draws.end());
    EXPECT_NEAR(draws[50000], 0.000100, 0.000002);
    EXPECT_NEAR(draws[99000], 0.000160, 0.000004);
    StartWakeModel(*wake, 0.0, 0.0, 1);
    EXPECT_EQ(WakeLateness(*wake, ~0ull), 0.0);
}

TEST(SimLimit, EachMethodHitsTheRateAtItsOwnCostInCpu) {
    auto result = std::make_unique<SimResult>();
    double cpu[3][2] = {};
    double jitter[3][2] = {};
    for (const WaitMethod method : {WaitMethod::kSleep, WaitMethod::kSpin, WaitMethod::kHybrid}) {
        for (const WaitPlacement at : {WaitPlacement::kSwap, WaitPlacement::kFrame}) {
            const SimSetup setup = Limited("60", method, at, 20.0);
            RunSim(setup, *result);
            const std::string name = WaitMethodName(method);
            EXPECT_NEAR(static_cast<double>(result->frames), 1200.0, 1.0) << name;
            EXPECT_NEAR(MeanRate(result->cadence.redraw), 60.0, 0.01) << name;
            const int m = static_cast<int>(method);
            cpu[m][static_cast<int>(at)] = SimCpuPercent(setup, *result);
            jitter[m][static_cast<int>(at)] = JitterMs(result->cadence.redraw);
            // Sleeping alone, the waits end as late as the sleeps wake; a
            // spin ends on the deadline.
            const bool sleep = method == WaitMethod::kSleep;
            EXPECT_NEAR(QuantileSeconds(result->limiter.wakeLate, 0.5), sleep ? 0.0001 : 0, 3e-6);
            EXPECT_NEAR(QuantileSeconds(result->limiter.wakeLate, 0.99), sleep ? 0.00016 : 0, 8e-6);
        }
    }
    // Drawing is 2 ms a frame on average: 12 % of a core at 60 a second.
    for (int a = 0; a < 2; ++a) {
        EXPECT_NEAR(cpu[0][a], 12.0, 0.3);
        EXPECT_GT(cpu[1][a], 99.0);  // spinning burns the rest
        // The hybrid spins its margin less the sleep's lateness on each: a
        // margin learned from the sleeps' 99.5th percentile (160 us and a
        // little more) with room, about 0.27 ms, so some 0.17 ms a frame.
        EXPECT_GT(cpu[2][a], cpu[0][a] + 0.5);
        EXPECT_LT(cpu[2][a], cpu[0][a] + 2.0);
    }
    // Waiting just before the swap keeps the drawing time's spread off the
    // swaps; before the frame, it reaches them: an interval is the
    // difference of two uniform 1 ms spreads, sd sqrt(2 / 12) ms.
    EXPECT_LT(jitter[0][0], 0.05);
    EXPECT_LT(jitter[2][0], 0.005);
    EXPECT_NEAR(jitter[2][1], 0.408, 0.03);
}

TEST(SimLimit, DisplayLimiterShowsEachRedrawSoonerThanARateLimit) {
    auto result = std::make_unique<SimResult>();
    SimSetup setup = Limited("display", WaitMethod::kHybrid, WaitPlacement::kFrame, 30.0);
    setup.displayHz = 60.0;
    setup.latchMs = 4.0;
    RunSim(setup, *result);
    const double display = QuantileSeconds(result->displayLatency, 0.5);
    EXPECT_NEAR(static_cast<double>(result->shown) / 30.0, 60.0, 0.5);
    EXPECT_LE(result->dropped, result->frames / 100);
    // Frame start to display: the latch, the margin and the drawing time's
    // high quantile, not a whole refresh more.
    EXPECT_LT(display, 0.0095);
    EXPECT_GT(display, 0.0045);
    EXPECT_STREQ(LimitNote(result->limiter, 30.0), "");

    setup = Limited("60", WaitMethod::kHybrid, WaitPlacement::kFrame, 30.0);
    setup.displayHz = 60.0;
    setup.latchMs = 4.0;
    RunSim(setup, *result);
    EXPECT_GT(QuantileSeconds(result->displayLatency, 0.5), display + 0.004);

    // No display to hear from: the refresh rate it falls back on, said so.
    setup = Limited("display", WaitMethod::kSleep, WaitPlacement::kSwap, 10.0);
    RunSim(setup, *result);
    EXPECT_NEAR(static_cast<double>(result->frames), 600.0, 1.0);
    EXPECT_STREQ(LimitNote(result->limiter, 10.0), "(no display times: refresh rate)");
    EXPECT_EQ(result->displayLatency.count, 0u);
}

TEST(SimLimit, TheSameSeedGivesTheSameRun) {
    auto first = std::make_unique<SimResult>();
    auto again = std::make_unique<SimResult>();
    SimSetup setup = Limited("display", WaitMethod::kHybrid, WaitPlacement::kSwap, 5.0);
    setup.displayHz = 60.0;
    for (const uint64_t seed : {7, 7, 8}) {
        setup.redraw.seed = seed;
        RunSim(setup, seed == 8 ? *again : *first);
        RunSim(setup, *again);
        EXPECT_EQ(first->busySeconds == again->busySeconds, seed == 7);
        EXPECT_EQ(JitterMs(first->cadence.redraw) == JitterMs(again->cadence.redraw), seed == 7);
    }
}

TEST(SimLimit, OptionsGoTogetherOrAreRefused) {
    SimOptions options;
    ASSERT_TRUE(Parse({"--limit", "60", "--limiter", "sleep", "--limit-at", "frame", "--render-ms",
                       "1.5", "--render-jitter-ms", "0.5", "--wake-late-us", "100:160"},
                      &options));
    const LimitModel& m = options.setup.limit;
    EXPECT_TRUE(m.setting.hz == 60.0 && m.setting.method == WaitMethod::kSleep &&
                m.setting.placement == WaitPlacement::kFrame);
    EXPECT_TRUE(m.renderMs == 1.5 && m.renderJitterMs == 0.5 && m.wakeLateP99Us == 160.0);
    ASSERT_TRUE(Parse({"--limit", "display", "--display-hz", "60", "--sweep"}, &options));
    ASSERT_TRUE(Parse({"--limit", "off", "--jitter", "2"}, &options));
    EXPECT_EQ(options.setup.limit.setting.kind, LimitKind::kOff);

    std::string error;
    EXPECT_FALSE(Parse({"--limit", "0"}, &options, &error));
    EXPECT_EQ(error, "--limit: not off, display or a rate in Hz from 1 to 1000: '0'");
    const std::vector<std::vector<const char*>> bad = {
        {"--render-ms", "2"},
        {"--limit", "off", "--wake-late-us", "100:160"},
        {"--limit", "60", "--render-ms", "0"},
        {"--limit", "60", "--render-jitter-ms", "-1"},
        {"--limit", "60", "--wake-late-us", "160:100"},
        {"--limit", "60", "--wake-late-us", "0:100"},
        {"--limit", "60", "--wake-late-us", "100"},
        {"--limit", "60", "--jitter", "1"},
        {"--limit", "60", "--stall", "100:5"},
        {"--limit", "60", "--replay", "x.csv"},
        {"--limit", "60", "--render-ms", "1e-9", "--seconds", "1e9"},
        {"--limit-at", "end", "--limit", "60"}};
    for (const auto& args : bad) {
        EXPECT_FALSE(Parse(args, &options, &error)) << args[0] << " " << args.back();
        EXPECT_GT(error.size(), 10u) << args[0];
    }
}
