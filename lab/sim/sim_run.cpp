// The driver of a modelled run: the plain loop, here, or the limited one
// (sim_limited.cpp), either behind a frame generator (frame_gen.h), with
// the sides' figures gathered after either.
#include "lab/sim/sim_run.h"

#include "lab/sim/display_step.h"
#include "lab/sim/frame_gen.h"
#include "lab/sim/sim_limited.h"

namespace {

// kDisplay and kSink are fixed for a run: each combination gets its own loop
// with no tests for them inside.
template <bool kDisplay, bool kSink>
void Run(const SimSetup& setup, SimResult& result, FrameSink sink, SimSide* sides) {
    RedrawClock clock;
    StartRedrawClock(clock, setup.redraw);
    DisplayStep step;
    const RefreshSlot* slot = StartRunStep<kDisplay>(step, setup, result, sides, sink);
    uint64_t frames = 0;
    double s = 0.0;
    while (NextRedraw(clock, &s)) {
        uint32_t ms = 0;
        const double t = PacerSeconds(setup.clock, s, &ms);
        FrameSample& sample = NextSample<kDisplay>(step, frames);
        sample.seconds = s;
        if (kSink) {
            sample.clockMs = ms;
        }
        if (kDisplay) {
            PassUntil(step, s);
            NoteDecided<kDisplay, true>(step, frames);
            SettleNewest<kSink>(step, frames);
        }
        StepSide<false>(sides[0], t, sample.left, slot, s);
        StepSide<false>(sides[1], t, sample.right, slot, s);
        RecordFrame(result.cadence, sample);
        MakeNewest<kDisplay, kSink>(step, sample, sides[0].updates, sides[1].updates);
        ++frames;
    }
    const DisplayCounts counts =
        FinishDisplayStep<kDisplay, kSink, false, true>(step, frames, setup.redraw.seconds);
    result.frames = frames;
    result.shown = counts.shown;
    result.dropped = counts.dropped;
}

// A run with a frame generator: the application's loop runs as without a
// display, and hands its frames to the generator, which stands between it
// and the display. shown and dropped count the application's frames.
void RunGenerated(const SimSetup& setup, SimResult& result, FrameSink sink) {
    SimSetup app = setup;
    app.displayHz = 0.0;
    app.frameGen.steps = 0;
    SimSide sides[2];
    StartSide(sides[0], setup.side[0]);
    StartSide(sides[1], setup.side[1]);
    ResetFigures(result.side[0].seen, false);
    ResetFigures(result.side[1].seen, false);
    ResetQuantiles(result.displayLatency);
    FrameGen gen;
    StartFrameGen(gen, setup.frameGen, setup.displayHz, setup.latchMs, &result.side[0].seen,
                  &result.side[1].seen, sides, sink, &result.frameGen, &result.displayLatency,
                  setup.limit.setting.kind != LimitKind::kOff);
    RunSim(app, result, FrameGenSink(gen));
    FinishFrameGen(gen, setup.redraw.seconds);
    result.shown = result.frameGen.shownApplication;
    result.dropped = result.frameGen.droppedApplication;
}

}  // namespace

void RunSim(const SimSetup& setup, SimResult& result, FrameSink sink) {
    if (setup.frameGen.steps > 0 && setup.displayHz > 0.0) {
        RunGenerated(setup, result, sink);
        return;
    }
    SimSide sides[2];
    StartSide(sides[0], setup.side[0]);
    StartSide(sides[1], setup.side[1]);
    // A live program learns where the display's refreshes fall and how long
    // before one a swap must come; under a limit the pose is set at the
    // frame's start, a drawing time before its swap.
    const double lead =
        setup.latchMs * 0.001 +
        (setup.limit.setting.kind != LimitKind::kOff ? SimDrawingSeconds(setup) : 0.0);
    for (SimSide& side : sides) {
        side.gridHz = setup.displayHz;
        side.gridLead = lead;
    }
    ResetCadence(result.cadence, false);
    const bool display = setup.displayHz > 0.0;
    if (display) {
        ResetFigures(result.side[0].seen, false);
        ResetFigures(result.side[1].seen, false);
    }
    const bool rows = SinkTakes(sink);
    if (setup.limit.setting.kind != LimitKind::kOff) {
        RunLimited(setup, result, sink, sides);
    } else if (display && rows) {
        Run<true, true>(setup, result, sink, sides);
    } else if (display) {
        Run<true, false>(setup, result, sink, sides);
    } else if (rows) {
        Run<false, true>(setup, result, sink, sides);
    } else {
        Run<false, false>(setup, result, sink, sides);
    }
    for (int i = 0; i < 2; ++i) {
        result.side[i].updates = sides[i].updates;
        result.side[i].measuredRate = sides[i].pacer.measuredRate;
        result.motions[i] = sides[i].motion;
    }
}
