// The simulator's side of the frame limiter's protocol (pacing/limiter.h):
// the limiter's plans carried out against the simulator's models, as the
// live program carries them out on the host's clock (demo/frame.cpp).
//
// - A wait: the sleep returns late by the wake model, the spin ends on its
//   deadline.
// - The wait for the display's word on a redraw: the program looks for it
//   every plan.word.poll (each look a modelled sleep, hearing the display),
//   and stops at the first look at or after the time the modelled display
//   gives it, or at plan.word.giveUp.
// - The display's word on each redraw is held until the program would hear
//   it: a shown redraw's at its display time, a replaced one's at the swap
//   that replaced it.
#pragma once

#include <cstdint>

#include "lab/sim/clock_model.h"
#include "lab/sim/wake_model.h"
#include "pacing/display_model.h"
#include "pacing/limiter.h"

constexpr int kHeldReports = 8;

struct LimitCarry {
    Limiter* limiter;
    WakeModel wake;
    bool lateWakes;      // the wake model's sleeps wake late at all
    double spinSeconds;  // spun in all: CPU besides the drawing
    // The display's word, held until heard: a ring in the order the
    // redraws were decided.
    DisplayReport held[kHeldReports];
    double heardAt[kHeldReports];
    int32_t first;
    int32_t count;
};

// wakeLateP50Us and P99Us: the wake model's (wake_model.h); seed its
// generator's.
void StartLimitCarry(LimitCarry& carry, Limiter& limiter, double wakeLateP50Us,
                     double wakeLateP99Us, uint64_t seed);

// Makes the wait the plan asks for; returns when it ended (plan.start when
// it had no wait).
inline double CarryWait(LimitCarry& carry, const WaitPlan& plan);

// The limiter hears every word held that came by now.
inline void HearDisplay(LimitCarry& carry, double now);
// Holds the display's word on a redraw until heardAt. It was decided at
// now, and the caller hears the display next at now.
inline void HoldReport(LimitCarry& carry, const DisplayReport& report, double heardAt, double now);
void HoldForLater(LimitCarry& carry, const DisplayReport& report, double heardAt, double now);

// When the modelled display gives its word on the newest redraw made,
// should no newer one replace it first: the refresh that showed it, or the
// next refresh, which will. Only while a redraw has been made.
inline double WordOnNewest(const DisplayModel& display) {
    return display.newestShown ? display.newestDisplay : display.refreshTime;
}

// The wait for the word from start, which the display gives at wordAt;
// returns when it ended.
double CarryWordWait(LimitCarry& carry, WordWait word, double start, double wordAt);

// Inline, and forced: the simulator waits on every redraw, and a call per
// redraw costs a tenth of it.
inline __attribute__((always_inline)) double CarryWait(LimitCarry& carry, const WaitPlan& plan) {
    if (!plan.wait) {
        return plan.start;
    }
    double returned = plan.start;
    if (plan.sleepUntil > plan.start) {
        returned = plan.sleepUntil;
        if (carry.lateWakes) {
            returned += WakeLateness(carry.wake, NextRandom(carry.wake.random));
        }
    }
    const double ended = returned > plan.deadline ? returned : plan.deadline;
    carry.spinSeconds += FinishWait(*carry.limiter, plan, returned, ended).spinSeconds;
    return ended;
}

inline __attribute__((always_inline)) void HearDisplay(LimitCarry& carry, double now) {
    while (carry.count > 0 && carry.heardAt[carry.first] <= now) {
        NoteDisplayReport(carry.limiter->display, carry.held[carry.first], now);
        carry.first = carry.first + 1 == kHeldReports ? 0 : carry.first + 1;
        --carry.count;
    }
}

inline __attribute__((always_inline)) void HoldReport(LimitCarry& carry,
                                                      const DisplayReport& report, double heardAt,
                                                      double now) {
    if (carry.count == 0 && heardAt <= now) {
        // Heard already, and nothing the limiter does comes between now and
        // the next time the caller hears the display: heard now.
        NoteDisplayReport(carry.limiter->display, report, now);
        return;
    }
    HoldForLater(carry, report, heardAt, now);
}
