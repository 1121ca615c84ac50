#include "lab/sim/replay_motion.h"

#include <cmath>

#include "pacing/display_prediction.h"

namespace {

// A display time heard: the refresh count moves on by the whole cadences
// since the one before, at least one.
void Count(ReplayDisplay& d, double at) {
    if (!d.counting) {
        d.counting = true;
        d.refresh = 0;
        d.countedAt = at;
        return;
    }
    if (!(at > d.countedAt))
        return;
    const double cadence = DisplayCadence(d.limiter);
    const double steps = cadence > 0.0 ? std::floor((at - d.countedAt) / cadence + 0.5) : 1.0;
    d.refresh += steps >= 1.0 && steps < 1e9 ? static_cast<int64_t>(steps) : 1;
    d.countedAt = at;
}

// Display times a capture writes as a present's time plus its time to the
// screen, each rounded, differ by a little for presents shown on the same
// refresh: those are the one display time, or the cadence would be learnt
// from the roundings.
constexpr double kSameDisplay = 0.0002;  // seconds

void Hear(ReplayDisplay& d, DisplayReport report, double now) {
    if (report.shown && d.counting && std::fabs(report.display - d.countedAt) < kSameDisplay)
        report.display = d.countedAt;
    NoteDisplayReport(d.limiter, report, now);
    NoteSettledSwap(d.bracket, report.swap, report.shown ? report.display : -1.0);
    if (report.shown && std::isfinite(report.display))
        Count(d, report.display);
}

}  // namespace

void StartReplayDisplay(ReplayDisplay& display) {
    StartDisplayLimiter(display.limiter, kFallbackRefreshHz);
    StartBracketedLatch(display.bracket);
    display.pendingCount = 0;
    display.counting = false;
    display.refresh = 0;
    display.countedAt = 0.0;
}

void HoldCaptureRow(ReplayDisplay& display, double swap, bool shown, double at) {
    if (display.pendingCount == kPendingCaptureReports) {
        const DisplayReport oldest = display.pending[0];
        for (int i = 1; i < display.pendingCount; ++i)
            display.pending[i - 1] = display.pending[i];
        --display.pendingCount;
        Hear(display, oldest, swap);
    }
    display.pending[display.pendingCount++] = DisplayReport{swap, shown, shown ? at : -1.0, 0.0};
}

void HearCaptureUntil(ReplayDisplay& display, double now) {
    // A row not shown is heard once a later row was: the display's word on
    // it came with that one.
    bool due[kPendingCaptureReports];
    bool laterShown = false;
    for (int i = display.pendingCount - 1; i >= 0; --i) {
        const DisplayReport& r = display.pending[i];
        const bool shown = r.shown && r.display <= now;
        due[i] = r.shown ? shown : laterShown;
        laterShown |= shown;
    }
    int kept = 0;
    for (int i = 0; i < display.pendingCount; ++i) {
        const DisplayReport r = display.pending[i];
        if (due[i])
            Hear(display, r, now);
        else
            display.pending[kept++] = r;
    }
    display.pendingCount = kept;
}

bool PredictReplay(const ReplayDisplay& display, double now, double* predicted, double* cadence) {
    const double lead =
        display.bracket.latch >= 0.0 ? display.bracket.latch : display.limiter.latch;
    *predicted = PredictLiveDisplayWithLead(display.limiter, now, lead);
    *cadence = DisplayCadence(display.limiter);
    return *predicted >= 0.0;
}

RefreshSlot ReplaySlot(const ReplayDisplay& display, double predicted, double cadence) {
    const double steps = std::floor((predicted - display.countedAt) / cadence + 0.5);
    const int64_t ahead = steps > 0.0 && steps < 1e9 ? static_cast<int64_t>(steps) : 0;
    return RefreshSlot{display.refresh + ahead, cadence};
}
