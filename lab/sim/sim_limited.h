// The simulated program under a frame limiter (sim_limited.cpp).
#pragma once

#include "lab/sim/sim_steps.h"

// The loop with a frame limiter: sides are started, result's cadence and
// seen figures reset.
void RunLimited(const SimSetup& setup, SimResult& result, FrameSink sink, SimSide* sides);
