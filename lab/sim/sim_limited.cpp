// The simulated program under a frame limiter: each frame waits where the
// limiter plans (pacing/limiter.h; limit_carry.h carries the plans out),
// reads the pacers' clock, draws for its modelled time and swaps. The
// redraw's time is its swap; the pacers' reading is its start.
#include "lab/sim/limit_carry.h"
#include "lab/sim/sim_steps.h"
#include "pacing/display_model.h"

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

// A shown redraw's row carries the time from its start to its display, as
// the live program's does.
inline FrameDisplay WithLatency(FrameDisplay cells, const DisplayModel& display, double start) {
    if (cells.fate == FrameFate::kShown) {
        cells.latencyMs = (display.newestDisplay - start) * 1000.0;
    }
    return cells;
}

// kDisplay, kLog, kFeedback (the display-timed limiter hears the modelled
// display) and the places the limiter plans at (kBeforeFrame, kBeforeSwap:
// limiter.places) are fixed for a run: each combination gets its own loop.
template <bool kDisplay, bool kLog, bool kFeedback, bool kBeforeFrame, bool kBeforeSwap>
void Loop(const SimSetup& setup, SimResult& result, const SimOutputs& out, SimSide* sides,
          LimitedRun& run) {
    LimitCarry& carry = run.carry;
    Limiter& limiter = *carry.limiter;
    DisplayModel display;
    RefreshSlot slot{0, 0.0};
    const double latch = setup.latchMs * 0.001;
    const double period = kDisplay ? 1.0 / setup.displayHz : 0.0;
    if (kDisplay) {
        StartDisplay(display, setup.displayHz);
        slot.period = period;
    }
    FrameSample samples[2];
    StartSample(samples[0], sides);
    StartSample(samples[1], sides);
    double starts[2] = {0.0, 0.0};
    IntervalFigures* seen[2] = {&result.side[0].seen, &result.side[1].seen};

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
        FrameSample& sample = samples[kDisplay ? frames & 1 : 0];
        uint32_t ms = 0;
        const double pacerTime = PacerSeconds(setup.clock, start, &ms);
        if (kLog) {
            sample.clockMs = ms;
        }
        if (kDisplay) {
            // Refreshes up to here show the redraw before: this one is not
            // made yet.
            PassRefreshesBefore(display, start + latch, seen);
            slot.refresh = static_cast<int64_t>(display.refresh);
            Step(sides[0], pacerTime, sample.left, &slot);
            Step(sides[1], pacerTime, sample.right, &slot);
        } else {
            Step(sides[0], pacerTime, sample.left, nullptr);
            Step(sides[1], pacerTime, sample.right, nullptr);
        }
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
                const double wordAt = WordOnNewest(display);
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
        if (kLog) {
            sample.work.start = start;
            sample.work.waitMs = waited * 1000.0;
        }
        if (kDisplay) {
            PassRefreshesBefore(display, t + latch, seen);
            if (frames > 0) {
                // The redraw before is decided: shown by now, or replaced.
                const int before = static_cast<int>((frames - 1) & 1);
                const bool shown = display.newestShown;
                if (shown) {
                    AddQuantile(result.displayLatency, display.newestDisplay - starts[before]);
                }
                if (kFeedback) {
                    const DisplayReport report{lastSwap, shown, display.newestDisplay, period};
                    HoldReport(carry, report, shown ? display.newestDisplay : t, t);
                }
                if (kLog) {
                    Write(out, samples[before],
                          WithLatency(NewestDisplay(display, samples[before].seconds, true),
                                      display, starts[before]));
                }
            }
            RecordFrame(result.cadence, sample);
            MakeRedraw(display, sides[0].updates, sides[1].updates);
            starts[frames & 1] = start;
            lastSwap = t;
        } else {
            RecordFrame(result.cadence, sample);
            if (kLog) {
                Write(out, sample, kUnknownDisplay);
            }
        }
        ++frames;
    }
    if (kDisplay) {
        PassRefreshesBefore(display, end, seen);
        if (frames > 0) {
            const int last = static_cast<int>((frames - 1) & 1);
            if (display.newestShown) {
                AddQuantile(result.displayLatency, display.newestDisplay - starts[last]);
            }
            if (kLog) {
                Write(out, samples[last],
                      WithLatency(NewestDisplay(display, samples[last].seconds, false), display,
                                  starts[last]));
            }
        }
    }
    run.drawSeconds = drawn;
    result.frames = frames;
    result.shown = kDisplay ? display.shownRedraws : 0;
    const uint64_t undecided = kDisplay && frames > 0 && !display.newestShown ? 1 : 0;
    result.dropped = kDisplay ? frames - display.shownRedraws - undecided : 0;
}

template <bool kDisplay, bool kFeedback, bool kBeforeFrame, bool kBeforeSwap>
void Logged(bool log, const SimSetup& setup, SimResult& result, const SimOutputs& out,
            SimSide* sides, LimitedRun& run) {
    log ? Loop<kDisplay, true, kFeedback, kBeforeFrame, kBeforeSwap>(setup, result, out, sides, run)
        : Loop<kDisplay, false, kFeedback, kBeforeFrame, kBeforeSwap>(setup, result, out, sides,
                                                                      run);
}

// The places, as the limiter decided them.
template <bool kDisplay>
void Placed(const LimitPlaces& places, bool log, const SimSetup& setup, SimResult& result,
            const SimOutputs& out, SimSide* sides, LimitedRun& run) {
    if (places.beforeFrame && places.beforeSwap) {
        Logged<kDisplay, false, true, true>(log, setup, result, out, sides, run);
    } else if (places.beforeFrame) {
        Logged<kDisplay, false, true, false>(log, setup, result, out, sides, run);
    } else {
        Logged<kDisplay, false, false, true>(log, setup, result, out, sides, run);
    }
}

}  // namespace

void RunLimited(const SimSetup& setup, SimResult& result, const SimOutputs& out, SimSide* sides) {
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
    const bool log = out.log != nullptr || out.sides != nullptr;
    const LimitPlaces& places = result.limiter.places;
    if (display && places.hearsDisplay) {
        // The display-timed limiter hears the modelled display; it plans at
        // both places.
        Logged<true, true, true, true>(log, setup, result, out, sides, run);
    } else if (display) {
        Placed<true>(places, log, setup, result, out, sides, run);
    } else {
        Placed<false>(places, log, setup, result, out, sides, run);
    }
    result.busySeconds = run.drawSeconds + run.carry.spinSeconds;
}
