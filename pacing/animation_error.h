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

#include <cmath>
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

// A later pose, shown no earlier than the one before it: its error.
inline AnimationStep MeasurePose(AnimationError& tracker, double poseTime, double displayTime) {
    const double error = (poseTime - tracker.poseTime) - (displayTime - tracker.display);
    AddQuantile(tracker.errors, std::fabs(error));
    tracker.poseTime = poseTime;
    tracker.display = displayTime;
    return AnimationStep{true, true, error * 1000.0, (poseTime - tracker.firstPose) * 1000.0};
}

// ShowPose's cases other than a later pose at a display no earlier: the
// first pose, the same one again, a late word, a restart, a value that is
// not a time.
AnimationStep ShowPoseAside(AnimationError& tracker, double poseTime, double displayTime);

// A redraw holding a pose of poseTime, shown at displayTime (seconds).
// Inline: the simulator shows three poses at every shown redraw, and the
// usual case is a few operations.
inline AnimationStep ShowPose(AnimationError& tracker, double poseTime, double displayTime) {
    // Each comparison is false for NaN; the upper bounds keep infinities
    // out, since both kept times are finite.
    if (tracker.started && displayTime >= tracker.display && displayTime < INFINITY) {
        if (poseTime == tracker.poseTime) {
            return AnimationStep{false, false, 0.0, 0.0};  // shown again, or not moved
        }
        if (poseTime > tracker.poseTime && poseTime < INFINITY) {
            return MeasurePose(tracker, poseTime, displayTime);
        }
    }
    return ShowPoseAside(tracker, poseTime, displayTime);
}

// The errors' quantile (fraction 1: the largest), in ms; 0 while none.
double AnimationErrorMs(const AnimationError& tracker, double fraction);
