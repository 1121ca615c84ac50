// The steps of a simulated redraw that every loop of the simulator shares:
// a side's pacer and its step, and a sample's start.
#pragma once

#include <cstdint>

#include "lab/sim/sim_run.h"
#include "pacing/motion.h"

struct SimSide {
    Pacer pacer;
    PaceRule rule;
    uint64_t updates;
    // How far each update moves the side's pose, and what a motion other
    // than cpu learns of the display: its refresh grid (hz 0: none) and the
    // time from a redraw's now to the swap the display may take.
    Motion motion;
    double gridHz;
    double gridLead;
    // Replay of a capture's display times: what they predict, given before
    // each step instead of the grid (its now is set at the step).
    bool clockGiven;
    MotionClock given;
};

inline void StartSide(SimSide& side, const SideSetup& setup) {
    side.pacer = Pacer{};
    side.pacer.target = setup.target;
    side.rule = setup.rule;
    side.updates = 0;
    StartMotion(side.motion, setup.motion);
    side.gridHz = 0.0;
    side.gridLead = 0.0;
    side.clockGiven = false;
    side.given = MotionClock{0.0, 0.0, -1.0};
}

// An update of a side whose motion is not cpu (sim_motion.cpp). now: the
// redraw's time on the display's clock.
void MoveSide(SimSide& side, double t, double now, double elapsed);

// Fills the sample's fields one by one where they lie: a sample built on the
// side and copied in stalls on store forwarding, at a cost of a third of the
// loop.
// now: the redraw's time on the display's clock, for a motion that predicts.
// kKeepPose: the sample keeps the pose's time, for a loop that steps the
// sides before the redraw before is decided (the plain loop reads it from
// the side: a store a redraw there is a fiftieth of its budget).
template <bool kKeepPose = true>
inline void StepSide(SimSide& side, double t, SideSample& sample, const RefreshSlot* slot,
                     double now) {
    sample.elapsed = 0.0;
    sample.updated = StepPacer(side.pacer, side.rule, t, &sample.elapsed, slot);
    side.updates += sample.updated;
    if (sample.updated) {
        if (side.motion.kind == MotionKind::kCpu) {
            MotionStep(side.motion, sample.elapsed, MotionClock{t, 0.0, -1.0});
        } else {
            MoveSide(side, t, now, sample.elapsed);
        }
    }
    if (kKeepPose) {
        sample.poseTime = side.motion.poseTime;
    }
}

inline void StartSample(FrameSample& sample, const SimSide* sides) {
    sample = FrameSample{};
    sample.left.target = sides[0].pacer.target;
    sample.left.rule = sides[0].rule;
    sample.right.target = sides[1].pacer.target;
    sample.right.rule = sides[1].rule;
}
