// One frame of the live program, in the order the host runs it:
//
//   BeginFrame   the display's word on earlier redraws; the limit's wait
//                when the limiter plans one before the frame
//   (the host reads the frame clock)
//   PaceFrame    first thing in Render: the pacers step, the redraw is
//                timed and queued for the display's word
//   (the scene draws)
//   EndFrame     what the limiter plans before the swap: a wait, and for the
//                display-timed limiter the wait for the display's word on
//                the redraw before
//   (the host swaps)
//
// The limiter (pacing/limiter.h) decides each of those; this carries them
// out and nothing else. With no limit neither reads the clock nor waits.
#pragma once

void BeginFrame();
void PaceFrame();
void EndFrame();

// A key the program has just received: the input latency runs from here to
// the display of the first shown redraw drawn after it.
void NoteKeyPress();

// The process's CPU time in seconds, user and system; null where it cannot
// be read (then no CPU figure is shown).
extern double (*processCpuSeconds)();

// The process's CPU time over the latest whole second of frames, as a
// percentage of one core; negative until a second has passed.
double LiveCpuPercent();
