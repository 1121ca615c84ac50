// What replay learns of a capture's display as its rows go by, for the
// rules and motions that need it: display-locked's refresh count and
// display motion's prediction. A row's display time is heard only once the
// replay's clock has passed it, as a live program hears the display's word
// after the fact, so that no prediction sees a display time to come.
#pragma once

#include <cstdint>

#include "pacing/display_limiter.h"
#include "pacing/display_prediction.h"
#include "pacing/rules.h"

// Rows whose display time is still to come; a queue deeper than this is
// heard at once, early.
constexpr int kPendingCaptureReports = 16;

struct ReplayDisplay {
    DisplayLimiter limiter;  // the cadence, from the heard display times
    // The lead a present needs, bracketed by the rows shown and those just
    // too late: a capture's presents outrun its display as a live
    // program's redraws do, and the least lead that made it is far too long.
    BracketedLatch bracket;
    DisplayReport pending[kPendingCaptureReports];  // in row order
    int32_t pendingCount;
    bool counting;     // refresh counts the heard display times
    int64_t refresh;   // the newest heard display time's refresh
    double countedAt;  // and that display time
};

void StartReplayDisplay(ReplayDisplay& display);

// A row replayed at swap: shown at display (seconds, the replay's clock),
// or not shown.
void HoldCaptureRow(ReplayDisplay& display, double swap, bool shown, double at);

// Hears the held rows whose display times are at or before now.
void HearCaptureUntil(ReplayDisplay& display, double now);

// Where a redraw made now will be shown, and the cadence it is shown at:
// false while display times do not steer (none heard, or none for a
// second).
bool PredictReplay(const ReplayDisplay& display, double now, double* predicted, double* cadence);

// The refresh a redraw shown at predicted falls on, counted from the heard
// display times in whole cadences, for display-locked.
RefreshSlot ReplaySlot(const ReplayDisplay& display, double predicted, double cadence);
