// What a replay takes from the command line.
#pragma once

#include "lab/sim/replay.h"
#include "lab/sim_options.h"

ReplaySetup ReplaySetupOf(const SimOptions& options);
