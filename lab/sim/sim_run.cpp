#include "lab/sim/sim_run.h"

#include "lab/sim/sim_steps.h"
#include "pacing/display_model.h"

namespace {

// kDisplay and kLog are fixed for a run: each combination gets its own loop
// with no tests for them inside.
template <bool kDisplay, bool kLog>
void Run(const SimSetup& setup, SimResult& result, const SimOutputs& out, SimSide* sides) {
    RedrawClock clock;
    StartRedrawClock(clock, setup.redraw);
    DisplayModel display;
    RefreshSlot slot{0, 0.0};
    const double latch = setup.latchMs * 0.001;
    if (kDisplay) {
        StartDisplay(display, setup.displayHz);
        slot.period = 1.0 / setup.displayHz;
    }
    // With a display, a redraw's row waits until the refreshes that may show
    // it have passed, since they decide its display cells: the samples take
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
        if (kLog) {
            sample.clockMs = ms;
        }
        if (kDisplay) {
            // The refreshes that latch before this redraw show the one before.
            PassRefreshesBefore(display, s + latch, seen);
            if (kLog && frames > 0) {
                const FrameSample& before = samples[(frames - 1) & 1];
                Write(out, before, NewestDisplay(display, before.seconds, true));
            }
            slot.refresh = static_cast<int64_t>(display.refresh);
            Step(sides[0], t, sample.left, &slot);
            Step(sides[1], t, sample.right, &slot);
            RecordFrame(result.cadence, sample);
            MakeRedraw(display, sides[0].updates, sides[1].updates);
        } else {
            Step(sides[0], t, sample.left, nullptr);
            Step(sides[1], t, sample.right, nullptr);
            RecordFrame(result.cadence, sample);
            if (kLog) {
                Write(out, sample, kUnknownDisplay);
            }
        }
        ++frames;
    }
    if (kDisplay) {
        PassRefreshesBefore(display, setup.redraw.seconds, seen);
        if (kLog && frames > 0) {
            const FrameSample& last = samples[(frames - 1) & 1];
            Write(out, last, NewestDisplay(display, last.seconds, false));
        }
    }
    result.frames = frames;
    result.shown = kDisplay ? display.shownRedraws : 0;
    // Every redraw but the newest is shown or replaced before a refresh; the
    // newest, unshown by the end, is neither.
    const uint64_t undecided = kDisplay && frames > 0 && !display.newestShown ? 1 : 0;
    result.dropped = kDisplay ? frames - display.shownRedraws - undecided : 0;
}

}  // namespace

bool RunSim(const SimSetup& setup, SimResult& result, const SimOutputs& out) {
    SimSide sides[2];
    StartSide(sides[0], setup.side[0]);
    StartSide(sides[1], setup.side[1]);
    ResetCadence(result.cadence);
    const bool display = setup.displayHz > 0.0;
    if (display) {
        ResetFigures(result.side[0].seen);
        ResetFigures(result.side[1].seen);
    }
    const bool log = out.log != nullptr || out.sides != nullptr;
    if (setup.limit.setting.kind != LimitKind::kOff) {
        RunLimited(setup, result, out, sides);
    } else if (display && log) {
        Run<true, true>(setup, result, out, sides);
    } else if (display) {
        Run<true, false>(setup, result, out, sides);
    } else if (log) {
        Run<false, true>(setup, result, out, sides);
    } else {
        Run<false, false>(setup, result, out, sides);
    }
    for (int i = 0; i < 2; ++i) {
        result.side[i].updates = sides[i].updates;
        result.side[i].measuredRate = sides[i].pacer.measuredRate;
    }
    return (out.log == nullptr || !FrameLogFailed(*out.log)) &&
           (out.sides == nullptr || !SideLogsFailed(out.sides));
}

double SimCpuPercent(const SimSetup& setup, const SimResult& result) {
    if (setup.limit.setting.kind == LimitKind::kOff) {
        return -1.0;
    }
    return result.busySeconds / setup.redraw.seconds * 100.0;
}

double SimDrawingSeconds(const SimSetup& setup) {
    const double ms = setup.limit.renderMs;
    return ms > 0.0 ? ms * 0.001 : 1.0 / setup.redraw.redrawHz;
}
