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

// The same with the lead a swap needs given, in the latch's place: for a
// caller that knows it better than the least lead that made it.
double PredictLiveDisplayWithLead(const DisplayLimiter& limiter, double now, double lead);

// The lead a swap needs, as a live program's own redraws bracket it where
// they come faster than the display shows them: a redraw swapped at s and
// shown at D made it (the lead is at most D - s), and the next redraw,
// swapped at s2 before D and not shown there, missed it (more than D - s2).
// The least lead that made it is a floor; a compositor whose repaint takes
// a varying time needs more on most refreshes, and a prediction made from
// the floor lands a refresh early on those. It follows the brackets' middles.
struct BracketedLatch {
    double latch;         // seconds; negative: no bracket yet
    double shownSwap;     // the latest settled redraw's swap
    double shownDisplay;  // and its display time; negative: not shown
};
// Brackets wider than this say too little to go by.
constexpr double kWidestLatchBracket = 0.005;
// How far each bracket moves the estimate towards its middle.
constexpr double kLatchFollow = 0.1;

void StartBracketedLatch(BracketedLatch& latch);
// Each settled redraw in redraw order: its swap, and its display time where
// it was shown (negative: dropped, or nothing known of it).
void NoteSettledSwap(BracketedLatch& latch, double swap, double display);

// The simulator's: refresh k comes at phase + k / hz and shows the newest
// redraw made at least latch before it. Never the display time the
// display's model later assigns: only what a live program could learn.
double PredictOnGrid(double phase, double hz, double latch, double now);
