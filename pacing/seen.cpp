#include "pacing/seen.h"

void ResetSeen(SeenTracker& tracker) {
    tracker = SeenTracker{};
}

SeenStep ShowRedraw(SeenTracker& tracker, double displaySeconds, const uint64_t* poses,
                    IntervalFigures* const* seen, IntervalFigures* display) {
    SeenStep step{-1.0, {-1.0, -1.0}};
    double at = displaySeconds;
    if (tracker.anyShown) {
        if (at < tracker.lastDisplay)
            at = tracker.lastDisplay;
        const double between = at - tracker.lastDisplay;
        step.betweenMs = between * 1000.0;
        if (display != nullptr)
            AddInterval(*display, between);
    }
    tracker.anyShown = true;
    tracker.lastDisplay = at;
    for (int side = 0; side < 2; ++side) {
        // Update counts only grow, so a different count is a new pose; a
        // side that has not updated yet has nothing to show.
        if (poses[side] == tracker.shownPose[side])
            continue;
        if (tracker.started[side]) {
            const double interval = at - tracker.lastNewPose[side];
            step.seenMs[side] = interval * 1000.0;
            if (seen != nullptr && seen[side] != nullptr)
                AddInterval(*seen[side], interval);
        }
        tracker.started[side] = true;
        tracker.shownPose[side] = poses[side];
        tracker.lastNewPose[side] = at;
    }
    return step;
}
