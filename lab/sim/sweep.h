// The sweep: every rule at every target for every redraw rate, each point
// one side of a simulated run, spread over worker threads.
#pragma once

#include <cstddef>
#include <cstdio>

#include "lab/sim/sim_run.h"

// What a sweep runs: every point is setup.run but for its redraw rate, rule
// and target.
struct SweepSetup {
    SimSetup run;
    const double* redrawHz;  // the rates, in print order
    int redrawCount;
    double targetFrom;  // the targets: from, from + step, ...
    double targetStep;
    int targetCount;
};

struct SideFigures {
    double meanRate;
    double rateErrorPct;  // against the target
    double jitterMs;
    double low1Fps;
    double worstMs;
};

// A side's figures as the sweep and the tables print them.
SideFigures SideFiguresOf(const IntervalFigures& figures, double target);

// A side's animation error on the display (absolute, ms), by its motion.
struct AnimationFigures {
    double p50Ms;
    double p99Ms;
};
AnimationFigures AnimationFiguresOf(const AnimationError& tracker);

// The motion of every point: --left-motion's, else --right-motion's.
MotionKind SweepMotion(const SimSetup& run);

struct SweepRow {
    PaceRule rule;
    double redrawHz;
    double target;
    SideFigures updates;
    SideFigures seen;  // zero without a display
    // With a limit, of the run the point shared: redraws a second, the
    // modelled CPU and, with a display, frame start to display.
    double redrawRate;
    double cpuPercent;
    double latencyP50Ms;
    double latencyP99Ms;
    AnimationFigures animation;  // with a display; columns after all others
};

// Rows in print order: redraw rates as listed, then rules, then targets.
size_t SweepRowCount(const SweepSetup& setup);

// Fills rows[0 .. SweepRowCount). threads 0 means one per core. When
// progress is not null it gets a percentage updated in place if it is a
// terminal, else one line at the end. The rows never depend on the thread
// count: every point is its own run from the same redraw times. False when
// the workers' memory could not be had.
bool RunSweep(const SweepSetup& setup, int threads, SweepRow* rows, std::FILE* progress);

void PrintSweepHeader(std::FILE* out, bool seen, bool limited);
void PrintSweepRow(std::FILE* out, const SweepRow& row, bool seen, bool limited);
