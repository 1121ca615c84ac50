// Whether a pose moved on screen by as much as time passed on screen: at
// each display time that shows a new pose, the change in the pose's time
// since the previous shown pose, less the change in display time. Positive:
// the animation ran ahead of the display.
//
// One tracker follows one stream of poses: a side's (a pose's time is the
// time its rotor has been moved for, the sum of its steps) or the redraws'
// (a frame's start is its simulation start, as the PresentMon 2.x columns
// MsAnimationError and AnimationTime have it).
//
// The caller hands in every shown redraw; the tracker tells a new pose by
// its time. A pose shown again, or a side that did not move, adds nothing;
// a pose never shown is passed over, and the next one is measured from the
// previous one shown. A display time before the previous one is a late word
// and is refused, unless it is kDisplayBackRestart or more before it: then
// the clock went back, and so does a pose time, and the count starts again.
#pragma once

#include <cstdint>

#include "pacing/quantiles.h"

constexpr double kDisplayBackRestart = 1.0;  // seconds

struct AnimationError {
    bool started;      // a pose shown since the start or the last restart
    double poseTime;   // the latest shown pose's, seconds
    double display;    // when it was first shown
    double firstPose;  // the first shown pose's time: where AnimationTime starts
    uint64_t refused;  // display times out of order, or not times at all
    uint64_t restarts;
    QuantileKeeper errors;  // of the absolute value
};

// What one shown redraw gives the log: nothing, the time of a new pose
// (the first after a start carries no error), or both.
struct AnimationStep {
    bool newPose;
    bool hasError;
    double errorMs;  // signed
    double timeMs;   // the pose's time since the first shown one's
};

void ResetAnimationError(AnimationError& tracker);

// A redraw holding a pose of poseTime, shown at displayTime (seconds).
AnimationStep ShowPose(AnimationError& tracker, double poseTime, double displayTime);

// The errors' quantile (fraction 1: the largest), in ms; 0 while none.
double AnimationErrorMs(const AnimationError& tracker, double fraction);
