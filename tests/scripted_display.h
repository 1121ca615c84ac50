// A display the live loop swaps to on the scripted platform, for its tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <deque>

#include "platform/headless_platform.h"

namespace scripted {

constexpr double kTicks = 1e9;  // the scripted counter counts nanoseconds

// The simulator's display (pacing/display_model.h) told from outside:
// refresh k, at k / hz, shows the newest redraw swapped at least the latch
// before it. Its word on a redraw comes at the refresh that showed it, or at
// the swap that replaced it, in the order decided; it announces a refresh
// period (1 / hz unless told), and words due within [quietFrom, quietTo)
// come as unknown: a display that stopped saying when.
struct ModelledDisplay {
    double hz = 60.0, latch = 0.0;
    double announced = 0.0;  // seconds; 0: 1 / hz
    double quietFrom = 1e12, quietTo = 1e12;
    struct Newest {
        uint64_t redraw;
        int64_t swap;
        double display;  // the first refresh it can make
        bool decided;
    };
    bool any = false;
    Newest newest{};
    std::deque<std::pair<int64_t, PlatPresentation>> words;  // when due, what
};
inline ModelledDisplay display;

inline double Seconds(int64_t counter) {
    return static_cast<double>(counter) / kTicks;
}

inline int64_t Counter(double seconds) {
    return std::llround(seconds * kTicks);
}

// The first refresh at or after s, on the model's own arithmetic (refresh k
// is at k / hz; refreshes before s are passed).
inline double FirstRefreshFrom(double s) {
    double k = std::ceil(s * display.hz);
    while (k > 0.0 && (k - 1.0) / display.hz >= s) {
        k -= 1.0;
    }
    while (k / display.hz < s) {
        k += 1.0;
    }
    return k / display.hz;
}

inline void Decide(bool shown, int64_t at) {
    const ModelledDisplay::Newest& n = display.newest;
    const double period = display.announced > 0.0 ? display.announced : 1.0 / display.hz;
    const bool quiet = Seconds(at) >= display.quietFrom && Seconds(at) < display.quietTo;
    const PlatPresentation word{n.redraw,
                                static_cast<uint8_t>(quiet   ? kPlatUnknown
                                                     : shown ? kPlatShown
                                                             : kPlatDropped),
                                n.swap,
                                shown ? Counter(n.display) : 0,
                                shown ? static_cast<uint32_t>(std::llround(kTicks * period)) : 0u,
                                shown ? uint32_t{kPlatPresentVsync} : 0u};
    display.words.emplace_back(at, word);
    display.newest.decided = true;
}

inline void Swapped(uint64_t redraw, int64_t counter) {
    const double s = Seconds(counter);
    if (display.any && !display.newest.decided) {
        // Shown if a refresh came between its latch and this one's.
        const bool shown = display.newest.display < s + display.latch;
        Decide(shown, shown ? Counter(display.newest.display) : counter);
    }
    display.any = true;
    display.newest = {redraw, counter, FirstRefreshFrom(s + display.latch), false};
}

inline int Take(PlatPresentation* out, int capacity, int64_t counter) {
    // The newest redraw is shown once its refresh has come with no swap
    // after it.
    if (display.any && !display.newest.decided && display.newest.display <= Seconds(counter)) {
        Decide(true, Counter(display.newest.display));
    }
    int n = 0;
    while (n < capacity && !display.words.empty() && display.words.front().first <= counter) {
        out[n++] = display.words.front().second;
        display.words.pop_front();
    }
    return n;
}

inline const headless::Compositor kCompositor = {Swapped, Take};

}  // namespace scripted
