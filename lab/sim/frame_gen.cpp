#include "lab/sim/frame_gen.h"

namespace {

// The newest frame handed on is decided (or the run is over): it goes to
// out, and its fate to the figures.
void SettleNewestFrame(FrameGen& gen, bool decided) {
    const FrameSample& newest = NewestSample(gen.step, gen.made);
    const DisplayModel& display = gen.step.display;
    FrameDisplay cells = NewestDisplay(display, newest.seconds, decided);
    FrameGenFigures& f = *gen.figures;
    if (display.newestShown) {
        if (display.newestBetweenMs >= 0.0)
            AddInterval(f.displayed, display.newestBetweenMs * 0.001);
        if (newest.generated) {
            ++f.shownGenerated;
        } else {
            ++f.shownApplication;
            const double latency = display.newestDisplay - gen.starts[(gen.made - 1) & 1];
            cells.latencyMs = latency * 1000.0;
            if (gen.latency != nullptr)
                AddQuantile(*gen.latency, latency);
        }
    } else if (decided && !newest.generated) {
        ++f.droppedApplication;
    }
    if (SinkTakes(gen.out))
        SinkFrame(gen.out, newest, cells);
}

// Hands a frame to the display at, no earlier than the one before: the
// generator shows its frames in order.
void Hand(FrameGen& gen, const FrameSample& app, double start, double at, bool generated) {
    if (at < gen.lastHanded)
        at = gen.lastHanded;
    gen.lastHanded = at;
    PassUntil(gen.step, at);
    if (gen.made > 0)
        SettleNewestFrame(gen, true);
    FrameSample& sample = gen.step.samples[gen.made & 1];
    sample = app;
    sample.seconds = at;
    sample.generated = generated;
    if (generated) {
        // No side moved for it.
        sample.left.updated = false;
        sample.right.updated = false;
        sample.left.elapsed = 0.0;
        sample.right.elapsed = 0.0;
    }
    gen.starts[gen.made & 1] = start;
    // A generated frame shows no side's new pose: the seen intervals stay
    // the application's, shown when its own frame is.
    MakeRedraw(gen.step.display, gen.poses[0], gen.poses[1]);
    ++gen.made;
}

// The application frame at s, held back until the generator has made the
// frames before it.
void HandApplication(FrameGen& gen, const FrameSample& app, double start, double s, double at) {
    gen.poses[0] += app.left.updated;
    gen.poses[1] += app.right.updated;
    Hand(gen, app, start, at, false);
    AddInterval(gen.figures->held, gen.lastHanded - s);
}

double StartOf(const FrameGen& gen, const FrameSample& app) {
    return gen.limited ? app.work.start : app.seconds;
}

void TakeApplicationFrame(void* user, const FrameSample& app, const FrameDisplay&) {
    FrameGen& gen = *static_cast<FrameGen*>(user);
    const double s = app.seconds;
    const double ready = s + gen.model.generateMs * 0.001;
    if (!gen.any) {
        // The first frame has none before it to step from: it is held as
        // the others are, by the interval that follows it, so that the
        // display's cadence is even from the start.
        gen.first = app;
        gen.any = true;
        gen.previousApp = s;
        return;
    }
    const int n = gen.model.steps;
    const double step = (s - gen.previousApp) / n;
    if (gen.made == 0) {
        const double firstReady = gen.previousApp + gen.model.generateMs * 0.001;
        HandApplication(gen, gen.first, StartOf(gen, gen.first), gen.previousApp,
                        firstReady + (n - 1) * step);
    }
    // The frames between the one before and this one, at equal steps; the
    // application's frame after them.
    for (int k = 1; k < n; ++k) {
        const double at = ready + (k - 1) * step;
        // Still showing the frames of an interval before: one it would show
        // no later than what is on screen already is dropped, so that the
        // generator catches up rather than carry the delay on.
        if (at <= gen.lastHanded)
            continue;
        Hand(gen, app, StartOf(gen, app), at, true);
        ++gen.figures->generated;
    }
    // Never on the frame before's heels: a step after it, at the least.
    double at = ready + (n - 1) * step;
    if (gen.made > 0 && gen.lastHanded + step > at)
        at = gen.lastHanded + step;
    HandApplication(gen, app, StartOf(gen, app), s, at);
    gen.previousApp = s;
}

}  // namespace

void StartFrameGen(FrameGen& gen, const FrameGenModel& model, double hz, double latchMs,
                   IntervalFigures* leftSeen, IntervalFigures* rightSeen, const SimSide* sides,
                   FrameSink out, FrameGenFigures* figures, QuantileKeeper* latency, bool limited) {
    gen.model = model;
    StartDisplayStep(gen.step, hz, latchMs, leftSeen, rightSeen, sides, out);
    gen.out = out;
    gen.figures = figures;
    *figures = FrameGenFigures{};
    ResetFigures(figures->held);
    ResetFigures(figures->displayed);
    gen.latency = latency;
    gen.made = 0;
    gen.any = false;
    gen.previousApp = 0.0;
    gen.lastHanded = 0.0;
    gen.poses[0] = gen.poses[1] = 0;
    gen.starts[0] = gen.starts[1] = 0.0;
    gen.limited = limited;
}

FrameSink FrameGenSink(FrameGen& gen) {
    return FrameSink{TakeApplicationFrame, &gen};
}

void FinishFrameGen(FrameGen& gen, double end) {
    if (gen.any && gen.made == 0) {
        // One frame in all: nothing to step by.
        HandApplication(gen, gen.first, StartOf(gen, gen.first), gen.previousApp,
                        gen.previousApp + gen.model.generateMs * 0.001);
    }
    PassRefreshesBefore(gen.step.display, end, gen.step.seen);
    if (gen.made > 0)
        SettleNewestFrame(gen, false);
}
