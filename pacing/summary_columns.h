// The columns of a summary of captures (one row a capture) and of the text
// table of runs side by side: the capture's own words, then its figures,
// named as the stats line names them wherever the line has the figure.
#pragma once

#include <cstddef>

#include "pacing/stats_keys.h"

enum class SummaryColumn : uint8_t {
    kFile,
    kFormat,
    kApplication,
    kFrames,
    kSeconds,
    kRate,
    kRedrawJitterMs,
    kP99Fps,      // of the redraws, which the line gives only per side
    kLow1AvgFps,  // likewise
    kStutters,    // the redraws' stutters
    kDisplayRate,
    kDisplayLatencyP50Ms,  // a capture's own where it has one
    kAnimationErrorP99Ms,
    kError,
    kCount
};
constexpr int kSummaryColumnCount = static_cast<int>(SummaryColumn::kCount);

// The column's heading.
const char* SummaryColumnName(SummaryColumn column);

// The run prefixes a stats line with when runs are printed side by side:
// "tempola-stats run=NAME ...".
constexpr char kRunNameKey[] = "run";

struct IntervalFigures;
struct StatRecords;

// A figure column's cell from a run's records and its redraws' intervals,
// printed as the line prints it; "" where the run has no such figure. False
// for the columns that are not figures (file, format, application, error).
bool SummaryFigureCell(const StatRecords& records, const IntervalFigures& redraws,
                       SummaryColumn column, char* text, size_t size);
