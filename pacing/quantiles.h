// Two small keepers of a stream of non-negative values, in fixed memory:
//
// QuantileKeeper holds a whole run: count, mean, max, and any quantile to
// within 0.4 % of the value (and within 1 us below 512 us), whatever the
// run's length. Values are seconds; the buckets count whole microseconds,
// 256 steps to each doubling, up to about 71 minutes.
//
// RecentHigh holds the last kRecentValues values and the second largest of
// them, about their 97th percentile: one outlier alone does not move it. It
// rescans its ring only when a value it relies on leaves it.
//
// The adding is inline: the simulator does it on every redraw.
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
inline void AddQuantile(QuantileKeeper& keeper, double seconds);
// The value below which that fraction (0 < fraction <= 1) of the values lie,
// in seconds: the middle of its bucket, and never above the largest value
// (which fraction 1 gives exactly). 0 while nothing was added.
double QuantileSeconds(const QuantileKeeper& keeper, double fraction);
double MeanSeconds(const QuantileKeeper& keeper);

constexpr int kRecentValues = 64;

struct RecentHigh {
    float value[kRecentValues];  // ring, seconds
    int32_t next;
    int32_t count;
    float first;   // the largest kept
    float second;  // the second largest (the largest while only one is kept)
};

void ResetRecentHigh(RecentHigh& recent);
inline void AddRecent(RecentHigh& recent, double seconds);
inline double RecentHighSeconds(const RecentHigh& recent) {
    return recent.second;
}

// Finds first and second again after one of them left the ring.
void RescanRecent(RecentHigh& recent);

inline int QuantileBucket(uint64_t us) {
    if (us < 512) {
        return static_cast<int>(us);
    }
    const int shift = 63 - __builtin_clzll(us) - 8;  // 1 and up
    const int bucket = 512 + (shift - 1) * 256 + static_cast<int>((us >> shift) - 256);
    return bucket < kQuantileBuckets ? bucket : kQuantileBuckets - 1;
}

inline void AddQuantile(QuantileKeeper& keeper, double seconds) {
    if (!(seconds > 0.0)) {
        seconds = 0.0;
    }
    // A hair over, so that 100 us taken from a sum of doubles is not 99.
    // Signed: its conversion is one instruction; anything past 2^62 us is
    // in the last bucket anyway.
    const double us = seconds * 1e6 + 1e-6;
    const int64_t whole = us < 0x1p62 ? static_cast<int64_t>(us) : int64_t{1} << 62;
    ++keeper.buckets[QuantileBucket(static_cast<uint64_t>(whole))];
    ++keeper.count;
    keeper.sum += seconds;
    if (seconds > keeper.max) {
        keeper.max = seconds;
    }
}

inline void AddRecent(RecentHigh& recent, double seconds) {
    const float v = static_cast<float>(seconds);
    const bool full = recent.count == kRecentValues;
    const float gone = full ? recent.value[recent.next] : 0.0f;
    recent.value[recent.next] = v;
    recent.next = recent.next + 1 == kRecentValues ? 0 : recent.next + 1;
    recent.count += full ? 0 : 1;
    if (gone > 0.0f && gone >= recent.second) {
        RescanRecent(recent);
    } else if (recent.count == 1) {
        recent.first = recent.second = v;
    } else if (v > recent.first) {
        recent.second = recent.first;
        recent.first = v;
    } else if (v > recent.second || recent.count == 2) {
        recent.second = v;
    }
}
