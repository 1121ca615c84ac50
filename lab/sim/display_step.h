// The modelled display as every loop of the simulator settles redraws
// against it: the plain loop, the limited one and replay. Refreshes pass up
// to each redraw (plus the latch), and a redraw's row waits until the
// refreshes that may show it have passed, since they decide its display
// cells: the two samples take turns, the newest one and the one whose row is
// pending. Every settled redraw goes to the run's sink.
//
// The loop counts its redraws (made, below) and hands the count in: held in
// the step, which the display's refreshes reach, it would be read back from
// memory at every use.
//
// kDisplay (a display is modelled) and kSink (the sink takes rows) are fixed
// for a run, so that each loop's variant tests neither inside.
#pragma once

#include <cstdint>

#include "lab/sim/sim_animation.h"
#include "lab/sim/sim_steps.h"
#include "pacing/display_model.h"
#include "pacing/frame_sink.h"

struct DisplayStep {
    DisplayModel display;
    RefreshSlot slot;  // the pacers' view of the refresh to come
    double latch;      // seconds
    IntervalFigures* seen[2];
    FrameSample samples[2];
    FrameSink sink;
    SimAnimation animation;  // off until WatchAnimation
};

// The shown redraws' animation error goes to shown, and the sides' motions
// hear where their poses showed.
inline void WatchAnimation(DisplayStep& step, ShownAnimation* shown, SimSide* sides) {
    StartSimAnimation(step.animation, shown, sides, SinkTakes(step.sink));
}

// hz 0: no display; every redraw goes to the sink as it is made. seen takes
// the left and right seen intervals.
void StartDisplayStep(DisplayStep& step, double hz, double latchMs, IntervalFigures* leftSeen,
                      IntervalFigures* rightSeen, const SimSide* sides, FrameSink sink);

// The step of a modelled run (the plain loop or the limited one): the
// sides' seen intervals go to result, and with a display the shown poses'
// animation error too. Returns the pacers' view of the refresh to come,
// none without a display.
template <bool kDisplay>
inline const RefreshSlot* StartRunStep(DisplayStep& step, const SimSetup& setup, SimResult& result,
                                       SimSide* sides, FrameSink sink) {
    StartDisplayStep(step, setup.displayHz, setup.latchMs, &result.side[0].seen,
                     &result.side[1].seen, sides, sink);
    if (kDisplay) {
        WatchAnimation(step, &result.animation, sides);
    }
    return kDisplay ? &step.slot : nullptr;
}

// The sample the next redraw fills, made redraws into the run.
template <bool kDisplay>
inline FrameSample& NextSample(DisplayStep& step, uint64_t made) {
    return step.samples[kDisplay ? made & 1 : 0];
}

// The newest redraw made, once there is one.
inline const FrameSample& NewestSample(const DisplayStep& step, uint64_t made) {
    return step.samples[(made - 1) & 1];
}

// The refreshes that take redraws before time at pass, showing the newest
// redraw made so far; the pacers' slot moves on with them.
inline void PassUntil(DisplayStep& step, double at) {
    PassRefreshesBefore(step.display, at + step.latch, step.seen);
    step.slot.refresh = static_cast<int64_t>(step.display.refresh);
}

// The newest redraw's display cells, decided (a later redraw was made) or
// not. With kLatency a shown one's carry the time from its start (the
// clock reading that set its poses) to its display, as the live program's
// rows do.
template <bool kLatency>
inline FrameDisplay NewestCells(const DisplayStep& step, const FrameSample& newest, bool decided,
                                double start) {
    FrameDisplay cells = NewestDisplay(step.display, newest.seconds, decided);
    if (kLatency && cells.fate == FrameFate::kShown) {
        cells.latencyMs = (step.display.newestDisplay - start) * 1000.0;
    }
    if (cells.fate == FrameFate::kShown) {
        CopyAnimationCells(step.animation, cells);
    }
    return cells;
}

// Called once a redraw is decided, after PassUntil at the next redraw's
// time (or at the run's end) and before it settles: a shown one's poses
// are measured where the refresh showed them. start: its frame start,
// negative for its own time. kPosesInSides: the sides have not stepped
// since it was made, and hold its poses (StepSide<false>).
template <bool kDisplay, bool kPosesInSides = false>
inline void NoteDecided(DisplayStep& step, uint64_t made, double start = -1.0) {
    // Before the first redraw nothing is shown.
    if (kDisplay && step.display.newestShown) {
        const FrameSample& newest = NewestSample(step, made);
        const SimSide* sides = step.animation.sides;
        const double poses[2] = {
            kPosesInSides && sides != nullptr ? sides[0].motion.poseTime : newest.left.poseTime,
            kPosesInSides && sides != nullptr ? sides[1].motion.poseTime : newest.right.poseTime};
        NoteShownPoses(step.animation, newest.seconds, poses, start, step.display.newestDisplay);
    }
}

// Called at a new redraw's time, after PassUntil: the redraw before it is
// decided, shown by a refresh up to here or replaced, and goes to the sink.
// start: that redraw's start, for kLatency.
template <bool kSink, bool kLatency = false>
inline void SettleNewest(DisplayStep& step, uint64_t made, double start = 0.0) {
    if (kSink && made > 0) {
        const FrameSample& before = NewestSample(step, made);
        SinkFrame(step.sink, before, NewestCells<kLatency>(step, before, true, start));
    }
}

// The redraw just filled becomes the newest (the loop counts it). Without a
// display it is settled at once, with what is known of it (nothing, for a
// modelled run).
template <bool kDisplay, bool kSink>
inline void MakeNewest(DisplayStep& step, const FrameSample& sample, uint64_t leftUpdates,
                       uint64_t rightUpdates, const FrameDisplay& known = kUnknownDisplay) {
    if (kDisplay) {
        MakeRedraw(step.display, leftUpdates, rightUpdates);
    } else if (kSink) {
        SinkFrame(step.sink, sample, known);
    }
}

struct DisplayCounts {
    uint64_t shown;    // redraws a refresh showed
    uint64_t dropped;  // and those replaced before any did
};

// The run is over at end: the refreshes before it pass, and the newest
// redraw goes to the sink, shown or undecided. start: the newest redraw's
// start, for kLatency.
template <bool kDisplay, bool kSink, bool kLatency = false, bool kPosesInSides = false>
inline DisplayCounts FinishDisplayStep(DisplayStep& step, uint64_t made, double end,
                                       double start = 0.0) {
    if (!kDisplay) {
        return DisplayCounts{0, 0};
    }
    PassRefreshesBefore(step.display, end, step.seen);
    NoteDecided<kDisplay, kPosesInSides>(step, made, kLatency ? start : -1.0);
    if (kSink && made > 0) {
        const FrameSample& last = NewestSample(step, made);
        SinkFrame(step.sink, last, NewestCells<kLatency>(step, last, false, start));
    }
    // Every redraw but the newest is shown or replaced before a refresh; the
    // newest, unshown by the end, is neither.
    const uint64_t shown = step.display.shownRedraws;
    const uint64_t undecided = made > 0 && !step.display.newestShown ? 1 : 0;
    return DisplayCounts{shown, made - shown - undecided};
}
