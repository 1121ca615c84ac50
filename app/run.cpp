#include "app/run.h"

#include <cstdio>

#include "demo/cadence.h"
#include "demo/frame_log.h"
#include "host/app.h"

namespace {

struct RunStats {
    double firstFrame;  // start of the first Render
    double firstSwap;   // start of the second Render: the first frame is on screen
    uint64_t frames;
    uint64_t leftUpdates;
    uint64_t rightUpdates;
};

const AppCallbacks* demo = nullptr;
const RunEnvironment* env = nullptr;
bool stopping = false;
uint32_t stopAtMs = 0;
RunStats stats = {};
// Large (a row buffer); kept out of the stack and never reallocated.
FrameLog frameLog = {};

// Plain counting, one row into a fixed buffer, and a clock read on the
// first two frames only: nothing here allocates.
bool WatchedRender() {
    if (stats.frames == 0) {
        stats.firstFrame = env->now();
    } else if (stats.frames == 1) {
        stats.firstSwap = env->now();
    }
    ++stats.frames;
    const bool goOn = demo->Render();
    stats.leftUpdates += frameSteps.left.updated ? 1 : 0;
    stats.rightUpdates += frameSteps.right.updated ? 1 : 0;
    if (FrameLogOpen(frameLog)) {
        LogFrame(frameLog, CurrentFrameSample(frameSeconds), nullptr);
    }
    if (stopping && timeMs >= stopAtMs) {
        return false;
    }
    return goOn;
}

void ReportStats(int exitCode) {
    const double end = env->now();
    const double seconds = stats.frames > 0 ? end - stats.firstFrame : 0.0;
    const double rate = seconds > 0.0 ? static_cast<double>(stats.frames) / seconds : 0.0;
    // Before a second frame there is no finished first frame to time from
    // within the loop: the end of the run stands in for it.
    const double firstSwap = stats.frames > 1 ? stats.firstSwap : end;
    const bool known = stats.frames > 0;
    const double fromStart =
        known && env->processStart >= 0.0 ? (firstSwap - env->processStart) * 1000.0 : -1.0;
    const double fromMain = known ? (firstSwap - env->mainEntered) * 1000.0 : -1.0;
    const Cadence& c = liveCadence;
    char line[1024];
    std::snprintf(
        line, sizeof line,
        "tempola-stats exit=%d frames=%llu seconds=%.3f rate=%.2f first_swap_ms=%.1f "
        "first_swap_from_main_ms=%.1f "
        "left_updates=%llu left_target=%.1f left_measured=%.2f left_rule=%s "
        "left_jitter_ms=%.3f left_low1_fps=%.2f left_worst_ms=%.3f "
        "right_updates=%llu right_target=%.1f right_measured=%.2f right_rule=%s "
        "right_jitter_ms=%.3f right_low1_fps=%.2f right_worst_ms=%.3f "
        "redraw_jitter_ms=%.3f vsync_asked=%d vsync_taken=%d",
        exitCode, static_cast<unsigned long long>(stats.frames), seconds, rate, fromStart, fromMain,
        static_cast<unsigned long long>(stats.leftUpdates), leftPacer.target,
        leftPacer.measuredRate, PaceRuleName(leftRule), JitterMs(c.left), OnePercentLow(c.left),
        WorstMs(c.left), static_cast<unsigned long long>(stats.rightUpdates), rightPacer.target,
        rightPacer.measuredRate, PaceRuleName(rightRule), JitterMs(c.right), OnePercentLow(c.right),
        WorstMs(c.right), JitterMs(c.redraw), vsyncAsked ? 1 : 0, vsyncTaken ? 1 : 0);
    env->report(line);
}

}  // namespace

int RunProgram(const RunOptions& options, const RunEnvironment& environment,
               const AppCallbacks& callbacks) {
    leftRule = options.leftRule;
    rightRule = options.rightRule;
    vsyncAsked = options.vsync;
    stats = {};

    const bool watched = options.stats || options.seconds > 0.0 || !options.logPath.empty();
    if (!watched) {
        return HostMain(options.hostCommandLine.c_str(), callbacks);
    }

    if (!options.logPath.empty()) {
        char error[512];
        if (!OpenFrameLog(frameLog, options.logPath.c_str(), false, error, sizeof error)) {
            environment.report(error);
            return 2;
        }
    }
    env = &environment;
    demo = &callbacks;
    AppCallbacks wrapped = callbacks;
    wrapped.Render = WatchedRender;
    stopping = options.seconds > 0.0;
    stopAtMs = RunEndMs(options.seconds);

    int exitCode = HostMain(options.hostCommandLine.c_str(), wrapped);
    if (!options.logPath.empty()) {
        CloseFrameLog(frameLog);
        if (FrameLogFailed(frameLog) && exitCode == 0) {
            exitCode = 3;
        }
    }
    if (options.stats) {
        ReportStats(exitCode);
    }
    return exitCode;
}
