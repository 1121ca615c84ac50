// The animation error of a run's shown redraws, for every program that
// knows when its redraws were shown: the redraws' own (a frame's start is
// its simulation start, as the present monitor's 2.x columns have it) and
// each side's (a pose's time is the time its rotor has been moved for).
// Each settled redraw the display showed is handed in once, in redraw
// order; what it gives goes onto that redraw's row, and each side's motion
// hears that its pose was shown, to count the predictions that missed.
#pragma once

#include "pacing/animation_error.h"
#include "pacing/cadence.h"
#include "pacing/frame_log.h"
#include "pacing/motion.h"

struct ShownAnimation {
    AnimationError redraws;
    AnimationError sides[2];  // left, right
};

void ResetShownAnimation(ShownAnimation& shown);

// A redraw shown at display (seconds, on the clock of its frame start).
// Fills display's animation cells where a new pose was shown; a frame start
// or a pose time that is negative is not kept, and adds nothing. motions:
// the two sides' (left, right), or null where nobody predicts.
void NoteShownRedraw(ShownAnimation& shown, const FrameSample& sample, double display,
                     FrameDisplay& cells, Motion* motions);
