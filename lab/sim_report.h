// What one run prints: a table for people, or the one-line figures for
// scripts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "lab/sim_run.h"

// displaySource says where the display figures come from: "model" (a
// modelled display at setup.displayHz), or "capture" for a replay's
// recorded display times (setup.displayHz then its typical refresh).
void PrintSimTable(std::FILE* out, const SimSetup& setup, const SimResult& result,
                   const char* displaySource = "model");
void PrintSimStats(std::FILE* out, const SimSetup& setup, const SimResult& result,
                   const char* displaySource = "model");

// Stutters of each series, where the run's intervals were kept in order to
// count them (a report keeps them); the line then carries <series>_stutters.
struct StutterCounts {
    uint64_t redraw;
    uint64_t updates[2];  // left, right
    uint64_t seen[2];
};
// The same line into text (size bytes); stutters may be null.
void FormatSimStats(char* text, size_t size, const SimSetup& setup, const SimResult& result,
                    const char* displaySource, const StutterCounts* stutters);
