// The steps of a simulated redraw that every loop of the simulator shares:
// the pacers' step, the sample's start and the rows written.
#pragma once

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
inline void Step(SimSide& side, double t, SideSample& sample, const RefreshSlot* slot) {
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

inline void Write(const SimOutputs& out, const FrameSample& sample, const FrameDisplay& display) {
    if (out.log != nullptr) {
        LogFrame(*out.log, sample, display);
    }
    if (out.sides != nullptr) {
        LogSides(out.sides, sample, display);
    }
}

// The loop with a frame limiter (sim_limited.cpp).
void RunLimited(const SimSetup& setup, SimResult& result, const SimOutputs& out, SimSide* sides);
