// The live program's motions on a scripted display that repaints every 25 ms
// while announcing 60 Hz, as a nested compositor does: how far poses move,
// the fallbacks, the animation error in the log and the figures line, keys.
#include <gtest/gtest.h>

#include <cmath>

#include "app/options.h"
#include "app/run.h"
#include "demo/frame.h"
#include "demo/live_limit.h"
#include "demo/live_motion.h"
#include "demo/pacing.h"
#include "demo/presentations.h"
#include "demo/scene.h"
#include "host/host_internal.h"
#include "log_rows.h"
#include "platform/headless_platform.h"
#include "scripted_display.h"
#include "temp_file.h"

namespace {

using namespace scripted;

constexpr double kCadence = 0.025;
constexpr double kLatch = 0.003;

// Each frame's start, the right pose's time and what is shown over it.
struct Seen {
    double start, pose;
    std::string text;
};
std::vector<Seen> seen;
std::string line;  // the figures line

// A run of the scene's frame pacing alone, 4 ms a frame, logged: its rows;
// the display's refresh rate as the system gives it hz.
std::vector<LogRow> RunLive(std::vector<const char*> args, double seconds, double hz = 60.0) {
    ResetHostState();
    headless::Options options;
    options.counterFrequency = static_cast<int64_t>(kTicks);
    options.refreshRate = hz;
    headless::Reset(options);
    headless::SetDisplayTimes(display.hz > 0.0);
    headless::SetCompositor(display.hz > 0.0 ? &kCompositor : nullptr);
    seen.clear();
    TempFile log("motion-log");
    const std::string length = std::to_string(seconds);
    args.insert(args.begin(),
                {"tempola", "--stats", "--seconds", length.c_str(), "--log", log.path.c_str()});
    RunOptions o;
    char error[256];
    EXPECT_TRUE(ParseOptions(static_cast<int>(args.size()), args.data(), &o, error, 256));
    AppCallbacks app = DemoCallbacks();
    app.Init = [] {
        ResetPacing();
        leftPacer.target = leftStartTarget;
        rightPacer.target = rightStartTarget;
        StartPresentations();
        StartLiveLimit();
        return true;
    };
    app.Render = [] {
        PaceFrame();
        const char* text = LiveMotionText(1);
        seen.push_back({frameSeconds, liveMotions[1].poseTime, text != nullptr ? text : ""});
        headless::SetCounter(headless::Counter() + Counter(0.004));
        return true;
    };
    app.Shutdown = [] {};
    app.ReleaseContext = nullptr;
    const RunEnvironment environment = {[] { return Seconds(headless::Counter()); }, -1.0, 0.0,
                                        [](const char* text) { line = text; }, 4321};
    EXPECT_EQ(RunProgram(o, environment, app), 0);
    startMotions[0] = startMotions[1] = MotionKind::kCpu;
    return ReadLog(log.path);
}

void StartDisplay(double quietFrom = 1e12, double quietTo = 1e12) {
    display =
        ModelledDisplay{1.0 / kCadence, kLatch, 1.0 / 60.0, quietFrom, quietTo, false, {}, {}};
}

// Every error on the log is the change in its pose's time less that in display
// time since the stream's previous pose's row; those past the first second.
std::vector<double> Recomputed(const std::vector<LogRow>& rows, const std::string& side) {
    double lastTime = NAN, lastShown = NAN;
    std::vector<double> errors;
    for (const LogRow& row : rows) {
        const std::string& cell = row.at(side + "AnimationTime");
        if (cell.empty())
            continue;
        const double t = std::stod(cell);
        const double shown =
            std::stod(row.at("TimeInSeconds")) * 1000.0 + std::stod(row.at("MsUntilDisplayed"));
        const std::string& error = row.at(side + "MsAnimationError");  // "": the redraws'
        const double e = error.empty() ? NAN : std::stod(error);
        EXPECT_TRUE(error.empty() || std::fabs(e - (t - lastTime) + (shown - lastShown)) < 0.002)
            << side << " at " << t;
        if (!error.empty() && shown > 1000.0)
            errors.push_back(e);
        lastTime = t;
        lastShown = shown;
    }
    EXPECT_GT(errors.size(), 20u) << side;
    return errors;
}

TEST(LiveMotion, EachMovesByItsClockAndTheErrorReadsBackFromTheLog) {
    StartDisplay();
    const auto rows = RunLive({"--left-motion", "refresh", "--right-motion", "display"}, 3.0);
    Recomputed(rows, "");
    // Refresh moves by whole repaints of 25 ms, never the announced 16.7;
    // display motion as far as the display did, but where a prediction
    // missed, which costs that pose and the next.
    for (const double error : Recomputed(rows, "Left"))
        EXPECT_NEAR(std::fmod(std::fabs(error) + 1.0, 25.0), 1.0, 0.002) << error;
    const std::vector<double> right = Recomputed(rows, "Right");
    const auto off = std::count_if(right.begin(), right.end(), [](double e) { return e != 0.0; });
    EXPECT_LE(off, 2 * Figure(line, "right_mispredicted") + 1) << line;
    EXPECT_LT(Figure(line, "right_mispredicted"), right.size() / 4.0) << line;
    EXPECT_LE(Figure(line, "right_animation_error_p50_ms"), 0.001) << line;
    // The lead its redraws bracket: the middles of made and missed.
    EXPECT_NEAR(liveLatch.latch, kLatch, 0.0015);
}

// Words stop for 1.5 s: display motion says within a second that it moves by
// whole refreshes, then goes back to display times without a jump.
TEST(LiveMotion, ADisplayThatStopsReportingFallsBackAndResumesWithoutAJump) {
    StartDisplay(1.5, 3.0);
    RunLive({"--right-motion", "display"}, 4.5);
    double fellBack = -1.0, resumed = -1.0, widest = 0.0;
    for (size_t i = 1; i < seen.size(); ++i) {
        const Seen& s = seen[i];
        if (fellBack < 0.0 && s.start > 1.0 &&
            s.text.find("(no display times: refresh)") != s.text.npos)
            fellBack = s.start;
        if (fellBack > 0.0 && resumed < 0.0 && s.text == "Motion: display")
            resumed = s.start;
        widest = std::max(widest, s.pose - seen[i - 1].pose);
    }
    EXPECT_TRUE(fellBack > 1.5 && fellBack < 2.6) << fellBack;
    EXPECT_TRUE(resumed > 3.0 && resumed < 3.2) << resumed;
    // No step wider than two repaints, and the pose kept up with the time,
    // which it leads by as much as a redraw takes to be shown.
    EXPECT_LE(widest, 2 * kCadence + 1e-6);
    const Seen& before = seen[250];
    EXPECT_NEAR(seen.back().pose - before.pose, seen.back().start - before.start, 3 * kCadence);
}

// No display times: refresh counts in the announced 60 Hz; without a
// refresh rate either, both move as cpu.
TEST(LiveMotion, WithoutDisplayTimesOrARefreshRateItSaysWhatItFellBackTo) {
    display.hz = 0.0;
    for (const double hz : {60.0, 0.0}) {
        RunLive({"--left-motion", "refresh", "--right-motion", "display"}, 0.8, hz);
        EXPECT_EQ(seen.back().text + ", " + LiveMotionText(0),
                  hz > 0.0 ? "Motion: display (no display times: refresh), Motion: refresh"
                           : "Motion: display (no display times: cpu), Motion: refresh (no "
                             "refresh period: cpu)");
        for (size_t i = 1; i < seen.size(); ++i) {
            const double step = seen[i].pose - seen[i - 1].pose;
            EXPECT_TRUE(step >= 0.0 && step <= 0.035) << i;
            EXPECT_NEAR(step * hz, std::round(step * hz), 1e-9) << i;
        }
    }
}

// N and M cycle a side each; the pose keeps its time. (An unknown name on
// the command line: cadence_test.sh.)
TEST(LiveMotion, KeysCycleEachSide) {
    StartLiveMotion();
    liveMotions[1].poseTime = 2.5;
    for (const MotionKind kind : {MotionKind::kRefresh, MotionKind::kDisplay, MotionKind::kCpu}) {
        DemoCallbacks().KeyDown('M');
        EXPECT_EQ(liveMotions[1].kind, kind);
    }
    DemoCallbacks().KeyDown('N');
    EXPECT_EQ(liveMotions[0].kind, MotionKind::kRefresh);
    EXPECT_EQ(liveMotions[1].poseTime, 2.5);
}

}  // namespace
