// Figures of a stream of intervals: the recent ones for drawing, and the
// whole run's count, mean, spread, extremes and percentiles, in fixed memory
// whatever the run's length. Adding an interval never allocates.
#pragma once

#include <cmath>
#include <cstdint>

constexpr int kRecentIntervals = 240;
// Histogram bins of 0.05 ms up to 2 s; longer intervals land in the last bin
// (percentiles there read as the run's maximum).
constexpr double kFigureBinSeconds = 0.00005;
constexpr int kFigureBins = 40000;

struct IntervalFigures {
    double recent[kRecentIntervals];  // ring, seconds
    int32_t recentNext;               // where the next interval goes
    bool keepsRecent;                 // false: the ring is left empty
    uint64_t count;
    double mean;  // seconds, running (Welford)
    double m2;    // sum of squared deviations from the mean
    double min;
    double max;
    uint32_t bins[kFigureBins];
};

// keepRecent false: no ring, for figures nothing draws (the lab's), which
// saves a store and a wrap on each of their intervals.
void ResetFigures(IntervalFigures& figures, bool keepRecent = true);
// How many intervals the ring holds: every one added, up to its size.
inline int RecentCount(const IntervalFigures& figures) {
    if (!figures.keepsRecent)
        return 0;
    return figures.count < kRecentIntervals ? static_cast<int>(figures.count) : kRecentIntervals;
}

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

// An interval a hair above a bin edge still closes that bin. Whole
// milliseconds read through the single-precision clock constant come out a
// few parts in 10^8 long, and would otherwise each land one bin too high.
constexpr double kFigureEdgeSlack = 1e-3;  // of a bin, so 50 ns
constexpr double kFigureBinsPerSecond = 1.0 / kFigureBinSeconds;

inline int FigureBin(double seconds) {
    // Bin i holds the intervals above i and up to i + 1 bin widths (bin 0
    // takes 0 as well): the bin is ceil(edges) - 1. Compared in double before
    // any conversion, so that no interval, however long, overflows it; the
    // ceiling by truncation, since std::ceil without SSE4.1 costs a third of
    // this function, which runs for every interval of every run.
    const double edges = seconds * kFigureBinsPerSecond - kFigureEdgeSlack;
    if (!(edges > 1.0))
        return 0;
    if (edges > kFigureBins - 1)
        return kFigureBins - 1;
    const int whole = static_cast<int>(edges);
    return static_cast<double>(whole) < edges ? whole : whole - 1;
}

// Inline: every run of the simulator adds a few intervals at each redraw.
inline void AddInterval(IntervalFigures& figures, double seconds) {
    // A NaN or an endless interval has no place in a mean; a negative one
    // (a clock stepping back) is taken as no time at all.
    if (!(seconds < INFINITY))
        return;
    if (seconds < 0.0)
        seconds = 0.0;

    if (figures.keepsRecent) {
        figures.recent[figures.recentNext] = seconds;
        if (++figures.recentNext == kRecentIntervals)
            figures.recentNext = 0;
    }

    if (figures.count == 0 || seconds < figures.min)
        figures.min = seconds;
    // No interval is below the 0 the maximum starts at.
    if (seconds > figures.max)
        figures.max = seconds;
    // Welford's update: a running sum of squares would lose the spread of
    // millisecond intervals to rounding within a long run.
    figures.count += 1;
    const double delta = seconds - figures.mean;
    // Through a signed integer: an unsigned one takes a dozen instructions to
    // convert, and no count comes near 2^63.
    figures.mean += delta / static_cast<double>(static_cast<int64_t>(figures.count));
    figures.m2 += delta * (seconds - figures.mean);

    figures.bins[FigureBin(seconds)] += 1;
}
