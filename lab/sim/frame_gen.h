// An interpolating frame generator between the application and the
// display. A frame between two of the application's can only be made once
// the later one is drawn, so each application frame is held back: the
// generator takes its own time, then shows N-1 frames at equal steps
// between the application frame before and this one, then this one. An
// application frame so reaches the display (N-1)/N of its interval plus the
// generator's time later than it would without it. After a long interval
// the generator is still stepping through it when the next frame is ready:
// that frame waits a step after the one before, and the generated frames
// that would come no later than what is already shown are dropped, so the
// delay wears off over the frames that follow instead of staying.
//
// The generator takes the application's frames as a sink, in the order and
// at the times they were made, so that any loop of the simulator (the plain
// one, the limited one) feeds it unchanged; the pacers and the limiter see
// only the application's frames. Every frame it shows goes on to the run's
// sink, the generated ones marked (FrameSample::generated), each once the
// display has decided it.
#pragma once

#include <cstdint>

#include "lab/sim/display_step.h"
#include "lab/sim/frame_gen_model.h"
#include "pacing/figures.h"
#include "pacing/frame_sink.h"
#include "pacing/quantiles.h"

struct FrameGen {
    FrameGenModel model;
    DisplayStep step;
    FrameSink out;
    FrameGenFigures* figures;
    QuantileKeeper* latency;  // application frames: their start to their display
    uint64_t made;            // frames handed to the display, generated ones too
    bool any;                 // an application frame has come
    FrameSample first;        // the first, held until the second comes
    double previousApp;       // its time
    double lastHanded;        // the latest frame handed to the display
    uint64_t poses[2];        // the sides' updates in the newest application frame
    double starts[2];         // the start of each sample's application frame
    bool limited;             // the samples carry their start (FrameWork::start)
};

// hz > 0: the display. seen takes each side's seen intervals; out every
// frame shown; latency (may be null) the application frames' start to
// display. limited: the loop feeding it sets FrameWork::start.
void StartFrameGen(FrameGen& gen, const FrameGenModel& model, double hz, double latchMs,
                   IntervalFigures* leftSeen, IntervalFigures* rightSeen, const SimSide* sides,
                   FrameSink out, FrameGenFigures* figures, QuantileKeeper* latency, bool limited);

// The sink the application's loop hands its frames to.
FrameSink FrameGenSink(FrameGen& gen);

// The run is over at end: the refreshes before it pass and the newest frame
// goes to out.
void FinishFrameGen(FrameGen& gen, double end);
