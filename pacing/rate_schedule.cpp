#include "pacing/rate_schedule.h"

void StartRateSchedule(RateSchedule& schedule, double hz) {
    schedule = RateSchedule{};
    schedule.period = 1.0 / hz;
}

double TakeDeadline(RateSchedule& schedule, double now) {
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
