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

// Once per frame, before drawing: reads timeMs, counts the redraw, then lets
// leftPacer (adaptive) and rightPacer (fixed) decide whether to advance.
void UpdateFrameTiming();

void StepAdaptive(Pacer& pacer, double t);
void StepFixed(Pacer& pacer, double t);
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
