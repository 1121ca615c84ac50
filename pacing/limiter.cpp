#include "pacing/limiter.h"

void StartLimiter(Limiter& limiter, const LimitSetting& setting, double refreshHz) {
    limiter.setting = setting;
    ResetRecentHigh(limiter.sleepLate);
    ResetQuantiles(limiter.wakeLate);
    limiter.waits = 0;
    limiter.waitSeconds = 0.0;
    limiter.spinSeconds = 0.0;
    StartDisplayLimiter(limiter.display, refreshHz);
    ChangeLimit(limiter, setting);
}

void ChangeLimit(Limiter& limiter, const LimitSetting& setting) {
    limiter.setting = setting;
    StartRateSchedule(limiter.schedule, setting.kind == LimitKind::kRate ? setting.hz : 1.0);
    StartDisplayLimiter(limiter.display, limiter.display.refreshHz);
}

const char* LimitNote(const Limiter& limiter, double now) {
    return limiter.setting.kind == LimitKind::kDisplay ? DisplayLimitNote(limiter.display, now)
                                                       : "";
}
