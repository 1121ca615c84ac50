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

// A series' figures: each key's suffix, its format and how it is read.
struct SeriesStat {
    const char* suffix;
    const char* format;
    double (*read)(const IntervalFigures& figures);
};
double P99(const IntervalFigures& f) {
    return PercentileFps(f, 0.99);
}
double P999(const IntervalFigures& f) {
    return PercentileFps(f, 0.999);
}
double Low1Average(const IntervalFigures& f) {
    return LowAverageFps(f, 0.01);
}
double Low01Average(const IntervalFigures& f) {
    return LowAverageFps(f, 0.001);
}
double Low1Integral(const IntervalFigures& f) {
    return LowIntegralFps(f, 0.01);
}
double Low01Integral(const IntervalFigures& f) {
    return LowIntegralFps(f, 0.001);
}

// low1_fps is the first name of p99_fps, kept for the scripts that read it.
const SeriesStat kSeriesStats[] = {
    {"jitter_ms", "%.3f", JitterMs},
    {"low1_fps", "%.2f", OnePercentLow},
    {"worst_ms", "%.3f", WorstMs},
    {"p99_fps", "%.2f", P99},
    {"low1_avg_fps", "%.2f", Low1Average},
    {"low1_integral_fps", "%.2f", Low1Integral},
    {"p999_fps", "%.2f", P999},
    {"low01_avg_fps", "%.2f", Low01Average},
    {"low01_integral_fps", "%.2f", Low01Integral},
};

void AddSeries(StatsLine& line, const char* prefix, const IntervalFigures* figures) {
    char key[64];
    for (const SeriesStat& stat : kSeriesStats) {
        std::snprintf(key, sizeof key, "%s_%s", prefix, stat.suffix);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        if (figures != nullptr)
            AddStat(line, key, stat.format, stat.read(*figures));
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
