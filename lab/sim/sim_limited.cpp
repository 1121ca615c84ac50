// The simulated program under a frame limiter: each frame waits where the
// limiter plans (pacing/limiter.h; limit_carry.h carries the plans out),
// reads the pacers' clock, draws for its modelled time and swaps. The
// redraw's time is its swap; the pacers' reading is its start. Redraws
// settle against the shared display step (display_step.h).
#include "lab/sim/sim_limited.h"

#include "lab/sim/display_step.h"
#include "lab/sim/limit_carry.h"

namespace {

struct LimitedRun {
    LimitCarry carry;
    uint64_t random;  // the drawing time's
    double renderSeconds;
    double jitterSeconds;
    double drawSeconds;  // in all
};

double DrawTime(LimitedRun& run) {
    if (run.jitterSeconds <= 0.0) {
        return run.renderSeconds;
    }
    return run.renderSeconds + UnitFraction(NextRandom(run.random)) * run.jitterSeconds;
}

// kDisplay, kSink, kFeedback (the display-timed limiter hears the modelled
// display) and the places the limiter plans at (kBeforeFrame, kBeforeSwap:
// limiter.places) are fixed for a run: each combination gets its own loop.
template <bool kDisplay, bool kSink, bool kFeedback, bool kBeforeFrame, bool kBeforeSwap>
void Loop(const SimSetup& setup, SimResult& result, FrameSink sink, SimSide* sides,
          LimitedRun& run) {
    LimitCarry& carry = run.carry;
    Limiter& limiter = *carry.limiter;
    DisplayStep step;
    const RefreshSlot* slot = StartRunStep<kDisplay>(step, setup, result, sides, sink);
    const double period = kDisplay ? 1.0 / setup.displayHz : 0.0;
    double starts[2] = {0.0, 0.0};

    const double end = setup.redraw.seconds;
    uint64_t frames = 0;
    double t = 0.0;
    double drawn = 0.0;     // in all
    double lastSwap = 0.0;  // the redraw before's
    for (;;) {
        double waited = 0.0;
        if (kFeedback) {
            HearDisplay(carry, t);
        }
        if (kBeforeFrame) {
            const double ended = CarryWait(carry, PlanFrameWait(limiter, t));
            waited = ended - t;
            t = ended;
        }
        const double start = t;
        FrameSample& sample = NextSample<kDisplay>(step, frames);
        uint32_t ms = 0;
        const double pacerTime = PacerSeconds(setup.clock, start, &ms);
        if (kSink) {
            sample.clockMs = ms;
        }
        if (kDisplay) {
            // Refreshes up to here show the redraw before: this one is not
            // made yet.
            PassUntil(step, start);
        }
        StepSide(sides[0], pacerTime, sample.left, slot, start);
        StepSide(sides[1], pacerTime, sample.right, slot, start);
        const double draw = DrawTime(run);
        t += draw;
        drawn += draw;
        if (kBeforeSwap) {
            if (kFeedback) {
                HearDisplay(carry, t);
            }
            const SwapPlan plan = PlanSwapWait(limiter, t, start, frames + 1);
            double ended = CarryWait(carry, plan.wait);
            if (kFeedback && plan.word.wait) {
                const double wordAt = WordOnNewest(step.display);
                if (wordAt > ended) {
                    ended = CarryWordWait(carry, plan.word, ended, wordAt);
                }
            }
            waited += ended - t;
            t = ended;
        }
        if (t >= end) {
            break;
        }
        sample.seconds = t;
        if (kSink) {
            sample.work.start = start;
            sample.work.waitMs = waited * 1000.0;
        }
        if (kDisplay) {
            PassUntil(step, t);
            if (frames > 0) {
                // The redraw before is decided: shown by now, or replaced.
                const bool shown = step.display.newestShown;
                const double display = step.display.newestDisplay;
                if (shown) {
                    AddQuantile(result.displayLatency, display - starts[(frames - 1) & 1]);
                }
                if (kFeedback) {
                    const DisplayReport report{lastSwap, shown, display, period};
                    HoldReport(carry, report, shown ? display : t, t);
                }
            }
            NoteDecided<kDisplay>(step, frames, frames > 0 ? starts[(frames - 1) & 1] : 0.0);
            SettleNewest<kSink, true>(step, frames, starts[(frames - 1) & 1]);
            starts[frames & 1] = start;
            lastSwap = t;
        }
        RecordFrame(result.cadence, sample);
        MakeNewest<kDisplay, kSink>(step, sample, sides[0].updates, sides[1].updates);
        ++frames;
    }
    const uint64_t last = frames > 0 ? (frames - 1) & 1 : 0;
    const DisplayCounts counts =
        FinishDisplayStep<kDisplay, kSink, true>(step, frames, end, starts[last]);
    if (kDisplay && frames > 0 && step.display.newestShown) {
        AddQuantile(result.displayLatency, step.display.newestDisplay - starts[last]);
    }
    run.drawSeconds = drawn;
    result.frames = frames;
    result.shown = counts.shown;
    result.dropped = counts.dropped;
}

template <bool kDisplay, bool kFeedback, bool kBeforeFrame, bool kBeforeSwap>
void WithRows(bool rows, const SimSetup& setup, SimResult& result, FrameSink sink, SimSide* sides,
              LimitedRun& run) {
    rows ? Loop<kDisplay, true, kFeedback, kBeforeFrame, kBeforeSwap>(setup, result, sink, sides,
                                                                      run)
         : Loop<kDisplay, false, kFeedback, kBeforeFrame, kBeforeSwap>(setup, result, sink, sides,
                                                                       run);
}

// The places, as the limiter decided them.
template <bool kDisplay>
void Placed(const LimitPlaces& places, bool rows, const SimSetup& setup, SimResult& result,
            FrameSink sink, SimSide* sides, LimitedRun& run) {
    if (places.beforeFrame && places.beforeSwap) {
        WithRows<kDisplay, false, true, true>(rows, setup, result, sink, sides, run);
    } else if (places.beforeFrame) {
        WithRows<kDisplay, false, true, false>(rows, setup, result, sink, sides, run);
    } else {
        WithRows<kDisplay, false, false, true>(rows, setup, result, sink, sides, run);
    }
}

}  // namespace

void RunLimited(const SimSetup& setup, SimResult& result, FrameSink sink, SimSide* sides) {
    const LimitModel& model = setup.limit;
    LimitedRun run;
    StartLimiter(result.limiter, model.setting, setup.displayHz);
    // Each generator its own stream of the one seed.
    StartLimitCarry(run.carry, result.limiter, model.wakeLateP50Us, model.wakeLateP99Us,
                    setup.redraw.seed ^ 0x5bd1e9955bd1e995ull);
    run.random = setup.redraw.seed;
    run.renderSeconds = SimDrawingSeconds(setup);
    run.jitterSeconds = model.renderJitterMs * 0.001;
    run.drawSeconds = 0.0;
    ResetQuantiles(result.displayLatency);
    const bool display = setup.displayHz > 0.0;
    const bool rows = SinkTakes(sink);
    const LimitPlaces& places = result.limiter.places;
    if (display && places.hearsDisplay) {
        // The display-timed limiter hears the modelled display; it plans at
        // both places.
        WithRows<true, true, true, true>(rows, setup, result, sink, sides, run);
    } else if (display) {
        Placed<true>(places, rows, setup, result, sink, sides, run);
    } else {
        Placed<false>(places, rows, setup, result, sink, sides, run);
    }
    result.busySeconds = run.drawSeconds + run.carry.spinSeconds;
}
