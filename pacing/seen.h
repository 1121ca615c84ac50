// What a viewer saw of each side, from the display's own account: the times
// at which redraws reached the screen. A side's seen interval runs between
// two shown redraws that each showed a pose of that side not shown before;
// it belongs to the later one. A side's first pose on screen opens the count
// and carries none, and so does a shown redraw with no new pose.
//
// The same rule as the modelled display (display_model.h), fed with
// recorded display times instead of modelled refreshes: the live program
// feeds it from presentation feedback, replay from a capture's displayed
// times.
#pragma once

#include <cstdint>

#include "pacing/figures.h"

struct SeenTracker {
    bool anyShown;
    double lastDisplay;     // seconds, of the latest shown redraw
    bool started[2];        // left, right
    uint64_t shownPose[2];  // updates of each side in the latest shown redraw
    double lastNewPose[2];  // display time that last showed a new pose
};

// What one shown redraw adds; negative for an empty cell.
struct SeenStep {
    double betweenMs;  // since the previous shown redraw's display time
    double seenMs[2];  // left, right
};

void ResetSeen(SeenTracker& tracker);

// A redraw shown at displaySeconds, holding poses[side] updates of each
// side. Display times must not go back; one that does is taken as the
// previous one (an interval of 0) rather than a negative interval. Adds to
// the figures that are not null: seen[side] and display.
SeenStep ShowRedraw(SeenTracker& tracker, double displaySeconds, const uint64_t* poses,
                    IntervalFigures* const* seen, IntervalFigures* display);
