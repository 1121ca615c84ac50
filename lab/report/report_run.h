// What a report page shows: one run, or the same redraws through every
// rule, each with its figures, its --stats line and its series for drawing.
#pragma once

#include <cstdint>

#include "lab/capture/capture_reader.h"
#include "lab/report/report_series.h"
#include "lab/sim_report.h"
#include "lab/sim/sim_run.h"
#include "pacing/stats_line.h"

constexpr int kMostReportRuns = kPaceRuleCount;

struct ReportRun {
    SimSetup setup;  // as the figures report it (a replay's span, rules and display)
    SimResult result;
    const char* displaySource;  // "model" or "capture"
    DrawnSeries series[kDrawnKinds];
    bool counted;  // series and stutters kept
    StutterCounts stutters;
    StatRecords stats;  // its figures, for its --stats line and the page's tables
};

// The run's description, as far as it is known.
struct ReportAbout {
    int argc;
    const char* const* argv;
    bool replay;
    const char* replayPath;
    const char* format;  // a replay's capture format, for people
    CaptureStream stream;
    bool compare;
    // Known only to some runs; empty when not, and the page leaves the row
    // out. limiter: how the run's redraws were limited, when they were.
    char limiter[96];
    char captureGame[kSystemInfoSize];
    char captureCpu[kSystemInfoSize];
    char captureGpu[kSystemInfoSize];
    long cores;
};

// Large (several MiB): allocate it.
struct Report {
    ReportAbout about;
    int runs;
    ReportRun run[kMostReportRuns];
};

// Stutters of the series kept; the seen ones where there was a display.
StutterCounts CountedStutters(const DrawnSeries* series, bool seenKnown);
