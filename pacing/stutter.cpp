#include "pacing/stutter.h"

#include <cstring>

namespace {

double At(const StutterCounter& c, uint64_t index) {
    return c.ring[index % kStutterWindow];
}

// Judges interval c.decided against its neighbours up to `last` (exclusive).
StutterVerdict Judge(StutterCounter& c, uint64_t last) {
    const uint64_t i = c.decided;
    const uint64_t first = i > kStutterReach ? i - kStutterReach : 0;
    // Summed afresh each time: a running sum over a long run drifts, and
    // forty additions cost nothing beside a report.
    double sum = 0.0;
    for (uint64_t k = first; k < last; ++k)
        if (k != i)
            sum += At(c, k);
    const uint64_t neighbours = last - first - 1;
    const double x = At(c, i);
    const bool stutter =
        neighbours > 0 && x > kStutterFactor * sum / static_cast<double>(neighbours);
    c.stutters += stutter;
    c.decided += 1;
    return StutterVerdict{true, stutter, i};
}

}  // namespace

void ResetStutters(StutterCounter& counter) {
    std::memset(&counter, 0, sizeof counter);
}

StutterVerdict AddStutterInterval(StutterCounter& counter, double seconds) {
    counter.ring[counter.added % kStutterWindow] = seconds;
    counter.added += 1;
    if (counter.added - counter.decided <= kStutterReach)
        return StutterVerdict{false, false, 0};
    return Judge(counter, counter.added);
}

StutterVerdict FlushStutters(StutterCounter& counter) {
    if (counter.decided == counter.added)
        return StutterVerdict{false, false, 0};
    return Judge(counter, counter.added);
}
