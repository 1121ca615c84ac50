// The display's word on the live program's redraws: each redraw waits in a
// queue until the host reports it shown, discarded or given up, then goes,
// in redraw order, into liveDisplay and to whoever keeps the run's logs.
// From the same reports comes where display-locked expects a redraw made now
// to be shown.
#pragma once

#include "pacing/frame_log.h"
#include "pacing/rules.h"

// Once per frame, before drawing: the display's word on earlier redraws,
// the pacers (UpdateFrameTiming), the live figures and this redraw queued.
void PaceFrame();

// Where settled redraws go besides liveDisplay; null for nowhere.
extern void (*settledFrameSink)(const FrameSample& sample, const FrameDisplay& display);

// Empties the queue and liveDisplay, and notes whether display times come
// (the host's source, once the window is there).
void StartPresentations();

// Once per frame before the pacers step: takes the host's reports and
// settles what they say. Then LiveRefreshSlot holds this redraw's slot.
void TakePresentations();

// Once per frame after the pacers stepped: queues the redraw and hands on
// every redraw now settled.
void QueueRedraw(const FrameSample& sample);

// Gives up every waiting redraw as unknown and hands them on: at the end.
void FlushPresentations();

// Where the display will show a redraw made now; null while no refresh
// timing is known.
const RefreshSlot* LiveRefreshSlot();
