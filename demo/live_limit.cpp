#include "demo/live_limit.h"

#include <cstdio>

#include "host/app.h"

LimitSetting startLimit = kNoLimit;
Limiter liveLimiter;

void StartLiveLimit() {
    StartLimiter(liveLimiter, startLimit, HostRefreshRate());
}

void NextLiveLimit() {
    ChangeLimit(liveLimiter, NextLimitStep(liveLimiter.setting));
}

double MakeWait(const WaitPlan& plan) {
    if (!plan.wait)
        return 0.0;
    double returned = plan.start;
    if (plan.sleepUntil > plan.start) {
        HostSleepUntil(plan.sleepUntil);
        returned = HostClockSeconds();
    }
    // A clock that goes back mid-spin would hold it for as long as it went
    // back; the schedule starts over from it next time instead.
    double ended = returned;
    for (double before = ended; ended < plan.deadline && ended >= before;) {
        before = ended;
        ended = HostClockSeconds();
    }
    return FinishWait(liveLimiter, plan, returned, ended).waitSeconds;
}

const char* LiveLimitText() {
    static char text[128];
    char limit[112];
    DescribeLimit(liveLimiter.setting, LimitNote(liveLimiter, frameSeconds), limit, sizeof limit);
    std::snprintf(text, sizeof text, "limit %s", limit);
    return text;
}
