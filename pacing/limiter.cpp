#include "pacing/limiter.h"

void StartLimiter(Limiter& limiter, const LimitSetting& setting, double refreshHz) {
    limiter.setting = setting;
    ForgetHybridMargin(limiter);
    ResetQuantiles(limiter.wakeLate);
    StartDisplayLimiter(limiter.display, refreshHz);
    ChangeLimit(limiter, setting);
}

void ChangeLimit(Limiter& limiter, const LimitSetting& setting) {
    limiter.setting = setting;
    StartRateSchedule(limiter.schedule, setting.kind == LimitKind::kRate ? setting.hz : 1.0);
    StartDisplayLimiter(limiter.display, limiter.display.refreshHz);
}

void ForgetHybridMargin(Limiter& limiter) {
    ResetRecentHigh(limiter.sleepLate);
    limiter.unslept = 0;
    LearnHybridMargin(limiter);
}

void LearnHybridMargin(Limiter& limiter) {
    if (limiter.sleepLate.count == 0) {
        limiter.hybridMargin = kFirstHybridMargin;
        return;
    }
    // Half as much again and a tenth of a millisecond: a sleep late by the
    // high quantile still leaves a short spin.
    const double margin = RecentHighSeconds(limiter.sleepLate) * 1.5 + 0.0001;
    limiter.hybridMargin = margin < kLeastHybridMargin  ? kLeastHybridMargin
                           : margin > kMostHybridMargin ? kMostHybridMargin
                                                        : margin;
}

const char* LimitNote(const Limiter& limiter, double now) {
    return limiter.setting.kind == LimitKind::kDisplay ? DisplayLimitNote(limiter.display, now)
                                                       : "";
}
