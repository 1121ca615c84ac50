#include "lab/clock_model.h"

#include <cmath>

#include "demo/pacing.h"

namespace {

void EnterWindow(RedrawClock& clock, uint64_t k) {
    clock.window = k;
    const double start = static_cast<double>(k) * clock.everyMs;
    clock.windowStart = start / 1000.0;
    clock.windowEnd = (start + clock.lengthMs) / 1000.0;
    clock.windowUsed = false;
}

// Moves on to the window that s lies in or before. Redraws far apart may
// skip many windows: jump by division, then settle by steps for rounding.
void CatchUpWindow(RedrawClock& clock, double s) {
    if (s < clock.windowEnd) {
        return;
    }
    uint64_t k = static_cast<uint64_t>(s * 1000.0 / clock.everyMs);
    if (k <= clock.window) {
        k = clock.window + 1;
    }
    EnterWindow(clock, k);
    while (s >= clock.windowEnd) {
        EnterWindow(clock, clock.window + 1);
    }
    while (clock.window > 1 && s < clock.windowStart) {
        const double start = static_cast<double>(clock.window - 1) * clock.everyMs;
        if (s >= (start + clock.lengthMs) / 1000.0) {
            break;
        }
        EnterWindow(clock, clock.window - 1);
    }
}

}  // namespace

uint64_t NextRandom(uint64_t& state) {
    uint64_t z = (state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

double UnitFraction(uint64_t bits) {
    return static_cast<double>(bits >> 12) * 0x1.0p-52;
}

void StartRedrawClock(RedrawClock& clock, const RedrawModel& model) {
    clock = RedrawClock{};
    clock.redrawHz = model.redrawHz;
    clock.jitterSeconds = model.jitterMs / 1000.0;
    clock.end = model.seconds;
    clock.random = model.seed;
    clock.stalls = model.stallEveryMs > 0.0;
    clock.everyMs = model.stallEveryMs;
    clock.lengthMs = model.stallLengthMs;
    if (clock.stalls) {
        EnterWindow(clock, 1);
    }
}

bool NextRedraw(RedrawClock& clock, double* seconds) {
    for (;;) {
        double s = static_cast<double>(clock.index) / clock.redrawHz;
        ++clock.index;
        if (clock.jitterSeconds > 0.0) {
            // Two statements, so no compiler fuses them into one rounding.
            const double offset = UnitFraction(NextRandom(clock.random)) * clock.jitterSeconds;
            s += offset;
            if (s < clock.previousJittered) {
                s = clock.previousJittered;
            }
            clock.previousJittered = s;
        }
        if (clock.stalls) {
            CatchUpWindow(clock, s);
            if (s >= clock.windowStart) {
                if (clock.windowUsed) {
                    continue;
                }
                clock.windowUsed = true;
                s = clock.windowEnd;
            }
        }
        if (s >= clock.end) {
            return false;
        }
        *seconds = s;
        return true;
    }
}

double PacerSeconds(PacerClock clock, double s, uint32_t* ms) {
    // s is never negative, so truncation is the floor; the run cap keeps the
    // products far inside 64 bits, and only the low 32 bits of the
    // milliseconds survive, as on the program's clock.
    const int64_t wholeMs = static_cast<int64_t>(s * 1000.0);
    *ms = static_cast<uint32_t>(static_cast<uint64_t>(wholeMs));
    if (clock == PacerClock::kMilliseconds) {
        return PacerTime(*ms);
    }
    return static_cast<double>(static_cast<int64_t>(s * 1e6)) * 1e-6;
}
