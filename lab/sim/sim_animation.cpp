#include "lab/sim/sim_animation.h"

#include "lab/sim/sim_steps.h"

namespace {

// One stream's pose onto its two cells, where it was a new one.
void Show(AnimationError& tracker, double pose, double display, double* errorMs, double* timeMs) {
    const AnimationStep step = ShowPose(tracker, pose, display);
    *timeMs = step.newPose ? step.timeMs : kEmptyCell;
    *errorMs = step.hasError ? step.errorMs : kEmptyCell;
}

}  // namespace

void StartSimAnimation(SimAnimation& animation, ShownAnimation* shown, SimSide* sides) {
    animation.shown = shown;
    animation.sides = sides;
    animation.cells = FrameDisplay{};
    if (shown != nullptr)
        ResetShownAnimation(*shown);
}

// NoteShownRedraw's work without a sample to copy for its start: the
// simulator's redraws are made a thousand times a second, and this runs at
// each one the display shows.
void NoteShownPoses(SimAnimation& animation, double seconds, const double* poseTimes, double start,
                    double display) {
    if (animation.shown == nullptr)
        return;
    ShownAnimation& shown = *animation.shown;
    FrameDisplay& cells = animation.cells;
    Show(shown.redraws, start < 0.0 ? seconds : start, display, &cells.animationErrorMs,
         &cells.animationTimeMs);
    for (int side = 0; side < 2; ++side) {
        Show(shown.sides[side], poseTimes[side], display, &cells.sideAnimationErrorMs[side],
             &cells.sideAnimationTimeMs[side]);
        Motion& motion = animation.sides[side].motion;
        if (motion.kind != MotionKind::kCpu)
            NoteShownPose(motion, poseTimes[side], display);
    }
}
