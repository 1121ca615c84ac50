// A display that refreshes at a fixed rate and, at each refresh k / hz,
// shows the newest redraw made by then, as a compositor does. With the
// redraw rate equal to the refresh rate it stands for vsync.
//
// A compositor takes a redraw only until some time before it repaints: the
// latch. A redraw made less than latch seconds before a refresh waits for
// the next one, so refresh k shows the newest redraw made by k / hz - latch.
// The caller passes refreshes up to a redraw's time plus the latch.
//
// A side's "seen" interval is the time between two refreshes that each show
// a pose of that side not shown before: what a viewer gets of its cadence.
// The interval belongs to the redraw that the later of the two refreshes
// shows, so in the frame log it sits on that redraw's row. A side's first
// pose on screen opens the count and carries no interval; a redraw no
// refresh shows, or one that shows no new pose, carries none either.
#pragma once

#include <cstdint>

#include "pacing/figures.h"
#include "pacing/frame_log.h"

struct DisplayModel {
    double hz;
    uint64_t refresh;       // the next refresh not yet passed
    double refreshTime;     // refresh / hz, seconds
    bool showing;           // a redraw has been made (refreshes before it show nothing)
    uint64_t pose[2];       // updates of each side in the newest redraw
    uint64_t shownPose[2];  // updates of each side in the last refresh's redraw
    bool seenStarted[2];
    uint64_t lastNewPose[2];  // refresh that last showed a new pose
    double seenMs[2];         // the newest redraw's seen intervals, negative for none
    // The newest redraw on screen: whether a refresh has shown it yet, when
    // it first did, and the time since the refresh that first showed the
    // redraw before it on screen (negative for the first one).
    bool newestShown;
    double newestDisplay;
    double newestBetweenMs;  // read only while newestShown
    bool anyShown;
    double lastShownDisplay;
    uint64_t shownRedraws;  // redraws some refresh showed; every other one but
                            // the newest was replaced before any refresh
};

void StartDisplay(DisplayModel& display, double hz);

// The display's account of the newest redraw, made at seconds: shown, or
// dropped once decided (a newer redraw has come), else not known.
// Inline: a run with a sink asks it once a redraw.
inline FrameDisplay NewestDisplay(const DisplayModel& display, double seconds, bool decided) {
    FrameDisplay out = kUnknownDisplay;
    out.seenMs[0] = display.seenMs[0];
    out.seenMs[1] = display.seenMs[1];
    if (display.newestShown) {
        out.fate = FrameFate::kShown;
        out.untilMs = (display.newestDisplay - seconds) * 1000.0;
        out.betweenMs = display.newestBetweenMs;
    } else if (decided) {
        out.fate = FrameFate::kDropped;
    }
    return out;
}

// Passes the refreshes before time s, which all show the newest redraw so
// far, adding each side's seen intervals to *seen[side] and to seenMs.
// Refreshes from s on will show the redraw made at s.
inline void PassRefreshesBefore(DisplayModel& display, double s, IntervalFigures* const* seen);

// A redraw at the time last passed to PassRefreshesBefore: updates made so
// far by the left and right side. Clears seenMs for the new redraw.
// Inline: the simulator makes one a redraw.
inline void MakeRedraw(DisplayModel& display, uint64_t leftUpdates, uint64_t rightUpdates) {
    display.showing = true;
    display.pose[0] = leftUpdates;
    display.pose[1] = rightUpdates;
    display.seenMs[0] = -1.0;
    display.seenMs[1] = -1.0;
    display.newestShown = false;
}

// The next refresh; seen[0] and seen[1] take the left and right seen intervals.
void ShowRefresh(DisplayModel& display, IntervalFigures* const* seen);

inline void PassRefreshesBefore(DisplayModel& display, double s, IntervalFigures* const* seen) {
    while (display.refreshTime < s) {
        ShowRefresh(display, seen);
    }
}
