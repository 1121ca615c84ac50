#include "app/run.h"

#include <cstdio>

#include "demo/frame.h"
#include "demo/live_limit.h"
#include "demo/live_motion.h"
#include "demo/pacing.h"
#include "demo/presentations.h"
#include "host/app.h"
#include "pacing/frame_log.h"
#include "pacing/side_log.h"
#include "pacing/stats_line.h"

namespace {

struct RunStats {
    double firstFrame;  // start of the first Render
    double firstSwap;   // start of the second Render: the first frame is on screen
    uint64_t frames;
    uint64_t leftUpdates;
    uint64_t rightUpdates;
    double firstCpu;  // the process's CPU time at the first Render; negative: not read
};

const AppCallbacks* demo = nullptr;
const RunEnvironment* env = nullptr;
bool stopping = false;
uint32_t stopAtMs = 0;
RunStats stats = {};
// Large (row buffers); kept out of the stack and never reallocated.
FrameLog frameLog = {};
SideLog sideLogs[2] = {};

// Each redraw once the display's word on it is in (at once where no word
// comes), in redraw order.
void LogSettled(const FrameSample& sample, const FrameDisplay& display) {
    const int sync = vsyncAsked ? 1 : 0;
    if (FrameLogOpen(frameLog)) {
        frameLog.syncInterval = sync;
        LogFrame(frameLog, sample, display);
    }
    if (SideLogsOpen(sideLogs)) {
        sideLogs[0].syncInterval = sideLogs[1].syncInterval = sync;
        LogSides(sideLogs, sample, display);
    }
}

// Plain counting, one row into a fixed buffer, and a clock read on the
// first two frames only: nothing here allocates.
bool WatchedRender() {
    if (stats.frames == 0) {
        stats.firstFrame = env->now();
        stats.firstCpu = env->cpuSeconds != nullptr ? env->cpuSeconds() : -1.0;
    } else if (stats.frames == 1) {
        stats.firstSwap = env->now();
    }
    ++stats.frames;
    const bool goOn = demo->Render();
    stats.leftUpdates += frameSteps.left.updated ? 1 : 0;
    stats.rightUpdates += frameSteps.right.updated ? 1 : 0;
    if (stopping && timeMs >= stopAtMs) {
        return false;
    }
    return goOn;
}

SideStats SideOf(int side, uint64_t updates, const Pacer& pacer, PaceRule rule,
                 const IntervalFigures& figures) {
    return SideStats{side, PaceRuleName(rule), updates, pacer.target, pacer.measuredRate, &figures};
}

// What the display showed; values that are not known (no display times)
// are left empty.
DisplayStats DisplayOf(double seconds) {
    const DisplayTimesSource source = HostDisplayTimesSource();
    const LiveDisplay& d = liveDisplay;
    const bool known = source.available && d.shown > 0;
    DisplayStats out{};
    out.source = source.key;
    out.hz = HostRefreshRate();
    out.rate = known && seconds > 0.0 ? static_cast<double>(d.shown) / seconds : -1.0;
    out.refreshSeconds = d.refreshSeconds;
    out.countsKnown = source.available;
    out.dropped = d.dropped;
    out.unknown = d.unknown;
    out.latchMs = -1.0;
    out.between = known ? &d.display : nullptr;
    out.seen[0] = known ? &d.seen[0] : nullptr;
    out.seen[1] = known ? &d.seen[1] : nullptr;
    return out;
}

void ReportStats(int exitCode) {
    const double end = env->now();
    const double seconds = stats.frames > 0 ? end - stats.firstFrame : 0.0;
    // Before a second frame there is no finished first frame to time from
    // within the loop: the end of the run stands in for it.
    const double firstSwap = stats.frames > 1 ? stats.firstSwap : end;
    const bool known = stats.frames > 0;
    const double fromStart =
        known && env->processStart >= 0.0 ? (firstSwap - env->processStart) * 1000.0 : -1.0;
    const double fromMain = known ? (firstSwap - env->mainEntered) * 1000.0 : -1.0;
    // Once, at the run's end, in fixed memory: records, then their line.
    StatRecords records;
    ResetStatRecords(records);
    AddStatNumber(records, StatKey::kExit, exitCode);
    AddRedrawStats(records, stats.frames, seconds);
    AddStatNumber(records, StatKey::kFirstSwapMs, fromStart);
    AddStatNumber(records, StatKey::kFirstSwapFromMainMs, fromMain);
    AddSideStats(records, SideOf(0, stats.leftUpdates, leftPacer, leftRule, liveCadence.left));
    AddSideStats(records, SideOf(1, stats.rightUpdates, rightPacer, rightRule, liveCadence.right));
    AddStatNumber(records, StatKey::kRedrawJitterMs, JitterMs(liveCadence.redraw));
    AddStatCount(records, StatKey::kVsyncAsked, vsyncAsked ? 1 : 0);
    AddStatCount(records, StatKey::kVsyncTaken, vsyncTaken ? 1 : 0);
    AddDisplayStats(records, DisplayOf(seconds));
    // The run's CPU time over its wall time, from the first frame to now.
    const double cpu = stats.firstCpu >= 0.0 && seconds > 0.0
                           ? (env->cpuSeconds() - stats.firstCpu) / seconds * 100.0
                           : -1.0;
    AddLimiterStats(records,
                    LimiterStats{liveLimiter.setting, cpu,
                                 liveLimiter.wakeLate.count > 0 ? &liveLimiter.wakeLate : nullptr});
    const bool timed = HostDisplayTimesSource().available;
    AddLatencyStats(records, LatencyStats{timed ? &liveDisplay.latency : nullptr,
                                          timed ? &liveDisplay.input : nullptr});
    AddMotionStats(records, MotionStats{{&liveMotions[0], &liveMotions[1]},
                                        timed ? &liveDisplay.animation : nullptr});
    char text[kStatsLineSize];
    WriteStatsLine(records, text, sizeof text);
    env->report(text);
}

}  // namespace

int RunProgram(const RunOptions& options, const RunEnvironment& environment,
               const AppCallbacks& callbacks) {
    leftRule = options.leftRule;
    rightRule = options.rightRule;
    leftStartTarget = options.leftTarget;
    rightStartTarget = options.rightTarget;
    vsyncAsked = options.vsync;
    startLimit = options.limit;
    startMotions[0] = options.motions[0];
    startMotions[1] = options.motions[1];
    processCpuSeconds = environment.cpuSeconds;
    stats = {};

    const bool watched = options.stats || options.seconds > 0.0 || !options.logPath.empty() ||
                         !options.sideLogPrefix.empty();
    if (!watched) {
        return HostMain(options.hostCommandLine.c_str(), callbacks);
    }

    const CaptureIdentity who{"tempola", environment.processId, options.vsync ? 1 : 0};
    char error[512];
    if (!options.logPath.empty() &&
        !OpenFrameLog(frameLog, options.logPath.c_str(), who, error, sizeof error)) {
        environment.report(error);
        return 2;
    }
    if (!options.sideLogPrefix.empty() &&
        !OpenSideLogs(sideLogs, options.sideLogPrefix.c_str(), who, error, sizeof error)) {
        environment.report(error);
        CloseFrameLog(frameLog);
        return 2;
    }
    settledFrameSink = LogSettled;
    env = &environment;
    demo = &callbacks;
    AppCallbacks wrapped = callbacks;
    wrapped.Render = WatchedRender;
    stopping = options.seconds > 0.0;
    stopAtMs = RunEndMs(options.seconds);

    int exitCode = HostMain(options.hostCommandLine.c_str(), wrapped);
    // Redraws still waiting for the display's word go in as unknown.
    FlushPresentations();
    settledFrameSink = nullptr;
    const bool logFailed = !options.logPath.empty() && !CloseFrameLog(frameLog);
    const bool sidesFailed = !options.sideLogPrefix.empty() && !CloseSideLogs(sideLogs);
    if ((logFailed || sidesFailed) && exitCode == 0) {
        exitCode = 3;
    }
    if (options.stats) {
        ReportStats(exitCode);
    }
    return exitCode;
}
