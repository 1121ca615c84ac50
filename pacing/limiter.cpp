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
    limiter.sleepLate = -1.0;
    limiter.unslept = 0;
    LearnHybridMargin(limiter);
}

void LearnHybridMargin(Limiter& limiter) {
    if (limiter.sleepLate < 0.0) {
        limiter.hybridMargin = kFirstHybridMargin;
        return;
    }
    const double margin = limiter.sleepLate + kHybridRoom;
    limiter.hybridMargin = margin < kLeastHybridMargin  ? kLeastHybridMargin
                           : margin > kMostHybridMargin ? kMostHybridMargin
                                                        : margin;
}

const char* LimitNote(const Limiter& limiter, double now) {
    return limiter.setting.kind == LimitKind::kDisplay ? DisplayLimitNote(limiter.display, now)
                                                       : "";
}
