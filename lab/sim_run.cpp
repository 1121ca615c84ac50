#include "lab/sim_run.h"

#include "pacing/display_model.h"

namespace {

struct Side {
    Pacer pacer;
    PaceRule rule;
    uint64_t updates;
};

void StartSide(Side& side, const SideSetup& setup) {
    side.pacer = Pacer{};
    side.pacer.target = setup.target;
    side.rule = setup.rule;
    side.updates = 0;
}

// Fills the sample's fields one by one where they lie: a sample built on the
// side and copied in stalls on store forwarding, at a cost of a third of the
// loop.
void Step(Side& side, double t, SideSample& sample) {
    sample.elapsed = 0.0;
    sample.updated = StepPacer(side.pacer, side.rule, t, &sample.elapsed);
    side.updates += sample.updated;
}

void StartSample(FrameSample& sample, const Side* sides) {
    sample = FrameSample{};
    sample.left.target = sides[0].pacer.target;
    sample.left.rule = sides[0].rule;
    sample.right.target = sides[1].pacer.target;
    sample.right.rule = sides[1].rule;
}

// kDisplay and kLog are fixed for a run: each combination gets its own loop
// with no tests for them inside.
template <bool kDisplay, bool kLog>
void Run(const SimSetup& setup, SimResult& result, FrameLog* log, Side* sides) {
    RedrawClock clock;
    StartRedrawClock(clock, setup.redraw);
    DisplayModel display;
    if (kDisplay) {
        StartDisplay(display, setup.displayHz);
    }
    // With a display, a redraw's row waits until the refreshes that may show
    // it have passed, since they decide its seen cells: the samples take
    // turns, the newest one and the one whose row is pending.
    FrameSample samples[2];
    StartSample(samples[0], sides);
    StartSample(samples[1], sides);
    IntervalFigures* seen[2] = {&result.side[0].seen, &result.side[1].seen};

    uint64_t frames = 0;
    double s = 0.0;
    while (NextRedraw(clock, &s)) {
        uint32_t ms = 0;
        const double t = PacerSeconds(setup.clock, s, &ms);
        FrameSample& sample = samples[kDisplay ? frames & 1 : 0];
        sample.seconds = s;
        Step(sides[0], t, sample.left);
        Step(sides[1], t, sample.right);
        RecordFrame(result.cadence, sample);
        if (kDisplay) {
            PassRefreshesBefore(display, s, seen);
            if (kLog && frames > 0) {
                LogFrame(*log, samples[(frames - 1) & 1], display.seenMs);
            }
            MakeRedraw(display, sides[0].updates, sides[1].updates);
        } else if (kLog) {
            LogFrame(*log, sample, nullptr);
        }
        ++frames;
    }
    if (kDisplay) {
        PassRefreshesBefore(display, setup.redraw.seconds, seen);
        if (kLog && frames > 0) {
            LogFrame(*log, samples[(frames - 1) & 1], display.seenMs);
        }
    }
    result.frames = frames;
}

}  // namespace

bool RunSim(const SimSetup& setup, SimResult& result, FrameLog* log) {
    Side sides[2];
    StartSide(sides[0], setup.side[0]);
    StartSide(sides[1], setup.side[1]);
    ResetCadence(result.cadence);
    const bool display = setup.displayHz > 0.0;
    if (display) {
        ResetFigures(result.side[0].seen);
        ResetFigures(result.side[1].seen);
    }
    if (display && log != nullptr) {
        Run<true, true>(setup, result, log, sides);
    } else if (display) {
        Run<true, false>(setup, result, log, sides);
    } else if (log != nullptr) {
        Run<false, true>(setup, result, log, sides);
    } else {
        Run<false, false>(setup, result, log, sides);
    }
    for (int i = 0; i < 2; ++i) {
        result.side[i].updates = sides[i].updates;
        result.side[i].measuredRate = sides[i].pacer.measuredRate;
    }
    return log == nullptr || !FrameLogFailed(*log);
}
