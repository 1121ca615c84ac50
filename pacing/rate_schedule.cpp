#include "pacing/rate_schedule.h"

void StartRateSchedule(RateSchedule& schedule, double hz) {
    schedule = RateSchedule{};
    schedule.period = 1.0 / hz;
}
