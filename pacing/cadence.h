// What each redraw did, and the figures of a run kept from it: the program
// and the simulator both describe a redraw as one FrameSample and hand it to
// the same recording and logging code.
#pragma once

#include "pacing/figures.h"
#include "pacing/rules.h"

struct SideSample {
    bool updated;
    double elapsed;  // seconds the pacer saw since its previous update (when updated)
    double target;
    PaceRule rule;
    // The time the side's rotor has been moved for up to this redraw, the
    // sum of its steps (motion.h); negative where it is not kept.
    double poseTime = -1.0;
};

// What the live program times of a redraw besides its pacers; the
// simulator times start and waitMs under a frame limit, and leaves the rest
// unknown (negative).
struct FrameWork {
    double start = -1.0;   // the clock reading that set the redraw's poses
    double waitMs = -1.0;  // the frame limiter's waits for it, in all
    double input = -1.0;   // the earliest key press since the previous frame started
};

struct FrameSample {
    double seconds;  // redraw time at counter resolution, any fixed origin
    SideSample left;
    SideSample right;
    uint32_t clockMs;  // the millisecond clock the pacers read at this redraw
    FrameWork work;
    // Made by a frame generator between the application's frames: no side
    // moved for it, and it shows an in-between pose of no side's update.
    bool generated = false;
};

// Figures from the first update (per side) and the first redraw on. A side's
// first update is not an interval between updates and is not counted.
struct Cadence {
    IntervalFigures left;
    IntervalFigures right;
    IntervalFigures redraw;
    bool leftStarted;
    bool rightStarted;
    bool redrawStarted;
    double previousRedraw;
};

// keepRecent: as ResetFigures's, for all three.
void ResetCadence(Cadence& cadence, bool keepRecent = true);
void RecordFrame(Cadence& cadence, const FrameSample& sample);
