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
