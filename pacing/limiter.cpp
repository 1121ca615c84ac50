#include "pacing/limiter.h"

LimitPlaces PlacesOf(const LimitSetting& s) {
    switch (s.kind) {
    case LimitKind::kOff: return LimitPlaces{false, false, false};
    // Before the frame whatever the placement (limiter.h), and at the swap
    // to hear the drawing time and wait for the display's word.
    case LimitKind::kDisplay: return LimitPlaces{true, true, true};
    case LimitKind::kRate:
    default:
        return LimitPlaces{s.placement == WaitPlacement::kFrame,
                           s.placement == WaitPlacement::kSwap, false};
    }
}

void StartLimiter(Limiter& limiter, const LimitSetting& setting, double refreshHz) {
    limiter.setting = setting;
    ForgetHybridMargin(limiter);
    ResetQuantiles(limiter.wakeLate);
    StartDisplayLimiter(limiter.display, refreshHz);
    ChangeLimit(limiter, setting);
}

void ChangeLimit(Limiter& limiter, const LimitSetting& setting) {
    limiter.setting = setting;
    limiter.places = PlacesOf(setting);
    StartRateSchedule(limiter.schedule, setting.kind == LimitKind::kRate ? setting.hz : 1.0);
    StartDisplayLimiter(limiter.display, limiter.display.refreshHz);
}

void ForgetHybridMargin(Limiter& limiter) {
    limiter.sleepLate = SleepLateness{};
    limiter.unslept = 0;
    limiter.hybridMargin = kFirstHybridMargin;
}

void LearnHybridMargin(Limiter& limiter) {
    SleepLateness& s = limiter.sleepLate;
    s.sinceLearned = 0;
    if (s.count == 0) {
        limiter.hybridMargin = kFirstHybridMargin;
        return;
    }
    // The bin where the quantile falls, counted from the prompt end (most
    // sleeps are prompt, so the scan is short), and its upper edge.
    const double wanted = kMarginQuantile * static_cast<double>(s.count);
    uint32_t seen = 0;
    int32_t bin = 0;
    for (; bin < kLateBins - 1; ++bin) {
        seen += s.bins[bin];
        if (static_cast<double>(seen) >= wanted) {
            break;
        }
    }
    const double late = (bin + 1) * kLateBinSeconds;
    const double margin = late * (1.0 + kMarginRoomShare) + kMarginRoom;
    limiter.hybridMargin = margin < kLeastHybridMargin  ? kLeastHybridMargin
                           : margin > kMostHybridMargin ? kMostHybridMargin
                                                        : margin;
    // Forgetting: the older sleeps weigh half as much as each window passes.
    if (s.count >= kLateWindow) {
        s.count = 0;
        for (uint32_t& b : s.bins) {
            b >>= 1;
            s.count += b;
        }
    }
}

const char* LimitNote(const Limiter& limiter, double now) {
    return limiter.setting.kind == LimitKind::kDisplay ? DisplayLimitNote(limiter.display, now)
                                                       : "";
}
