#include "pacing/present_queue.h"

namespace {

QueuedFrame& At(PresentQueue& queue, uint64_t redraw) {
    return queue.frames[redraw % kPresentQueueSize];
}

}  // namespace

void StartPresentQueue(PresentQueue& queue, bool waits) {
    queue.first = 0;
    queue.count = 0;
    queue.waits = waits;
    queue.updates[0] = 0;
    queue.updates[1] = 0;
    ResetSeen(queue.seen);
}

bool QueueFrame(PresentQueue& queue, uint64_t redraw, const FrameSample& sample) {
    if (queue.count == kPresentQueueSize) {
        QueuedFrame& oldest = At(queue, queue.first);
        if (oldest.fate == FrameFate::kPending)
            oldest.fate = FrameFate::kUnknown;
        return false;
    }
    if (queue.count == 0)
        queue.first = redraw;
    ++queue.count;
    queue.updates[0] += sample.left.updated ? 1 : 0;
    queue.updates[1] += sample.right.updated ? 1 : 0;
    QueuedFrame& frame = At(queue, redraw);
    frame.sample = sample;
    frame.poses[0] = queue.updates[0];
    frame.poses[1] = queue.updates[1];
    frame.fate = queue.waits ? FrameFate::kPending : FrameFate::kUnknown;
    frame.swapSeconds = -1.0;
    frame.displaySeconds = 0.0;
    frame.flags = -1;
    return true;
}

void SettleFrame(PresentQueue& queue, uint64_t redraw, FrameFate fate, double swapSeconds,
                 double displaySeconds, int32_t flags) {
    // Unsigned: a redraw before the oldest one wraps to a huge offset.
    if (redraw - queue.first >= static_cast<uint64_t>(queue.count))
        return;
    QueuedFrame& frame = At(queue, redraw);
    if (frame.fate != FrameFate::kPending)
        return;
    frame.fate = fate;
    frame.swapSeconds = swapSeconds;
    frame.displaySeconds = displaySeconds;
    frame.flags = flags;
}

FrameFate FateOf(const PresentQueue& queue, uint64_t redraw) {
    if (redraw - queue.first >= static_cast<uint64_t>(queue.count))
        return FrameFate::kUnknown;
    return queue.frames[redraw % kPresentQueueSize].fate;
}

FrameSample* WaitingSample(PresentQueue& queue, uint64_t redraw) {
    if (redraw - queue.first >= static_cast<uint64_t>(queue.count))
        return nullptr;
    return &At(queue, redraw).sample;
}

void GiveUpWaiting(PresentQueue& queue) {
    for (int i = 0; i < queue.count; ++i) {
        QueuedFrame& frame = At(queue, queue.first + static_cast<uint64_t>(i));
        if (frame.fate == FrameFate::kPending)
            frame.fate = FrameFate::kUnknown;
    }
}

bool TakeSettledFrame(PresentQueue& queue, QueuedFrame* frame, FrameDisplay* display,
                      IntervalFigures* const* seen, IntervalFigures* shown) {
    if (queue.count == 0)
        return false;
    const QueuedFrame& oldest = At(queue, queue.first);
    if (oldest.fate == FrameFate::kPending)
        return false;
    *frame = oldest;
    // A redraw is timed by its swap, as a present is: the drawing that comes
    // before it is the program's own.
    if (frame->swapSeconds >= frame->sample.seconds)
        frame->sample.seconds = frame->swapSeconds;
    ++queue.first;
    --queue.count;
    *display = kUnknownDisplay;
    if (frame->fate == FrameFate::kDropped) {
        display->fate = FrameFate::kDropped;
    } else if (frame->fate == FrameFate::kShown) {
        // A display time before the swap is no display time of this redraw.
        const double until = frame->displaySeconds - frame->sample.seconds;
        if (until >= 0.0) {
            const SeenStep step =
                ShowRedraw(queue.seen, frame->displaySeconds, frame->poses, seen, shown);
            display->fate = FrameFate::kShown;
            display->untilMs = until * 1000.0;
            display->betweenMs = step.betweenMs;
            display->seenMs[0] = step.seenMs[0];
            display->seenMs[1] = step.seenMs[1];
            display->flags = frame->flags;
        }
    }
    return true;
}
