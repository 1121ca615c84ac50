// Redraws swapped and not yet settled by the display, in a fixed ring, and
// the reports of those settled, in another. The platform's feedback code
// opens an entry right before each swap and closes it when the compositor
// says shown or discarded; an entry with no word after a bound, or pushed
// out by a full ring, closes as unknown. Nothing here knows Wayland, so it
// is tested on its own.
#pragma once

#include <cstdint>

#include "platform/platform.h"

constexpr int kPendingPresents = 256;
constexpr int kSettledPresents = 512;

struct PendingPresent {
    uint64_t redraw;
    int64_t swapCounter;
    int64_t swapClockNs;  // the swap on the display's own clock
    void* token;          // the feedback object waiting for word, owned by the caller
    bool open;
};

struct PresentationRing {
    PendingPresent pending[kPendingPresents];
    PlatPresentation settled[kSettledPresents];
    int settledFirst;
    int settledCount;
    int64_t counterFrequency;
    uint64_t dropped;  // reports lost to a full settled ring (nobody took them)
};

void StartRing(PresentationRing& ring, int64_t counterFrequency);

// Opens redraw's entry. Returns the entry that had to make room (its token
// still alive, now closed as unknown) so the caller can destroy its
// feedback object, or null.
void* OpenPresent(PresentationRing& ring, uint64_t redraw, int64_t swapCounter, int64_t swapClockNs,
                  void* token);

// The compositor's word on redraw; false when no entry waits for it (closed
// already, or never opened), and then nothing changes.
bool PresentShown(PresentationRing& ring, uint64_t redraw, int64_t displayClockNs,
                  uint32_t refreshNs, uint32_t flags);
bool PresentDiscarded(PresentationRing& ring, uint64_t redraw);

// Closes as unknown every entry swapped more than boundCounter ticks before
// now; calls drop(token) for each so its feedback object goes.
void ExpirePresents(PresentationRing& ring, int64_t nowCounter, int64_t boundCounter,
                    void (*drop)(void* token));
// Closes every entry as unknown: the window is going.
void CloseAllPresents(PresentationRing& ring, void (*drop)(void* token));

int TakePresents(PresentationRing& ring, PlatPresentation* out, int capacity);
