#include "pacing/shown_animation.h"

namespace {

void Show(AnimationError& tracker, double poseTime, double display, double* errorMs,
          double* timeMs) {
    const AnimationStep step = ShowPose(tracker, poseTime, display);
    if (step.newPose)
        *timeMs = step.timeMs;
    if (step.hasError)
        *errorMs = step.errorMs;
}

}  // namespace

void ResetShownAnimation(ShownAnimation& shown) {
    ResetAnimationError(shown.redraws);
    ResetAnimationError(shown.sides[0]);
    ResetAnimationError(shown.sides[1]);
}

void NoteShownRedraw(ShownAnimation& shown, const FrameSample& sample, double display,
                     FrameDisplay& cells, Motion* motions) {
    if (sample.work.start >= 0.0)
        Show(shown.redraws, sample.work.start, display, &cells.animationErrorMs,
             &cells.animationTimeMs);
    const SideSample* sides[2] = {&sample.left, &sample.right};
    for (int side = 0; side < 2; ++side) {
        const double pose = sides[side]->poseTime;
        if (!(pose >= 0.0))
            continue;
        Show(shown.sides[side], pose, display, &cells.sideAnimationErrorMs[side],
             &cells.sideAnimationTimeMs[side]);
        if (motions != nullptr)
            NoteShownPose(motions[side], pose, display);
    }
}
