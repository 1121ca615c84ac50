// Stutters in a stream of intervals: an interval longer than 2.5 times the
// mean of the intervals around it (up to 20 before and 20 after; fewer at
// the ends of the run), as frame-time analysers' users count them. The
// interval itself is left out of the mean, so a lone spike is judged
// against its neighbours alone.
//
// An interval is decided once its later neighbours have come, so verdicts
// run kStutterReach intervals behind the input; FlushStutters decides the
// last ones. Fixed memory: nothing is allocated per interval.
#pragma once

#include <cstdint>

constexpr int kStutterReach = 20;
constexpr double kStutterFactor = 2.5;
constexpr int kStutterWindow = 2 * kStutterReach + 1;

struct StutterCounter {
    double ring[kStutterWindow];  // the newest kStutterWindow intervals
    uint64_t added;
    uint64_t decided;  // intervals judged so far, the oldest first
    uint64_t stutters;
};

// The judgement of one interval: its place in the stream, from 0.
struct StutterVerdict {
    bool decided;  // false: nothing was ready to be judged
    bool stutter;
    uint64_t index;
};

void ResetStutters(StutterCounter& counter);
StutterVerdict AddStutterInterval(StutterCounter& counter, double seconds);
// Judges the oldest interval still waiting, with the later neighbours there
// are; call until it answers decided = false.
StutterVerdict FlushStutters(StutterCounter& counter);
