// What a report page shows: one run, or the same redraws through every
// rule, each with its figures, its --stats line and its series for drawing.
// All of it plain data: whoever ran the runs fills it in, and the page
// knows nothing of how they were made.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lab/report/report_series.h"
#include "pacing/cadence.h"
#include "pacing/rules.h"
#include "pacing/stats_line.h"

// Every rule, or captures side by side (up to 64).
constexpr int kMostReportRuns = 64;
static_assert(kPaceRuleCount <= kMostReportRuns, "a page holds every rule");

struct ReportSide {
    PaceRule rule;  // a replay's: as at its last row
    double target;
};

struct ReportRun {
    double seconds;  // a replay's: from its first row to its last
    uint64_t frames;
    ReportSide side[2];
    double displayHz;  // 0: none; a capture's display times: its typical refresh
    double latchMs;
    const char* displaySource;  // "model" or "capture"
    // The figures, where the runner keeps them.
    const Cadence* cadence;
    const IntervalFigures* seen[2];
    DrawnSeries series[kDrawnKinds];
    ThinnedSeries animation[2];  // each side's animation error, where counted
    bool counted;                // series and stutters kept
    StutterCounts stutters;
    StatRecords stats;  // its figures, for its --stats line and the page's tables
    // Runs side by side: the run's name and what it replayed, for people;
    // null otherwise.
    const char* name;
    const char* description;
    const IntervalFigures* shown;  // between shown frames; null where not recorded
};

// The runs' description, as far as it is known. Texts are null or empty
// where not known, and the page leaves their rows out.
struct ReportAbout {
    int argc;
    const char* const* argv;
    const char* redraws;      // a modelled run's redraws, for people
    const char* replayPath;   // a replay's capture
    const char* format;       // its format, for people
    const char* application;  // its stream; not terminated
    size_t applicationSize;
    const char* swapChain;
    size_t swapChainSize;
    bool millisecondClock;  // the pacers' clock: milliseconds (32-bit), else microseconds
    bool compare;
    const char* limiter;  // how the runs' redraws were limited
    const char* game;     // the capture's own words
    const char* cpu;
    const char* gpu;
    long cores;
    bool sideBySide;  // runs of different captures, each named
};

// Large (several MiB): allocate it.
struct Report {
    ReportAbout about;
    int runs;
    ReportRun run[kMostReportRuns];
};
