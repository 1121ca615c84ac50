#include "pacing/display_prediction.h"

#include <cmath>

namespace {

// Far past any run: a grid or cadence count beyond it is not a time.
constexpr double kMostRefreshes = 1e12;

}  // namespace

double PredictOnCadence(double lastDisplay, double cadence, double earliest) {
    const double steps = std::ceil((earliest - lastDisplay) / cadence);
    if (!(cadence > 0.0) || !std::isfinite(lastDisplay) || !(steps < kMostRefreshes)) {
        return -1.0;
    }
    return lastDisplay + (steps > 1.0 ? steps : 1.0) * cadence;
}

double PredictLiveDisplay(const DisplayLimiter& limiter, double now) {
    return PredictLiveDisplayWithLead(limiter, now, limiter.latch);
}

double PredictLiveDisplayWithLead(const DisplayLimiter& limiter, double now, double lead) {
    if (!DisplayTimed(limiter, now)) {
        return -1.0;
    }
    const double earliest = now + RecentHighSeconds(limiter.draw) + lead;
    return PredictOnCadence(limiter.lastDisplay, DisplayCadence(limiter), earliest);
}

void StartBracketedLatch(BracketedLatch& latch) {
    latch = BracketedLatch{-1.0, 0.0, -1.0};
}

void NoteSettledSwap(BracketedLatch& latch, double swap, double display) {
    const double made = latch.shownDisplay - latch.shownSwap;
    const double missed = latch.shownDisplay - swap;
    if (latch.shownDisplay >= 0.0 && swap >= latch.shownSwap && missed > 0.0 &&
        made - missed < kWidestLatchBracket) {
        const double middle = (made + missed) * 0.5;
        latch.latch =
            latch.latch < 0.0 ? middle : latch.latch + (middle - latch.latch) * kLatchFollow;
    }
    latch.shownSwap = swap;
    latch.shownDisplay = display >= swap && std::isfinite(display) ? display : -1.0;
}

double PredictOnGrid(double phase, double hz, double latch, double now) {
    // The same sums the display's model makes, so that a redraw on a
    // refresh's very latch lands where the model puts it.
    const double due = now + latch;
    double k = std::ceil((due - phase) * hz);
    if (!(hz > 0.0) || !(k < kMostRefreshes)) {
        return -1.0;
    }
    k = k > 0.0 ? k : 0.0;
    if (k > 0.0 && phase + (k - 1.0) / hz >= due) {
        k -= 1.0;
    }
    if (phase + k / hz < due) {
        k += 1.0;
    }
    return phase + k / hz;
}
