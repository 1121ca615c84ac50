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

double HybridMargin(const Limiter& limiter) {
    if (limiter.sleepLate.count == 0) {
        return kFirstHybridMargin;
    }
    // Half as much again and a tenth of a millisecond: a sleep late by the
    // high quantile still leaves a short spin.
    const double margin = limiter.sleepLate.high * 1.5 + 0.0001;
    return margin < kLeastHybridMargin ? kLeastHybridMargin
           : margin > kMostHybridMargin ? kMostHybridMargin
                                        : margin;
}

WaitPlan PlanWait(Limiter& limiter, WaitPlacement at, double now) {
    WaitPlan plan{false, now, now, now};
    const LimitSetting& s = limiter.setting;
    if (s.kind == LimitKind::kOff || s.placement != at) {
        return plan;
    }
    const double deadline = s.kind == LimitKind::kRate ? TakeDeadline(limiter.schedule, now)
                                                       : PlanDisplayWait(limiter.display, at, now);
    if (!(deadline > now)) {
        return plan;
    }
    plan.wait = true;
    plan.deadline = deadline;
    switch (s.method) {
        case WaitMethod::kSleep:
            plan.sleepUntil = deadline;
            break;
        case WaitMethod::kSpin:
            plan.sleepUntil = now;
            break;
        case WaitMethod::kHybrid:
            plan.sleepUntil = deadline - HybridMargin(limiter);
            break;
    }
    return plan;
}

WaitOutcome FinishWait(Limiter& limiter, const WaitPlan& plan, double sleepReturned, double ended) {
    if (!plan.wait) {
        return WaitOutcome{0.0, 0.0, 0.0};
    }
    if (plan.sleepUntil > plan.start) {
        AddRecent(limiter.sleepLate, sleepReturned - plan.sleepUntil);
    }
    WaitOutcome out;
    out.waitSeconds = ended - plan.start;
    out.spinSeconds = ended - sleepReturned;
    out.lateSeconds = ended - plan.deadline;
    AddQuantile(limiter.wakeLate, out.lateSeconds);
    ++limiter.waits;
    limiter.waitSeconds += out.waitSeconds;
    limiter.spinSeconds += out.spinSeconds;
    return out;
}

const char* LimitNote(const Limiter& limiter, double now) {
    return limiter.setting.kind == LimitKind::kDisplay ? DisplayLimitNote(limiter.display, now)
                                                       : "";
}
