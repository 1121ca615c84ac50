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

void AddIntervalStats(StatsLine& line, const char* prefix, const IntervalFigures& figures) {
    char key[64];
    std::snprintf(key, sizeof key, "%s_jitter_ms", prefix);
    AddStat(line, key, "%.3f", JitterMs(figures));
    std::snprintf(key, sizeof key, "%s_low1_fps", prefix);
    AddStat(line, key, "%.2f", OnePercentLow(figures));
    std::snprintf(key, sizeof key, "%s_worst_ms", prefix);
    AddStat(line, key, "%.3f", WorstMs(figures));
}
