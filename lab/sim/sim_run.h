// One simulated run: the modelled redraws drive two pacers through the
// program's own pacing rules, and the same recording and logging code the
// program uses keeps the figures.
#pragma once

#include <cstdint>

#include "lab/sim/clock_model.h"
#include "lab/sim/frame_gen_model.h"
#include "pacing/cadence.h"
#include "pacing/frame_sink.h"
#include "pacing/limiter.h"
#include "pacing/motion.h"
#include "pacing/rules.h"
#include "pacing/shown_animation.h"

struct SideSetup {
    PaceRule rule;
    double target;
    MotionKind motion = MotionKind::kCpu;  // how far an update moves the pose
};

// The modelled program under a frame limiter: each frame draws for
// renderMs (0: one period of the redraw model's rate, the rate it would
// redraw at unlimited) plus a uniform draw from [0, renderJitterMs), and
// waits as the limiter says; a sleep wakes late by a lognormal with that median and 99th
// percentile (0:0, on time).
struct LimitModel {
    LimitSetting setting;  // kind kOff: the redraw model's times, no limiter
    double renderMs;
    double renderJitterMs;
    double wakeLateP50Us;
    double wakeLateP99Us;
};

struct SimSetup {
    RedrawModel redraw;  // with a limit: its seconds and seed only
    LimitModel limit;
    PacerClock clock;
    double displayHz;   // 0: no display modelled
    double latchMs;     // the display takes a redraw until this long before a refresh
    SideSetup side[2];  // left, right
    // A frame generator between the program and the display (frame_gen.h);
    // steps 0: none. Needs a display.
    FrameGenModel frameGen;
};

struct SideResult {
    uint64_t updates;     // the first included
    double measuredRate;  // the pacer's own figure: its last window of 20 updates
    IntervalFigures seen;
};

// Large (about 800 KiB): allocate once and reuse for run after run.
struct SimResult {
    uint64_t frames;
    uint64_t shown;    // with a display: redraws a refresh showed
    uint64_t dropped;  // and those replaced before any did
    Cadence cadence;
    SideResult side[2];
    // With a limit: the limiter's own figures, the modelled CPU (spin and
    // drawing time) and, with a display, frame start to display.
    Limiter limiter;
    double busySeconds;
    QuantileKeeper displayLatency;
    // With a frame generator: what it made and showed. shown and dropped
    // above then count the application's frames, and displayLatency their
    // start to display.
    FrameGenFigures frameGen;
    // With a display: the animation error of the shown poses, and each
    // side's motion as the run left it.
    ShownAnimation animation;
    Motion motions[2];
};

// The modelled CPU as a share of one core; negative without a limit.
double SimCpuPercent(const SimSetup& setup, const SimResult& result);
// How long the limited model draws a frame, before its jitter: --render-ms,
// else one redraw of --redraw.
double SimDrawingSeconds(const SimSetup& setup);

// Runs the whole simulation into result, each settled redraw into sink.
// Nothing is allocated. A sink that writes keeps its own failures.
void RunSim(const SimSetup& setup, SimResult& result, FrameSink sink = kNoFrameSink);
