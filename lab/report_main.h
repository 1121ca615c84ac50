// tempola-sim with --report or --compare-rules: the run (or one run per
// rule) with its figures printed as usual, and with --report a page about
// it. Returns the exit code.
#pragma once

#include "lab/sim_options.h"

int RunReport(const SimOptions& options, int argc, const char* const* argv, const char* program);
