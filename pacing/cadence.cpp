#include "pacing/cadence.h"

namespace {

// A side's first update measures the time since the clock started (or since
// recording began), not a gap between two updates, so it only starts the count.
void RecordSide(IntervalFigures& figures, bool& started, const SideSample& side) {
    if (!side.updated)
        return;
    if (started)
        AddInterval(figures, side.elapsed);
    started = true;
}

}  // namespace

void ResetCadence(Cadence& cadence, bool keepRecent) {
    ResetFigures(cadence.left, keepRecent);
    ResetFigures(cadence.right, keepRecent);
    ResetFigures(cadence.redraw, keepRecent);
    cadence.leftStarted = false;
    cadence.rightStarted = false;
    cadence.redrawStarted = false;
    cadence.previousRedraw = 0.0;
}

void RecordFrame(Cadence& cadence, const FrameSample& sample) {
    if (cadence.redrawStarted)
        AddInterval(cadence.redraw, sample.seconds - cadence.previousRedraw);
    cadence.redrawStarted = true;
    cadence.previousRedraw = sample.seconds;
    RecordSide(cadence.left, cadence.leftStarted, sample.left);
    RecordSide(cadence.right, cadence.rightStarted, sample.right);
}
