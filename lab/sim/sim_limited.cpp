// The simulated program under a frame limiter: each frame waits where the
// limiter says, reads the pacers' clock, draws for its modelled time and
// swaps. The redraw's time is its swap; the pacers' reading is its start.
#include "lab/sim/sim_limited.h"

#include "lab/sim/display_step.h"
#include "lab/sim/wake_model.h"

namespace {

// The display's word on a redraw, held until the program would hear it: a
// shown redraw at its display time, a discarded one when it was replaced.
constexpr int kPendingFacts = 8;

struct PendingFacts {
    PresentationFact fact[kPendingFacts];
    double heardAt[kPendingFacts];
    int first;
    int count;
};

void Hear(PendingFacts& pending, DisplayLimiter& limiter, double now) {
    while (pending.count > 0 && pending.heardAt[pending.first] <= now) {
        NotePresentation(limiter, pending.fact[pending.first], now);
        pending.first = (pending.first + 1) % kPendingFacts;
        --pending.count;
    }
}

void Queue(PendingFacts& pending, DisplayLimiter& limiter, const PresentationFact& fact,
           double heardAt, double now) {
    if (pending.count == kPendingFacts) {
        // More redraws in flight than a compositor keeps: the oldest is
        // heard early rather than lost.
        NotePresentation(limiter, pending.fact[pending.first], now);
        pending.first = (pending.first + 1) % kPendingFacts;
        --pending.count;
    }
    const int at = (pending.first + pending.count) % kPendingFacts;
    pending.fact[at] = fact;
    pending.heardAt[at] = heardAt;
    ++pending.count;
}

struct LimitedRun {
    Limiter* limiter;
    WakeModel wake;
    uint64_t random;  // the drawing time's
    double renderSeconds;
    double jitterSeconds;
    double busy;  // drawing and spinning
};

// The wait, if the limiter plans one here, as the modelled platform makes
// it: the sleep returns late by the wake model, the spin ends on time.
// Inline into the loop, once: a call per redraw costs a tenth of it.
inline __attribute__((always_inline)) double Wait(LimitedRun& run, WaitPlacement at, double now) {
    const WaitPlan plan = PlanWait(*run.limiter, at, now);
    if (!plan.wait) {
        return now;
    }
    double returned = plan.start;
    if (plan.sleepUntil > plan.start) {
        returned = plan.sleepUntil + WakeLateness(run.wake, NextRandom(run.wake.random));
    }
    const double ended = returned > plan.deadline ? returned : plan.deadline;
    run.busy += FinishWait(*run.limiter, plan, returned, ended).spinSeconds;
    return ended;
}

double DrawTime(LimitedRun& run) {
    if (run.jitterSeconds <= 0.0) {
        return run.renderSeconds;
    }
    return run.renderSeconds + UnitFraction(NextRandom(run.random)) * run.jitterSeconds;
}

// kDisplay, kSink, kFeedback (the display-timed limiter hears the modelled
// display) and kAtFrame (the wait's placement) are fixed for a run: each
// combination gets its own loop.
template <bool kDisplay, bool kSink, bool kFeedback, bool kAtFrame>
void Loop(const SimSetup& setup, SimResult& result, FrameSink sink, SimSide* sides,
          LimitedRun& run) {
    DisplayLimiter& feedback = run.limiter->display;
    DisplayStep step;
    StartDisplayStep(step, setup.displayHz, setup.latchMs, &result.side[0].seen,
                     &result.side[1].seen, sides, sink);
    const RefreshSlot* slot = kDisplay ? &step.slot : nullptr;
    const double period = kDisplay ? 1.0 / setup.displayHz : 0.0;
    double starts[2] = {0.0, 0.0};
    PendingFacts pending{};

    const double end = setup.redraw.seconds;
    uint64_t frames = 0;
    double t = 0.0;
    for (;;) {
        if (kFeedback) {
            Hear(pending, feedback, t);
        }
        if (kAtFrame) {
            t = Wait(run, WaitPlacement::kFrame, t);
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
        StepSide(sides[0], pacerTime, sample.left, slot);
        StepSide(sides[1], pacerTime, sample.right, slot);
        const double draw = DrawTime(run);
        t += draw;
        run.busy += draw;
        if (kFeedback) {
            NoteDrawTime(feedback, draw);
            Hear(pending, feedback, t);
        }
        if (!kAtFrame) {
            t = Wait(run, WaitPlacement::kSwap, t);
        }
        if (t >= end) {
            break;
        }
        sample.seconds = t;
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
                    const PresentationFact fact{NewestSample(step, frames).seconds, shown, display,
                                                period};
                    Queue(pending, feedback, fact, shown ? display : t, t);
                }
            }
            SettleNewest<kSink>(step, frames);
            starts[frames & 1] = start;
        }
        RecordFrame(result.cadence, sample);
        MakeNewest<kDisplay, kSink>(step, sample, sides[0].updates, sides[1].updates);
        ++frames;
    }
    const DisplayCounts counts = FinishDisplayStep<kDisplay, kSink>(step, frames, end);
    if (kDisplay && frames > 0 && step.display.newestShown) {
        AddQuantile(result.displayLatency, step.display.newestDisplay - starts[(frames - 1) & 1]);
    }
    result.frames = frames;
    result.shown = counts.shown;
    result.dropped = counts.dropped;
}

template <bool kDisplay, bool kFeedback>
void Dispatch(bool rows, bool atFrame, const SimSetup& setup, SimResult& result, FrameSink sink,
              SimSide* sides, LimitedRun& run) {
    if (rows) {
        atFrame ? Loop<kDisplay, true, kFeedback, true>(setup, result, sink, sides, run)
                : Loop<kDisplay, true, kFeedback, false>(setup, result, sink, sides, run);
    } else {
        atFrame ? Loop<kDisplay, false, kFeedback, true>(setup, result, sink, sides, run)
                : Loop<kDisplay, false, kFeedback, false>(setup, result, sink, sides, run);
    }
}

}  // namespace

void RunLimited(const SimSetup& setup, SimResult& result, FrameSink sink, SimSide* sides) {
    const LimitModel& model = setup.limit;
    LimitedRun run;
    run.limiter = &result.limiter;
    StartLimiter(result.limiter, model.setting, setup.displayHz);
    // Each generator its own stream of the one seed.
    StartWakeModel(run.wake, model.wakeLateP50Us, model.wakeLateP99Us,
                   setup.redraw.seed ^ 0x5bd1e9955bd1e995ull);
    run.random = setup.redraw.seed;
    run.renderSeconds = SimDrawingSeconds(setup);
    run.jitterSeconds = model.renderJitterMs * 0.001;
    run.busy = 0.0;
    ResetQuantiles(result.displayLatency);
    const bool display = setup.displayHz > 0.0;
    const bool rows = SinkTakes(sink);
    const bool feedback = display && model.setting.kind == LimitKind::kDisplay;
    // The display-timed limiter waits before the frame whatever the placement.
    const bool atFrame = model.setting.placement == WaitPlacement::kFrame ||
                         model.setting.kind == LimitKind::kDisplay;
    if (feedback) {
        Dispatch<true, true>(rows, atFrame, setup, result, sink, sides, run);
    } else if (display) {
        Dispatch<true, false>(rows, atFrame, setup, result, sink, sides, run);
    } else {
        Dispatch<false, false>(rows, atFrame, setup, result, sink, sides, run);
    }
    result.busySeconds = run.busy;
}
