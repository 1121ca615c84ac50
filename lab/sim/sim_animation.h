// The animation error of the simulator's shown redraws, as its display
// step decides them: each redraw is decided once (shown by a refresh, or
// replaced before any), and a shown one's poses are measured at the
// refresh that first showed it. The cells go onto that redraw's row.
#pragma once

#include "lab/sim/sim_steps.h"
#include "pacing/cadence.h"
#include "pacing/frame_log.h"
#include "pacing/shown_animation.h"

struct SimAnimation {
    ShownAnimation* shown;  // null: not measured
    SimSide* sides;         // their motions hear where their poses showed
    bool rows;              // a sink takes rows: the cells are kept for them
    FrameDisplay cells;     // the latest shown redraw's animation cells
};

void StartSimAnimation(SimAnimation& animation, ShownAnimation* shown, SimSide* sides, bool rows);

// One stream's pose onto its two cells, where it was a new one.
inline void ShowSimPose(AnimationError& tracker, double pose, double display, bool rows,
                        double* errorMs, double* timeMs) {
    const AnimationStep step = ShowPose(tracker, pose, display);
    if (rows) {
        *timeMs = step.newPose ? step.timeMs : kEmptyCell;
        *errorMs = step.hasError ? step.errorMs : kEmptyCell;
    }
}

// A redraw made at seconds, holding the sides' poses of poseTimes, was
// first shown at display; start: its frame start (its clock reading),
// negative for seconds. NoteShownRedraw's work without a sample to copy
// for its start; inline, since it runs at every redraw the display shows.
inline void NoteShownPoses(SimAnimation& animation, double seconds, const double* poseTimes,
                           double start, double display) {
    if (animation.shown == nullptr)
        return;
    ShownAnimation& shown = *animation.shown;
    FrameDisplay& cells = animation.cells;
    const bool rows = animation.rows;
    ShowSimPose(shown.redraws, start < 0.0 ? seconds : start, display, rows,
                &cells.animationErrorMs, &cells.animationTimeMs);
    ShowSimPose(shown.sides[0], poseTimes[0], display, rows, &cells.sideAnimationErrorMs[0],
                &cells.sideAnimationTimeMs[0]);
    ShowSimPose(shown.sides[1], poseTimes[1], display, rows, &cells.sideAnimationErrorMs[1],
                &cells.sideAnimationTimeMs[1]);
    Motion& left = animation.sides[0].motion;
    Motion& right = animation.sides[1].motion;
    if (left.kind != MotionKind::kCpu)
        NoteShownPose(left, poseTimes[0], display);
    if (right.kind != MotionKind::kCpu)
        NoteShownPose(right, poseTimes[1], display);
}

// The animation cells of the latest shown redraw onto a row's.
inline void CopyAnimationCells(const SimAnimation& animation, FrameDisplay& cells) {
    const FrameDisplay& from = animation.cells;
    cells.animationErrorMs = from.animationErrorMs;
    cells.animationTimeMs = from.animationTimeMs;
    cells.sideAnimationErrorMs[0] = from.sideAnimationErrorMs[0];
    cells.sideAnimationErrorMs[1] = from.sideAnimationErrorMs[1];
    cells.sideAnimationTimeMs[0] = from.sideAnimationTimeMs[0];
    cells.sideAnimationTimeMs[1] = from.sideAnimationTimeMs[1];
}
