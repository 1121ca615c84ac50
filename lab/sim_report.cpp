#include "lab/sim_report.h"

#include <cstring>

#include "lab/sweep.h"
#include "pacing/stats_line.h"

namespace {

const char* const kSideNames[2] = {"left", "right"};

const IntervalFigures& Updates(const SimResult& result, int side) {
    return side == 0 ? result.cadence.left : result.cadence.right;
}

}  // namespace

void PrintSimTable(std::FILE* out, const SimSetup& setup, const SimResult& result,
                   const char* displaySource) {
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
                   const char* displaySource) {
    char text[4096];
    FormatSimStats(text, sizeof text, setup, result, displaySource, nullptr);
    std::fprintf(out, "%s\n", text);
}

void FormatSimStats(char* text, size_t size, const SimSetup& setup, const SimResult& result,
                    const char* displaySource, const StutterCounts* stutters) {
    const double seconds = setup.redraw.seconds;
    StatsLine line;
    StartStatsLine(line, text, size);
    AddStat(line, "frames", "%llu", static_cast<unsigned long long>(result.frames));
    AddStat(line, "seconds", "%.3f", seconds);
    AddStat(line, "rate", "%.2f", static_cast<double>(result.frames) / seconds);
    if (setup.displayHz > 0.0) {
        AddStat(line, "display_hz", "%g", setup.displayHz);
        AddStat(line, "display_source", "%s", displaySource);
        AddStat(line, "display_rate", "%.2f", static_cast<double>(result.shown) / seconds);
        AddStat(line, "display_refresh_ms", "%.3f", 1000.0 / setup.displayHz);
        AddStat(line, "dropped", "%llu", static_cast<unsigned long long>(result.dropped));
        AddStat(line, "latch_ms", "%g", setup.latchMs);
    }
    char key[32];
    for (int side = 0; side < 2; ++side) {
        const char* name = kSideNames[side];
        const SideSetup& s = setup.side[side];
        std::snprintf(key, sizeof key, "%s_rule", name);
        AddStat(line, key, "%s", PaceRuleName(s.rule));
        std::snprintf(key, sizeof key, "%s_updates", name);
        AddStat(line, key, "%llu", static_cast<unsigned long long>(result.side[side].updates));
        std::snprintf(key, sizeof key, "%s_target", name);
        AddStat(line, key, "%.1f", s.target);
        std::snprintf(key, sizeof key, "%s_measured", name);
        AddStat(line, key, "%.2f", result.side[side].measuredRate);
        const IntervalFigures& updates = Updates(result, side);
        const SideFigures f = FiguresOf(updates, s.target);
        std::snprintf(key, sizeof key, "%s_mean_rate", name);
        AddStat(line, key, "%.3f", f.meanRate);
        std::snprintf(key, sizeof key, "%s_rate_error_pct", name);
        AddStat(line, key, "%.3f", f.rateErrorPct);
        AddIntervalStats(line, name, updates);
        if (stutters != nullptr) {
            std::snprintf(key, sizeof key, "%s_stutters", name);
            AddStat(line, key, "%llu", static_cast<unsigned long long>(stutters->updates[side]));
        }
        if (setup.displayHz > 0.0) {
            const IntervalFigures& seen = result.side[side].seen;
            std::snprintf(key, sizeof key, "%s_seen_mean_rate", name);
            AddStat(line, key, "%.3f", MeanRate(seen));
            std::snprintf(key, sizeof key, "%s_seen", name);
            AddIntervalStats(line, key, seen);
            if (stutters != nullptr) {
                std::snprintf(key, sizeof key, "%s_seen_stutters", name);
                AddStat(line, key, "%llu", static_cast<unsigned long long>(stutters->seen[side]));
            }
        }
    }
    AddStat(line, "redraw_jitter_ms", "%.3f", JitterMs(result.cadence.redraw));
    if (stutters != nullptr)
        AddStat(line, "redraw_stutters", "%llu", static_cast<unsigned long long>(stutters->redraw));
}
