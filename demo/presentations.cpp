#include "demo/presentations.h"

#include <cmath>

#include "demo/pacing.h"
#include "host/app.h"
#include "pacing/present_queue.h"

void (*settledFrameSink)(const FrameSample& sample, const FrameDisplay& display) = nullptr;

namespace {

// Large: kept out of any stack.
PresentQueue queue;
bool presenting = false;  // the host gives display times

// The display's timing, from the latest shown redraw: its swap and display
// times and the refresh period, and the first display time as the origin
// of the refresh count.
bool timed = false;
double originDisplay = 0.0;
double lastSwap = 0.0;
double lastDisplay = 0.0;
double period = 0.0;
RefreshSlot slot = {0, 0.0};
bool slotKnown = false;

void Settle(const Presentation& p) {
    FrameFate fate = FrameFate::kUnknown;
    if (p.outcome == kPresentShown) {
        fate = FrameFate::kShown;
        if (p.refreshSeconds > 0.0) {
            period = p.refreshSeconds;
            liveDisplay.refreshSeconds = p.refreshSeconds;
        }
        if (!timed) {
            timed = true;
            originDisplay = p.displaySeconds;
        }
        if (p.displaySeconds >= lastDisplay) {
            lastSwap = p.swapSeconds;
            lastDisplay = p.displaySeconds;
        }
    } else if (p.outcome == kPresentDiscarded) {
        fate = FrameFate::kDropped;
    }
    SettleFrame(queue, p.redraw, fate, p.swapSeconds, p.displaySeconds);
}

void HandOnSettled() {
    QueuedFrame frame;
    FrameDisplay display;
    IntervalFigures* seen[2] = {&liveDisplay.seen[0], &liveDisplay.seen[1]};
    while (TakeSettledFrame(queue, &frame, &display, seen, &liveDisplay.display)) {
        if (display.dropped == 0)
            ++liveDisplay.shown;
        else if (display.dropped == 1)
            ++liveDisplay.dropped;
        else
            ++liveDisplay.unknown;
        if (settledFrameSink != nullptr)
            settledFrameSink(frame.sample, display);
    }
}

}  // namespace

void StartPresentations() {
    // Every redraw waits at least for its swap, which comes after the frame
    // that queued it.
    StartPresentQueue(queue, true);
    presenting = HostDisplayTimesSource().available;
    for (IntervalFigures& f : liveDisplay.seen)
        ResetFigures(f);
    ResetFigures(liveDisplay.display);
    liveDisplay.refreshSeconds = 0.0;
    liveDisplay.shown = 0;
    liveDisplay.dropped = 0;
    liveDisplay.unknown = 0;
    timed = false;
    originDisplay = lastSwap = lastDisplay = period = 0.0;
    slotKnown = false;
}

void TakePresentations() {
    if (!presenting) {
        // No word will come: the previous redraw is settled by its swap.
        SettleFrame(queue, redrawNumber - 1, FrameFate::kUnknown, swapSeconds, 0.0);
    } else {
        Presentation reports[64];
        int n = 0;
        while ((n = HostTakePresentations(reports, 64)) > 0) {
            for (int i = 0; i < n; ++i)
                Settle(reports[i]);
            if (n < 64)
                break;
        }
    }
    slotKnown = timed && period > 0.0;
    if (slotKnown) {
        // A redraw made now reaches the screen about as long after its swap
        // as the latest shown one did, on the refresh grid.
        const double ahead = std::round((frameSeconds - lastSwap) / period);
        slot.refresh = static_cast<int64_t>(std::llround((lastDisplay - originDisplay) / period)) +
                       static_cast<int64_t>(ahead < 1.0 ? 1.0 : ahead);
        slot.period = period;
    }
}

void QueueRedraw(const FrameSample& sample) {
    while (!QueueFrame(queue, redrawNumber, sample))
        HandOnSettled();
    HandOnSettled();
}

void FlushPresentations() {
    if (!presenting)
        SettleFrame(queue, redrawNumber, FrameFate::kUnknown, swapSeconds, 0.0);
    GiveUpWaiting(queue);
    HandOnSettled();
}

void PaceFrame() {
    TakePresentations();
    UpdateFrameTiming();
    const FrameSample sample = CurrentFrameSample(frameSeconds);
    RecordFrame(liveCadence, sample);
    QueueRedraw(sample);
}

const RefreshSlot* LiveRefreshSlot() {
    return slotKnown ? &slot : nullptr;
}
