#include "demo/presentations.h"

#include <cmath>

#include "demo/live_limit.h"
#include "demo/live_motion.h"
#include "host/app.h"
#include "pacing/present_queue.h"

LiveDisplay liveDisplay;
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

// The earliest key press not yet on screen: carried past dropped redraws to
// the first shown one.
double carriedPress = -1.0;

// The contract's word on a redraw, in the engine's: the one place it is
// turned.
FrameFate FateOf(PresentOutcome outcome) {
    switch (outcome) {
    case kPresentShown: return FrameFate::kShown;
    case kPresentDropped: return FrameFate::kDropped;
    default: return FrameFate::kUnknown;
    }
}

void Settle(const Presentation& p, double now) {
    const FrameFate fate = FateOf(p.outcome);
    if (fate == FrameFate::kShown) {
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
    }
    if (fate != FrameFate::kUnknown) {
        const DisplayReport report = {p.swapSeconds, fate == FrameFate::kShown, p.displaySeconds,
                                      p.refreshSeconds};
        NoteDisplayReport(liveLimiter.display, report, now);
    }
    SettleFrame(queue, p.redraw, fate, p.swapSeconds, p.displaySeconds, p.flags);
}

// The latencies of a settled redraw, whose sample's time is its swap.
void Measure(const FrameSample& sample, FrameDisplay& display) {
    const FrameWork& work = sample.work;
    if (work.input >= 0.0 && (carriedPress < 0.0 || work.input < carriedPress))
        carriedPress = work.input;
    if (display.fate != FrameFate::kShown)
        return;
    const double shownAt = sample.seconds + display.untilMs * 0.001;
    if (work.start >= 0.0) {
        display.latencyMs = (shownAt - work.start) * 1000.0;
        AddQuantile(liveDisplay.latency, shownAt - work.start);
    }
    if (carriedPress >= 0.0) {
        display.inputMs = (shownAt - carriedPress) * 1000.0;
        AddQuantile(liveDisplay.input, shownAt - carriedPress);
        carriedPress = -1.0;
    }
}

void HandOnSettled() {
    QueuedFrame frame;
    FrameDisplay display;
    IntervalFigures* seen[2] = {&liveDisplay.seen[0], &liveDisplay.seen[1]};
    while (TakeSettledFrame(queue, &frame, &display, seen, &liveDisplay.display)) {
        Measure(frame.sample, display);
        if (display.fate != FrameFate::kUnknown)
            NoteSettledSwap(liveLatch, frame.swapSeconds,
                            display.fate == FrameFate::kShown ? frame.displaySeconds : -1.0);
        if (display.fate == FrameFate::kShown)
            NoteShownRedraw(liveDisplay.animation, frame.sample, frame.displaySeconds, display,
                            liveMotions);
        if (display.fate == FrameFate::kShown)
            ++liveDisplay.shown;
        else if (display.fate == FrameFate::kDropped)
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
    ResetQuantiles(liveDisplay.latency);
    ResetQuantiles(liveDisplay.input);
    ResetShownAnimation(liveDisplay.animation);
    carriedPress = -1.0;
    timed = false;
    originDisplay = lastSwap = lastDisplay = period = 0.0;
}

void SettleBeforeFrame() {
    if (!presenting) {
        // No word will come: the latest redraw is settled by its swap.
        SettleFrame(queue, redrawNumber, FrameFate::kUnknown, swapSeconds, 0.0);
        return;
    }
    TakeDisplayWord();
}

void TakeDisplayWord() {
    if (!presenting)
        return;
    Presentation reports[64];
    int n = 0;
    const double now = HostClockSeconds();
    while ((n = HostTakePresentations(reports, 64)) > 0) {
        for (int i = 0; i < n; ++i)
            Settle(reports[i], now);
        if (n < 64)
            break;
    }
}

const RefreshSlot* RefreshSlotAt(double now) {
    if (!timed || period <= 0.0)
        return nullptr;
    // A redraw made now reaches the screen about as long after its swap as
    // the latest shown one did, on the refresh grid.
    const double ahead = std::round((now - lastSwap) / period);
    slot.refresh = static_cast<int64_t>(std::llround((lastDisplay - originDisplay) / period)) +
                   static_cast<int64_t>(ahead < 1.0 ? 1.0 : ahead);
    slot.period = period;
    return &slot;
}

void QueueRedraw(const FrameSample& sample) {
    while (!QueueFrame(queue, redrawNumber, sample))
        HandOnSettled();
    HandOnSettled();
}

bool AwaitingWord(uint64_t redraw) {
    return presenting && FateOf(queue, redraw) == FrameFate::kPending;
}

FrameSample* QueuedRedraw(uint64_t redraw) {
    return WaitingSample(queue, redraw);
}

void FlushPresentations() {
    if (!presenting)
        SettleFrame(queue, redrawNumber, FrameFate::kUnknown, swapSeconds, 0.0);
    GiveUpWaiting(queue);
    HandOnSettled();
}
