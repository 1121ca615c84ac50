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
    if (!DisplayTimed(limiter, now)) {
        return -1.0;
    }
    const double earliest = now + RecentHighSeconds(limiter.draw) + limiter.latch;
    return PredictOnCadence(limiter.lastDisplay, DisplayCadence(limiter), earliest);
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
