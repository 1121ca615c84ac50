// The live program's pacing: the two rotors' pacers, the rules in force, and
// the redraw-rate counter behind the window caption.
//
// Each rotor advances only when its own pacer says a frame is due; between
// those moments it is drawn unchanged however often the screen is redrawn.
// The rules themselves live in the pacing engine (pacing/rules.h); this is
// the state the scene draws from, read from the host's clock once a frame.
// Everything here runs on the message-loop thread.
#pragma once

#include <cstdint>

#include "pacing/cadence.h"
#include "pacing/rules.h"

extern Pacer leftPacer;
extern Pacer rightPacer;

// Redraw-rate counter.
extern double previousFrameTime;
extern double redrawRateSum;
extern int32_t redrawCount;
extern char statusText[100];

// The rules in force; adaptive and fixed at program start.
extern PaceRule leftRule;
extern PaceRule rightRule;

// The targets the scene gives the pacers when it starts; 62 and 31 unless
// the command line chose others.
extern double leftStartTarget;
extern double rightStartTarget;

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

// Once per frame, before drawing: reads timeMs, counts the redraw, then lets
// leftPacer and rightPacer decide by their rules whether to advance, with
// where the display's account expects this redraw to be shown.
void UpdateFrameTiming();

// The caption text; empty until the 100th frame.
const char* GetStatusText();

// Key operations (Q, A, W, S): move a target by one step within the bounds.
void RaiseLeftTarget();
void LowerLeftTarget();
void RaiseRightTarget();
void LowerRightTarget();

// Puts every value above back to its program-start state (all zero, targets
// included), as if no frame had run yet, and each side's motion to its
// start choice (live_motion.h).
void ResetPacing();

// The sample of the frame UpdateFrameTiming has just run, from the globals.
FrameSample CurrentFrameSample(double redrawSeconds);

// The live program's figures (large: kept out of any stack).
extern Cadence liveCadence;
