#include "lab/sim_report.h"

#include <cstring>

#include "lab/capture/capture_stats.h"
#include "lab/sim/sweep.h"
#include "pacing/stats_line.h"

namespace {

const char* const kSideNames[2] = {"left", "right"};

const IntervalFigures& Updates(const SimResult& result, int side) {
    return side == 0 ? result.cadence.left : result.cadence.right;
}

// The limit's own lines: its setting, the modelled program's CPU, how late
// the waits ended and, with a display, frame start to display.
void PrintLimit(std::FILE* out, const SimSetup& setup, const SimResult& result) {
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
    const QuantileKeeper& late = result.limiter.wakeLate;
    std::fprintf(out,
                 ": %llu redraws, swap jitter %.3f ms, CPU %.1f %% of a core\n"
                 "waits ended late by %.0f us (p50), %.0f (p99), %.0f (max)",
                 static_cast<unsigned long long>(result.frames), JitterMs(result.cadence.redraw),
                 SimCpuPercent(setup, result), QuantileSeconds(late, 0.5) * 1e6,
                 QuantileSeconds(late, 0.99) * 1e6, late.max * 1e6);
    if (setup.displayHz > 0.0) {
        std::fprintf(out, "; frame start to display %.2f ms (p50), %.2f (p99)",
                     QuantileSeconds(result.displayLatency, 0.5) * 1e3,
                     QuantileSeconds(result.displayLatency, 0.99) * 1e3);
    }
    std::fputc('\n', out);
}

// The unlimited run's line: the redraw model.
void PrintRedraws(std::FILE* out, const SimSetup& setup, const SimResult& result) {
    const RedrawModel& redraw = setup.redraw;
    std::fprintf(out, "%g s of redraws at %g Hz", redraw.seconds, redraw.redrawHz);
    if (redraw.jitterMs > 0.0) {
        std::fprintf(out, ", jitter %g ms (seed %llu)", redraw.jitterMs,
                     static_cast<unsigned long long>(redraw.seed));
    }
    if (redraw.stallEveryMs > 0.0) {
        std::fprintf(out, ", a %g ms stall every %g ms", redraw.stallLengthMs, redraw.stallEveryMs);
    }
    std::fprintf(out, ", %s clock: %llu redraws, redraw jitter %.3f ms\n",
                 setup.clock == PacerClock::kMilliseconds ? "ms" : "us",
                 static_cast<unsigned long long>(result.frames), JitterMs(result.cadence.redraw));
}

}  // namespace

void PrintSimTable(std::FILE* out, const SimSetup& setup, const SimResult& result,
                   const char* displaySource) {
    if (setup.limit.setting.kind != LimitKind::kOff) {
        PrintLimit(out, setup, result);
    } else {
        PrintRedraws(out, setup, result);
    }
    std::fprintf(out, "\n%-6s %-13s %7s %9s %10s %8s %10s %8s %9s\n", "side", "rule", "target",
                 "updates", "mean rate", "error %", "jitter ms", "1% low", "worst ms");
    for (int side = 0; side < 2; ++side) {
        const SideSetup& s = setup.side[side];
        const SideFigures f = FiguresOf(Updates(result, side), s.target);
        std::fprintf(out, "%-6s %-13s %7.1f %9llu %10.3f %+8.2f %10.3f %8.2f %9.3f\n",
                     kSideNames[side], PaceRuleName(s.rule), s.target,
                     static_cast<unsigned long long>(result.side[side].updates), f.meanRate,
                     f.rateErrorPct, f.jitterMs, f.low1Fps, f.worstMs);
    }
    if (setup.displayHz <= 0.0) {
        return;
    }
    std::fprintf(out, "\nas seen on a %g Hz display%s (between refreshes showing a new pose):\n",
                 setup.displayHz, std::strcmp(displaySource, "model") != 0 ? " (recorded)" : "");
    std::fprintf(out, "%-6s %-13s %7s %9s %10s %8s %10s %8s %9s\n", "side", "rule", "target",
                 "poses", "mean rate", "error %", "jitter ms", "1% low", "worst ms");
    for (int side = 0; side < 2; ++side) {
        const SideSetup& s = setup.side[side];
        const IntervalFigures& seen = result.side[side].seen;
        const SideFigures f = FiguresOf(seen, s.target);
        // Poses shown: one more than the intervals between them, if any.
        const unsigned long long poses = seen.count > 0 ? seen.count + 1 : 0;
        std::fprintf(out, "%-6s %-13s %7.1f %9llu %10.3f %+8.2f %10.3f %8.2f %9.3f\n",
                     kSideNames[side], PaceRuleName(s.rule), s.target, poses, f.meanRate,
                     f.rateErrorPct, f.jitterMs, f.low1Fps, f.worstMs);
    }
}

void PrintSimStats(std::FILE* out, const SimSetup& setup, const SimResult& result,
                   const char* displaySource, const CaptureFacts* capture) {
    char text[kStatsLineSize];
    FormatSimStats(text, sizeof text, setup, result, displaySource, capture, nullptr);
    std::fprintf(out, "%s\n", text);
}

void FormatSimStats(char* text, size_t size, const SimSetup& setup, const SimResult& result,
                    const char* displaySource, const CaptureFacts* capture,
                    const StutterCounts* stutters) {
    const double seconds = setup.redraw.seconds;
    StatsLine line;
    StartStatsLine(line, text, size);
    AddStat(line, "frames", "%llu", static_cast<unsigned long long>(result.frames));
    AddStat(line, "seconds", "%.3f", seconds);
    AddStat(line, "rate", "%.2f", static_cast<double>(result.frames) / seconds);
    for (int side = 0; side < 2; ++side) {
        const SideSetup& s = setup.side[side];
        AddSideStats(line, SideStats{kSideNames[side], PaceRuleName(s.rule),
                                     result.side[side].updates, s.target,
                                     result.side[side].measuredRate, &Updates(result, side)});
    }
    AddStat(line, "redraw_jitter_ms", "%.3f", JitterMs(result.cadence.redraw));
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
        AddDisplayStats(line, d);
    }
    const bool limited = setup.limit.setting.kind != LimitKind::kOff;
    AddLimiterStats(line, LimiterStats{setup.limit.setting, SimCpuPercent(setup, result),
                                       limited ? &result.limiter.wakeLate : nullptr});
    AddLatencyStats(line, LatencyStats{limited && setup.displayHz > 0.0 ? &result.displayLatency
                                                                        : nullptr,
                                       nullptr});
    AddCaptureStats(line, capture);
    AddStutterStats(line, stutters);
}
