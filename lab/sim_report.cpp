#include "lab/sim_report.h"

#include "lab/sweep.h"

namespace {

const char* const kSideNames[2] = {"left", "right"};

const IntervalFigures& Updates(const SimResult& result, int side) {
    return side == 0 ? result.cadence.left : result.cadence.right;
}

void PrintFigures(std::FILE* out, const char* prefix, const SideFigures& f, bool withError) {
    std::fprintf(out, " %s_mean_rate=%.3f", prefix, f.meanRate);
    if (withError) {
        std::fprintf(out, " %s_rate_error_pct=%.3f", prefix, f.rateErrorPct);
    }
    std::fprintf(out, " %s_jitter_ms=%.3f %s_low1_fps=%.2f %s_worst_ms=%.3f", prefix, f.jitterMs,
                 prefix, f.low1Fps, prefix, f.worstMs);
}

}  // namespace

void PrintSimTable(std::FILE* out, const SimSetup& setup, const SimResult& result) {
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
    std::fprintf(out, "\nas seen on a %g Hz display (between refreshes showing a new pose):\n",
                 setup.displayHz);
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

void PrintSimStats(std::FILE* out, const SimSetup& setup, const SimResult& result) {
    const double seconds = setup.redraw.seconds;
    std::fprintf(out, "tempola-stats frames=%llu seconds=%.3f rate=%.2f",
                 static_cast<unsigned long long>(result.frames), seconds,
                 static_cast<double>(result.frames) / seconds);
    if (setup.displayHz > 0.0) {
        std::fprintf(out, " display_hz=%g", setup.displayHz);
    }
    for (int side = 0; side < 2; ++side) {
        const char* name = kSideNames[side];
        const SideSetup& s = setup.side[side];
        std::fprintf(out, " %s_rule=%s %s_updates=%llu %s_target=%.1f %s_measured=%.2f", name,
                     PaceRuleName(s.rule), name,
                     static_cast<unsigned long long>(result.side[side].updates), name, s.target,
                     name, result.side[side].measuredRate);
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%s", name);
        PrintFigures(out, prefix, FiguresOf(Updates(result, side), s.target), true);
        if (setup.displayHz > 0.0) {
            std::snprintf(prefix, sizeof prefix, "%s_seen", name);
            PrintFigures(out, prefix, FiguresOf(result.side[side].seen, s.target), false);
        }
    }
    std::fprintf(out, " redraw_jitter_ms=%.3f\n", JitterMs(result.cadence.redraw));
}
