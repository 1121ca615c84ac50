// Frame pacing for the two rotors, and the redraw-rate counter behind the
// window caption.
//
// Each rotor advances only when its own pacer says a frame is due; between
// those moments it is drawn unchanged however often the screen is redrawn.
// The left pacer makes up for late frames (StepAdaptive), the right one waits
// a fixed fraction of the nominal frame time (StepFixed). Everything here runs
// on the message-loop thread.
#pragma once

#include <cstdint>

// Times and intervals are seconds, rates frames per second, angles degrees.
struct Pacer {
    double target;        // asked-for rate, 5.0 to 200.0 in steps of 0.5
    double lastUpdate;    // time of the most recent update
    double interval;      // elapsed time after lastUpdate at which the next update is due
    float outerAngle;     // the whole rotor about its axis
    float innerAngle;     // each spoke about its own axis
    double rateSum;       // sum of 1 / elapsed over the current window of updates
    int32_t updateCount;  // updates in the current window, 0 to 19 between frames
    double measuredRate;  // mean rate over the last complete window of 20 updates
};

extern Pacer leftPacer;
extern Pacer rightPacer;

// Redraw-rate counter.
extern double previousFrameTime;
extern double redrawRateSum;
extern int32_t redrawCount;
extern char statusText[100];

// The pacing rules. adaptive and fixed are the program's own (left and right
// by default); the others are there to compare against.
enum PaceRule : uint8_t {
    kRuleAdaptive,     // next wait + clamped elapsed = two nominal frames
    kRuleFixed,        // waits 0.97 of a nominal frame
    kRuleFixedExact,   // waits exactly one nominal frame
    kRuleScheduled,    // keeps an absolute schedule; restarts it when a period late
    kRuleEveryRedraw,  // unpaced: every redraw that sees time pass
};
constexpr int kPaceRuleCount = 5;

// "adaptive", "fixed", "fixed-exact", "scheduled", "every-redraw".
const char* PaceRuleName(PaceRule rule);
// False (and *rule unchanged) for a name that is none of the above.
bool PaceRuleFromName(const char* name, PaceRule* rule);
// The order the Z and X keys cycle through, wrapping after every-redraw.
PaceRule NextPaceRule(PaceRule rule);

// The rules in force; adaptive and fixed at program start.
extern PaceRule leftRule;
extern PaceRule rightRule;

// What one frame did to one side: whether it updated, and the elapsed time
// the pacer saw for that update (seconds).
struct SideStep {
    bool updated;
    double elapsed;
};

// The outcome of the latest UpdateFrameTiming.
struct FrameSteps {
    double t;
    SideStep left;
    SideStep right;
};
extern FrameSteps frameSteps;

// The pacers' time from the millisecond clock, as UpdateFrameTiming takes it.
double PacerTime(uint32_t ms);

// Once per frame, before drawing: reads timeMs, counts the redraw, then lets
// leftPacer and rightPacer decide by their rules whether to advance.
void UpdateFrameTiming();

// One frame of one rule at time t; true when the pacer updated, with the
// elapsed time it saw in *elapsed (may be null).
bool StepPacer(Pacer& pacer, PaceRule rule, double t, double* elapsed);

bool StepAdaptive(Pacer& pacer, double t);
bool StepFixed(Pacer& pacer, double t);
bool StepFixedExact(Pacer& pacer, double t);
bool StepScheduled(Pacer& pacer, double t);
bool StepEveryRedraw(Pacer& pacer, double t);
void AdvanceRotor(Pacer& pacer, double d);

// The caption text; empty until the 100th frame.
const char* GetStatusText();

// Key operations (Q, A, W, S): move a target by 0.5 within 5.0 to 200.0.
void RaiseLeftTarget();
void LowerLeftTarget();
void RaiseRightTarget();
void LowerRightTarget();

// Puts every value above back to its program-start state (all zero, targets
// included), as if no frame had run yet.
void ResetPacing();
