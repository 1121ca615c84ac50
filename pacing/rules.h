// The pacing rules: when a rotor is due to move, and by how much. Nothing
// here reads a clock or keeps state of its own: the caller owns every Pacer
// and hands in the time, so any number of them can run side by side.
#pragma once

#include <cstdint>

// Times and intervals are seconds, rates frames per second, angles degrees.
struct Pacer {
    double target;        // asked-for rate, kLowestTarget to kHighestTarget in kTargetStep
    double lastUpdate;    // time of the most recent update
    double interval;      // elapsed time after lastUpdate at which the next update is due
    float outerAngle;     // the whole rotor about its axis
    float innerAngle;     // each spoke about its own axis
    double rateSum;       // sum of 1 / elapsed over the current window of updates
    int32_t updateCount;  // updates in the current window, 0 to 19 between frames
    double measuredRate;  // mean rate over the last complete window of 20 updates
    // display-locked only: the refresh that shows the last update.
    bool locked;
    int64_t lockedRefresh;
};

// Where the display will show a redraw made now: that refresh's number on
// the display's own count, and the refresh period in seconds. The live
// program predicts it from the latest display times, the simulator from its
// display model.
struct RefreshSlot {
    int64_t refresh;
    double period;
};

// The targets a pacer may be given, and where each side starts.
constexpr double kLowestTarget = 5.0;
constexpr double kHighestTarget = 200.0;
constexpr double kTargetStep = 0.5;
constexpr double kLeftStartTarget = 62.0;
constexpr double kRightStartTarget = 31.0;

// The pacing rules. adaptive and fixed are the program's own (left and right
// by default); the others are there to compare against.
enum PaceRule : uint8_t {
    kRuleAdaptive,       // next wait + clamped elapsed = two nominal frames
    kRuleFixed,          // waits 0.97 of a nominal frame
    kRuleFixedExact,     // waits exactly one nominal frame
    kRuleScheduled,      // keeps an absolute schedule; restarts it when a period late
    kRuleEveryRedraw,    // unpaced: every redraw that sees time pass
    kRuleDisplayLocked,  // whole refreshes: k of them per update, k nearest 1 / (target * period)
};
constexpr int kPaceRuleCount = 6;
constexpr PaceRule kLeftStartRule = kRuleAdaptive;
constexpr PaceRule kRightStartRule = kRuleFixed;

// The rule's name as the command line and the logs spell it (PaceRuleList
// gives them all, in the order of the enum above).
const char* PaceRuleName(PaceRule rule);
// False (and *rule unchanged) for a name that is none of the rules'.
bool PaceRuleFromName(const char* name, PaceRule* rule);
// The order the Z and X keys cycle through, wrapping after the last rule.
PaceRule NextPaceRule(PaceRule rule);
// Every rule name, comma-separated, for help texts and messages.
const char* PaceRuleList();

// True for a rate within the bounds and on the step grid.
bool TargetIsValid(double target);
// A target written as a plain decimal number ("40", "62.5"); false for
// anything else, including rates off the bounds or the grid.
bool ParseTarget(const char* text, double* target);
// What ParseTarget takes, in the words both programs refuse a target with.
constexpr const char* kTargetWords = "a target rate from 5 to 200 in steps of 0.5";
// Moves a target by one step, held within the bounds.
void RaiseTarget(Pacer& pacer);
void LowerTarget(Pacer& pacer);

// The pacers' time from the millisecond clock. The constant is single
// precision, as the program has always had it, but the product is taken in
// double: a float product loses whole milliseconds after a few hours of
// running. Inline: the simulator reads it once per redraw.
inline double PacerTime(uint32_t ms) {
    return static_cast<double>(ms) * static_cast<double>(0.001f);
}

// StepPacer past its shortcut: every rule in full.
bool StepRule(Pacer& pacer, PaceRule rule, double t, double* elapsed, const RefreshSlot* slot);

// One frame of one rule at time t; true when the pacer updated, with the
// elapsed time it saw in *elapsed (may be null). A program that draws the
// rotor moves it by that time (AdvanceRotor), so its pose matches lastUpdate. slot is where this redraw
// will be shown, null when no refresh timing is known; only display-locked
// reads it, and without it paces as scheduled.
inline bool StepPacer(Pacer& pacer, PaceRule rule, double t, double* elapsed,
                      const RefreshSlot* slot = nullptr) {
    // The rules up to scheduled leave the pacer untouched while the clock has
    // not gone back and its interval has not run out, which is most redraws:
    // taken here without a call or a switch, which cost the simulator a fifth
    // of its time.
    static_assert(kRuleAdaptive < kRuleScheduled && kRuleFixed < kRuleScheduled &&
                      kRuleFixedExact < kRuleScheduled,
                  "the rules that wait out their interval come first");
    if (rule <= kRuleScheduled && t >= pacer.lastUpdate && t - pacer.lastUpdate < pacer.interval) {
        if (elapsed != nullptr)
            *elapsed = 0.0;
        return false;
    }
    return StepRule(pacer, rule, t, elapsed, slot);
}

bool StepAdaptive(Pacer& pacer, double t);
bool StepFixed(Pacer& pacer, double t);
bool StepFixedExact(Pacer& pacer, double t);
bool StepScheduled(Pacer& pacer, double t);
bool StepEveryRedraw(Pacer& pacer, double t);
bool StepDisplayLocked(Pacer& pacer, double t, const RefreshSlot* slot);
// The refreshes between updates that display-locked keeps at a target.
int64_t LockedRefreshes(double target, double period);
// Turns the rotor by d seconds of its speeds; each turn wraps once at most.
void AdvanceRotor(Pacer& pacer, double d);
