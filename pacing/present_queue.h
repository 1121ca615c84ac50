// Redraws waiting for the display's word on them. A redraw's row, its seen
// intervals and its place in the display figures all depend on whether and
// when it was shown, which the compositor says a refresh or two later; so
// each redraw waits here, in a fixed ring, until its fate is known, and
// leaves in redraw order.
#pragma once

#include <cstdint>

#include "pacing/frame_fate.h"
#include "pacing/frame_log.h"
#include "pacing/seen.h"

struct QueuedFrame {
    FrameSample sample;
    uint64_t poses[2];  // updates of each side up to and with this redraw
    FrameFate fate;
    double swapSeconds;     // on the sample's clock; once settled
    double displaySeconds;  // likewise; shown only
    int32_t flags;          // the display's flags for that time; negative: none given
};

// More than the platform's own ring of pending feedback, so that the
// platform gives a redraw up before this queue has to.
constexpr int kPresentQueueSize = 512;

struct PresentQueue {
    QueuedFrame frames[kPresentQueueSize];
    uint64_t first;  // redraw number of the oldest frame waiting
    int count;
    bool waits;  // false: settled at once (no swap times either)
    uint64_t updates[2];
    SeenTracker seen;
};

void StartPresentQueue(PresentQueue& queue, bool waits);

// Redraw number redraw (one more than the previous one queued). When the
// ring is full, its oldest frame is first given up as unknown: take it with
// TakeSettledFrame before queuing more. False then, and nothing is queued.
bool QueueFrame(PresentQueue& queue, uint64_t redraw, const FrameSample& sample);

// What the display did with a redraw, and when it was swapped; ignored for
// one no longer waiting. flags: how far the display time can be trusted, as
// the display says (FrameDisplay::flags); negative when it says nothing.
void SettleFrame(PresentQueue& queue, uint64_t redraw, FrameFate fate, double swapSeconds,
                 double displaySeconds, int32_t flags = -1);

// What became of a redraw still in the queue; kUnknown once it has gone.
FrameFate FateOf(const PresentQueue& queue, uint64_t redraw);

// The sample of a redraw still waiting, for what is learned of it after it
// was queued (the wait before its swap); null once it has gone.
FrameSample* WaitingSample(PresentQueue& queue, uint64_t redraw);

// Gives up every waiting frame as unknown: at the end of a run.
void GiveUpWaiting(PresentQueue& queue);

// The oldest frame once its fate is known, its sample's time now the swap's
// (when one was given), with the display cells that follow from it; its shown interval and each
// side's seen interval go into the figures that are not null. False while the oldest still waits.
bool TakeSettledFrame(PresentQueue& queue, QueuedFrame* frame, FrameDisplay* display,
                      IntervalFigures* const* seen, IntervalFigures* shown);
