// When the modelled program redraws, and what its clocks read at those
// moments. Everything streams: a run of any length keeps a few numbers.
#pragma once

#include <cstdint>

// Redraw i is due at i / redrawHz seconds. Jitter delays each one by its own
// uniform draw from [0, jitterMs) ms; then no redraw comes before the one
// before it. A stall of lengthMs every everyMs (k >= 1) swallows the redraws
// that fall in [k * everyMs, k * everyMs + lengthMs) ms and puts one redraw
// at the end of that window instead.
struct RedrawModel {
    double redrawHz;
    double jitterMs;       // 0: none
    uint64_t seed;
    double stallEveryMs;   // 0: no stalls
    double stallLengthMs;
    double seconds;        // the run covers redraws before this time
};

// Our own generator (splitmix64): the same seed gives the same run on every
// machine and compiler, which a standard library engine plus distribution
// does not promise.
uint64_t NextRandom(uint64_t& state);
// The top 52 bits as a fraction in [0, 1): with 52 bits, fraction * x < x
// for every positive double x, so a jitter never reaches its bound.
double UnitFraction(uint64_t bits);

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
    uint64_t window;      // the stall window k the redraws have reached
    double windowStart;   // seconds
    double windowEnd;
    bool windowUsed;      // its replacement redraw has been made
};

void StartRedrawClock(RedrawClock& clock, const RedrawModel& model);
// The time of the next redraw in seconds; false once the run is over.
bool NextRedraw(RedrawClock& clock, double* seconds);

enum class PacerClock : uint8_t {
    kMilliseconds,  // the program's own: 32-bit whole milliseconds
    kMicroseconds,
};

// What the pacers see at redraw time s (s >= 0, within the run cap).
// *ms gets the 32-bit millisecond reading (also for the microsecond clock).
double PacerSeconds(PacerClock clock, double s, uint32_t* ms);
