// How far each of the live program's rotors moves when its rule moves it
// (pacing/motion.h), from what the live display has taught the display-timed
// limiter: the cadence the display really shows (a nested compositor
// announces 60 Hz and shows far fewer frames) and where a redraw made now
// will be shown. The limiter learns from every display time whatever the
// limit, so display motion has them with the limit off too.
#pragma once

#include "pacing/display_prediction.h"
#include "pacing/motion.h"
#include "pacing/rules.h"

// The choice each side starts with: cpu unless the command line chose
// another.
extern MotionKind startMotions[2];
// Each side's motion in force (left, right).
extern Motion liveMotions[2];
// The lead a swap needs, from the settled redraws (the display's account
// feeds it); display motion predicts with it where it is known.
extern BracketedLatch liveLatch;

// At the scene's start: each side's start choice, its pose time at 0.
void StartLiveMotion();

// The key: the side's next choice; its pose keeps its time.
void NextLiveMotion(int side);

// An update of side's pacer at pacer time t that saw elapsed pass, in the
// frame starting at frameStart (on the frame clock): moves the side's pose
// on by its motion, turning the rotor by the difference from elapsed.
// With cpu motion only counts the pose's time.
void MoveSide(int side, Pacer& pacer, double elapsed, double t, double frameStart);

// Display motion predicts where a redraw made now is shown from how long a
// frame takes to reach its swap. The display-timed limiter times that
// itself; without it, each frame start gives the previous frame's, from
// that frame's start and the swap's time the host kept: no clock is read.
// Nothing is noted while no side moves by display times.
void NoteFrameStart(double frameStart);

// "Motion: display (no display times: refresh)" over a side whose motion
// is not cpu; null for cpu.
const char* LiveMotionText(int side);
