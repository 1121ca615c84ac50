// When the modelled program redraws, and what its clocks read at those
// moments. Everything streams: a run of any length keeps a few numbers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pacing/rules.h"

// Redraw i is due at i / redrawHz seconds. Jitter delays each one by its own
// uniform draw from [0, jitterMs) ms; then no redraw comes before the one
// before it. A stall of lengthMs every everyMs (k >= 1) swallows the redraws
// that fall in [k * everyMs, k * everyMs + lengthMs) ms and puts one redraw
// at the end of that window instead.
struct RedrawModel {
    double redrawHz;
    double jitterMs;  // 0: none
    uint64_t seed;
    double stallEveryMs;  // 0: no stalls
    double stallLengthMs;
    double seconds;  // the run covers redraws before this time
};

// Our own generator (splitmix64): the same seed gives the same run on every
// machine and compiler, which a standard library engine plus distribution
// does not promise.
inline uint64_t NextRandom(uint64_t& state) {
    uint64_t z = (state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}
// The top 52 bits as a fraction in [0, 1): with 52 bits, fraction * x < x
// for every positive double x, so a jitter never reaches its bound.
inline double UnitFraction(uint64_t bits) {
    return static_cast<double>(bits >> 12) * 0x1.0p-52;
}

struct RedrawClock {
    double redrawHz;
    double jitterSeconds;
    double end;
    uint64_t index;
    uint64_t random;
    double previousJittered;  // before stalls, which act on the jittered times
    bool stalls;
    double everyMs;
    double lengthMs;
    uint64_t window;     // the stall window k the redraws have reached
    double windowStart;  // seconds
    double windowEnd;
    bool windowUsed;  // its replacement redraw has been made
};

void StartRedrawClock(RedrawClock& clock, const RedrawModel& model);
// The time of the next redraw in seconds; false once the run is over.
inline bool NextRedraw(RedrawClock& clock, double* seconds);
// Moves the clock's stall window on to the one that s lies in or before.
void CatchUpWindow(RedrawClock& clock, double s);

// Room for DescribeRedraws at every value the options take.
constexpr size_t kRedrawsTextSize = 192;
// The redraws a model makes, for people: "60 s of redraws at 1000 Hz",
// with its jitter and stalls where it has them.
void DescribeRedraws(char* text, size_t size, const RedrawModel& model);

enum class PacerClock : uint8_t {
    kMilliseconds,  // the program's own: 32-bit whole milliseconds
    kMicroseconds,
};

// What the pacers see at redraw time s (s >= 0, within the run cap).
// *ms gets the 32-bit millisecond reading (also for the microsecond clock).
inline double PacerSeconds(PacerClock clock, double s, uint32_t* ms);

// Both are inline: they run once per redraw, and a call apiece costs a
// tenth of the simulator's time.
inline bool NextRedraw(RedrawClock& clock, double* seconds) {
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
            if (s >= clock.windowEnd) {
                CatchUpWindow(clock, s);
            }
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

// Whole ticks of 1 / perSecond seconds passed by time s: floor(s *
// perSecond), exactly as the model is defined, rounding and all (1007 /
// 1000.0 * 1000.0 is just under 1007, so that redraw reads 1006 ms). s is
// never negative, so truncation is the floor, and the run cap keeps the
// ticks far inside 64 bits: no out-of-range double is ever converted.
inline int64_t WholeTicks(double s, double perSecond) {
    return static_cast<int64_t>(s * perSecond);
}

inline double PacerSeconds(PacerClock clock, double s, uint32_t* ms) {
    // Only the low 32 bits of the milliseconds survive, as on the program's
    // clock.
    *ms = static_cast<uint32_t>(static_cast<uint64_t>(WholeTicks(s, 1000.0)));
    if (clock == PacerClock::kMilliseconds) {
        return PacerTime(*ms);
    }
    return static_cast<double>(WholeTicks(s, 1e6)) * 1e-6;
}
