#include "pacing/animation_error.h"

#include <cmath>

namespace {

AnimationStep Begin(AnimationError& tracker, double poseTime, double displayTime) {
    tracker.started = true;
    tracker.poseTime = poseTime;
    tracker.display = displayTime;
    tracker.firstPose = poseTime;
    return AnimationStep{true, false, 0.0, 0.0};
}

}  // namespace

void ResetAnimationError(AnimationError& tracker) {
    tracker.started = false;
    tracker.poseTime = tracker.display = tracker.firstPose = 0.0;
    tracker.refused = tracker.restarts = 0;
    ResetQuantiles(tracker.errors);
}

AnimationStep ShowPoseAside(AnimationError& tracker, double poseTime, double displayTime) {
    const AnimationStep none{false, false, 0.0, 0.0};
    if (!std::isfinite(poseTime) || !std::isfinite(displayTime)) {
        ++tracker.refused;
        return none;
    }
    if (!tracker.started) {
        return Begin(tracker, poseTime, displayTime);
    }
    if (poseTime == tracker.poseTime) {
        return none;
    }
    const bool displayBack = displayTime < tracker.display;
    if (displayBack && tracker.display - displayTime < kDisplayBackRestart) {
        ++tracker.refused;
        return none;
    }
    if (displayBack || poseTime < tracker.poseTime) {
        ++tracker.restarts;
        return Begin(tracker, poseTime, displayTime);
    }
    return MeasurePose(tracker, poseTime, displayTime);
}

double AnimationErrorMs(const AnimationError& tracker, double fraction) {
    return QuantileSeconds(tracker.errors, fraction) * 1000.0;
}
