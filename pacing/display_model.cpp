#include "pacing/display_model.h"

void StartDisplay(DisplayModel& display, double hz) {
    display = DisplayModel{};
    display.hz = hz;
    display.seenMs[0] = -1.0;
    display.seenMs[1] = -1.0;
    display.newestBetweenMs = -1.0;
}

void ShowRefresh(DisplayModel& display, IntervalFigures* const* seen) {
    if (display.showing) {
        if (!display.newestShown) {
            display.newestShown = true;
            ++display.shownRedraws;
            display.newestDisplay = display.refreshTime;
            if (display.anyShown)
                display.newestBetweenMs = (display.refreshTime - display.lastShownDisplay) * 1000.0;
            display.anyShown = true;
            display.lastShownDisplay = display.refreshTime;
        }
        for (int side = 0; side < 2; ++side) {
            // Update counts only grow, so a different count is a new pose.
            if (display.pose[side] == display.shownPose[side]) {
                continue;
            }
            display.shownPose[side] = display.pose[side];
            if (display.seenStarted[side]) {
                const double seconds =
                    static_cast<double>(display.refresh - display.lastNewPose[side]) / display.hz;
                AddInterval(*seen[side], seconds);
                display.seenMs[side] = seconds * 1000.0;
            }
            display.seenStarted[side] = true;
            display.lastNewPose[side] = display.refresh;
        }
    }
    ++display.refresh;
    display.refreshTime = static_cast<double>(display.refresh) / display.hz;
}
