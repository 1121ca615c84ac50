#include "pacing/stutter.h"

#include <cstring>

namespace {

double At(const StutterCounter& c, uint64_t index) {
    return c.ring[index % kStutterWindow];
}

}  // namespace

void ResetStutters(StutterCounter& counter) {
    std::memset(&counter, 0, sizeof counter);
}

// Every kStutterLapsPerSum laps the sum starts again from the ring, so
// that its rounding never gathers over a long run.
void RestartStutterSum(StutterCounter& c) {
    double sum = 0.0;
    double size = 0.0;
    for (double x : c.ring) {
        sum += x;
        size += std::fabs(x);
    }
    c.sum = sum;
    c.peak = size;
}

// Judges interval c.decided against its neighbours that have come, summed
// afresh in stream order.
StutterVerdict JudgeStutterAfresh(StutterCounter& c) {
    const uint64_t i = c.decided;
    const uint64_t first = i > kStutterReach ? i - kStutterReach : 0;
    const uint64_t last = c.added;
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

StutterVerdict FlushStutters(StutterCounter& counter) {
    if (counter.decided == counter.added)
        return StutterVerdict{false, false, 0};
    return JudgeStutterAfresh(counter);
}
