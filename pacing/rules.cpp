#include "pacing/rules.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double kOuterSpeed = 110.0;  // degrees per second
constexpr double kInnerSpeed = 150.0;  // degrees per second, turning the other way
constexpr int32_t kPacerWindow = 20;

const char* const kRuleNames[kPaceRuleCount] = {
    "adaptive", "fixed", "fixed-exact", "scheduled", "every-redraw", "display-locked",
};

void WrapAngle(float& angle) {
    // One correction only: a step of more than a full turn is left for later
    // steps to bring back, and exactly 360 or 0 stays put.
    if (angle > 360.0f)
        angle -= 360.0f;
    if (angle < 0.0f)
        angle += 360.0f;
}

// The millisecond clock wraps after about 49.7 days. Without this a pacer
// would wait until the new time caught up with its old lastUpdate, freezing
// the rotor for another 49.7 days; instead it starts afresh from now and keeps
// the wait it was in.
bool ClockWentBack(Pacer& pacer, double t) {
    if (t >= pacer.lastUpdate)
        return false;
    pacer.lastUpdate = t;
    return true;
}

void CloseMeasurementWindow(Pacer& pacer) {
    if (pacer.updateCount == kPacerWindow) {
        // A product, as it always was: 1.0 / 20 is the very double 0.05 is.
        pacer.measuredRate = pacer.rateSum * (1.0 / kPacerWindow);
        pacer.rateSum = 0.0;
        pacer.updateCount = 0;
    }
}

// What every rule does once it has decided to update at t, d after the last
// update: the update counts toward the window of 20. The rotor is the
// caller's to move, by the elapsed time StepPacer hands back: the simulator
// has no rotor to draw, and moving one cost it a twentieth of its redraw.
inline void CountUpdate(Pacer& pacer, double t, double d) {
    pacer.lastUpdate = t;
    pacer.updateCount += 1;
    if (d > 0.0)
        pacer.rateSum += 1.0 / d;
    CloseMeasurementWindow(pacer);
}

// The fixed rules: wait `frames` nominal frames after every update.
bool StepFixedFraction(Pacer& pacer, double t, double frames) {
    if (ClockWentBack(pacer, t))
        return false;
    const double d = t - pacer.lastUpdate;
    if (d < pacer.interval)
        return false;
    pacer.interval = frames / pacer.target;
    CountUpdate(pacer, t, d);
    return true;
}

}  // namespace

const char* PaceRuleName(PaceRule rule) {
    return rule < kPaceRuleCount ? kRuleNames[rule] : "unknown";
}

bool PaceRuleFromName(const char* name, PaceRule* rule) {
    if (name == nullptr)
        return false;
    for (int i = 0; i < kPaceRuleCount; ++i) {
        if (std::strcmp(name, kRuleNames[i]) == 0) {
            *rule = static_cast<PaceRule>(i);
            return true;
        }
    }
    return false;
}

PaceRule NextPaceRule(PaceRule rule) {
    return rule + 1 < kPaceRuleCount ? static_cast<PaceRule>(rule + 1) : kRuleAdaptive;
}

bool StepRule(Pacer& pacer, PaceRule rule, double t, double* elapsed, const RefreshSlot* slot) {
    const double before = pacer.lastUpdate;
    bool updated = false;
    switch (rule) {
    case kRuleAdaptive: updated = StepAdaptive(pacer, t); break;
    case kRuleFixed: updated = StepFixed(pacer, t); break;
    case kRuleFixedExact: updated = StepFixedExact(pacer, t); break;
    case kRuleScheduled: updated = StepScheduled(pacer, t); break;
    case kRuleEveryRedraw: updated = StepEveryRedraw(pacer, t); break;
    case kRuleDisplayLocked: updated = StepDisplayLocked(pacer, t, slot); break;
    }
    if (elapsed != nullptr)
        *elapsed = updated ? t - before : 0.0;
    return updated;
}

bool StepAdaptive(Pacer& pacer, double t) {
    if (ClockWentBack(pacer, t))
        return false;
    const double d = t - pacer.lastUpdate;
    if (d < pacer.interval)
        return false;

    // The next wait and the elapsed time before it add up to two nominal
    // frames, so a late frame is made up by an early one. Steps far off the
    // nominal frame are taken as punctual rather than overcorrected.
    double e = d;
    if (e > 1.5 / pacer.target)
        e = 1.0 / pacer.target;
    if (e < 0.5 / pacer.target)
        e = 1.0 / pacer.target;
    pacer.interval = 2.0 / pacer.target - e;
    CountUpdate(pacer, t, d);
    return true;
}

bool StepFixed(Pacer& pacer, double t) {
    // A little under one nominal frame, so that a frame arriving right on
    // time is never pushed to the next redraw by clock granularity.
    return StepFixedFraction(pacer, t, 0.97);
}

bool StepFixedExact(Pacer& pacer, double t) {
    // Exactly one nominal frame: a redraw a hair early waits a whole redraw
    // more, which is what the 0.97 of the fixed rule is there to avoid.
    return StepFixedFraction(pacer, t, 1.0);
}

bool StepScheduled(Pacer& pacer, double t) {
    if (ClockWentBack(pacer, t))
        return false;
    const double d = t - pacer.lastUpdate;
    if (d < pacer.interval)
        return false;
    // Due times step by whole nominal frames from the one just met, so a late
    // redraw does not push the rest of the schedule back. More than a frame
    // behind, the schedule starts again from now rather than bursting through
    // the updates it missed.
    double due = (pacer.lastUpdate + pacer.interval) + 1.0 / pacer.target;
    if (due <= t)
        due = t + 1.0 / pacer.target;
    pacer.interval = due - t;
    CountUpdate(pacer, t, d);
    return true;
}

bool StepEveryRedraw(Pacer& pacer, double t) {
    if (ClockWentBack(pacer, t))
        return false;
    const double d = t - pacer.lastUpdate;
    // A redraw that saw no time pass would show the same pose again.
    if (!(d > 0.0))
        return false;
    pacer.interval = 0.0;
    CountUpdate(pacer, t, d);
    return true;
}

int64_t LockedRefreshes(double target, double period) {
    const double k = std::round(1.0 / (target * period));
    // Also for a period so short that k would not fit: far beyond any target.
    return k >= 1.0 ? (k < 1e9 ? static_cast<int64_t>(k) : 1000000000) : 1;
}

bool StepDisplayLocked(Pacer& pacer, double t, const RefreshSlot* slot) {
    if (slot == nullptr || !(slot->period > 0.0))
        return StepScheduled(pacer, t);
    if (ClockWentBack(pacer, t))
        return false;
    // A count that went back belongs to a display that started afresh: the
    // next redraw updates and locks onto it.
    if (pacer.locked && slot->refresh >= pacer.lockedRefresh &&
        slot->refresh - pacer.lockedRefresh < LockedRefreshes(pacer.target, slot->period))
        return false;
    const double d = t - pacer.lastUpdate;
    pacer.locked = true;
    pacer.lockedRefresh = slot->refresh;
    // Should the timing go, scheduled takes over from a due time that fits.
    pacer.interval =
        static_cast<double>(LockedRefreshes(pacer.target, slot->period)) * slot->period;
    CountUpdate(pacer, t, d);
    return true;
}

void AdvanceRotor(Pacer& pacer, double d) {
    // Whole elapsed time each step, so the pose always matches lastUpdate.
    pacer.outerAngle = static_cast<float>(pacer.outerAngle + kOuterSpeed * d);
    pacer.innerAngle = static_cast<float>(pacer.innerAngle - kInnerSpeed * d);
    WrapAngle(pacer.outerAngle);
    WrapAngle(pacer.innerAngle);
}

const char* PaceRuleList() {
    // Made from the name table once (thread-safe, as a local static), so a
    // new rule shows up in every help text and message by itself.
    struct List {
        char text[16 * kPaceRuleCount] = "";
        List() {
            for (int i = 0; i < kPaceRuleCount; ++i) {
                if (i > 0)
                    std::strcat(text, ", ");
                std::strcat(text, kRuleNames[i]);
            }
        }
    };
    static const List list;
    return list.text;
}

bool TargetIsValid(double target) {
    // Whole steps only: the keys move by one, and a log records a target to
    // one decimal, which a finer one would not survive.
    if (!(target >= kLowestTarget && target <= kHighestTarget))
        return false;
    const double steps = target / kTargetStep;
    return steps == std::floor(steps);
}

void RaiseTarget(Pacer& pacer) {
    pacer.target += kTargetStep;
    if (pacer.target > kHighestTarget)
        pacer.target = kHighestTarget;
}

void LowerTarget(Pacer& pacer) {
    pacer.target -= kTargetStep;
    if (pacer.target < kLowestTarget)
        pacer.target = kLowestTarget;
}

bool ParseTarget(const char* text, double* target) {
    // strtod alone would take blanks, "inf", "nan" and hex.
    if (text == nullptr || *text == '\0' || std::strspn(text, "0123456789.") != std::strlen(text))
        return false;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !TargetIsValid(value))
        return false;
    *target = value;
    return true;
}
