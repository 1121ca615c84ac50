// The frame limiter's per-frame protocol: this core decides, and the loops
// that run it (the live program's demo/frame.cpp, the simulator's
// lab/sim/limit_carry.cpp) only carry out what it plans. Times are seconds
// on the caller's clock; the caller owns a Limiter, reads its own clock and
// does the waiting.
//
// Which steps a limit takes, and where, is decided once, from its setting
// (PlacesOf, kept in limiter.places): a loop asks nothing, and reads no
// clock, at a place where its limit does nothing. A frame then runs:
//
//   the display's word      what it said since is heard (NoteDisplayReport
//                           on limiter.display), as every frame does anyway
//   places.beforeFrame      plan = PlanFrameWait(limiter, now)
//                           carry out plan (below); FinishWait
//   (the frame clock is read, the frame paced and drawn)
//   places.beforeSwap       when places.hearsDisplay: hear the display's word
//                           plan = PlanSwapWait(limiter, now, frameStart, redraw)
//                             (it notes the drawing time, now - frameStart,
//                             when places.hearsDisplay)
//                           carry out plan.wait (below); FinishWait
//                           when plan.word.wait: until the display's word on
//                             redraw plan.word.redraw has come or
//                             plan.word.giveUp has passed, sleep until the
//                             earlier of now + plan.word.poll and giveUp, and
//                             hear the display
//   (the swap)
//
// Carrying out a WaitPlan: sleep until plan.sleepUntil if it is after
// plan.start, note when the sleep returned, spin until plan.deadline, note
// the end; then FinishWait(limiter, plan, sleepReturned, ended). With the
// limit off no place takes a step, and nothing changes.
//
// The display-timed limiter (limiter.display, display_limiter.h) always
// waits before the frame, whatever the placement says: its goal is the least
// time from the poses to the screen, and a wait after they were read only
// adds to it. Before the swap it hears how long the drawing took, and waits
// for the display's word on the redraw before (a cadence at most), since a
// swap made before the compositor has taken that one replaces it.
//
// The options' words are read by ParseLimitOption (limit_setting.h); latency
// figures keep in a QuantileKeeper (quantiles.h); stats_line.h prints them.
#pragma once

#include <cstdint>

#include "pacing/display_limiter.h"
#include "pacing/limit_setting.h"
#include "pacing/quantiles.h"
#include "pacing/rate_schedule.h"

// The hybrid method's margin: how long before a deadline the sleep ends, and
// the spin takes over. A high quantile (kMarginQuantile) of how late the
// recent sleeps returned, with room (kMarginRoomShare of it and
// kMarginRoom more), within these bounds; kFirstHybridMargin until
// kLearnEvery sleeps were measured. A swap is late only when its sleep
// wakes after the margin: at the 99.5th percentile one in two hundred may,
// which leaves the swaps' p1 to p99 spread to the spin. The sleeps' lateness
// is kept in bins of kLateBinSeconds, halved each time kLateWindow sleeps
// are in them, so that a busy stretch is forgotten after a few thousand;
// the margin is learned again every kLearnEvery sleeps, not on each (the
// bins are counted from the prompt end). At most 2 ms: each millisecond
// spun is 6 % of a core at 60 Hz, and on a busy machine, where wakes come
// later still, the rest is lost anyway.
constexpr double kLeastHybridMargin = 0.0002;
constexpr double kMostHybridMargin = 0.002;
constexpr double kFirstHybridMargin = 0.001;
constexpr double kMarginQuantile = 0.995;
constexpr double kMarginRoomShare = 0.25;
constexpr double kMarginRoom = 0.00005;
constexpr int32_t kLateBins = 128;
constexpr double kLateBinSeconds = 0.000016;  // the last bin: 2.032 ms and later
constexpr int32_t kLearnEvery = 32;
constexpr uint32_t kLateWindow = 1024;
constexpr int32_t kUnsleptForgets = 64;  // waits in a row with no sleep

// How often a wait for the display's word looks for it.
constexpr double kWordPoll = 0.0005;

// What a limit does at each place of a frame: PlacesOf decides it, from the
// setting alone.
struct LimitPlaces {
    bool beforeFrame;   // plans a wait before the frame clock is read: PlanFrameWait
    bool beforeSwap;    // plans a step after drawing, before the swap: PlanSwapWait
    bool hearsDisplay;  // the display-timed limiter: the display's word is heard
                        // before PlanSwapWait, which notes the drawing time and
                        // may plan a wait for the word on the redraw before
};

// How late the hybrid method's sleeps returned, lately.
struct SleepLateness {
    uint32_t bins[kLateBins];  // kLateBinSeconds each
    uint32_t count;            // in the bins (halved with them)
    int32_t sinceLearned;      // sleeps since the margin was last learned
};

struct Limiter {
    LimitSetting setting;
    LimitPlaces places;      // PlacesOf(setting)
    RateSchedule schedule;   // kRate
    DisplayLimiter display;  // kDisplay
    SleepLateness sleepLate;
    double hybridMargin;  // learned from sleepLate
    int32_t unslept;      // waits in a row with no sleep
    // Across changes of the setting: each wait's end against its deadline
    // (its count is the waits made).
    QuantileKeeper wakeLate;
};

// A wait: until when, and how.
struct WaitPlan {
    bool wait;          // false: go on at once
    double start;       // when it was planned
    double deadline;    // when the wait should end
    double sleepUntil;  // sleep until then (if after start), then spin
};

// A wait for the display's word on one redraw: it ends when the word comes,
// or at giveUp.
struct WordWait {
    bool wait;        // false: swap at once
    uint64_t redraw;  // the redraw whose word is awaited
    double giveUp;
    double poll;  // how often to look for the word (0: all the time)
};

// Before the swap: first the wait, then the wait for the word.
struct SwapPlan {
    WaitPlan wait;
    WordWait word;
};

struct WaitOutcome {
    double waitSeconds;  // start to end: the frame's MsCPUWait
    double spinSeconds;  // from the sleep's return (or the start) to the end
    double lateSeconds;  // the end against the deadline; negative if early
};

// Where the setting's steps go: the one place placement is decided.
LimitPlaces PlacesOf(const LimitSetting& setting);

// refreshHz: the platform's refresh rate for the display, 0 if unknown; the
// display-timed limiter falls back to it.
void StartLimiter(Limiter& limiter, const LimitSetting& setting, double refreshHz);
// A new setting (the key that cycles it): schedules restart, figures stay.
void ChangeLimit(Limiter& limiter, const LimitSetting& setting);

inline double HybridMargin(const Limiter& limiter);
// Sets the margin from the sleeps measured so far; Forget drops them.
void LearnHybridMargin(Limiter& limiter);
void ForgetHybridMargin(Limiter& limiter);

// Before the frame: the wait, if places.beforeFrame (else none).
inline WaitPlan PlanFrameWait(Limiter& limiter, double now);
// Before the swap of `redraw`, whose frame clock read frameStart: the wait,
// if places.beforeSwap and the placement is the swap, and the wait for the
// display's word on the redraw before, for the display-timed limiter once
// the display has a cadence.
inline SwapPlan PlanSwapWait(Limiter& limiter, double now, double frameStart, uint64_t redraw);
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

// The plan for a deadline, split as the method says.
inline WaitPlan PlanDeadline(const Limiter& limiter, double now, double deadline) {
    WaitPlan plan{false, now, now, now};
    if (!(deadline > now)) {
        return plan;
    }
    const WaitMethod method = limiter.setting.method;
    plan.wait = true;
    plan.deadline = deadline;
    plan.sleepUntil = method == WaitMethod::kSleep  ? deadline
                      : method == WaitMethod::kSpin ? now
                                                    : deadline - HybridMargin(limiter);
    return plan;
}

inline WaitPlan PlanFrameWait(Limiter& limiter, double now) {
    if (!limiter.places.beforeFrame) {
        return WaitPlan{false, now, now, now};
    }
    const double deadline = limiter.setting.kind == LimitKind::kDisplay
                                ? PlanDisplayWait(limiter.display, now)
                                : TakeDeadline(limiter.schedule, now);
    return PlanDeadline(limiter, now, deadline);
}

inline SwapPlan PlanSwapWait(Limiter& limiter, double now, double frameStart, uint64_t redraw) {
    SwapPlan plan;
    plan.wait = WaitPlan{false, now, now, now};
    plan.word = WordWait{false, 0, now, kWordPoll};
    if (limiter.places.hearsDisplay) {
        // The display-timed limiter plans a frame's start by how long
        // drawing takes: from the clock reading that set the poses to now.
        NoteDrawTime(limiter.display, now - frameStart);
        const double cadence = DisplayCadence(limiter.display);
        plan.word.wait = cadence > 0.0 && redraw > 1;
        plan.word.redraw = redraw - 1;
        plan.word.giveUp = now + cadence;
    } else if (limiter.places.beforeSwap) {
        plan.wait = PlanDeadline(limiter, now, TakeDeadline(limiter.schedule, now));
    }
    return plan;
}

// The sleeps' lateness, learned from every kLearnEvery sleeps.
inline void NoteSleepLate(Limiter& limiter, double late) {
    SleepLateness& s = limiter.sleepLate;
    int32_t i = 0;
    if (late > 0.0) {
        const double bin = late * (1.0 / kLateBinSeconds);
        i = bin < kLateBins - 1 ? static_cast<int32_t>(bin) : kLateBins - 1;
    }
    ++s.bins[i];
    ++s.count;
    if (++s.sinceLearned == kLearnEvery) {
        LearnHybridMargin(limiter);
    }
}

inline WaitOutcome FinishWait(Limiter& limiter, const WaitPlan& plan, double sleepReturned,
                              double ended) {
    if (!plan.wait) {
        return WaitOutcome{0.0, 0.0, 0.0};
    }
    // Only the hybrid method has a margin to learn.
    if (limiter.setting.method != WaitMethod::kHybrid) {
    } else if (plan.sleepUntil > plan.start) {
        NoteSleepLate(limiter, sleepReturned - plan.sleepUntil);
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
