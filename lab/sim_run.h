// One simulated run: the modelled redraws drive two pacers through the
// program's own pacing rules, and the same recording and logging code the
// program uses keeps the figures.
#pragma once

#include <cstdint>

#include "lab/clock_model.h"
#include "pacing/cadence.h"
#include "pacing/frame_log.h"
#include "pacing/rules.h"
#include "pacing/side_log.h"

struct SideSetup {
    PaceRule rule;
    double target;
};

struct SimSetup {
    RedrawModel redraw;
    PacerClock clock;
    double displayHz;   // 0: no display modelled
    double latchMs;     // the display takes a redraw until this long before a refresh
    SideSetup side[2];  // left, right
};

// Where a run's rows go; either may be null.
struct SimOutputs {
    FrameLog* log;
    SideLog* sides;  // two of them, left and right
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
};

// Runs the whole simulation into result, and into the outputs given.
// Nothing is allocated. False when a log write failed; the figures are
// complete anyway.
bool RunSim(const SimSetup& setup, SimResult& result, const SimOutputs& outputs);
inline bool RunSim(const SimSetup& setup, SimResult& result, FrameLog* log) {
    return RunSim(setup, result, SimOutputs{log, nullptr});
}
