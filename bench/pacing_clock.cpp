// Both pacing rules against the real clock: a busy loop writes timeMs from a
// monotonic clock and runs the per-frame step, as a host drawing nothing
// would. For each target, both pacers are set to it and run side by side;
// the table gives the last measured rate (the overlay's figure) and the mean
// rate over the whole run.
//
//   pacing_clock [SECONDS_PER_TARGET]   (default 10)
#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "demo/pacing.h"
#include "host/app.h"

namespace {

uint64_t NowNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000ull + static_cast<uint64_t>(now.tv_nsec);
}

struct Side {
    int32_t lastCount;
    uint64_t updates;
};

void Count(const Pacer& pacer, Side& side) {
    if (pacer.updateCount != side.lastCount) {
        side.lastCount = pacer.updateCount;
        ++side.updates;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    if (seconds <= 0.0) {
        std::fprintf(stderr, "usage: pacing_clock [SECONDS_PER_TARGET]\n");
        return 2;
    }
    const double targets[] = {31.0, 62.0, 120.0, 200.0};
    std::printf(
        "| target | rule | measured after %.0f s | ratio | mean over the run | ratio | frames/s "
        "|\n",
        seconds);
    std::printf("|---|---|---|---|---|---|---|\n");
    for (double target : targets) {
        ResetPacing();
        leftPacer.target = target;
        rightPacer.target = target;
        Side left = {0, 0};
        Side right = {0, 0};
        uint64_t frames = 0;
        const uint64_t start = NowNs();
        const uint64_t stop = static_cast<uint64_t>(seconds * 1000.0);
        for (;;) {
            const uint64_t ms = (NowNs() - start) / 1000000ull;
            if (ms >= stop) {
                break;
            }
            timeMs = static_cast<uint32_t>(ms);
            UpdateFrameTiming();
            Count(leftPacer, left);
            Count(rightPacer, right);
            ++frames;
        }
        const double run = static_cast<double>(stop) / 1000.0;
        const double leftMean = static_cast<double>(left.updates) / run;
        const double rightMean = static_cast<double>(right.updates) / run;
        std::printf("| %.0f | adaptive (left) | %.2f | %.3f | %.2f | %.3f | %.0f |\n", target,
                    leftPacer.measuredRate, leftPacer.measuredRate / target, leftMean,
                    leftMean / target, static_cast<double>(frames) / run);
        std::printf("| %.0f | fixed (right) | %.2f | %.3f | %.2f | %.3f | |\n", target,
                    rightPacer.measuredRate, rightPacer.measuredRate / target, rightMean,
                    rightMean / target);
        std::fflush(stdout);
    }
    return 0;
}
