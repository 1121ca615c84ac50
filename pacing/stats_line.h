// The one-line run report both programs print: "tempola-stats" and then
// key=value pairs separated by single spaces. Keys are lower case with
// underscores; a key once printed keeps its name and its meaning, so that
// scripts reading the line go on working.
#pragma once

#include <cstddef>

#include "pacing/figures.h"

struct StatsLine {
    char* text;
    size_t size;
    size_t used;
    bool cut;  // something did not fit and was left off whole
};

// Starts the line in buffer (size bytes, at least 32) with "tempola-stats".
void StartStatsLine(StatsLine& line, char* buffer, size_t size);

// " key=value", value formatted by printf rules; a pair that does not fit is
// left off whole and marks the line as cut.
void AddStat(StatsLine& line, const char* key, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The figures of one series of intervals under a prefix ("left", "left_seen",
// "redraw"): jitter_ms, low1_fps and worst_ms.
void AddIntervalStats(StatsLine& line, const char* prefix, const IntervalFigures& figures);
// The same keys with empty values, for figures that cannot be known.
void AddEmptyIntervalStats(StatsLine& line, const char* prefix);
