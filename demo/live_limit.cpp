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

double HoldRedraw(WaitPlacement at) {
    const LimitSetting& s = liveLimiter.setting;
    if (s.kind == LimitKind::kOff)
        return 0.0;
    const bool drawn = at == WaitPlacement::kSwap;
    // The display-timed limiter waits before the frame whatever the
    // placement, and hears the drawing time at the swap.
    if (s.placement != at && s.kind != LimitKind::kDisplay)
        return 0.0;
    const double now = HostClockSeconds();
    // The display-timed limiter plans a frame's start by how long drawing
    // takes: from the clock reading that set the poses to now.
    if (drawn && s.kind == LimitKind::kDisplay)
        NoteDrawTime(liveLimiter.display, now - frameSeconds);
    const WaitPlan plan = PlanWait(liveLimiter, at, now);
    if (!plan.wait)
        return 0.0;
    double returned = now;
    if (plan.sleepUntil > now) {
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
    const LimitSetting& s = liveLimiter.setting;
    if (s.kind == LimitKind::kOff)
        return "limit off";
    char value[32];
    LimitText(s, value, sizeof value);
    const char* note = LimitNote(liveLimiter, frameSeconds);
    std::snprintf(text, sizeof text, "limit %s%s, %s at %s%s%s", value,
                  s.kind == LimitKind::kRate ? " Hz" : "", WaitMethodName(s.method),
                  WaitPlacementName(s.placement), *note != '\0' ? " " : "", note);
    return text;
}
