// tempola-sim --summary: every capture of the files and folders given
// (folders one level deep, in name order) replayed, on every core or
// --threads, into one CSV row each on standard output, in input order. A
// capture that cannot be read says why in its row's error cell and the
// rest go on. Returns the exit code: 2 when any could not be read or none
// was found, else 0.
#pragma once

#include "lab/sim_options.h"

int RunSummary(const SimOptions& options, const char* program);
