#include "lab/sim/replay.h"

#include <cmath>

#include "lab/sim/display_step.h"
#include "lab/sim/replay_motion.h"
#include "pacing/seen.h"

namespace {

// As for a modelled run: below this, refresh numbers are exact, and no
// capture with a long gap keeps the display passing refreshes for hours.
constexpr double kMostRefreshes = 1e12;

// Takes nothing: a replay settles its redraws the same way with or without
// someone to take them.
void TakeNothing(void*, const FrameSample&, const FrameDisplay&) {}

// The rule and target a side runs at this row: the log's, unless given.
void Follow(const ReplaySetup& setup, const CaptureRow& row, int i, SimSide& side) {
    if (!row.hasSides)
        return;
    if (!setup.ruleGiven[i])
        side.rule = row.side[i].rule;
    if (!setup.targetGiven[i])
        side.pacer.target = row.side[i].target;
}

// The millisecond clock reading the pacers get, and the time they see.
double PacerAt(const ReplaySetup& setup, const CaptureRow& row, double fromFirst, uint32_t* ms) {
    if (row.hasClock) {
        *ms = row.clockMs;
        return PacerTime(*ms);
    }
    return PacerSeconds(setup.clock, fromFirst, ms);
}

struct Replayer {
    const ReplaySetup& setup;
    ReplayResult& result;
    SimSide sides[2];
    bool model;
    DisplayStep step;
    SeenTracker seen;
    IntervalFigures* seenFigures[2];
    uint64_t frames;  // the application's
    bool started;     // a row was read, whoever made it
    double first;
    double lastRel;
    ReplayDisplay heard;  // the capture's display times, as the rows pass them

    void Advance(SimSide& side, double t, double now, SideSample& sample, const RefreshSlot* slot) {
        sample.target = side.pacer.target;
        sample.rule = side.rule;
        StepSide(side, t, sample, slot, now);
    }

    // With the capture's display times: what those heard by now say of
    // where this row will be shown, for display-locked and the motions.
    const RefreshSlot* HearCapture(double rel, RefreshSlot* slot) {
        HearCaptureUntil(heard, rel);
        double predicted = -1.0;
        double cadence = 0.0;
        const bool timed = PredictReplay(heard, rel, &predicted, &cadence);
        for (SimSide& side : sides) {
            side.clockGiven = true;
            side.given = MotionClock{rel, cadence, timed ? predicted : -1.0};
        }
        if (!timed)
            return nullptr;
        *slot = ReplaySlot(heard, predicted, cadence);
        return slot;
    }

    bool Row(const CaptureRow& row, char* error, size_t errorSize) {
        if (!started)
            first = row.seconds;
        started = true;
        if (row.generated)
            return Generated(row);
        const double rel = row.seconds - first;
        if (model && rel * setup.displayHz > kMostRefreshes) {
            std::snprintf(error, errorSize,
                          "%s line %llu: more than 1e12 refreshes of the %g Hz display after the "
                          "first row",
                          setup.path, static_cast<unsigned long long>(row.line), setup.displayHz);
            return false;
        }
        lastRel = rel;
        uint32_t ms = 0;
        const double t = PacerAt(setup, row, rel, &ms);
        FrameSample& sample =
            model ? NextSample<true>(step, frames) : NextSample<false>(step, frames);
        sample.seconds = rel;
        sample.clockMs = ms;
        Follow(setup, row, 0, sides[0]);
        Follow(setup, row, 1, sides[1]);
        if (model) {
            PassUntil(step, rel);
            NoteDecided<true>(step, frames);
            SettleNewest<true>(step, frames);
        }
        RefreshSlot heardSlot{0, 0.0};
        const RefreshSlot* slot = model                    ? &step.slot
                                  : result.recordedDisplay ? HearCapture(rel, &heardSlot)
                                                           : nullptr;
        Advance(sides[0], t, rel, sample.left, slot);
        Advance(sides[1], t, rel, sample.right, slot);
        RecordFrame(result.sim.cadence, sample);
        if (model) {
            MakeNewest<true, true>(step, sample, sides[0].updates, sides[1].updates);
        } else {
            MakeNewest<false, true>(step, sample, sides[0].updates, sides[1].updates,
                                    RecordedDisplay(row, rel));
        }
        ++frames;
        return true;
    }

    FrameDisplay RecordedDisplay(const CaptureRow& row, double rel) {
        FrameDisplay cells = kUnknownDisplay;
        if (!result.recordedDisplay)
            return cells;
        cells.fate = row.fate;
        if (row.hasDisplay) {
            const uint64_t poses[2] = {sides[0].updates, sides[1].updates};
            const double at = row.displaySeconds - first;
            const SeenStep shown = ShowRedraw(seen, at, poses, seenFigures, &result.shownIntervals);
            cells.untilMs = (at - rel) * 1000.0;
            cells.betweenMs = shown.betweenMs;
            cells.seenMs[0] = shown.seenMs[0];
            cells.seenMs[1] = shown.seenMs[1];
            NoteCaptureShown(rel, at, cells);
            HoldCaptureRow(heard, rel, true, at);
            ++result.sim.shown;
        } else if (row.fate == FrameFate::kDropped) {
            HoldCaptureRow(heard, rel, false, 0.0);
            ++result.sim.dropped;
        }
        return cells;
    }

    // A frame the application did not make: the pacers never hear of it,
    // but the display showed it. With the capture's display times it counts
    // in the display figures (a pose no side moved to, so seen intervals
    // stay the application's) and reaches the sink marked; a modelled
    // display shows only the application's frames.
    bool Generated(const CaptureRow& row) {
        if (model)
            return true;
        const double rel = row.seconds - first;
        FrameSample& sample = NextSample<false>(step, frames);
        sample.seconds = rel;
        sample.generated = true;
        sample.left.updated = false;
        sample.right.updated = false;
        FrameDisplay cells = kUnknownDisplay;
        if (result.recordedDisplay) {
            cells.fate = row.fate;
            if (row.hasDisplay) {
                const uint64_t poses[2] = {sides[0].updates, sides[1].updates};
                const double at = row.displaySeconds - first;
                const SeenStep shown =
                    ShowRedraw(seen, at, poses, seenFigures, &result.shownIntervals);
                cells.untilMs = (at - rel) * 1000.0;
                cells.betweenMs = shown.betweenMs;
            }
        }
        MakeNewest<false, true>(step, sample, sides[0].updates, sides[1].updates, cells);
        sample.generated = false;
        return true;
    }

    // The capture's own display time of a shown row measures the poses the
    // sides hold after it: its time is the redraw's start.
    void NoteCaptureShown(double rel, double at, FrameDisplay& cells) {
        const double poses[2] = {sides[0].motion.poseTime, sides[1].motion.poseTime};
        NoteShownPoses(step.animation, rel, poses, rel, at);
        CopyAnimationCells(step.animation, cells);
    }

    void Finish() {
        if (model) {
            // The refresh after the last redraw shows it.
            const DisplayCounts counts = FinishDisplayStep<true, true>(
                step, frames, lastRel + step.latch + 1.0 / setup.displayHz);
            result.sim.shown = counts.shown;
            result.sim.dropped = counts.dropped;
        }
        result.sim.frames = frames;
        result.seconds = lastRel;
        for (int i = 0; i < 2; ++i) {
            result.sim.side[i].updates = sides[i].updates;
            result.sim.side[i].measuredRate = sides[i].pacer.measuredRate;
            result.last[i] = SideSetup{sides[i].rule, sides[i].pacer.target};
            result.sim.motions[i] = sides[i].motion;
        }
    }
};

}  // namespace

bool RunReplay(const ReplaySetup& setup, CaptureReader& reader, ReplayResult& result,
               FrameSink sink, char* error, size_t errorSize, std::FILE* progress) {
    const CaptureOptions options{setup.process, setup.run, setup.ticksHz, false, progress};
    if (!OpenCapture(reader, setup.path, options, error, errorSize))
        return false;
    result.info = CaptureInfoOf(reader);
    ResetCaptureFacts(result.facts, result.info);
    result.facts.recompute = setup.recomputeAnimation;
    result.recordedDisplay = result.info.chosen.shows;
    result.sim.shown = 0;
    result.sim.dropped = 0;
    ResetCadence(result.sim.cadence, false);
    ResetFigures(result.sim.side[0].seen, false);
    ResetFigures(result.sim.side[1].seen, false);
    ResetFigures(result.shownIntervals, false);
    Replayer r{setup, result, {}, false, {}, {}, {}, 0, false, 0.0, 0.0, {}};
    r.model = !result.recordedDisplay && setup.displayHz > 0.0;
    for (int i = 0; i < 2; ++i) {
        StartSide(r.sides[i], setup.side[i]);
        r.sides[i].gridHz = r.model ? setup.displayHz : 0.0;
        r.sides[i].gridLead = setup.latchMs * 0.001;
    }
    StartReplayDisplay(r.heard);
    StartDisplayStep(r.step, r.model ? setup.displayHz : 0.0, setup.latchMs,
                     &result.sim.side[0].seen, &result.sim.side[1].seen, r.sides,
                     SinkTakes(sink) ? sink : FrameSink{TakeNothing, nullptr});
    if (r.model || result.recordedDisplay)
        WatchAnimation(r.step, &result.sim.animation, r.sides);
    ResetSeen(r.seen);
    r.seenFigures[0] = &result.sim.side[0].seen;
    r.seenFigures[1] = &result.sim.side[1].seen;
    CaptureRow row{};
    CaptureStep step;
    while ((step = NextCaptureRow(reader, &row, error, errorSize)) == CaptureStep::kRow) {
        if (!r.Row(row, error, errorSize)) {
            step = CaptureStep::kError;
            break;
        }
        AddCaptureRow(result.facts, row);
    }
    bool ok = step == CaptureStep::kEnd;
    // Figures per second need time to pass.
    if (ok && (r.frames < 2 || !(r.lastRel > 0.0))) {
        std::snprintf(error, errorSize,
                      "%s: fewer than two rows, or rows that span no time: nothing to replay",
                      setup.path);
        ok = false;
    }
    r.Finish();
    CloseCapture(reader);
    return ok;
}

SimSetup ReportSetup(const ReplaySetup& setup, const ReplayResult& result) {
    SimSetup report{};
    report.redraw.seconds = result.seconds;
    report.redraw.redrawHz =
        result.seconds > 0.0 ? static_cast<double>(result.sim.frames - 1) / result.seconds : 0.0;
    report.clock = setup.clock;
    report.latchMs = setup.latchMs;
    report.side[0] = result.last[0];
    report.side[1] = result.last[1];
    if (result.recordedDisplay) {
        // The capture's refresh: its most common gap between shown frames.
        const double median = PercentileSeconds(result.shownIntervals, 0.5);
        report.displayHz = median > 0.0 ? 1.0 / median : 0.0;
    } else {
        report.displayHz = setup.displayHz;
    }
    return report;
}
