#include "pacing/stats_line.h"

void AddRedrawStats(StatRecords& records, uint64_t frames, double seconds) {
    AddStatCount(records, StatKey::kFrames, frames);
    AddStatNumber(records, StatKey::kSeconds, seconds);
    AddStatNumber(records, StatKey::kRate,
                  seconds > 0.0 ? static_cast<double>(frames) / seconds : 0.0);
}

namespace {

double SeriesValue(const IntervalFigures& f, SeriesFigure figure) {
    switch (figure) {
    case SeriesFigure::kJitterMs: return JitterMs(f);
    case SeriesFigure::kLow1Fps:
    case SeriesFigure::kP99Fps: return PercentileFps(f, 0.99);
    case SeriesFigure::kWorstMs: return WorstMs(f);
    case SeriesFigure::kLow1AvgFps: return LowAverageFps(f, 0.01);
    case SeriesFigure::kLow1IntegralFps: return LowIntegralFps(f, 0.01);
    case SeriesFigure::kP999Fps: return PercentileFps(f, 0.999);
    case SeriesFigure::kLow01AvgFps: return LowAverageFps(f, 0.001);
    case SeriesFigure::kLow01IntegralFps: return LowIntegralFps(f, 0.001);
    case SeriesFigure::kCount: break;
    }
    return 0.0;
}

}  // namespace

double SeriesFigureValue(const IntervalFigures& figures, SeriesFigure figure) {
    return SeriesValue(figures, figure);
}

namespace {

// Every figure of a series under its first key; empty for null.
void AddSeries(StatRecords& records, StatKey first, const IntervalFigures* figures) {
    for (int i = 0; i < static_cast<int>(SeriesFigure::kCount); ++i) {
        const SeriesFigure figure = static_cast<SeriesFigure>(i);
        AddStatNumber(records, SeriesKey(first, figure),
                      figures != nullptr ? SeriesValue(*figures, figure) : 0.0, figures != nullptr);
    }
}

// p50 and p99 of a keeper, times scale (1e3: ms, 1e6: us); empty while it
// holds nothing.
void AddQuantiles(StatRecords& records, StatKey p50, StatKey p99, double scale,
                  const QuantileKeeper* keeper) {
    const bool known = keeper != nullptr && keeper->count > 0;
    AddStatNumber(records, p50, known ? QuantileSeconds(*keeper, 0.5) * scale : 0.0, known);
    AddStatNumber(records, p99, known ? QuantileSeconds(*keeper, 0.99) * scale : 0.0, known);
}

}  // namespace

void AddSideStats(StatRecords& records, const SideStats& side) {
    const auto key = [&side](StatKey left) { return SideKey(left, side.side); };
    AddStatText(records, key(StatKey::kLeftRule), side.rule);
    AddStatCount(records, key(StatKey::kLeftUpdates), side.updates);
    AddStatNumber(records, key(StatKey::kLeftTarget), side.target);
    AddStatNumber(records, key(StatKey::kLeftMeasured), side.measured);
    const double mean = MeanRate(*side.intervals);
    AddStatNumber(records, key(StatKey::kLeftMeanRate), mean);
    AddStatNumber(records, key(StatKey::kLeftRateErrorPct),
                  (mean - side.target) / side.target * 100.0, side.target > 0.0);
    AddSeries(records, key(StatKey::kLeftJitterMs), side.intervals);
}

void AddDisplayStats(StatRecords& records, const DisplayStats& d) {
    AddStatNumber(records, StatKey::kDisplayHz, d.hz, d.hz > 0.0);
    AddStatText(records, StatKey::kDisplaySource, d.source);
    AddStatNumber(records, StatKey::kDisplayRate, d.rate, d.rate >= 0.0);
    AddStatNumber(records, StatKey::kDisplayRefreshMs, d.refreshSeconds * 1000.0,
                  d.refreshSeconds > 0.0);
    if (d.countsKnown) {
        AddStatCount(records, StatKey::kDropped, d.dropped);
        AddStatCount(records, StatKey::kDisplayUnknown, d.unknown);
    } else {
        AddStatUnknown(records, StatKey::kDropped);
        AddStatUnknown(records, StatKey::kDisplayUnknown);
    }
    AddStatNumber(records, StatKey::kLatchMs, d.latchMs, d.latchMs >= 0.0);
    AddSeries(records, StatKey::kDisplayJitterMs, d.between);
    for (int side = 0; side < 2; ++side) {
        const IntervalFigures* seen = d.seen[side];
        AddStatNumber(records, SideKey(StatKey::kLeftSeenMeanRate, side),
                      seen != nullptr ? MeanRate(*seen) : 0.0, seen != nullptr);
        AddSeries(records, SideKey(StatKey::kLeftSeenJitterMs, side), seen);
    }
}

void AddLimiterStats(StatRecords& records, const LimiterStats& l) {
    char limit[32];
    LimitText(l.setting, limit, sizeof limit);
    AddStatText(records, StatKey::kLimit, limit);
    AddStatText(records, StatKey::kLimiter, WaitMethodName(l.setting.method));
    AddStatText(records, StatKey::kLimitAt, WaitPlacementName(l.setting.placement));
    AddStatNumber(records, StatKey::kCpuPercent, l.cpuPercent, l.cpuPercent >= 0.0);
    AddQuantiles(records, StatKey::kWakeLateP50Us, StatKey::kWakeLateP99Us, 1e6, l.wakes);
    const bool known = l.wakes != nullptr && l.wakes->count > 0;
    AddStatNumber(records, StatKey::kWakeLateMaxUs, known ? l.wakes->max * 1e6 : 0.0, known);
}

void AddLatencyStats(StatRecords& records, const LatencyStats& l) {
    AddQuantiles(records, StatKey::kDisplayLatencyP50Ms, StatKey::kDisplayLatencyP99Ms, 1e3,
                 l.display);
    AddQuantiles(records, StatKey::kInputLatencyP50Ms, StatKey::kInputLatencyP99Ms, 1e3, l.input);
    AddStatCount(records, StatKey::kInputs, l.input != nullptr ? l.input->count : 0);
}

void AddStutterStats(StatRecords& records, const StutterCounts* s) {
    if (s == nullptr)
        return;
    AddStatCount(records, StatKey::kRedrawStutters, s->redraw);
    for (int side = 0; side < 2; ++side)
        AddStatCount(records, SideKey(StatKey::kLeftStutters, side), s->updates[side]);
    for (int side = 0; side < 2 && s->seenKnown; ++side)
        AddStatCount(records, SideKey(StatKey::kLeftSeenStutters, side), s->seen[side]);
}

namespace {

static_assert(static_cast<int>(StatKey::kLeftAnimationErrorMaxMs) ==
                  static_cast<int>(StatKey::kLeftAnimationErrorP50Ms) + 2,
              "a stream's p50, p99 and max keys follow each other");

// The three figures of one stream's errors under its first key.
void AddAnimationErrors(StatRecords& records, StatKey p50, const AnimationError* tracker) {
    const bool known = tracker != nullptr && tracker->errors.count > 0;
    const double fractions[3] = {0.5, 0.99, 1.0};
    for (int i = 0; i < 3; ++i)
        AddStatNumber(records, static_cast<StatKey>(static_cast<int>(p50) + i),
                      known ? AnimationErrorMs(*tracker, fractions[i]) : 0.0, known);
}

}  // namespace

void AddMotionStats(StatRecords& records, const MotionStats& m) {
    for (int side = 0; side < 2; ++side)
        AddStatText(records, SideKey(StatKey::kLeftMotion, side),
                    MotionName(m.motions[side]->kind));
    AddAnimationErrors(records, StatKey::kAnimationErrorP50Ms,
                       m.shown != nullptr ? &m.shown->redraws : nullptr);
    for (int side = 0; side < 2; ++side)
        AddAnimationErrors(records, SideKey(StatKey::kLeftAnimationErrorP50Ms, side),
                           m.shown != nullptr ? &m.shown->sides[side] : nullptr);
    for (int side = 0; side < 2; ++side) {
        const Motion& motion = *m.motions[side];
        const StatKey key = SideKey(StatKey::kLeftMispredicted, side);
        if (motion.checked > 0)
            AddStatCount(records, key, motion.mispredicted);
        else
            AddStatUnknown(records, key);
    }
}

void AddFrameGenStats(StatRecords& records, const FrameGenStats* g) {
    if (g == nullptr)
        return;
    AddStatNumber(records, StatKey::kFrameGen, g->steps);
    AddStatNumber(records, StatKey::kFrameGenMs, g->ms);
    AddStatCount(records, StatKey::kFrameGenFrames, g->generated);
    AddStatNumber(records, StatKey::kFrameGenDisplayRate, g->displayRate);
    AddStatNumber(records, StatKey::kFrameGenAppRate, g->appRate);
    AddStatNumber(records, StatKey::kFrameGenHeldMs, g->heldMs);
}
