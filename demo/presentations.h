// The display's account of the live program's redraws, and the one owner of
// what it says. Each redraw waits in a queue until the host reports it
// shown, dropped or given up, then goes, in redraw order, into liveDisplay
// and to whoever keeps the run's logs. The same reports feed the
// display-timed limiter and tell display-locked where a redraw made now
// will be shown. Nothing here paces or waits: the pacers and the limiter
// read from it.
#pragma once

#include <cstdint>

#include "pacing/figures.h"
#include "pacing/frame_log.h"
#include "pacing/quantiles.h"
#include "pacing/rules.h"
#include "pacing/shown_animation.h"

// What the display showed, from the presentations the host hands up: each
// side's seen intervals (between refreshes that showed a new pose of it),
// the intervals between shown redraws, and the latest refresh period. All
// empty where the platform gives no display times.
struct LiveDisplay {
    IntervalFigures seen[2];  // left, right
    IntervalFigures display;
    double refreshSeconds;  // 0 until a presentation reports one
    uint64_t shown;
    uint64_t dropped;
    uint64_t unknown;
    // Shown redraws: from the clock reading that set the poses to the
    // display; and from a key press to the first shown redraw drawn after it.
    QuantileKeeper latency;
    QuantileKeeper input;
    // Whether the poses moved on screen as far as time passed there: the
    // redraws' frame starts and each side's poses (live_motion.h).
    ShownAnimation animation;
};
extern LiveDisplay liveDisplay;

// Where settled redraws go besides liveDisplay; null for nowhere.
extern void (*settledFrameSink)(const FrameSample& sample, const FrameDisplay& display);

// Empties the queue, liveDisplay and the limiter's learning, and notes
// whether display times come (the host's source, once the window is there).
void StartPresentations();

// Once per frame, before it starts: settles what the display has said of
// earlier redraws (TakeDisplayWord), or without display times settles the
// latest redraw by its swap.
void SettleBeforeFrame();
// Takes the display's word that has come so far, and settles what it says:
// at any time, such as within a frame, for the freshest word. Does nothing
// without display times.
void TakeDisplayWord();

// Where display-locked expects a redraw whose frame starts at now (on the
// frame clock) to be shown; null while no refresh timing is known.
const RefreshSlot* RefreshSlotAt(double now);

// Queues the redraw the frame has made and hands on every redraw now settled.
void QueueRedraw(const FrameSample& sample);

// Whether display times come and the display has yet to say what became of
// that redraw.
bool AwaitingWord(uint64_t redraw);

// A redraw still waiting for the display's word, to add what is learned of
// it after it was queued; null once it has gone.
FrameSample* QueuedRedraw(uint64_t redraw);

// Gives up every waiting redraw as unknown and hands them on: at the end.
void FlushPresentations();
