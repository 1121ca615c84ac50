// Where a redraw made now will be shown, for the motion that moves a pose
// by display time. Pure: each takes what its program has learned of the
// display and gives a display time in seconds on the same clock, or a
// negative value where it cannot tell.
#pragma once

#include "pacing/display_limiter.h"

// The first display time on the cadence counted from lastDisplay, at or
// after earliest (the newest time a swap can be made and still be shown
// there): lastDisplay plus a whole number of cadences, at least one.
double PredictOnCadence(double lastDisplay, double cadence, double earliest);

// The live program's and replay's: from the display-timed limiter's latest
// display time and the cadence it learned (a nested compositor announces
// 60 Hz and shows far fewer), for a frame starting at now that needs its
// drawing time and the latch before the display takes it. Negative while
// display times are not steering it, or stopped coming kFeedbackTimeout ago.
double PredictLiveDisplay(const DisplayLimiter& limiter, double now);

// The simulator's: refresh k comes at phase + k / hz and shows the newest
// redraw made at least latch before it. Never the display time the
// display's model later assigns: only what a live program could learn.
double PredictOnGrid(double phase, double hz, double latch, double now);
