#include "pacing/stats_line.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void StartStatsLine(StatsLine& line, char* buffer, size_t size) {
    line.text = buffer;
    line.size = size;
    line.cut = false;
    const int n = std::snprintf(buffer, size, "tempola-stats");
    line.used = n > 0 && static_cast<size_t>(n) < size ? static_cast<size_t>(n) : 0;
}

void AddStat(StatsLine& line, const char* key, const char* format, ...) {
    const size_t room = line.size - line.used;
    char* at = line.text + line.used;
    int n = std::snprintf(at, room, " %s=", key);
    if (n < 0 || static_cast<size_t>(n) >= room) {
        *at = '\0';
        line.cut = true;
        return;
    }
    va_list args;
    va_start(args, format);
    const int m = std::vsnprintf(at + n, room - static_cast<size_t>(n), format, args);
    va_end(args);
    if (m < 0 || static_cast<size_t>(n + m) >= room) {
        *at = '\0';
        line.cut = true;
        return;
    }
    line.used += static_cast<size_t>(n + m);
}

namespace {

// A series' figures: each key's suffix, its format, how it is read and the
// share or fraction it is read at (the lows take one; others ignore it).
struct SeriesStat {
    const char* suffix;
    const char* format;
    double (*read)(const IntervalFigures& figures, double share);
    double share;
};

double Jitter(const IntervalFigures& f, double) {
    return JitterMs(f);
}
double Worst(const IntervalFigures& f, double) {
    return WorstMs(f);
}

// low1_fps is the first name of p99_fps, kept for the scripts that read it.
const SeriesStat kSeriesStats[] = {
    {"jitter_ms", "%.3f", Jitter, 0.0},
    {"low1_fps", "%.2f", PercentileFps, 0.99},
    {"worst_ms", "%.3f", Worst, 0.0},
    {"p99_fps", "%.2f", PercentileFps, 0.99},
    {"low1_avg_fps", "%.2f", LowAverageFps, 0.01},
    {"low1_integral_fps", "%.2f", LowIntegralFps, 0.01},
    {"p999_fps", "%.2f", PercentileFps, 0.999},
    {"low01_avg_fps", "%.2f", LowAverageFps, 0.001},
    {"low01_integral_fps", "%.2f", LowIntegralFps, 0.001},
};

void AddSeries(StatsLine& line, const char* prefix, const IntervalFigures* figures) {
    char key[64];
    for (const SeriesStat& stat : kSeriesStats) {
        std::snprintf(key, sizeof key, "%s_%s", prefix, stat.suffix);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        if (figures != nullptr)
            AddStat(line, key, stat.format, stat.read(*figures, stat.share));
        else
            AddStat(line, key, "%s", "");
#pragma GCC diagnostic pop
    }
}

}  // namespace

void AddIntervalStats(StatsLine& line, const char* prefix, const IntervalFigures& figures) {
    AddSeries(line, prefix, &figures);
}

void AddEmptyIntervalStats(StatsLine& line, const char* prefix) {
    AddSeries(line, prefix, nullptr);
}

namespace {

void AddEmpty(StatsLine& line, const char* key) {
    AddStat(line, key, "%s", "");
}

void AddPrefixed(StatsLine& line, const char* prefix, const char* suffix, const char* format,
                 double value, bool known) {
    char key[64];
    std::snprintf(key, sizeof key, "%s_%s", prefix, suffix);
    if (!known) {
        AddEmpty(line, key);
        return;
    }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    AddStat(line, key, format, value);
#pragma GCC diagnostic pop
}

// p50, p99 of a keeper in the unit given (1e3: ms, 1e6: us); empty while
// it holds nothing.
void AddQuantiles(StatsLine& line, const char* prefix, const char* unit, double scale,
                  const char* format, const QuantileKeeper* keeper) {
    const bool known = keeper != nullptr && keeper->count > 0;
    const char* const names[2] = {"p50", "p99"};
    const double fractions[2] = {0.5, 0.99};
    char suffix[16];
    for (int i = 0; i < 2; ++i) {
        std::snprintf(suffix, sizeof suffix, "%s_%s", names[i], unit);
        AddPrefixed(line, prefix, suffix, format,
                    known ? QuantileSeconds(*keeper, fractions[i]) * scale : 0.0, known);
    }
}

}  // namespace

void AddSideStats(StatsLine& line, const SideStats& side) {
    char key[64];
    std::snprintf(key, sizeof key, "%s_rule", side.name);
    AddStat(line, key, "%s", side.rule);
    std::snprintf(key, sizeof key, "%s_updates", side.name);
    AddStat(line, key, "%llu", static_cast<unsigned long long>(side.updates));
    AddPrefixed(line, side.name, "target", "%.1f", side.target, true);
    AddPrefixed(line, side.name, "measured", "%.2f", side.measured, true);
    const double mean = MeanRate(*side.intervals);
    AddPrefixed(line, side.name, "mean_rate", "%.3f", mean, true);
    AddPrefixed(line, side.name, "rate_error_pct", "%.3f", (mean - side.target) / side.target * 100.0,
                side.target > 0.0);
    AddIntervalStats(line, side.name, *side.intervals);
}

void AddDisplayStats(StatsLine& line, const DisplayStats& d) {
    AddPrefixed(line, "display", "hz", "%g", d.hz, d.hz > 0.0);
    AddStat(line, "display_source", "%s", d.source);
    AddPrefixed(line, "display", "rate", "%.2f", d.rate, d.rate >= 0.0);
    AddPrefixed(line, "display", "refresh_ms", "%.3f", d.refreshSeconds * 1000.0,
                d.refreshSeconds > 0.0);
    if (d.countsKnown) {
        AddStat(line, "dropped", "%llu", static_cast<unsigned long long>(d.dropped));
        AddStat(line, "display_unknown", "%llu", static_cast<unsigned long long>(d.unknown));
    } else {
        AddEmpty(line, "dropped");
        AddEmpty(line, "display_unknown");
    }
    AddPrefixed(line, "latch", "ms", "%g", d.latchMs, d.latchMs >= 0.0);
    AddSeries(line, "display", d.between);
    const char* const names[2] = {"left_seen", "right_seen"};
    for (int side = 0; side < 2; ++side) {
        const IntervalFigures* seen = d.seen[side];
        AddPrefixed(line, names[side], "mean_rate", "%.3f",
                    seen != nullptr ? MeanRate(*seen) : 0.0, seen != nullptr);
        AddSeries(line, names[side], seen);
    }
}

void AddLimiterStats(StatsLine& line, const LimiterStats& l) {
    char limit[32];
    LimitText(l.setting, limit, sizeof limit);
    AddStat(line, "limit", "%s", limit);
    AddStat(line, "limiter", "%s", WaitMethodName(l.setting.method));
    AddStat(line, "limit_at", "%s", WaitPlacementName(l.setting.placement));
    AddPrefixed(line, "cpu", "percent", "%.1f", l.cpuPercent, l.cpuPercent >= 0.0);
    AddQuantiles(line, "wake_late", "us", 1e6, "%.0f", l.wakes);
    const bool known = l.wakes != nullptr && l.wakes->count > 0;
    AddPrefixed(line, "wake_late", "max_us", "%.0f", known ? l.wakes->max * 1e6 : 0.0, known);
}

void AddLatencyStats(StatsLine& line, const LatencyStats& l) {
    AddQuantiles(line, "display_latency", "ms", 1e3, "%.2f", l.display);
    AddQuantiles(line, "input_latency", "ms", 1e3, "%.2f", l.input);
    AddStat(line, "inputs", "%llu",
            static_cast<unsigned long long>(l.input != nullptr ? l.input->count : 0));
}

void AddStutterStats(StatsLine& line, const StutterCounts* s) {
    if (s == nullptr)
        return;
    AddStat(line, "redraw_stutters", "%llu", static_cast<unsigned long long>(s->redraw));
    const char* const names[2] = {"left", "right"};
    char key[64];
    for (int side = 0; side < 2; ++side) {
        std::snprintf(key, sizeof key, "%s_stutters", names[side]);
        AddStat(line, key, "%llu", static_cast<unsigned long long>(s->updates[side]));
    }
    for (int side = 0; side < 2 && s->seenKnown; ++side) {
        std::snprintf(key, sizeof key, "%s_seen_stutters", names[side]);
        AddStat(line, key, "%llu", static_cast<unsigned long long>(s->seen[side]));
    }
}
