// The frame limiter: when each redraw may go, and how to wait for it. The
// caller owns a Limiter, reads its own clock and does the waiting; this only
// plans and keeps the figures. Times are seconds on the caller's clock.
//
// A loop with a limit asks at both places a wait may go, and only the
// setting's placement plans one (the display-timed limiter's is always
// before the frame):
//
//   plan = PlanWait(limiter, WaitPlacement::kFrame, now)   // before the frame
//   ... read the clock, pace, draw ...
//   plan = PlanWait(limiter, WaitPlacement::kSwap, now)    // before the swap
//   if plan.wait: sleep until plan.sleepUntil (if later than now), note when
//                 the sleep returned, spin until plan.deadline, note the end
//   outcome = FinishWait(limiter, plan, sleepReturned, ended)
//
// With the limit off no wait is ever planned, and nothing changes.
//
// The display-timed limiter (limiter.display, display_limiter.h) also needs
// each presentation's facts (NotePresentation) and each frame's drawing time
// (NoteDrawTime). The options' words are read by ParseLimitOption
// (limit_setting.h); latency figures keep in a QuantileKeeper (quantiles.h);
// stats_line.h prints them all.
#pragma once

#include <cstdint>

#include "pacing/display_limiter.h"
#include "pacing/limit_setting.h"
#include "pacing/quantiles.h"
#include "pacing/rate_schedule.h"

// The hybrid method's margin: how long before a deadline the sleep ends. The
// latest a sleep returned lately, with room to spare, within these bounds;
// kFirstHybridMargin until a sleep was measured. A wake a millisecond or
// more late comes once in hundreds here: a margin that covers only the
// usual ones leaves that one late, and it alone sets the swaps' spread. So
// the worst is remembered for about a thousand sleeps, fading, and the floor
// is near a millisecond: the spin that costs is cheap next to a late swap.
// At most 2 ms: each millisecond spun is 6 % of a core at 60 Hz, and on a
// busy machine, where wakes come later still, the rest is lost anyway.
constexpr double kLeastHybridMargin = 0.001;
constexpr double kMostHybridMargin = 0.002;
constexpr double kFirstHybridMargin = 0.0015;
constexpr double kHybridRoom = 0.00025;        // added to the latest wake
constexpr int32_t kUnsleptForgets = 64;  // waits in a row with no sleep
constexpr double kSleepLateFading = 0.9993;  // per sleep: halves in about 1000

struct Limiter {
    LimitSetting setting;
    RateSchedule schedule;   // kRate
    DisplayLimiter display;  // kDisplay
    double sleepLate;        // the latest a sleep returned, fading; negative: none yet
    double hybridMargin;     // learned from it
    int32_t unslept;         // waits in a row with no sleep
    // Across changes of the setting: each wait's end against its deadline
    // (its count is the waits made).
    QuantileKeeper wakeLate;
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

inline double HybridMargin(const Limiter& limiter);
// Sets the margin from the sleeps measured so far; Forget drops them.
void LearnHybridMargin(Limiter& limiter);
void ForgetHybridMargin(Limiter& limiter);

inline WaitPlan PlanWait(Limiter& limiter, WaitPlacement at, double now);
// A planned wait that was made. sleepReturned is plan.start when it did not
// sleep. A plan with wait false gives all zeros and records nothing.
inline WaitOutcome FinishWait(Limiter& limiter, const WaitPlan& plan, double sleepReturned,
                              double ended);

// What the limit shows beside its value: the display-timed limiter's
// fallback note, else "".
const char* LimitNote(const Limiter& limiter, double now);

// Inline: the simulator plans and finishes a wait on every redraw.
inline double HybridMargin(const Limiter& limiter) {
    return limiter.hybridMargin;
}

inline WaitPlan PlanWait(Limiter& limiter, WaitPlacement at, double now) {
    WaitPlan plan{false, now, now, now};
    const LimitSetting& s = limiter.setting;
    // The display-timed limiter holds every frame back before it starts,
    // whatever the placement: its goal is the least time from the poses to
    // the screen, and a wait after they were read only adds to it.
    const bool display = s.kind == LimitKind::kDisplay;
    if (s.kind == LimitKind::kOff || (display ? at != WaitPlacement::kFrame : s.placement != at)) {
        return plan;
    }
    const double deadline =
        display ? PlanDisplayWait(limiter.display, now) : TakeDeadline(limiter.schedule, now);
    if (!(deadline > now)) {
        return plan;
    }
    plan.wait = true;
    plan.deadline = deadline;
    plan.sleepUntil = s.method == WaitMethod::kSleep  ? deadline
                      : s.method == WaitMethod::kSpin ? now
                                                      : deadline - HybridMargin(limiter);
    return plan;
}

inline WaitOutcome FinishWait(Limiter& limiter, const WaitPlan& plan, double sleepReturned,
                              double ended) {
    if (!plan.wait) {
        return WaitOutcome{0.0, 0.0, 0.0};
    }
    if (plan.sleepUntil > plan.start) {
        const double returnedAfter = sleepReturned - plan.sleepUntil;
        const double late = returnedAfter > 0.0 ? returnedAfter : 0.0;
        const double faded = limiter.sleepLate * kSleepLateFading;
        limiter.sleepLate = late > faded ? late : faded;
        LearnHybridMargin(limiter);
        limiter.unslept = 0;
    } else if (++limiter.unslept == kUnsleptForgets) {
        // A margin longer than every wait measures nothing more, and would
        // spin for good after one bad stretch: it starts again.
        ForgetHybridMargin(limiter);
    }
    WaitOutcome out;
    out.waitSeconds = ended - plan.start;
    out.spinSeconds = ended - sleepReturned;
    out.lateSeconds = ended - plan.deadline;
    AddQuantile(limiter.wakeLate, out.lateSeconds);
    return out;
}
