#include "pacing/figures.h"

#include <cmath>
#include <cstring>


void ResetFigures(IntervalFigures& figures, bool keepRecent) {
    std::memset(&figures, 0, sizeof figures);
    figures.keepsRecent = keepRecent;
}


double RecentInterval(const IntervalFigures& figures, int i) {
    const int held = RecentCount(figures);
    if (i < 0 || i >= held)
        return 0.0;
    const int oldest = figures.recentNext - held;
    return figures.recent[(oldest + i + kRecentIntervals) % kRecentIntervals];
}

double MeanRate(const IntervalFigures& figures) {
    return figures.count > 0 && figures.mean > 0.0 ? 1.0 / figures.mean : 0.0;
}

double JitterMs(const IntervalFigures& figures) {
    if (figures.count == 0)
        return 0.0;
    return std::sqrt(figures.m2 / static_cast<double>(figures.count)) * 1000.0;
}

double PercentileSeconds(const IntervalFigures& figures, double fraction) {
    // Read to the bin: the answer is the upper edge of the bin where the
    // wanted share is reached, so it may lie up to one bin (0.05 ms) above the
    // interval itself. Keeping it within the run's extremes makes the answer
    // exact whenever that share is reached at the shortest or longest interval.
    if (figures.count == 0)
        return 0.0;
    const double n = static_cast<double>(figures.count);
    // The slack keeps 0.99 * 100 from rounding up to 100 intervals.
    double wanted = std::ceil(fraction * n - 1e-7);
    if (!(wanted >= 1.0))
        wanted = 1.0;
    if (wanted > n)
        wanted = n;
    const uint64_t need = static_cast<uint64_t>(wanted);

    uint64_t seen = 0;
    int bin = FigureBin(figures.min);  // nothing lies below the shortest interval
    for (; bin < kFigureBins - 1; ++bin) {
        seen += figures.bins[bin];
        if (seen >= need)
            break;
    }
    if (bin == kFigureBins - 1)
        return figures.max;  // the last bin has no upper edge
    const double edge = (bin + 1) * kFigureBinSeconds;
    if (edge < figures.min)
        return figures.min;
    if (edge > figures.max)
        return figures.max;
    return edge;
}

double OnePercentLow(const IntervalFigures& figures) {
    const double worst = PercentileSeconds(figures, 0.99);
    return worst > 0.0 ? 1.0 / worst : 0.0;
}

double WorstMs(const IntervalFigures& figures) {
    return figures.max * 1000.0;
}

namespace {

// What the intervals in one bin stand for when they are summed: the bin's
// middle, within the run's extremes, so that a sum is exact to half a bin
// per interval. The last bin, open above, stands for the longest interval.
double BinValue(const IntervalFigures& figures, int bin) {
    if (bin == kFigureBins - 1)
        return figures.max;
    const double middle = (bin + 0.5) * kFigureBinSeconds;
    return middle < figures.min ? figures.min : middle > figures.max ? figures.max : middle;
}

// The slowest `share` of the intervals, counted as the analysers do: at
// least one.
uint64_t SlowestCount(const IntervalFigures& figures, double share) {
    const double n = static_cast<double>(figures.count);
    double wanted = std::ceil(share * n - 1e-7);
    if (!(wanted >= 1.0))
        wanted = 1.0;
    return wanted > n ? figures.count : static_cast<uint64_t>(wanted);
}

}  // namespace

double PercentileFps(const IntervalFigures& figures, double fraction) {
    const double interval = PercentileSeconds(figures, fraction);
    return interval > 0.0 ? 1.0 / interval : 0.0;
}

double LowAverageFps(const IntervalFigures& figures, double share) {
    if (figures.count == 0)
        return 0.0;
    const uint64_t need = SlowestCount(figures, share);
    uint64_t taken = 0;
    double sum = 0.0;
    // Nothing lies above the longest interval's bin.
    for (int bin = FigureBin(figures.max); bin >= 0 && taken < need; --bin) {
        uint64_t here = figures.bins[bin];
        if (here == 0)
            continue;
        if (here > need - taken)
            here = need - taken;  // only as many of this bin as the share holds
        sum += static_cast<double>(here) * BinValue(figures, bin);
        taken += here;
    }
    return sum > 0.0 ? static_cast<double>(taken) / sum : 0.0;
}

double LowIntegralFps(const IntervalFigures& figures, double share) {
    if (figures.count == 0)
        return 0.0;
    const double goal = share * figures.mean * static_cast<double>(figures.count);
    double sum = 0.0;
    for (int bin = FigureBin(figures.max); bin >= 0; --bin) {
        if (figures.bins[bin] == 0)
            continue;
        const double value = BinValue(figures, bin);
        sum += static_cast<double>(figures.bins[bin]) * value;
        // The interval at which the slowest-first sum reaches the goal lies
        // in this bin, and every interval of the bin stands for one value.
        if (sum >= goal)
            return value > 0.0 ? 1.0 / value : 0.0;
    }
    return figures.min > 0.0 ? 1.0 / figures.min : 0.0;
}
