#include "lab/sim/wake_model.h"

#include <cmath>

namespace {

// The standard normal's quantile at p, by bisection on its distribution:
// run once per entry at the start, so plain and exact beats fast.
double NormalQuantile(double p) {
    double low = -10.0;
    double high = 10.0;
    for (int i = 0; i < 100; ++i) {
        const double mid = (low + high) * 0.5;
        if (0.5 * std::erfc(-mid / std::sqrt(2.0)) < p) {
            low = mid;
        } else {
            high = mid;
        }
    }
    return (low + high) * 0.5;
}

}  // namespace

void StartWakeModel(WakeModel& model, double p50Us, double p99Us, uint64_t seed) {
    model.random = seed;
    const double mu = p50Us > 0.0 ? std::log(p50Us) : 0.0;
    const double sigma = p99Us > p50Us ? (std::log(p99Us) - mu) / NormalQuantile(0.99) : 0.0;
    for (int i = 0; i < kWakeTable; ++i) {
        const double p = (i + 0.5) / kWakeTable;
        const double us = p50Us > 0.0 ? std::exp(mu + sigma * NormalQuantile(p)) : 0.0;
        model.late[i] = static_cast<float>(us * 1e-6);
    }
}
