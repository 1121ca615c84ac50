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

// The field's lows. A "1 % low" means different things in different
// analysers; each has its own name here, with share 0.01 or 0.001:
// rate at the given percentile interval (p99_fps is OnePercentLow);
double PercentileFps(const IntervalFigures& figures, double fraction);
// 1 / the mean of the slowest share of the intervals ("1 % low average");
// exact to the bin width (each interval counts as its bin's middle);
double LowAverageFps(const IntervalFigures& figures, double share);
// the rate of the interval at which the slowest intervals, summed slowest
// first, reach that share of the run's whole time ("1 % low integral").
double LowIntegralFps(const IntervalFigures& figures, double share);
double WorstMs(const IntervalFigures& figures);  // longest interval
