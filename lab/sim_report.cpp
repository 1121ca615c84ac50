#include "lab/sim_report.h"

#include <cstring>

#include "lab/capture/capture_stats.h"
#include "pacing/stats_line.h"

namespace {

const char* const kSideNames[2] = {"left", "right"};

const IntervalFigures& Updates(const SimResult& result, int side) {
    return side == 0 ? result.cadence.left : result.cadence.right;
}

unsigned long long Count(const StatRecords& records, StatKey key) {
    return static_cast<unsigned long long>(StatNumber(records, key));
}

// The limit's own lines: its setting, the modelled program's CPU, how late
// the waits ended and, with a display, frame start to display.
void PrintLimit(std::FILE* out, const SimSetup& setup, const SimResult& result,
                const StatRecords& records) {
    const LimitModel& m = setup.limit;
    char limit[128];
    DescribeLimit(m.setting, LimitNote(result.limiter, setup.redraw.seconds), limit, sizeof limit);
    std::fprintf(out, "%g s limited to %s, drawing %g ms", setup.redraw.seconds, limit,
                 SimDrawingSeconds(setup) * 1000.0);
    if (m.renderJitterMs > 0.0) {
        std::fprintf(out, " + [0, %g)", m.renderJitterMs);
    }
    if (m.wakeLateP99Us > 0.0) {
        std::fprintf(out, ", sleeps wake %g us late (p50), %g (p99)", m.wakeLateP50Us,
                     m.wakeLateP99Us);
    }
    std::fprintf(
        out,
        ": %llu redraws, swap jitter %.3f ms, CPU %.1f %% of a core\n"
        "waits ended late by %.0f us (p50), %.0f (p99), %.0f (max)",
        Count(records, StatKey::kFrames), StatNumber(records, StatKey::kRedrawJitterMs),
        StatNumber(records, StatKey::kCpuPercent), StatNumber(records, StatKey::kWakeLateP50Us),
        StatNumber(records, StatKey::kWakeLateP99Us), StatNumber(records, StatKey::kWakeLateMaxUs));
    if (setup.displayHz > 0.0) {
        std::fprintf(out, "; frame start to display %.2f ms (p50), %.2f (p99)",
                     StatNumber(records, StatKey::kDisplayLatencyP50Ms),
                     StatNumber(records, StatKey::kDisplayLatencyP99Ms));
    }
    std::fputc('\n', out);
}

// The unlimited run's line: the redraw model.
void PrintRedraws(std::FILE* out, const SimSetup& setup, const StatRecords& records) {
    char redraws[kRedrawsTextSize];
    DescribeRedraws(redraws, sizeof redraws, setup.redraw);
    std::fprintf(out, "%s, %s clock: %llu redraws, redraw jitter %.3f ms\n", redraws,
                 setup.clock == PacerClock::kMilliseconds ? "ms" : "us",
                 Count(records, StatKey::kFrames), StatNumber(records, StatKey::kRedrawJitterMs));
}

// A side's row: count is its updates, or the poses the display showed; the
// figures are those of the series whose first key is first.
void PrintSideRow(std::FILE* out, const StatRecords& records, int side, unsigned long long count,
                  StatKey meanRate, StatKey first) {
    const auto figure = [&](SeriesFigure f) { return StatNumber(records, SeriesKey(first, f)); };
    const double target = StatNumber(records, SideKey(StatKey::kLeftTarget, side));
    const double mean = StatNumber(records, meanRate);
    std::fprintf(out, "%-6s %-13s %7.1f %9llu %10.3f %+8.2f %10.3f %8.2f %9.3f\n", kSideNames[side],
                 StatText(records, SideKey(StatKey::kLeftRule, side)), target, count, mean,
                 (mean - target) / target * 100.0, figure(SeriesFigure::kJitterMs),
                 figure(SeriesFigure::kLow1Fps), figure(SeriesFigure::kWorstMs));
}

// A value as the line prints it; "" where it is not known.
struct ValueText {
    char text[64];
};
ValueText Value(const StatRecords& records, StatKey key) {
    ValueText v{""};
    const StatRecord* record = FindStat(records, key);
    if (record != nullptr)
        FormatStatValue(records, *record, v.text, sizeof v.text);
    return v;
}

// A side whose motion is not cpu: what moved it (and what it fell back to)
// and, with a display, how its poses moved on screen. Nothing for cpu, so
// that the table reads as it always did.
void PrintMotionRows(std::FILE* out, const SimResult& result, const StatRecords& records) {
    for (int side = 0; side < 2; ++side) {
        const Motion& motion = result.motions[side];
        if (motion.kind == MotionKind::kCpu)
            continue;
        const char* note = MotionNote(motion);
        std::fprintf(out, "%s moves by %s%s%s", kSideNames[side], MotionName(motion.kind),
                     *note != '\0' ? " " : "", note);
        const auto v = [&](StatKey left) { return Value(records, SideKey(left, side)); };
        if (v(StatKey::kLeftAnimationErrorP50Ms).text[0] != '\0')
            std::fprintf(out, ": animation error %s ms (p50), %s (p99), %s (max)",
                         v(StatKey::kLeftAnimationErrorP50Ms).text,
                         v(StatKey::kLeftAnimationErrorP99Ms).text,
                         v(StatKey::kLeftAnimationErrorMaxMs).text);
        if (v(StatKey::kLeftMispredicted).text[0] != '\0')
            std::fprintf(out, ", %s shown off their prediction",
                         v(StatKey::kLeftMispredicted).text);
        std::fputc('\n', out);
    }
}

}  // namespace

void PrintSimTable(std::FILE* out, const SimSetup& setup, const SimResult& result,
                   const char* displaySource) {
    StatRecords records;
    SimStatRecords(records, setup, result, displaySource, nullptr, nullptr);
    PrintSimTable(out, setup, result, displaySource, records);
}

void PrintSimTable(std::FILE* out, const SimSetup& setup, const SimResult& result,
                   const char* displaySource, const StatRecords& records) {
    if (setup.limit.setting.kind != LimitKind::kOff) {
        PrintLimit(out, setup, result, records);
    } else {
        PrintRedraws(out, setup, records);
    }
    std::fprintf(out, "\n%-6s %-13s %7s %9s %10s %8s %10s %8s %9s\n", "side", "rule", "target",
                 "updates", "mean rate", "error %", "jitter ms", "1% low", "worst ms");
    for (int side = 0; side < 2; ++side) {
        PrintSideRow(out, records, side, Count(records, SideKey(StatKey::kLeftUpdates, side)),
                     SideKey(StatKey::kLeftMeanRate, side), SideKey(StatKey::kLeftJitterMs, side));
    }
    PrintMotionRows(out, result, records);
    if (setup.displayHz <= 0.0) {
        return;
    }
    std::fprintf(out, "\nas seen on a %g Hz display%s (between refreshes showing a new pose):\n",
                 setup.displayHz, std::strcmp(displaySource, "model") != 0 ? " (recorded)" : "");
    std::fprintf(out, "%-6s %-13s %7s %9s %10s %8s %10s %8s %9s\n", "side", "rule", "target",
                 "poses", "mean rate", "error %", "jitter ms", "1% low", "worst ms");
    for (int side = 0; side < 2; ++side) {
        // Poses shown: one more than the intervals between them, if any.
        const uint64_t between = result.side[side].seen.count;
        PrintSideRow(out, records, side, between > 0 ? between + 1 : 0,
                     SideKey(StatKey::kLeftSeenMeanRate, side),
                     SideKey(StatKey::kLeftSeenJitterMs, side));
    }
    if (setup.frameGen.steps > 0) {
        std::fprintf(out,
                     "\nframe generator, %d frames shown per drawn one (%g ms each): %.2f shown "
                     "a second, %.2f of them drawn;\na drawn frame held %.3f ms (mean), its "
                     "start to display %.2f ms (p50)\n",
                     setup.frameGen.steps, setup.frameGen.generateMs,
                     StatNumber(records, StatKey::kFrameGenDisplayRate),
                     StatNumber(records, StatKey::kFrameGenAppRate),
                     StatNumber(records, StatKey::kFrameGenHeldMs),
                     StatNumber(records, StatKey::kDisplayLatencyP50Ms));
    }
}

void PrintRuleTableHeader(std::FILE* out) {
    std::fprintf(out, "%-14s %-6s %7s %9s %10s %10s %8s %9s\n", "rule", "side", "target", "updates",
                 "mean rate", "jitter ms", "1% low", "worst ms");
}

void PrintRuleTableRows(std::FILE* out, const StatRecords& records) {
    for (int side = 0; side < 2; ++side) {
        const auto number = [&](StatKey left) { return StatNumber(records, SideKey(left, side)); };
        std::fprintf(out, "%-14s %-6s %7.1f %9llu %10.3f %10.3f %8.2f %9.3f\n",
                     StatText(records, SideKey(StatKey::kLeftRule, side)), kSideNames[side],
                     number(StatKey::kLeftTarget),
                     Count(records, SideKey(StatKey::kLeftUpdates, side)),
                     number(StatKey::kLeftMeanRate), number(StatKey::kLeftJitterMs),
                     number(StatKey::kLeftLow1Fps), number(StatKey::kLeftWorstMs));
    }
}

void PrintSimStats(std::FILE* out, const SimSetup& setup, const SimResult& result,
                   const char* displaySource, const CaptureFacts* capture) {
    StatRecords records;
    SimStatRecords(records, setup, result, displaySource, capture, nullptr);
    PrintStatsLine(out, records);
}

void PrintStatsLine(std::FILE* out, const StatRecords& records) {
    char text[kStatsLineSize];
    WriteStatsLine(records, text, sizeof text);
    std::fprintf(out, "%s\n", text);
}

namespace {

// A frame generator's figures; false without one. Its display cadence and
// the application frames' latency take the display's own keys.
bool FrameGenStatsOf(const SimSetup& setup, const SimResult& result, FrameGenStats* out) {
    if (setup.frameGen.steps == 0 || !(setup.displayHz > 0.0))
        return false;
    const FrameGenFigures& f = result.frameGen;
    const double seconds = setup.redraw.seconds;
    *out = FrameGenStats{setup.frameGen.steps,
                         setup.frameGen.generateMs,
                         f.generated,
                         static_cast<double>(f.shownApplication + f.shownGenerated) / seconds,
                         static_cast<double>(f.shownApplication) / seconds,
                         f.held.count > 0 ? f.held.mean * 1000.0 : 0.0};
    return true;
}

}  // namespace

void SimStatRecords(StatRecords& records, const SimSetup& setup, const SimResult& result,
                    const char* displaySource, const CaptureFacts* capture,
                    const StutterCounts* stutters) {
    const double seconds = setup.redraw.seconds;
    ResetStatRecords(records);
    AddRedrawStats(records, result.frames, seconds);
    for (int side = 0; side < 2; ++side) {
        const SideSetup& s = setup.side[side];
        AddSideStats(records,
                     SideStats{side, PaceRuleName(s.rule), result.side[side].updates, s.target,
                               result.side[side].measuredRate, &Updates(result, side)});
    }
    AddStatNumber(records, StatKey::kRedrawJitterMs, JitterMs(result.cadence.redraw));
    const bool generator = setup.frameGen.steps > 0;
    if (setup.displayHz > 0.0) {
        DisplayStats d{};
        d.source = displaySource;
        d.hz = setup.displayHz;
        d.rate = static_cast<double>(result.shown) / seconds;
        d.refreshSeconds = 1.0 / setup.displayHz;
        d.countsKnown = true;
        d.dropped = result.dropped;
        d.unknown = result.frames - result.shown - result.dropped;
        d.latchMs = setup.latchMs;
        d.seen[0] = &result.side[0].seen;
        d.seen[1] = &result.side[1].seen;
        if (generator)
            d.between = &result.frameGen.displayed;
        AddDisplayStats(records, d);
    }
    const bool limited = setup.limit.setting.kind != LimitKind::kOff;
    AddLimiterStats(records, LimiterStats{setup.limit.setting, SimCpuPercent(setup, result),
                                          limited ? &result.limiter.wakeLate : nullptr});
    AddLatencyStats(records, LatencyStats{(limited || generator) && setup.displayHz > 0.0
                                              ? &result.displayLatency
                                              : nullptr,
                                          nullptr});
    AddCaptureStats(records, capture);
    AddStutterStats(records, stutters);
    FrameGenStats gen;
    AddFrameGenStats(records, FrameGenStatsOf(setup, result, &gen) ? &gen : nullptr);
    const Motion* motions[2] = {&result.motions[0], &result.motions[1]};
    AddMotionStats(records, MotionStats{{motions[0], motions[1]},
                                        setup.displayHz > 0.0 ? &result.animation : nullptr});
    AddCaptureAnimationStats(records, capture);
}
