// tempola-sim with several --replay runs (or --name): each capture replayed
// under the same rules, then one row of figures per run, or with --stats one
// line per run, "tempola-stats run=NAME ...". Returns the exit code.
#pragma once

#include <cstddef>

#include "lab/sim_options.h"

int CompareRuns(const SimOptions& options, const char* program);

// A run's name as --name gives it, else its file's name and its
// application's: "a.csv (game.exe)".
void RunName(const SimOptions& options, int run, const char* application, char* name, size_t size);
// The name as one token of a stats line: blanks and '=' written as '_'.
void RunNameToken(const char* name, char* token, size_t size);
