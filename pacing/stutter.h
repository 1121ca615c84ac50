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

#include <cfloat>
#include <cmath>
#include <cstdint>

constexpr int kStutterReach = 20;
constexpr double kStutterFactor = 2.5;
constexpr int kStutterWindow = 2 * kStutterReach + 1;
// A fresh sum costs a lap's worth of adds; every few laps is enough, since
// its rounding is bounded below (kStutterRoundingSteps).
constexpr int kStutterLapsPerSum = 4;
// The kept sum's rounding, in DBL_EPSILON times the sizes it has summed
// since it was fresh: one for each addition it made (the ring's, then two
// for each interval of those laps), twice over, since an interval leaving
// the ring was counted in the sizes once, when it came.
constexpr double kStutterRoundingSteps = 1024.0;
static_assert(2 * kStutterWindow * (1 + 2 * kStutterLapsPerSum) <= kStutterRoundingSteps,
              "the sum's rounding bound covers its laps");

struct StutterCounter {
    double ring[kStutterWindow];  // the newest kStutterWindow intervals
    uint64_t added;
    uint64_t decided;  // intervals judged so far, the oldest first
    uint64_t stutters;
    // The ring's sum, kept as intervals come and go and summed afresh every
    // kStutterLapsPerSum laps; and the sizes of all it has summed since,
    // which bound its rounding.
    double sum;
    double peak;
    int slot;  // the ring's place for the next interval
    int laps;  // since the sum was made afresh
};

// The judgement of one interval: its place in the stream, from 0.
struct StutterVerdict {
    bool decided;  // false: nothing was ready to be judged
    bool stutter;
    uint64_t index;
};

void ResetStutters(StutterCounter& counter);
// Inline below: a report adds every redraw's interval.
inline StutterVerdict AddStutterInterval(StutterCounter& counter, double seconds);
// Judges the oldest interval still waiting, with the later neighbours there
// are; call until it answers decided = false.
StutterVerdict FlushStutters(StutterCounter& counter);

// AddStutterInterval's slower steps (stutter.cpp): the lap's fresh sum, and
// the judgement of the oldest interval waiting by a fresh sum of its
// neighbours.
void RestartStutterSum(StutterCounter& counter);
StutterVerdict JudgeStutterAfresh(StutterCounter& counter);

inline StutterVerdict AddStutterInterval(StutterCounter& c, double seconds) {
    int slot = c.slot;
    if (slot == 0 && ++c.laps == kStutterLapsPerSum) {
        c.laps = 0;
        RestartStutterSum(c);
    }
    c.sum += seconds - c.ring[slot];
    c.peak += std::fabs(seconds);
    c.ring[slot] = seconds;
    slot = slot + 1 == kStutterWindow ? 0 : slot + 1;
    c.slot = slot;
    c.added += 1;
    if (c.added - c.decided <= kStutterReach)
        return StutterVerdict{false, false, 0};
    if (c.decided >= kStutterReach) {
        // The window is whole, all in the ring, and the kept sum, within its
        // rounding, settles the intervals well below or above the bar. The
        // one judged lies kStutterReach + 1 places back.
        const int at =
            slot + kStutterReach < kStutterWindow ? slot + kStutterReach : slot - kStutterReach - 1;
        // The bars' own rounding is far inside their margin of 1e-9, which
        // is folded into their factors.
        constexpr double kScale = kStutterFactor / (kStutterWindow - 1);
        constexpr double kLowBar = kScale * (1.0 - 1e-9);
        constexpr double kHighBar = kScale * (1.0 + 1e-9);
        const double x = c.ring[at];
        const double error = kStutterRoundingSteps * DBL_EPSILON * c.peak;
        const double neighbours = c.sum - x;
        const bool below = x < (neighbours - error) * kLowBar;
        if (below || x > (neighbours + error) * kHighBar) {
            c.stutters += !below;
            c.decided += 1;
            return StutterVerdict{true, !below, c.decided - 1};
        }
    }
    return JudgeStutterAfresh(c);
}
