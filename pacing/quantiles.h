// Two small keepers of a stream of non-negative values, in fixed memory:
//
// QuantileKeeper holds a whole run: count, mean, max, and any quantile to
// within 0.4 % of the value (and within 1 us below 256 us), whatever the
// run's length. Values are seconds; the buckets count whole microseconds,
// 256 steps to each doubling, up to about 71 minutes.
//
// RecentHigh holds the last kRecentValues values and a high one of them: the
// second largest, about the 97th percentile. It answers in constant time and
// rescans its ring only every kRecentRescan values, so that it can run on
// every redraw of the simulator.
#pragma once

#include <cstdint>

constexpr int kQuantileBuckets = 512 + 24 * 256;

struct QuantileKeeper {
    uint64_t count;
    double sum;  // seconds
    double max;  // seconds
    uint32_t buckets[kQuantileBuckets];
};

void ResetQuantiles(QuantileKeeper& keeper);
// Negative values count as 0; values past the last bucket land in it.
void AddQuantile(QuantileKeeper& keeper, double seconds);
// The value below which that fraction (0 < fraction <= 1) of the values lie,
// in seconds: the middle of its bucket, never above the largest value.
// 0 while nothing was added.
double QuantileSeconds(const QuantileKeeper& keeper, double fraction);
double MeanSeconds(const QuantileKeeper& keeper);

constexpr int kRecentValues = 64;
constexpr int kRecentRescan = 8;

struct RecentHigh {
    float value[kRecentValues];  // ring, seconds
    int32_t next;
    int32_t count;
    int32_t sinceRescan;
    double high;  // 0 while empty
};

void ResetRecentHigh(RecentHigh& recent);
// A value above the high one raises it at once; a rescan lowers it again
// once such values are rare or gone.
void AddRecent(RecentHigh& recent, double seconds);
