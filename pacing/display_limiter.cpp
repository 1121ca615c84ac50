#include "pacing/display_limiter.h"

#include <algorithm>
#include <cmath>

namespace {

// The cadence's median is taken again after this many new intervals: it
// moves slowly, and taking it costs more than the rest of a redraw.
constexpr int kCadenceRecount = 4;

// The latch is kept just above the longest lead that missed...
constexpr double kMissPad = 0.00005;
// ...and every made refresh moves it this share of the way down towards
// there, so that it finds the latest swap that still makes it.
constexpr double kLatchExplore = 0.05;
// A miss long ago says less and less: its lead is forgotten at this rate
// per made refresh, so that a compositor that speeds up is followed.
constexpr double kMissForget = 0.000001;
constexpr double kMarginNarrowing = 0.97;  // per made refresh
constexpr double kFirstDisplayMargin = 0.002;
// A display this share of a cadence after the one aimed at missed it. Not
// half: a compositor that sleeps when a swap comes after its repaint, as a
// nested one does, shows it after a delay shorter than its cadence, not a
// whole cadence late, and an unnoticed miss of that kind stretches the
// cadence learned, which plans the next swap later still.
constexpr double kLateShare = 0.25;

double Median(const float* values, int count) {
    float sorted[kCadenceIntervals];
    std::copy(values, values + count, sorted);
    std::nth_element(sorted, sorted + count / 2, sorted + count);
    return sorted[count / 2];
}

double FallbackHz(const DisplayLimiter& limiter) {
    return limiter.refreshHz > 0.0 ? limiter.refreshHz : kFallbackRefreshHz;
}

void NoteInterval(DisplayLimiter& limiter, double seconds) {
    limiter.interval[limiter.intervalNext] = static_cast<float>(seconds);
    limiter.intervalNext = (limiter.intervalNext + 1) % kCadenceIntervals;
    if (limiter.intervalCount < kCadenceIntervals) {
        ++limiter.intervalCount;
    } else if (++limiter.sinceMedian < kCadenceRecount) {
        return;
    }
    limiter.sinceMedian = 0;
    const double median = Median(limiter.interval, limiter.intervalCount);
    limiter.cadence = std::max(median, limiter.refresh);
}

// The display time the plan for a swap made at `swap` aimed at: the newest
// plan made before it. Negative when none is kept.
double AimedDisplay(const DisplayLimiter& limiter, double swap) {
    // Newest first: the plans are kept in the order they were made. The
    // next frame's plan may be made at the very time of this swap.
    for (int back = 1; back <= kRecentPlans; ++back) {
        const int i = (limiter.planNext + kRecentPlans - back) % kRecentPlans;
        if (limiter.planAt[i] < swap) {
            return limiter.planDisplay[i];
        }
    }
    return -1.0;
}

// display -1: a plan on the refresh rate, which aims at no display time.
void RecordPlan(DisplayLimiter& limiter, double now, double display) {
    limiter.planAt[limiter.planNext] = now;
    limiter.planDisplay[limiter.planNext] = display;
    limiter.planNext = (limiter.planNext + 1) % kRecentPlans;
}

}  // namespace

void StartDisplayLimiter(DisplayLimiter& limiter, double refreshHz) {
    limiter = DisplayLimiter{};
    limiter.refreshHz = refreshHz;
    limiter.lastFactAt = -1.0;
    limiter.lastDisplay = -1.0;
    limiter.latch = -1.0;
    limiter.margin = kFirstDisplayMargin;
    limiter.plannedDisplay = -1.0;
    limiter.missHeardAt = -1.0;
    for (int i = 0; i < kRecentPlans; ++i) {
        limiter.planAt[i] = -1.0;
        limiter.planDisplay[i] = -1.0;
    }
    StartRateSchedule(limiter.fallback, FallbackHz(limiter));
}

// A swap that came after the latch of the refresh it was meant for: the
// latch is above the lead it had (missedBy), and the margin widens, once
// for the redraws already made when the first miss was heard: they were
// planned before it.
void NoteMiss(DisplayLimiter& limiter, double swap, double missedBy, double now) {
    limiter.missedLead = std::max(limiter.missedLead, missedBy);
    limiter.latch = std::max(limiter.latch, limiter.missedLead + kMissPad);
    if (swap > limiter.missHeardAt) {
        limiter.margin = std::min(limiter.margin * 2.0, kMostDisplayMargin);
        limiter.missHeardAt = now;
    }
    ++limiter.missed;
}

void NotePresentation(DisplayLimiter& limiter, const PresentationFact& fact, double now) {
    // The display time the swap was planned for, if it was planned on
    // display times, and only while it can still tell.
    double aimed = AimedDisplay(limiter, fact.swap);
    if (!(aimed > fact.swap && aimed - fact.swap < kFeedbackTimeout)) {
        aimed = -1.0;
    }
    if (!fact.shown) {
        // One redraw planned for each shown refresh: one replaced before
        // any refresh missed the refresh it was meant for.
        ++limiter.discarded;
        if (aimed > 0.0 && limiter.latch >= 0.0) {
            NoteMiss(limiter, fact.swap, aimed - fact.swap, now);
        }
        return;
    }
    if (!(fact.display >= fact.swap) || !std::isfinite(fact.display)) {
        return;  // not a time this limiter can learn from
    }
    limiter.lastFactAt = now;
    if (fact.refresh > 0.0 && fact.refresh < 1.0) {
        limiter.refresh = fact.refresh;
    }
    const double previous = limiter.lastDisplay;
    if (previous >= 0.0 && fact.display <= previous) {
        return;  // out of order, or the same display time again
    }
    limiter.lastDisplay = fact.display;
    if (previous >= 0.0 && fact.display - previous < kFeedbackTimeout) {
        NoteInterval(limiter, fact.display - previous);
    } else if (limiter.cadence <= 0.0) {
        limiter.cadence = limiter.refresh > 0.0 ? limiter.refresh : 1.0 / FallbackHz(limiter);
    }
    const double lead = fact.display - fact.swap;
    // Missed: shown after the display time it was planned for, or after
    // another redraw's display time that came after the swap (that
    // refresh's latch had passed).
    const bool late = aimed > 0.0 && fact.display > aimed + limiter.cadence * kLateShare;
    if (late || previous > fact.swap) {
        NoteMiss(limiter, fact.swap, std::max(late ? aimed - fact.swap : 0.0, previous - fact.swap),
                 now);
        return;
    }
    limiter.missedLead = std::max(limiter.missedLead - kMissForget, 0.0);
    const double floor = limiter.missedLead + kMissPad;
    const double latch = limiter.latch < 0.0 ? lead : std::min(limiter.latch, lead);
    limiter.latch = latch > floor ? latch - (latch - floor) * kLatchExplore : latch;
    limiter.margin = std::max(limiter.margin * kMarginNarrowing, kLeastDisplayMargin);
    ++limiter.made;
}

void NoteDrawTime(DisplayLimiter& limiter, double seconds) {
    AddRecent(limiter.draw, seconds > 0.0 ? seconds : 0.0);
}

bool DisplayTimed(const DisplayLimiter& limiter, double now) {
    // A clock that went back leaves the newest fact in the future: as stale
    // as one that stopped coming.
    return limiter.lastFactAt >= 0.0 && limiter.latch >= 0.0 &&
           std::fabs(now - limiter.lastFactAt) < kFeedbackTimeout;
}

const char* DisplayLimitNote(const DisplayLimiter& limiter, double now) {
    return DisplayTimed(limiter, now) ? "" : "(no display times: refresh rate)";
}

double DisplayCadence(const DisplayLimiter& limiter) {
    return limiter.cadence;
}

double PlanDisplayWait(DisplayLimiter& limiter, double now) {
    if (!DisplayTimed(limiter, now)) {
        limiter.plannedDisplay = -1.0;
        RecordPlan(limiter, now, -1.0);
        return TakeDeadline(limiter.fallback, now);
    }
    const double cadence = limiter.cadence;
    const double lead = limiter.latch + limiter.margin;
    const double draw = RecentHighSeconds(limiter.draw);
    // The first display time on the learned cadence whose latch can still
    // be made from now...
    double steps = std::ceil((now + draw + lead - limiter.lastDisplay) / cadence);
    // ...and not one an earlier plan took already.
    if (limiter.plannedDisplay >= 0.0 && limiter.plannedDisplay > now - kFeedbackTimeout) {
        const double after =
            std::ceil((limiter.plannedDisplay + cadence * 0.5 - limiter.lastDisplay) / cadence);
        steps = std::max(steps, after);
    }
    steps = std::max(steps, 1.0);
    const double display = limiter.lastDisplay + steps * cadence;
    limiter.plannedDisplay = display;
    RecordPlan(limiter, now, display);
    return display - lead - draw;
}
