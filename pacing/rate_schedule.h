// An absolute schedule of deadlines, one period after the last. A deadline
// missed by more than a period, or a clock that went back, restarts the
// schedule from now: the redraws never catch up in a burst.
#pragma once

#include <cstdint>

struct RateSchedule {
    double period;  // seconds
    double next;    // the next deadline
    bool started;
    uint64_t restarts;  // after lateness or a clock jump, not counting the start
};

void StartRateSchedule(RateSchedule& schedule, double hz);

// The deadline of the redraw being made at now, and the schedule moved one
// period on. The first deadline, and the one after a restart, is now itself:
// no wait. A deadline before now (late by less than a period) stands: the
// redraw goes at once and the schedule keeps its phase.
inline double TakeDeadline(RateSchedule& schedule, double now);

// Inline: the simulator takes one on every redraw.
inline double TakeDeadline(RateSchedule& schedule, double now) {
    const double period = schedule.period;
    // Right after a wait the next deadline is one period ahead; further
    // ahead, the clock went back.
    const bool lost = now > schedule.next + period || now < schedule.next - period * 1.5;
    if (!schedule.started || lost) {
        schedule.restarts += schedule.started ? 1 : 0;
        schedule.started = true;
        schedule.next = now + period;
        return now;
    }
    const double deadline = schedule.next;
    schedule.next = deadline + period;
    return deadline;
}
