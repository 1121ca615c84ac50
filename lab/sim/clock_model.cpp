#include "lab/sim/clock_model.h"

#include <cstdio>

namespace {

void EnterWindow(RedrawClock& clock, uint64_t k) {
    clock.window = k;
    const double start = static_cast<double>(k) * clock.everyMs;
    clock.windowStart = start / 1000.0;
    clock.windowEnd = (start + clock.lengthMs) / 1000.0;
    clock.windowUsed = false;
}

}  // namespace

// Redraws far apart may skip many windows: jump by division, then settle by
// steps for rounding.
void CatchUpWindow(RedrawClock& clock, double s) {
    if (s < clock.windowEnd) {
        return;
    }
    uint64_t k = static_cast<uint64_t>(s * 1000.0 / clock.everyMs);
    if (k <= clock.window) {
        k = clock.window + 1;
    }
    EnterWindow(clock, k);
    while (s >= clock.windowEnd) {
        EnterWindow(clock, clock.window + 1);
    }
    while (clock.window > 1 && s < clock.windowStart) {
        const double start = static_cast<double>(clock.window - 1) * clock.everyMs;
        if (s >= (start + clock.lengthMs) / 1000.0) {
            break;
        }
        EnterWindow(clock, clock.window - 1);
    }
}

void StartRedrawClock(RedrawClock& clock, const RedrawModel& model) {
    clock = RedrawClock{};
    clock.redrawHz = model.redrawHz;
    clock.jitterSeconds = model.jitterMs / 1000.0;
    clock.end = model.seconds;
    clock.random = model.seed;
    clock.stalls = model.stallEveryMs > 0.0;
    clock.everyMs = model.stallEveryMs;
    clock.lengthMs = model.stallLengthMs;
    if (clock.stalls) {
        EnterWindow(clock, 1);
    }
}

void DescribeRedraws(char* text, size_t size, const RedrawModel& model) {
    int n = std::snprintf(text, size, "%g s of redraws at %g Hz", model.seconds, model.redrawHz);
    if (model.jitterMs > 0.0 && n > 0 && static_cast<size_t>(n) < size) {
        n += std::snprintf(text + n, size - static_cast<size_t>(n), ", jitter %g ms (seed %llu)",
                           model.jitterMs, static_cast<unsigned long long>(model.seed));
    }
    if (model.stallEveryMs > 0.0 && n > 0 && static_cast<size_t>(n) < size) {
        std::snprintf(text + n, size - static_cast<size_t>(n), ", a %g ms stall every %g ms",
                      model.stallLengthMs, model.stallEveryMs);
    }
}
