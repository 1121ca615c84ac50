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

double FallbackHz(const DisplayLimiter& limiter) {
    return limiter.refreshHz > 0.0 ? limiter.refreshHz : kFallbackRefreshHz;
}

// Keeps the ring's intervals in order too, so that the median is there to
// read: the one that leaves the ring is taken out of the order and the new
// one put in its place. In a steady cadence they are the same, and nothing
// moves.
void NoteInterval(DisplayLimiter& limiter, double seconds) {
    const float v = static_cast<float>(seconds);
    float* sorted = limiter.sorted;
    const int32_t next = limiter.intervalNext;
    const float gone = limiter.interval[next];
    limiter.interval[next] = v;
    limiter.intervalNext = next + 1 == kCadenceIntervals ? 0 : next + 1;
    const bool filling = limiter.intervalCount < kCadenceIntervals;
    int32_t n = limiter.intervalCount;
    if (filling || gone != v) {
        int32_t j = n;  // the free place in the order
        if (filling) {
            limiter.intervalCount = ++n;
        } else {
            j = 0;
            while (j < n - 1 && sorted[j] != gone) {
                ++j;
            }
        }
        while (j + 1 < n && sorted[j + 1] < v) {
            sorted[j] = sorted[j + 1];
            ++j;
        }
        while (j > 0 && sorted[j - 1] > v) {
            sorted[j] = sorted[j - 1];
            --j;
        }
        sorted[j] = v;
    }
    // The cadence is the median: taken on each interval while the ring
    // fills, then on every kCadenceRecount-th.
    if (!filling && ++limiter.sinceMedian < kCadenceRecount) {
        return;
    }
    limiter.sinceMedian = 0;
    limiter.cadence = std::max(static_cast<double>(sorted[n / 2]), limiter.refresh);
}

// The display time the plan for a swap made at `swap` aimed at: the newest
// plan made before it. Negative when none is kept.
double AimedDisplay(const DisplayLimiter& limiter, double swap) {
    // Newest first: the plans are kept in the order they were made. The
    // next frame's plan may be made at the very time of this swap.
    int32_t i = limiter.planNext;
    for (int back = 0; back < kRecentPlans; ++back) {
        i = i == 0 ? kRecentPlans - 1 : i - 1;
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
    limiter.planNext = limiter.planNext + 1 == kRecentPlans ? 0 : limiter.planNext + 1;
}

// The ceiling of a count of cadences, at least 1; in a few instructions,
// since the plan takes it on every redraw (std::ceil, without SSE 4.1, takes
// a dozen). Past 2^52 a double is whole anyway.
inline double StepsUp(double x) {
    if (!(x > 1.0)) {
        return 1.0;  // also NaN: the plan is for the next display time
    }
    if (x >= 0x1p52) {
        return x;
    }
    const double whole = static_cast<double>(static_cast<int64_t>(x));
    return whole < x ? whole + 1.0 : whole;
}

}  // namespace

void StartDisplayLimiter(DisplayLimiter& limiter, double refreshHz) {
    limiter = DisplayLimiter{};
    limiter.refreshHz = refreshHz;
    limiter.lastReportAt = -1.0;
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

void NoteDisplayReport(DisplayLimiter& limiter, const DisplayReport& report, double now) {
    // The display time the swap was planned for, if it was planned on
    // display times, and only while it can still tell.
    double aimed = AimedDisplay(limiter, report.swap);
    if (!(aimed > report.swap && aimed - report.swap < kFeedbackTimeout)) {
        aimed = -1.0;
    }
    if (!report.shown) {
        // One redraw planned for each shown refresh: one replaced before
        // any refresh missed the refresh it was meant for.
        ++limiter.discarded;
        if (aimed > 0.0 && limiter.latch >= 0.0) {
            NoteMiss(limiter, report.swap, aimed - report.swap, now);
        }
        return;
    }
    if (!(report.display >= report.swap) || !std::isfinite(report.display)) {
        return;  // not a time this limiter can learn from
    }
    limiter.lastReportAt = now;
    if (report.refresh > 0.0 && report.refresh < 1.0) {
        limiter.refresh = report.refresh;
    }
    const double previous = limiter.lastDisplay;
    if (previous >= 0.0 && report.display <= previous) {
        return;  // out of order, or the same display time again
    }
    limiter.lastDisplay = report.display;
    if (previous >= 0.0 && report.display - previous < kFeedbackTimeout) {
        NoteInterval(limiter, report.display - previous);
    } else if (limiter.cadence <= 0.0) {
        limiter.cadence = limiter.refresh > 0.0 ? limiter.refresh : 1.0 / FallbackHz(limiter);
    }
    const double lead = report.display - report.swap;
    // Missed: shown after the display time it was planned for, or after
    // another redraw's display time that came after the swap (that
    // refresh's latch had passed).
    const bool late = aimed > 0.0 && report.display > aimed + limiter.cadence * kLateShare;
    if (late || previous > report.swap) {
        NoteMiss(limiter, report.swap,
                 std::max(late ? aimed - report.swap : 0.0, previous - report.swap), now);
        return;
    }
    limiter.missedLead = std::max(limiter.missedLead - kMissForget, 0.0);
    const double floor = limiter.missedLead + kMissPad;
    const double latch = limiter.latch < 0.0 ? lead : std::min(limiter.latch, lead);
    limiter.latch = latch > floor ? latch - (latch - floor) * kLatchExplore : latch;
    limiter.margin = std::max(limiter.margin * kMarginNarrowing, kLeastDisplayMargin);
    ++limiter.made;
}

bool DisplayTimed(const DisplayLimiter& limiter, double now) {
    // A clock that went back leaves the newest report in the future: as stale
    // as one that stopped coming.
    const double since = now - limiter.lastReportAt;
    return limiter.lastReportAt >= 0.0 && limiter.latch >= 0.0 && since < kFeedbackTimeout &&
           since > -kFeedbackTimeout;
}

const char* DisplayLimitNote(const DisplayLimiter& limiter, double now) {
    return DisplayTimed(limiter, now) ? "" : "(no display times: refresh rate)";
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
    double steps = StepsUp((now + draw + lead - limiter.lastDisplay) / cadence);
    // ...and not one an earlier plan took already (the ceiling of `after`,
    // taken only when it is the larger).
    double taken = limiter.plannedDisplay;
    if (taken >= 0.0 && taken > now - kFeedbackTimeout) {
        // The redraw planned last has been swapped by now. Swapped at or
        // after the very display time it aimed at (its swap waited for the
        // word on a redraw shown late), it is shown a cadence after now at
        // the earliest, and that time is taken. Aimed where it aimed, the
        // next redraw's swap would wait for its word in turn and miss too,
        // and so would every one after it.
        if (now >= taken) {
            taken = now + cadence;
        }
        const double after = (taken + cadence * 0.5 - limiter.lastDisplay) / cadence;
        if (after > steps) {
            steps = StepsUp(after);
        }
    }
    const double display = limiter.lastDisplay + steps * cadence;
    limiter.plannedDisplay = display;
    RecordPlan(limiter, now, display);
    return display - lead - draw;
}
