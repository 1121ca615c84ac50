#include "pacing/quantiles.h"

#include <cmath>

namespace {

// Bucket b < 512 holds whole microseconds b; above, each doubling from 2^(8+e)
// us has 256 buckets of 2^e us (QuantileBucket).

// The middle of a bucket, in microseconds.
double BucketMiddle(int bucket) {
    if (bucket < 512) {
        return bucket;
    }
    const int shift = (bucket - 512) / 256 + 1;
    const double low = static_cast<double>((256 + (bucket - 512) % 256)) * std::ldexp(1.0, shift);
    return low + std::ldexp(1.0, shift) * 0.5 - 0.5;
}

}  // namespace

void ResetQuantiles(QuantileKeeper& keeper) {
    keeper.count = 0;
    keeper.max = 0.0;
    for (uint32_t& b : keeper.buckets) {
        b = 0;
    }
}

double QuantileSeconds(const QuantileKeeper& keeper, double fraction) {
    if (keeper.count == 0) {
        return 0.0;
    }
    // The smallest value with at least that share at or below it.
    double rank = std::ceil(fraction * static_cast<double>(keeper.count));
    if (rank < 1.0) {
        rank = 1.0;
    }
    if (rank >= static_cast<double>(keeper.count)) {
        return keeper.max;
    }
    uint64_t seen = 0;
    for (int b = 0; b < kQuantileBuckets; ++b) {
        seen += keeper.buckets[b];
        if (static_cast<double>(seen) >= rank) {
            const double s = (BucketMiddle(b) + 0.5) * 1e-6;
            return s < keeper.max ? s : keeper.max;
        }
    }
    return keeper.max;
}

void ResetRecentHigh(RecentHigh& recent) {
    recent = RecentHigh{};
}

void RescanRecent(RecentHigh& recent) {
    float first = 0.0f;
    float second = 0.0f;
    for (int i = 0; i < recent.count; ++i) {
        const float v = recent.value[i];
        if (v > first) {
            second = first;
            first = v;
        } else if (v > second) {
            second = v;
        }
    }
    recent.first = first;
    recent.second = recent.count > 1 ? second : first;
}
