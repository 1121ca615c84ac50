#include "platform/presentation_ring.h"

namespace {

PendingPresent& Slot(PresentationRing& ring, uint64_t redraw) {
    return ring.pending[redraw % kPendingPresents];
}

void Settle(PresentationRing& ring, const PlatPresentation& report) {
    if (ring.settledCount == kSettledPresents) {
        // Nobody is taking them: the oldest goes, counted.
        ring.settledFirst = (ring.settledFirst + 1) % kSettledPresents;
        --ring.settledCount;
        ++ring.dropped;
    }
    ring.settled[(ring.settledFirst + ring.settledCount) % kSettledPresents] = report;
    ++ring.settledCount;
}

void Close(PresentationRing& ring, PendingPresent& entry, uint8_t outcome, int64_t displayCounter,
           uint32_t refreshNs, uint32_t flags = 0) {
    entry.open = false;
    entry.token = nullptr;
    Settle(ring, PlatPresentation{entry.redraw, outcome, entry.swapCounter, displayCounter,
                                  refreshNs, flags});
}

}  // namespace

void StartRing(PresentationRing& ring, int64_t counterFrequency) {
    for (PendingPresent& entry : ring.pending)
        entry = PendingPresent{};
    ring.settledFirst = 0;
    ring.settledCount = 0;
    ring.counterFrequency = counterFrequency;
    ring.dropped = 0;
}

void* OpenPresent(PresentationRing& ring, uint64_t redraw, int64_t swapCounter, int64_t swapClockNs,
                  void* token) {
    PendingPresent& entry = Slot(ring, redraw);
    void* pushedOut = nullptr;
    if (entry.open) {
        pushedOut = entry.token;
        Close(ring, entry, kPlatUnknown, 0, 0);
    }
    entry = PendingPresent{redraw, swapCounter, swapClockNs, token, true};
    return pushedOut;
}

bool PresentShown(PresentationRing& ring, uint64_t redraw, int64_t displayClockNs,
                  uint32_t refreshNs, uint32_t flags) {
    PendingPresent& entry = Slot(ring, redraw);
    if (!entry.open || entry.redraw != redraw)
        return false;
    // From the display's clock onto the counter, by the swap both timed.
    const double ticks = static_cast<double>(displayClockNs - entry.swapClockNs) * 1e-9 *
                         static_cast<double>(ring.counterFrequency);
    Close(ring, entry, kPlatShown, entry.swapCounter + static_cast<int64_t>(ticks), refreshNs,
          flags);
    return true;
}

bool PresentDiscarded(PresentationRing& ring, uint64_t redraw) {
    PendingPresent& entry = Slot(ring, redraw);
    if (!entry.open || entry.redraw != redraw)
        return false;
    Close(ring, entry, kPlatDropped, 0, 0);
    return true;
}

void ExpirePresents(PresentationRing& ring, int64_t nowCounter, int64_t boundCounter,
                    void (*drop)(void* token)) {
    // Oldest first, so that the reports keep redraw order.
    uint64_t order[kPendingPresents];
    int count = 0;
    for (PendingPresent& entry : ring.pending) {
        if (entry.open && nowCounter - entry.swapCounter > boundCounter)
            order[count++] = entry.redraw;
    }
    for (int i = 1; i < count; ++i) {
        for (int j = i; j > 0 && order[j] < order[j - 1]; --j) {
            const uint64_t t = order[j];
            order[j] = order[j - 1];
            order[j - 1] = t;
        }
    }
    for (int i = 0; i < count; ++i) {
        PendingPresent& entry = Slot(ring, order[i]);
        if (drop != nullptr && entry.token != nullptr)
            drop(entry.token);
        Close(ring, entry, kPlatUnknown, 0, 0);
    }
}

void CloseAllPresents(PresentationRing& ring, void (*drop)(void* token)) {
    ExpirePresents(ring, INT64_MAX, -1, drop);
}

int TakePresents(PresentationRing& ring, PlatPresentation* out, int capacity) {
    int n = 0;
    while (n < capacity && ring.settledCount > 0) {
        out[n++] = ring.settled[ring.settledFirst];
        ring.settledFirst = (ring.settledFirst + 1) % kSettledPresents;
        --ring.settledCount;
    }
    return n;
}
