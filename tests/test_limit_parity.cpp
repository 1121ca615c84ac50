// The frame limiter's plans carried out twice: by the live program's loop
// (demo/frame.cpp) on the scripted platform, and by the simulator
// (lab/sim/limit_carry.cpp) against its modelled display. Given the same
// display (refresh rate and latch) and the same drawing times they make the
// same waits, and their frame logs have the same rows: each redraw's swap,
// its wait, its fate, its display time and the time from its frame's start
// to its display.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/run.h"
#include "demo/frame.h"
#include "demo/live_limit.h"
#include "demo/pacing.h"
#include "demo/presentations.h"
#include "host/host_internal.h"
#include "lab/sim/clock_model.h"
#include "lab/sim/sim_run.h"
#include "log_rows.h"
#include "platform/headless_platform.h"
#include "scripted_display.h"
#include "temp_file.h"

namespace {

using namespace scripted;

// How near the rows must be, in ms: a microsecond, against a wait for the
// display's word that looks for it every 0.5 ms (kWordPoll). The simulator
// looks when the live loop does, so the rows agree to the logs' own
// resolution (0.1 us) and the scripted clock's rounding (1 ns).
constexpr double kWithin = 0.001;

struct Scenario {
    const char* name;
    const char* limit;  // --limit
    WaitMethod method;
    WaitPlacement at;
    double hz;  // the display
    double latchMs;
    double renderMs;  // the drawing: renderMs plus [0, jitterMs)
    double jitterMs;
    double seconds;
    uint64_t seed;
};

// The drawing times, the simulator's (lab/sim/sim_limited.cpp: its own
// stream of the seed).
struct Drawing {
    uint64_t random;
    double render;
    double jitter;
    double Next() {
        return jitter > 0.0 ? render + UnitFraction(NextRandom(random)) * jitter : render;
    }
} drawing;

bool StartPacing() {
    ResetPacing();
    StartPresentations();
    StartLiveLimit();
    return true;
}

bool DrawOneFrame() {
    PaceFrame();
    headless::SetCounter(headless::Counter() + Counter(drawing.Next()));
    return true;
}

const AppCallbacks kApp = {[] { return true; },
                           [] { return "OpenGL program"; },
                           StartPacing,
                           DrawOneFrame,
                           [] {},
                           GetStatusText,
                           RaiseLeftTarget,
                           LowerLeftTarget,
                           RaiseRightTarget,
                           LowerRightTarget,
                           nullptr,
                           nullptr,
                           BeginFrame,
                           EndFrame};

std::vector<std::string> reports;
const RunEnvironment kEnvironment = {[] { return Seconds(headless::Counter()); }, -1.0, 0.0,
                                     [](const char* line) { reports.push_back(line); }, 4321};

using Rows = std::vector<LogRow>;

struct Ran {
    Rows rows;
    uint64_t made, missed, discarded;
};

Ran RunLive(const Scenario& s) {
    ResetHostState();
    headless::Options options;
    options.counterFrequency = static_cast<int64_t>(kTicks);
    options.refreshRate = s.hz;
    headless::Reset(options);
    headless::SetDisplayTimes(true);
    display = ModelledDisplay{};
    display.hz = s.hz;
    display.latch = s.latchMs * 0.001;
    headless::SetCompositor(&kCompositor);
    drawing = Drawing{s.seed, s.renderMs * 0.001, s.jitterMs * 0.001};
    reports.clear();

    TempFile log("parity-live");
    const std::string seconds = std::to_string(s.seconds);
    std::vector<const char*> args = {"tempola",
                                     "--seconds",
                                     seconds.c_str(),
                                     "--limit",
                                     s.limit,
                                     "--limiter",
                                     WaitMethodName(s.method),
                                     "--limit-at",
                                     WaitPlacementName(s.at),
                                     "--log",
                                     log.path.c_str()};
    RunOptions o;
    char error[256] = "";
    EXPECT_TRUE(ParseOptions(static_cast<int>(args.size()), args.data(), &o, error, sizeof error))
        << error;
    EXPECT_EQ(RunProgram(o, kEnvironment, kApp), 0);
    startLimit = kNoLimit;
    headless::SetCompositor(nullptr);
    const DisplayLimiter& d = liveLimiter.display;
    return Ran{ReadLog(log.path), d.made, d.missed, d.discarded};
}

Ran RunSimulated(const Scenario& s) {
    SimSetup setup{};
    setup.redraw = RedrawModel{1000.0, 0.0, s.seed, 0.0, 0.0, s.seconds};
    LimitSetting limit = kNoLimit;
    char error[128];
    EXPECT_TRUE(ParseLimitOption("--limit", s.limit, &limit, error, sizeof error));
    limit.method = s.method;
    limit.placement = s.at;
    setup.limit = LimitModel{limit, s.renderMs, s.jitterMs, 0.0, 0.0};
    setup.clock = PacerClock::kMilliseconds;
    setup.displayHz = s.hz;
    setup.latchMs = s.latchMs;
    setup.side[0] = SideSetup{kRuleAdaptive, 62.0};
    setup.side[1] = SideSetup{kRuleFixed, 31.0};

    TempFile file("parity-sim");
    auto result = std::make_unique<SimResult>();
    auto log = std::make_unique<FrameLog>();
    EXPECT_TRUE(OpenFrameLog(*log, file.path.c_str(), CaptureIdentity{"tempola-sim", 1, 0}, error,
                             sizeof error));
    RunSim(setup, *result, FrameLogSink(*log));
    EXPECT_TRUE(CloseFrameLog(*log));
    const DisplayLimiter& d = result->limiter.display;
    return Ran{ReadLog(file.path), d.made, d.missed, d.discarded};
}

// Both programs' rows, redraw by redraw, to within `ms` (the live loop's
// scripted clock counts whole nanoseconds; the simulator's does not).
void ExpectSameRows(const Scenario& s, double ms) {
    const Ran live = RunLive(s);
    const Ran sim = RunSimulated(s);
    // The runs end differently (the live one after the frame that reaches
    // the time, the simulator before the swap past it), and the last
    // redraw of each has no word: the rows before.
    const size_t n = std::min(live.rows.size(), sim.rows.size());
    ASSERT_GT(n, s.seconds * s.hz * 0.4) << s.name;
    EXPECT_LE(std::max(live.rows.size(), sim.rows.size()) - n, 2u) << s.name;
    int waited = 0;
    for (size_t i = 0; i + 1 < n; ++i) {
        const auto& a = live.rows[i];
        const auto& b = sim.rows[i];
        ASSERT_EQ(a.at("Dropped"), b.at("Dropped")) << s.name << " row " << i;
        for (const char* column :
             {"MsBetweenPresents", "MsCPUWait", "MsUntilDisplayed", "MsDisplayLatency"}) {
            ASSERT_NEAR(Cell(a, column), Cell(b, column), ms)
                << s.name << " row " << i << " " << column;
        }
        ASSERT_NEAR(Cell(a, "TimeInSeconds"), Cell(b, "TimeInSeconds"), ms * 0.001)
            << s.name << " row " << i;
        waited += Cell(a, "MsCPUWait") > 0.0 ? 1 : 0;
    }
    EXPECT_GT(waited, static_cast<int>(n) / 2) << s.name;
    // The display-timed limiter learned from the same reports, to the same
    // end (the simulator's rate limits hear nothing from the display); the
    // live run, a redraw or two longer, heard as many more.
    if (std::string(s.limit) == "display") {
        EXPECT_LE(live.made - sim.made, 2u) << s.name;
        EXPECT_EQ(live.missed, sim.missed) << s.name;
        EXPECT_EQ(live.discarded, sim.discarded) << s.name;
    }
}

// The display-timed limiter on a 60 Hz display that takes a swap up to 3 ms
// before it refreshes, drawing 1.5 to 3.5 ms: just in time, now and then
// missing a refresh as it looks for the latest swap that still makes it.
TEST(LimitParity, TheDisplayLimiterJustInTime) {
    ExpectSameRows({"just in time", "display", WaitMethod::kSleep, WaitPlacement::kSwap, 60.0, 3.0,
                    1.5, 2.0, 4.0, 7},
                   kWithin);
}

// A display that takes a swap 15 ms before it refreshes, at 60 Hz, and a
// drawing time that varies as much as it takes (1 to 4 ms): the frame
// starts for the drawing time's high quantile, so most frames are drawn
// before the display has shown the redraw before, and their swaps wait for
// its word.
TEST(LimitParity, TheDisplayLimiterWaitsForTheWord) {
    const Scenario s{
        "word", "display", WaitMethod::kSleep, WaitPlacement::kFrame, 60.0, 15.0, 1.0, 3.0,
        4.0,    11};
    ExpectSameRows(s, kWithin);
    // The rows show the wait: swaps within a poll of the display of the
    // redraw before.
    const Ran live = RunLive(s);
    int atTheWord = 0;
    for (size_t i = 1; i + 1 < live.rows.size(); ++i) {
        const double before = Cell(live.rows[i - 1], "TimeInSeconds") * 1000.0 +
                              Cell(live.rows[i - 1], "MsUntilDisplayed");
        const double swap = Cell(live.rows[i], "TimeInSeconds") * 1000.0;
        atTheWord += live.rows[i - 1].at("Dropped") == "0" && swap >= before &&
                     swap - before <= kWordPoll * 1000.0 + kWithin;
    }
    EXPECT_GT(atTheWord, static_cast<int>(live.rows.size()) / 2);
}

// The rate limits, at either place, through the same protocol.
TEST(LimitParity, TheRateLimitAtEitherPlace) {
    ExpectSameRows(
        {"60 at swap", "60", WaitMethod::kSleep, WaitPlacement::kSwap, 60.0, 2.0, 1.5, 2.0, 2.0, 3},
        kWithin);
    ExpectSameRows({"75 at frame", "75", WaitMethod::kSleep, WaitPlacement::kFrame, 60.0, 0.0, 3.0,
                    8.0, 2.0, 5},
                   kWithin);
}

// With no limit the protocol takes no step: each frame reads the clock
// twice, as the host does (the frame's clock and the swap's), and never
// sleeps. A counter that moves a microsecond at each reading shows any
// reading more in every interval.
TEST(LimitParity, NoLimitReadsNoClockAndWaitsNever) {
    ResetHostState();
    headless::Options options;
    options.ticksPerRead = 1;  // of a 1 MHz counter
    headless::Reset(options);
    drawing = Drawing{1, 0.007, 0.0};
    TempFile log("parity-off");
    std::vector<const char*> args = {"tempola", "--seconds", "0.5", "--log", log.path.c_str()};
    RunOptions o;
    char error[256] = "";
    ASSERT_TRUE(ParseOptions(static_cast<int>(args.size()), args.data(), &o, error, sizeof error));
    auto draw = [] {
        PaceFrame();
        headless::AdvanceMs(7);
        return true;
    };
    AppCallbacks app = kApp;
    app.Render = draw;
    EXPECT_EQ(RunProgram(o, kEnvironment, app), 0);
    const Rows rows = ReadLog(log.path);
    ASSERT_GT(rows.size(), 50u);
    for (size_t i = 1; i + 1 < rows.size(); ++i) {
        EXPECT_EQ(rows[i].at("MsBetweenPresents"), "7.0020") << i;
        EXPECT_EQ(rows[i].at("MsCPUWait"), "0.0000") << i;
    }
    EXPECT_EQ(headless::GetRecord().sleeps, 0);
}

}  // namespace
