// The animation error of the simulator's shown redraws, as its display
// step decides them: each redraw is decided once (shown by a refresh, or
// replaced before any), and a shown one's poses are measured at the
// refresh that first showed it. The cells go onto that redraw's row.
#pragma once

#include "pacing/cadence.h"
#include "pacing/frame_log.h"
#include "pacing/shown_animation.h"

struct SimSide;

struct SimAnimation {
    ShownAnimation* shown;  // null: not measured
    SimSide* sides;         // their motions hear where their poses showed
    FrameDisplay cells;     // the latest shown redraw's animation cells
};

void StartSimAnimation(SimAnimation& animation, ShownAnimation* shown, SimSide* sides);

// A redraw made at seconds, holding the sides' poses of poseTimes, was
// first shown at display; start: its frame start (its clock reading),
// negative for seconds.
void NoteShownPoses(SimAnimation& animation, double seconds, const double* poseTimes, double start,
                    double display);

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
