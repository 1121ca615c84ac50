// The frame limiter: when each redraw may go, and how to wait for it. The
// caller owns a Limiter, reads its own clock and does the waiting; this only
// plans and keeps the figures. Times are seconds on the caller's clock.
//
// A loop with a limit asks at both places a wait may go, and only the
// setting's placement plans one:
//
//   plan = PlanWait(limiter, WaitPlacement::kFrame, now)   // before the frame
//   ... read the clock, pace, draw ...
//   plan = PlanWait(limiter, WaitPlacement::kSwap, now)    // before the swap
//   if plan.wait: sleep until plan.sleepUntil (if later than now), note when
//                 the sleep returned, spin until plan.deadline, note the end
//   outcome = FinishWait(limiter, plan, sleepReturned, ended)
//
// With the limit off no wait is ever planned, and nothing changes.
#pragma once

#include <cstdint>

#include "pacing/display_limiter.h"
#include "pacing/limit_setting.h"
#include "pacing/quantiles.h"
#include "pacing/rate_schedule.h"

// The hybrid method's margin: how long before a deadline the sleep ends. A
// high quantile of how late recent sleeps returned, with room to spare,
// within these bounds; kFirstHybridMargin until a sleep was measured.
constexpr double kLeastHybridMargin = 0.00025;
constexpr double kMostHybridMargin = 0.004;
constexpr double kFirstHybridMargin = 0.001;

struct Limiter {
    LimitSetting setting;
    RateSchedule schedule;   // kRate
    DisplayLimiter display;  // kDisplay
    RecentHigh sleepLate;    // how late sleeps returned against the time asked
    // The run's figures, across changes of the setting.
    QuantileKeeper wakeLate;  // each wait's end against its deadline
    uint64_t waits;
    double waitSeconds;  // all the waits' lengths
    double spinSeconds;  // the part of them spent spinning
};

struct WaitPlan {
    bool wait;          // false: go on at once
    double start;       // when it was planned
    double deadline;    // when the wait should end
    double sleepUntil;  // sleep until then (if after start), then spin
};

struct WaitOutcome {
    double waitSeconds;  // start to end: the frame's MsCPUWait
    double spinSeconds;  // from the sleep's return (or the start) to the end
    double lateSeconds;  // the end against the deadline; negative if early
};

// refreshHz: the platform's refresh rate for the display, 0 if unknown; the
// display-timed limiter falls back to it.
void StartLimiter(Limiter& limiter, const LimitSetting& setting, double refreshHz);
// A new setting (the key that cycles it): schedules restart, figures stay.
void ChangeLimit(Limiter& limiter, const LimitSetting& setting);

double HybridMargin(const Limiter& limiter);

WaitPlan PlanWait(Limiter& limiter, WaitPlacement at, double now);
// A planned wait that was made. sleepReturned is plan.start when it did not
// sleep. A plan with wait false gives all zeros and records nothing.
WaitOutcome FinishWait(Limiter& limiter, const WaitPlan& plan, double sleepReturned, double ended);

// What the limit shows beside its value: the display-timed limiter's
// fallback note, else "".
const char* LimitNote(const Limiter& limiter, double now);
