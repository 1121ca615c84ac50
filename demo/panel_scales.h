// What the cadence panel's strips stand for: the interval each one's top
// edge means and the one its reference line marks. The charts are drawn to
// these and their labels say them, so both take them from here.
#pragma once

#include "demo/presentations.h"
#include "pacing/figures.h"
#include "pacing/rules.h"

// A side's nominal interval, 1 / target; while a side has no target yet
// (before the program starts), that of 60 Hz.
double SideNominal(const Pacer& pacer);
// 2.5 nominal intervals at the top puts the nominal line 0.4 of the way up,
// with room above it for a missed frame and a half.
double SideTopSeconds(double nominal);
// Four mean redraw intervals, or a fixed 20 ms before the first.
double RedrawTopSeconds(const IntervalFigures& redraw);
// The display's refresh period where it says, else its mean interval
// between shown redraws, else a 60 Hz guess.
double DisplayReference(const LiveDisplay& display);
// Two refresh periods.
double DisplayTopSeconds(double reference);
