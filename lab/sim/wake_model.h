// How late a modelled sleep wakes: a lognormal fitted to two quantiles of
// measured lateness (the median and the 99th percentile), drawn from our own
// seeded generator through a table of the distribution's quantiles, so that
// a draw costs a table look-up rather than a logarithm and a cosine.
#pragma once

#include <cstdint>

constexpr int kWakeTable = 1024;

struct WakeModel {
    float late[kWakeTable];  // seconds, at the quantiles (i + 0.5) / kWakeTable
    uint64_t random;
};

// p50Us == p99Us: every wake that late (0: on time). Else 0 < p50Us < p99Us.
void StartWakeModel(WakeModel& model, double p50Us, double p99Us, uint64_t seed);

inline double WakeLateness(WakeModel& model, uint64_t bits) {
    return model.late[bits >> (64 - 10)];
}
static_assert(kWakeTable == 1 << 10, "the draw takes the top 10 bits");
