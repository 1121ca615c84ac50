// Two small keepers of a stream of non-negative values, in fixed memory:
//
// QuantileKeeper holds a whole run: count, max, and any quantile to
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
#include <cstring>

constexpr int kQuantileBuckets = 512 + 24 * 256;

struct QuantileKeeper {
    uint64_t count;
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

// The bucket of us >= 0 microseconds (infinity too). Below 512 the whole
// microsecond; from there a bucket is one 256th of a doubling, which is the
// double's exponent and the top eight bits of its fraction, read straight
// from its bits: no conversion, no count of zeros, on every value added.
// The fraction's lower bits are finer than a bucket, so the bucket is that
// of the whole microseconds too.
inline int QuantileBucket(double us) {
    if (us < 512.0) {
        return static_cast<int>(us);
    }
    uint64_t bits;
    std::memcpy(&bits, &us, sizeof bits);
    constexpr int64_t k512 = int64_t{1023 + 9} << 8;  // 512's exponent, fraction 0
    const int64_t bucket = static_cast<int64_t>(bits >> 44) - k512 + 512;
    return bucket < kQuantileBuckets ? static_cast<int>(bucket) : kQuantileBuckets - 1;
}

inline void AddQuantile(QuantileKeeper& keeper, double seconds) {
    if (!(seconds > 0.0)) {
        seconds = 0.0;
    }
    // A hair over, so that 100 us taken from a sum of doubles is not 99.
    ++keeper.buckets[QuantileBucket(seconds * 1e6 + 1e-6)];
    ++keeper.count;
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
