#include "lab/report/report_series.h"

#include <cmath>

#include "pacing/frame_log.h"

void ResetThinned(ThinnedSeries& s) {
    s.count = 0;
    s.width = 1;
    s.inLast = 0;
    s.total = 0;
}

namespace {

void Merge(ThinBucket& into, const ThinBucket& b) {
    if (b.min < into.min) {
        into.min = b.min;
        into.minAt = b.minAt;
    }
    if (b.max > into.max) {
        into.max = b.max;
        into.maxAt = b.maxAt;
    }
}

}  // namespace

void AddThinned(ThinnedSeries& s, double at, double ms) {
    s.total += 1;
    if (s.count > 0 && s.inLast < s.width) {
        Merge(s.bucket[s.count - 1], ThinBucket{at, ms, at, ms});
        s.inLast += 1;
        return;
    }
    if (s.count == kDrawBuckets) {
        // Every bucket full: pairs become one, twice as wide.
        for (int i = 0; i < kDrawBuckets / 2; ++i) {
            s.bucket[i] = s.bucket[2 * i];
            Merge(s.bucket[i], s.bucket[2 * i + 1]);
        }
        s.count = kDrawBuckets / 2;
        s.width *= 2;
    }
    s.bucket[s.count++] = ThinBucket{at, ms, at, ms};
    s.inLast = 1;
}

void ResetDrawn(DrawnSeries& s) {
    ResetThinned(s.thin);
    ResetStutters(s.stutters);
    s.marks = 0;
    s.generatedMarks = 0;
    s.generatedTotal = 0;
}

namespace {

void Mark(DrawnSeries& s, const StutterVerdict& v) {
    if (v.stutter && s.marks < kMostStutterMarks)
        s.mark[s.marks++] = s.recent[v.index % kStutterWindow];
}

}  // namespace

void AddDrawn(DrawnSeries& s, double at, double ms) {
    AddThinned(s.thin, at, ms);
    s.recent[s.stutters.slot] = StutterMark{at, ms};
    Mark(s, AddStutterInterval(s.stutters, ms));
}

void FinishDrawn(DrawnSeries& s) {
    for (StutterVerdict v = FlushStutters(s.stutters); v.decided; v = FlushStutters(s.stutters))
        Mark(s, v);
}

void StartCollecting(SeriesCollector& c, DrawnSeries* series) {
    c = SeriesCollector{series, false, 0.0, 0.0, {false, false}, 0.0, nullptr};
    for (int i = 0; i < kDrawnKinds; ++i)
        ResetDrawn(series[i]);
}

namespace {

// The sides' series for a redraw that moved a side, showed something new or
// has a pose's error to keep, then the redraw's own interval.
[[gnu::noinline]] void CollectSides(SeriesCollector& c, const FrameSample& sample,
                                    const FrameDisplay& display, double at, bool interval,
                                    double ms) {
    const SideSample* sides[2] = {&sample.left, &sample.right};
    for (int side = 0; side < 2; ++side) {
        if (sides[side]->updated) {
            if (c.sideStarted[side])
                AddDrawn(c.series[kDrawnLeft + side], at, sides[side]->elapsed * 1000.0);
            c.sideStarted[side] = true;
        }
        if (display.seenMs[side] >= 0.0)
            AddDrawn(c.series[kDrawnLeftSeen + side], at, display.seenMs[side]);
        const double error = display.sideAnimationErrorMs[side];
        if (c.animation != nullptr && std::isfinite(error))
            AddThinned(c.animation[side], at, error);
    }
    if (interval)
        AddDrawn(c.series[kDrawnRedraw], at, ms);
}

[[gnu::noinline]] void CollectGenerated(SeriesCollector& c, const FrameSample& sample) {
    // Before the run's first frame there is no time to mark it at.
    if (!c.started)
        return;
    DrawnSeries& redraw = c.series[kDrawnRedraw];
    if (redraw.generatedMarks < kMostGeneratedMarks)
        redraw.generated[redraw.generatedMarks++] =
            StutterMark{sample.seconds - c.first, (sample.seconds - c.previousAny) * 1000.0};
    ++redraw.generatedTotal;
    c.previousAny = sample.seconds;
}

}  // namespace

void CollectFrame(SeriesCollector& c, const FrameSample& sample, const FrameDisplay& display) {
    if (sample.generated) {
        CollectGenerated(c, sample);
        return;
    }
    c.previousAny = sample.seconds;
    // The first frame has no interval before it.
    const bool interval = c.started;
    if (!interval) {
        c.started = true;
        c.first = sample.seconds;
    }
    const double ms = (sample.seconds - c.previous) * 1000.0;
    c.previous = sample.seconds;
    const double at = sample.seconds - c.first;
    const bool sides = sample.left.updated || sample.right.updated || display.seenMs[0] >= 0.0 ||
                       display.seenMs[1] >= 0.0 ||
                       (c.animation != nullptr && (!std::isnan(display.sideAnimationErrorMs[0]) ||
                                                   !std::isnan(display.sideAnimationErrorMs[1])));
    if (sides)
        CollectSides(c, sample, display, at, interval, ms);
    else if (interval)
        AddDrawn(c.series[kDrawnRedraw], at, ms);
}

void CollectAnimation(SeriesCollector& c, ThinnedSeries* animation) {
    c.animation = animation;
    ResetThinned(animation[0]);
    ResetThinned(animation[1]);
}

void FinishCollecting(SeriesCollector& c) {
    for (int i = 0; i < kDrawnKinds; ++i)
        FinishDrawn(c.series[i]);
}

FrameSink SeriesSink(SeriesCollector& collector) {
    return FrameSink{[](void* user, const FrameSample& sample, const FrameDisplay& display) {
                         CollectFrame(*static_cast<SeriesCollector*>(user), sample, display);
                     },
                     &collector};
}

StutterCounts CountedStutters(const DrawnSeries* series, bool seenKnown) {
    StutterCounts counts{};
    counts.seenKnown = seenKnown;
    counts.redraw = series[kDrawnRedraw].stutters.stutters;
    for (int side = 0; side < 2; ++side) {
        counts.updates[side] = series[kDrawnLeft + side].stutters.stutters;
        counts.seen[side] = series[kDrawnLeftSeen + side].stutters.stutters;
    }
    return counts;
}
