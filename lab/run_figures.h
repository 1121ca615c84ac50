// One capture replayed for a table of runs: its figures as records, its
// redraws' intervals and stutters, and what it was. Runs side by side and
// --summary both make their rows from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "lab/run_job.h"
#include "pacing/stats_records.h"

struct RunFigures {
    StatRecords records;  // as the run's own --stats line, without stutters
    IntervalFigures redraws;
    uint64_t redrawStutters;
    char format[64];
    char application[256];
};

// Replays path under options' rules and capture options into figures;
// result is scratch space. False with a message in error for a capture that
// cannot be replayed.
bool ReplayFigures(const SimOptions& options, const char* path, RunWork& work, SimResult& result,
                   RunFigures& figures, char* error, size_t errorSize, std::FILE* progress);
