// The steps of a simulated redraw that every loop of the simulator shares:
// a side's pacer and its step, and a sample's start.
#pragma once

#include <cstdint>

#include "lab/sim/sim_run.h"

struct SimSide {
    Pacer pacer;
    PaceRule rule;
    uint64_t updates;
};

inline void StartSide(SimSide& side, const SideSetup& setup) {
    side.pacer = Pacer{};
    side.pacer.target = setup.target;
    side.rule = setup.rule;
    side.updates = 0;
}

// Fills the sample's fields one by one where they lie: a sample built on the
// side and copied in stalls on store forwarding, at a cost of a third of the
// loop.
inline void StepSide(SimSide& side, double t, SideSample& sample, const RefreshSlot* slot) {
    sample.elapsed = 0.0;
    sample.updated = StepPacer(side.pacer, side.rule, t, &sample.elapsed, slot);
    side.updates += sample.updated;
}

inline void StartSample(FrameSample& sample, const SimSide* sides) {
    sample = FrameSample{};
    sample.left.target = sides[0].pacer.target;
    sample.left.rule = sides[0].rule;
    sample.right.target = sides[1].pacer.target;
    sample.right.rule = sides[1].rule;
}
