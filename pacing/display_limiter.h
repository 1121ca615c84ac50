// The display-timed limiter: it learns from the display's own account of
// each swap when the display really shows frames, and plans each redraw so
// that its swap lands just before the display takes it.
//
// It learns three things. The cadence the display shows: a compositor may
// show fewer frames than its nominal refresh (36 to 48 a second of a 60 Hz
// output, nested in a slow X server), so the refresh period given is only a
// floor. The latch: how long before a display time a swap must be made to
// make it: at most the least lead that made it, and above the longest that
// missed; between the two it keeps moving down towards the misses. And the drawing time, at a high
// quantile, so that the wait, always before the frame, leaves room to draw. The margin added to the
// latch widens when a swap misses its refresh and narrows slowly while none
// does.
//
// Without display times, or when they stopped coming for a second, it
// limits to the refresh rate it was given, and says so (DisplayLimitNote).
#pragma once

#include <cstdint>

#include "pacing/quantiles.h"
#include "pacing/rate_schedule.h"

// The display's report of one swapped redraw, in seconds on the caller's
// clock.
struct DisplayReport {
    double swap;     // when the swap was made
    bool shown;      // false: replaced before any refresh showed it
    double display;  // shown: when it reached the screen
    double refresh;  // the refresh period the display reported; 0 if none
};

constexpr double kFeedbackTimeout = 1.0;  // seconds without a report before falling back
constexpr double kLeastDisplayMargin = 0.0005;
constexpr double kMostDisplayMargin = 0.008;
constexpr double kFallbackRefreshHz = 60.0;  // when the platform gives no rate either

constexpr int kCadenceIntervals = 15;
constexpr int kRecentPlans = 8;

struct DisplayLimiter {
    double refreshHz;     // the platform's rate, for the fallback
    double lastReportAt;  // caller's clock when the newest report came; negative: none
    double lastDisplay;   // the newest display time; negative: none
    double refresh;       // the newest reported refresh period; 0 if none
    float interval[kCadenceIntervals];  // ring of display intervals, seconds
    float sorted[kCadenceIntervals];    // the same intervals, in order
    int32_t intervalNext;
    int32_t intervalCount;
    int32_t sinceMedian;    // intervals since the cadence was last taken
    double cadence;         // DisplayCadence, kept up to date
    double latch;           // the lead a swap needs; negative: not yet known
    double missedLead;      // the longest lead that missed a refresh, lately
    double missHeardAt;     // when the margin last widened; negative: never
    double margin;          // added to the latch
    RecentHigh draw;        // drawing times
    double plannedDisplay;  // the display time the last plan aimed at; negative: none
    // The recent plans, to tell which display time a report's swap aimed at:
    // when each was made and the display time it aimed at.
    double planAt[kRecentPlans];
    double planDisplay[kRecentPlans];
    int32_t planNext;
    RateSchedule fallback;  // at the refresh rate, without display times
    uint64_t made;
    uint64_t missed;
    uint64_t discarded;
};

void StartDisplayLimiter(DisplayLimiter& limiter, double refreshHz);

// One report, as it comes in at now. Reports may come late and out of order
// with the redraws; each is learned from once.
void NoteDisplayReport(DisplayLimiter& limiter, const DisplayReport& report, double now);
// The time from a frame's start to its being ready to swap, waits excluded.
inline void NoteDrawTime(DisplayLimiter& limiter, double seconds);

// Whether display times are steering it: some came, the newest less than
// kFeedbackTimeout before now.
bool DisplayTimed(const DisplayLimiter& limiter, double now);
// "" while display times steer it, else "(no display times: refresh rate)".
const char* DisplayLimitNote(const DisplayLimiter& limiter, double now);

// The typical time between the frames the display shows: the median of the
// recent display intervals, never below the reported refresh period.
inline double DisplayCadence(const DisplayLimiter& limiter);

// When the frame after now should start: its drawing time's high quantile,
// the latch and the margin before the display time it aims at. Each call
// plans one redraw, and two never aim at one display time; nor, when the
// redraw planned last was swapped after the display time it aimed at, at
// the first display time after now, where that one will be shown at the
// earliest (and the next swap waits for its word: limiter.h). At or before
// now: do not wait. The fallback
// keeps an absolute schedule at the refresh rate, restarted when a period
// late.
double PlanDisplayWait(DisplayLimiter& limiter, double now);

// Inline: the simulator notes a drawing time and reads the cadence on every
// redraw.
inline void NoteDrawTime(DisplayLimiter& limiter, double seconds) {
    AddRecent(limiter.draw, seconds > 0.0 ? seconds : 0.0);
}

inline double DisplayCadence(const DisplayLimiter& limiter) {
    return limiter.cadence;
}
