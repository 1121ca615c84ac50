// The limit on the live program's own redraws: the engine's limiter on the
// host's clock, and the waits it plans, made. With the limit off nothing
// here reads the clock or waits.
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

// Makes the wait the limit plans at this place, if any: sleeps, spins or
// both, to the deadline. Returns how long it waited, in seconds.
double HoldRedraw(WaitPlacement at);

// "limit 60 Hz, hybrid at swap", "limit off", "limit display, sleep at
// frame (no display times: refresh rate)": for the overlay and the panel.
const char* LiveLimitText();
