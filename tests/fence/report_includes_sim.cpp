// The report's room reaching into the simulator's: its fence must refuse
// this (tests/lab_fence_test.sh).
#include "lab/sim/sim_run.h"
#include "pacing/cadence.h"

int SimFrames(const SimResult& result) {
    return static_cast<int>(result.frames);
}
