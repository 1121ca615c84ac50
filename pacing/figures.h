// Figures of a stream of intervals: the recent ones for drawing, and the
// whole run's count, mean, spread, extremes and percentiles, in fixed memory
// whatever the run's length. Adding an interval never allocates.
#pragma once

#include <cstdint>

constexpr int kRecentIntervals = 240;
// Histogram bins of 0.05 ms up to 2 s; longer intervals land in the last bin
// (percentiles there read as the run's maximum).
constexpr double kFigureBinSeconds = 0.00005;
constexpr int kFigureBins = 40000;

struct IntervalFigures {
    double recent[kRecentIntervals];  // ring, seconds
    int32_t recentNext;               // where the next interval goes
    int32_t recentCount;              // 0 to kRecentIntervals
    uint64_t count;
    double mean;  // seconds, running (Welford)
    double m2;    // sum of squared deviations from the mean
    double min;
    double max;
    uint32_t bins[kFigureBins];
};

void ResetFigures(IntervalFigures& figures);
void AddInterval(IntervalFigures& figures, double seconds);

// The i-th most recent interval in seconds, i = 0 the oldest kept; 0 past the end.
double RecentInterval(const IntervalFigures& figures, int i);

// All 0 while no interval has been added.
double MeanRate(const IntervalFigures& figures);  // 1 / mean interval
double JitterMs(const IntervalFigures& figures);  // population standard deviation
double PercentileSeconds(const IntervalFigures& figures, double fraction);  // 0 < fraction <= 1
double OnePercentLow(const IntervalFigures& figures);  // rate at the 99th-percentile interval
double WorstMs(const IntervalFigures& figures);        // longest interval
