#include "lab/sim/limit_carry.h"

void StartLimitCarry(LimitCarry& carry, Limiter& limiter, double wakeLateP50Us,
                     double wakeLateP99Us, uint64_t seed) {
    carry.limiter = &limiter;
    StartWakeModel(carry.wake, wakeLateP50Us, wakeLateP99Us, seed);
    // On time: no draw from the generator, which would give 0 every time.
    carry.lateWakes = wakeLateP50Us > 0.0 || wakeLateP99Us > 0.0;
    carry.spinSeconds = 0.0;
    carry.first = 0;
    carry.count = 0;
}

void HoldForLater(LimitCarry& carry, const DisplayReport& report, double heardAt, double now) {
    if (carry.count == kHeldReports) {
        // More redraws in flight than a compositor keeps: the oldest is
        // heard early rather than lost.
        NoteDisplayReport(carry.limiter->display, carry.held[carry.first], now);
        carry.first = carry.first + 1 == kHeldReports ? 0 : carry.first + 1;
        --carry.count;
    }
    int32_t at = carry.first + carry.count;
    at = at >= kHeldReports ? at - kHeldReports : at;
    carry.held[at] = report;
    carry.heardAt[at] = heardAt;
    ++carry.count;
}

double CarryWordWait(LimitCarry& carry, WordWait word, double start, double wordAt) {
    // As demo/frame.cpp looks: while the word has not come and it has not
    // given up, sleep a poll (no later than the give-up time) and hear what
    // came.
    if (!(word.poll > 0.0)) {
        // Looked for all the time: the wait ends as the word comes.
        const double end = wordAt < word.giveUp ? wordAt : word.giveUp;
        HearDisplay(carry, end);
        return end > start ? end : start;
    }
    double now = start;
    while (wordAt > now && now < word.giveUp) {
        const double next = now + word.poll;
        const double until = next < word.giveUp ? next : word.giveUp;
        now = carry.lateWakes ? until + WakeLateness(carry.wake, NextRandom(carry.wake.random))
                              : until;
        HearDisplay(carry, now);
    }
    return now;
}
