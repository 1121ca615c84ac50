// The command line and one run of the program around the scripted platform:
// options, the time limit, the frame log and its failures, the figures line.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/run.h"
#include "demo/frame.h"
#include "demo/live_limit.h"
#include "demo/pacing.h"
#include "demo/presentations.h"
#include "host/host_internal.h"
#include "log_rows.h"
#include "platform/headless_platform.h"
#include "stats_golden.h"
#include "temp_file.h"

namespace {

bool Parse(std::vector<const char*> args, RunOptions* options, std::string* error = nullptr) {
    args.insert(args.begin(), "tempola");
    char text[256] = "";
    const bool ok =
        ParseOptions(static_cast<int>(args.size()), args.data(), options, text, sizeof text);
    if (error != nullptr) {
        *error = text;
    }
    return ok;
}

TEST(Options, TakeOursAndPassTheFullscreenSwitchesOn) {
    RunOptions o;
    ASSERT_TRUE(Parse({"-fullscreen=0", "--left-rule", "scheduled", "--right-rule", "every-redraw",
                       "--log", "a b.csv", "--seconds", "2.5", "--stats", "--vsync", "-fullscreen"},
                      &o));
    EXPECT_EQ(o.hostCommandLine, "-fullscreen=0 -fullscreen");
    EXPECT_EQ(o.leftRule, kRuleScheduled);
    EXPECT_EQ(o.rightRule, kRuleEveryRedraw);
    EXPECT_EQ(o.logPath, "a b.csv");
    EXPECT_EQ(o.seconds, 2.5);
    EXPECT_TRUE(o.stats);
    EXPECT_TRUE(o.vsync);
    RunOptions defaults;
    ASSERT_TRUE(Parse({}, &defaults));
    EXPECT_EQ(defaults.leftRule, kRuleAdaptive);
    EXPECT_EQ(defaults.rightRule, kRuleFixed);
    EXPECT_EQ(defaults.leftTarget, 62.0);
    EXPECT_EQ(defaults.rightTarget, 31.0);
    ASSERT_TRUE(Parse({"--left-target", "40", "--right-target", "199.5", "--right-rule",
                       "display-locked", "--side-logs", "run", "--version"},
                      &o));
    EXPECT_EQ(o.leftTarget, 40.0);
    EXPECT_EQ(o.rightTarget, 199.5);
    EXPECT_EQ(o.rightRule, kRuleDisplayLocked);
    EXPECT_EQ(o.sideLogPrefix, "run");
    EXPECT_TRUE(o.version);
    EXPECT_EQ(std::string(VersionText()), "tempola " TEMPOLA_VERSION);
}

TEST(Options, RefuseWhatTheyCannotUse) {
    const std::vector<std::vector<const char*>> bad = {{"--seconds"},
                                                       {"--seconds", "0"},
                                                       {"--seconds", "-1"},
                                                       {"--seconds", "nan"},
                                                       {"--seconds", "5e6"},
                                                       {"--seconds", "3x"},
                                                       {"--left-rule"},
                                                       {"--left-rule", "slow"},
                                                       {"--right-rule", ""},
                                                       {"--log"},
                                                       {"--log", ""},
                                                       {"--frobnicate"},
                                                       {"fullscreen"},
                                                       {"--left-target", "4.5"},
                                                       {"--right-target", "200.5"},
                                                       {"--left-target", "40.2"},
                                                       {"--left-target", " 40"},
                                                       {"--left-target", "inf"},
                                                       {"--right-target"},
                                                       {"--side-logs"}};
    for (const auto& args : bad) {
        RunOptions o;
        std::string error;
        EXPECT_FALSE(Parse(args, &o, &error)) << args[0];
        EXPECT_NE(error.find("--help"), std::string::npos) << args[0];
    }
    // Both programs refuse a target in the same words.
    RunOptions o;
    std::string error;
    EXPECT_FALSE(Parse({"--left-target", "40.2"}, &o, &error));
    EXPECT_EQ(error, std::string("--left-target: not ") + kTargetWords + ": '40.2' (try --help)");
}

// The run around an application that paces like the demonstration but draws
// nothing, with frames of 7 ms on the scripted clock (and the frame limit's
// waits, which a scripted sleep makes by moving the clock on).
int renders = 0;
bool StartPacing() {
    // What the run chose survives the reset, as it does the scene's start.
    const double left = leftStartTarget;
    const double right = rightStartTarget;
    const PaceRule rules[2] = {leftRule, rightRule};
    ResetPacing();
    leftPacer.target = left;
    rightPacer.target = right;
    leftRule = rules[0];
    rightRule = rules[1];
    StartPresentations();
    StartLiveLimit();
    return true;
}
// With made-up display times on: each redraw's word comes at the next
// frame; every third is shown, 10 ms after its swap, on a 21 ms refresh,
// the others discarded.
bool presenting = false;
void PresentLastSwap() {
    const std::vector<uint64_t>& swapped = headless::SwappedRedraws();
    if (!presenting || swapped.empty())
        return;
    const uint64_t redraw = swapped.back();
    const int64_t swap = headless::Counter();  // nothing moved the clock since
    const bool shown = redraw % 3 == 0;
    headless::Present({redraw, static_cast<uint8_t>(shown ? kPlatShown : kPlatDropped), swap,
                       shown ? swap + 10000 : 0, 21000000,
                       shown ? uint32_t{kPlatPresentVsync} : 0});
}
void BeginOneFrame() {
    PresentLastSwap();
    BeginFrame();
}
bool PaceOneFrame() {
    PaceFrame();
    headless::AdvanceMs(7);
    ++renders;
    return true;
}
// Key presses, when the program took them.
std::vector<double> presses;
void KeyPressed(uint32_t) {
    presses.push_back(HostClockSeconds());
    NoteKeyPress();
}
const AppCallbacks kPacingApp = {[] { return true; },
                                 [] { return "OpenGL program"; },
                                 StartPacing,
                                 PaceOneFrame,
                                 [] {},
                                 GetStatusText,
                                 RaiseLeftTarget,
                                 LowerLeftTarget,
                                 RaiseRightTarget,
                                 LowerRightTarget,
                                 KeyPressed,
                                 nullptr,
                                 BeginOneFrame,
                                 EndFrame};

std::vector<std::string> reports;
const RunEnvironment kEnvironment = {[] { return static_cast<double>(headless::Counter()) * 1e-6; },
                                     -1.0, 0.0, [](const char* line) { reports.push_back(line); },
                                     4321};

class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetHostState();
        headless::Reset();
        reports.clear();
        renders = 0;
        presenting = false;
    }

    static bool WindowMade() {
        const std::vector<std::string>& calls = headless::GetRecord().calls;
        return std::any_of(calls.begin(), calls.end(),
                           [](const std::string& c) { return c.rfind("CreateWindow", 0) == 0; });
    }
};

TEST_F(RunTest, LogHasOneRowPerFrameAndTheStatsCountsAgree) {
    TempFile log("run-log");
    RunOptions o;
    ASSERT_TRUE(Parse({"--seconds", "1", "--stats", "--log", log.path.c_str()}, &o));
    EXPECT_EQ(RunProgram(o, kEnvironment, kPacingApp), 0);

    std::ifstream in(log.path);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, FrameLogHeader());
    std::vector<std::string> rows;
    int leftUpdates = 0;
    int rightUpdates = 0;
    while (std::getline(in, line)) {
        rows.push_back(line);
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');) {
            cells.push_back(cell);
        }
        if (line.back() == ',')
            cells.push_back("");
        ASSERT_EQ(cells.size(), size_t{kFrameLogColumnCount}) << line;
        leftUpdates += cells[12] == "1";
        rightUpdates += cells[16] == "1";
    }
    // A second of 7 ms frames: the one that reaches 1000 ms ends the run.
    EXPECT_EQ(rows.size(), size_t(renders));
    ASSERT_EQ(rows.size(), 144u);
    // The second frame, 7 ms on: neither side is due yet (waits 16 and 31 ms).
    // No display times here: those cells stay empty. With no limit the whole
    // 7 ms is the frame's own and nothing waited.
    EXPECT_EQ(rows[1],
              "tempola,4321,0,OpenGL,0,0,,0.0070000,7.0000,,,7,0,,62.0,adaptive,0,,31.0,"
              "fixed,,,7.0000,0.0000,,,,,,,,,");
    ASSERT_EQ(reports.size(), 1u);
    const std::string& stats = reports[0];
    for (const std::string& field :
         {std::string("frames=144 "), "left_updates=" + std::to_string(leftUpdates) + " ",
          "right_updates=" + std::to_string(rightUpdates) + " ", std::string("left_rule=adaptive "),
          std::string("right_rule=fixed "), std::string("vsync_asked=0 vsync_taken=0"),
          std::string("display_source=none display_rate= "),
          std::string("left_seen_jitter_ms= ")}) {
        EXPECT_NE(stats.find(field), std::string::npos) << field << " in " << stats;
    }
    const auto golden = GoldenStatsLines();
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(golden.back().first, "live");
    // The keys the line had keep their text; the motion's come after them.
    EXPECT_EQ(stats.substr(0, golden.back().second.size()), golden.back().second);
    EXPECT_EQ(stats.substr(golden.back().second.size(), 34), " left_motion=cpu right_motion=cpu ");
}

TEST_F(RunTest, LogThatCannotBeOpenedStopsBeforeAnyWindow) {
    RunOptions o;
    ASSERT_TRUE(Parse({"--log", "/nonexistent-folder/run.csv"}, &o));
    EXPECT_EQ(RunProgram(o, kEnvironment, kPacingApp), 2);
    EXPECT_FALSE(WindowMade());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("/nonexistent-folder/run.csv"), std::string::npos);
}

TEST_F(RunTest, LogThatFailsPartWayRunsOnAndExitsThree) {
    RunOptions o;
    ASSERT_TRUE(Parse({"--seconds", "3", "--log", "/dev/full"}, &o));
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunProgram(o, kEnvironment, kPacingApp), 3);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(WindowMade());
    EXPECT_GE(renders, 428);  // the whole three seconds were drawn
    // One message, however many rows were lost.
    EXPECT_EQ(err.find("frame log"), err.rfind("frame log")) << err;
    EXPECT_NE(err.find("frame log"), std::string::npos);
}

TEST_F(RunTest, StartsAtTheTargetsAsked) {
    RunOptions o;
    ASSERT_TRUE(
        Parse({"--seconds", "0.2", "--stats", "--left-target", "40", "--right-target", "90"}, &o));
    EXPECT_EQ(RunProgram(o, kEnvironment, kPacingApp), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(" left_target=40.0 "), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find(" right_target=90.0 "), std::string::npos) << reports[0];
    ResetPacing();
}

// What the display said reaches the log, the figures line and the
// display-locked rule: each row settled in redraw order.
TEST_F(RunTest, DisplayTimesFillTheLogAndTheFigures) {
    TempFile log("run-log");
    RunOptions o;
    ASSERT_TRUE(Parse({"--seconds", "1", "--stats", "--log", log.path.c_str(), "--left-rule",
                       "display-locked", "--left-target", "31"},
                      &o));
    headless::SetDisplayTimes(true);
    presenting = true;
    EXPECT_EQ(RunProgram(o, kEnvironment, kPacingApp), 0);
    const auto rows = ReadLog(log.path);
    ASSERT_EQ(rows.size(), 144u);
    int shown = 0;
    double lastLeftSeen = -1;
    for (size_t i = 0; i + 1 < rows.size(); ++i) {  // the last redraw has no word
        const auto& row = rows[i];
        const bool third = (i + 1) % 3 == 0;
        ASSERT_EQ(row.at("Dropped"), third ? "0" : "1") << i;
        if (!third) {
            EXPECT_EQ(row.at("MsUntilDisplayed"), "") << i;
            continue;
        }
        ++shown;
        EXPECT_EQ(row.at("MsUntilDisplayed"), "10.0000") << i;
        EXPECT_EQ(row.at("MsBetweenDisplayChange"), shown > 1 ? "21.0000" : "") << i;
        if (!row.at("LeftSeenMs").empty())
            lastLeftSeen = std::stod(row.at("LeftSeenMs"));
    }
    EXPECT_EQ(rows.back().at("Dropped"), "");
    // display-locked at 31 on a 21 ms refresh: k = round(1 / (31 * 0.021)) = 2,
    // so the viewer sees a new left pose every 42 ms.
    EXPECT_EQ(lastLeftSeen, 42.0);
    ASSERT_EQ(reports.size(), 1u);
    for (const std::string& field :
         {std::string(" display_source=scripted "), std::string(" display_refresh_ms=21.000 "),
          " dropped=" + std::to_string(143 - shown) + " ", std::string(" display_unknown=1 "),
          std::string(" left_seen_worst_ms=42.000 ")}) {
        EXPECT_NE(reports[0].find(field), std::string::npos) << field << " in " << reports[0];
    }
}

}  // namespace

TEST(Options, TakeTheLimitInTheEnginesWords) {
    RunOptions o;
    EXPECT_EQ(o.limit.kind, LimitKind::kOff);
    ASSERT_TRUE(Parse({"--limit", "59.94", "--limiter", "spin", "--limit-at", "frame"}, &o));
    EXPECT_EQ(o.limit.kind, LimitKind::kRate);
    EXPECT_EQ(o.limit.hz, 59.94);
    EXPECT_EQ(o.limit.method, WaitMethod::kSpin);
    EXPECT_EQ(o.limit.placement, WaitPlacement::kFrame);
    ASSERT_TRUE(Parse({"--limit", "display"}, &o));
    EXPECT_EQ(o.limit.kind, LimitKind::kDisplay);
    for (const auto& args : std::vector<std::vector<const char*>>{{"--limit", "0"},
                                                                  {"--limit", "-60"},
                                                                  {"--limit", "1000.5"},
                                                                  {"--limit", "60Hz"},
                                                                  {"--limit"},
                                                                  {"--limiter", "busy"},
                                                                  {"--limit-at", "present"}}) {
        RunOptions bad;
        std::string error;
        EXPECT_FALSE(Parse(args, &bad, &error)) << args[0];
        EXPECT_EQ(bad.limit.kind, LimitKind::kOff) << args[0];
        // The engine's words, which the simulator prints too, and the hint.
        char words[256];
        LimitSetting unused = kNoLimit;
        ParseLimitOption(args[0], args.size() > 1 ? args[1] : nullptr, &unused, words,
                         sizeof words);
        EXPECT_EQ(error, std::string(words) + " (try --help)");
    }
}

// Each deadline one period after the last whatever the wakes: swaps 60 a
// second exactly on the scripted clock although every sleep wakes 150 us
// late, the 7 ms of each frame its own and the rest the limiter's.
TEST_F(RunTest, LimitKeepsItsScheduleHoweverLateTheSleepsWake) {
    headless::Options late;
    late.wakeLateTicks = 150;
    headless::Reset(late);
    TempFile log("run-log");
    RunOptions o;
    ASSERT_TRUE(Parse({"--seconds", "1", "--stats", "--log", log.path.c_str(), "--limit", "60",
                       "--limiter", "sleep"},
                      &o));
    EXPECT_EQ(RunProgram(o, kEnvironment, kPacingApp), 0);
    const auto rows = ReadLog(log.path);
    ASSERT_GE(rows.size(), 55u);
    ASSERT_LE(rows.size(), 62u);
    for (size_t i = 2; i + 1 < rows.size(); ++i) {
        EXPECT_NEAR(Cell(rows[i], "MsBetweenPresents"), 1000.0 / 60.0, 0.0015) << i;
        EXPECT_NEAR(Cell(rows[i], "MsCPUBusy"), 7.0, 0.0015) << i;
        EXPECT_NEAR(Cell(rows[i], "MsCPUWait"), 1000.0 / 60.0 - 7.0, 0.0015) << i;
    }
    const std::string& line = reports.at(0);
    EXPECT_NE(line.find(" limit=60 limiter=sleep limit_at=swap "), std::string::npos) << line;
    EXPECT_NEAR(Figure(line, "wake_late_p50_us"), 150.0, 1.0) << line;
    EXPECT_NEAR(Figure(line, "wake_late_max_us"), 150.0, 1.0) << line;
    EXPECT_GT(headless::GetRecord().sleeps, 50);
    startLimit = kNoLimit;
}

// Placed before the frame, the wait comes before the clock the pacers read:
// their clock steps by a period, and the frame's 7 ms follow it.
TEST_F(RunTest, LimitAtTheFrameWaitsBeforeThePacersReadTheClock) {
    TempFile log("run-log");
    RunOptions o;
    ASSERT_TRUE(Parse({"--seconds", "1", "--log", log.path.c_str(), "--limit", "50", "--limiter",
                       "hybrid", "--limit-at", "frame"},
                      &o));
    headless::Options spinning;
    spinning.ticksPerRead = 3;  // a spin reads the counter until its deadline
    headless::Reset(spinning);
    EXPECT_EQ(RunProgram(o, kEnvironment, kPacingApp), 0);
    const auto rows = ReadLog(log.path);
    ASSERT_GE(rows.size(), 45u);
    for (size_t i = 2; i + 1 < rows.size(); ++i) {
        const double step = Cell(rows[i], "PacerClockMs") - Cell(rows[i - 1], "PacerClockMs");
        EXPECT_GE(step, 19.0) << i;
        EXPECT_LE(step, 21.0) << i;
        EXPECT_NEAR(Cell(rows[i], "MsCPUWait"), 13.0, 0.1) << i;
    }
    startLimit = kNoLimit;
}

// A key press reaches the screen with the first shown redraw drawn after
// it: here two dropped redraws later. Shown rows carry their latency from
// the frame's clock reading (7 ms of frame, 10 to the display) and the
// compositor's flags; the figures line agrees.
TEST_F(RunTest, AKeyPressIsTimedToTheFirstShownRedrawDrawnAfterIt) {
    TempFile log("run-log");
    RunOptions o;
    ASSERT_TRUE(Parse({"--seconds", "0.5", "--stats", "--log", log.path.c_str()}, &o));
    headless::SetDisplayTimes(true);
    presenting = true;
    presses.clear();
    AppCallbacks app = kPacingApp;
    app.Render = [] {
        // Taken after the 12th frame: the 13th and 14th are dropped.
        if (renders == 11)
            headless::PostKey('M');
        return PaceOneFrame();
    };
    EXPECT_EQ(RunProgram(o, kEnvironment, app), 0);
    ASSERT_EQ(presses.size(), 1u);
    const auto rows = ReadLog(log.path);
    int timed = 0;
    for (size_t i = 0; i + 1 < rows.size(); ++i) {
        const auto& row = rows[i];
        const bool shown = row.at("Dropped") == "0";
        EXPECT_EQ(row.at("MsDisplayLatency"), shown ? "17.0000" : "") << i;
        EXPECT_EQ(row.at("PresentationFlags"), shown ? "1" : "") << i;
        if (!row.at("MsAllInputToPhotonLatency").empty()) {
            ++timed;
            EXPECT_EQ(i, 14u);
            EXPECT_EQ(row.at("MsAllInputToPhotonLatency"), "31.0000");
        }
    }
    EXPECT_EQ(timed, 1);
    const std::string& line = reports.at(0);
    EXPECT_NE(line.find(" inputs=1"), std::string::npos) << line;
    EXPECT_NEAR(Figure(line, "input_latency_p50_ms"), 31.0, 0.2) << line;
    EXPECT_NEAR(Figure(line, "display_latency_p50_ms"), 17.0, 0.1) << line;
    EXPECT_NEAR(Figure(line, "display_latency_p99_ms"), 17.0, 0.1) << line;
}

// Without display times the display-timed limiter keeps the refresh rate the
// system gives, says so, and each row still carries its own swap: 7 ms of
// frame and the wait after its clock reading.
TEST_F(RunTest, TheDisplayLimitWithoutDisplayTimesKeepsTheRefreshRate) {
    TempFile log("run-log");
    RunOptions o;
    ASSERT_TRUE(Parse({"--seconds", "1", "--stats", "--log", log.path.c_str(), "--limit", "display",
                       "--limiter", "sleep"},
                      &o));
    EXPECT_EQ(RunProgram(o, kEnvironment, kPacingApp), 0);
    EXPECT_EQ(std::string(LiveLimitText()),
              "limit display, sleep at swap (no display times: refresh rate)");
    const auto rows = ReadLog(log.path);
    ASSERT_GE(rows.size(), 55u);
    for (size_t i = 2; i + 1 < rows.size(); ++i) {
        EXPECT_NEAR(Cell(rows[i], "MsBetweenPresents"), 1000.0 / 60.0, 0.0015) << i;
        // The first frame started at 0 and swapped 7 ms later, without a
        // wait. The wait comes before the poses are read, never after: the
        // drawing alone lies between them and the swap.
        const double swapMs = Cell(rows[i], "TimeInSeconds") * 1000.0 + 7.0;
        EXPECT_NEAR(swapMs - Cell(rows[i], "PacerClockMs"), 7.0, 1.0) << i;
        EXPECT_NEAR(Cell(rows[i], "MsCPUWait"), 1000.0 / 60.0 - 7.0, 1.0) << i;
    }
    EXPECT_NE(reports.at(0).find(" limit=display limiter=sleep limit_at=swap "), std::string::npos);
    startLimit = kNoLimit;
}
