// The limit on the live program's own redraws: the engine's limiter
// (pacing/limiter.h) on the host's clock, and the waits it plans, made. The
// engine decides where and how long; this only sleeps and spins. With the
// limit off nothing here reads the clock or waits.
#pragma once

#include "pacing/limiter.h"

// The limit the scene starts with: off unless the command line chose one.
extern LimitSetting startLimit;

// The limiter in force and its run's figures (large: kept out of any stack).
extern Limiter liveLimiter;

// At the scene's start: startLimit, with the refresh rate the host reports
// for the display-timed limiter's fallback.
void StartLiveLimit();

// The key: off, 30, 60, 120, display, off; the method and placement stay.
void NextLiveLimit();

// Makes a wait the limiter planned, on the host's clock: sleeps until
// plan.sleepUntil, then spins to plan.deadline, and tells the limiter.
// Returns how long it waited, in seconds; 0 at once, with no clock read, for
// a plan with no wait.
double MakeWait(const WaitPlan& plan);

// "limit 60 Hz, hybrid at swap", "limit off", "limit display, sleep at
// frame (no display times: refresh rate)": for the overlay and the panel.
const char* LiveLimitText();
