#include "lab/capture/capture_stats.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const kLatencyNames[kCaptureLatencyCount] = {"input", "click", "pc", "display"};

void TokenOf(char* to, const char* from) {
    std::snprintf(to, kMachineFactSize, "%s", from);
    // One token of the line: blanks, '=' and anything unprintable become '_'.
    for (char* c = to; *c != '\0'; ++c) {
        const unsigned char u = static_cast<unsigned char>(*c);
        if (u <= ' ' || u == '=' || u == 0x7F)
            *c = '_';
    }
}

}  // namespace

void ResetCaptureFacts(CaptureFacts& facts, const CaptureInfo& info) {
    facts.info = &info;
    for (IntervalFigures& f : facts.latency)
        ResetFigures(f);
}

void AddCaptureRow(CaptureFacts& facts, const CaptureRow& row) {
    for (int i = 0; i < kCaptureLatencyCount; ++i) {
        if (row.latencyMs[i] >= 0.0)
            AddInterval(facts.latency[i], row.latencyMs[i] * 0.001);
    }
}

void AddCaptureStats(StatsLine& line, const CaptureFacts* facts) {
    if (facts == nullptr)
        return;
    const char* const keys[3] = {"capture_game", "capture_cpu", "capture_gpu"};
    const CaptureInfo& info = *facts->info;
    const char* const values[3] = {info.game, info.cpu, info.gpu};
    char token[kMachineFactSize];
    for (int i = 0; i < 3; ++i) {
        if (values[i][0] != '\0') {
            TokenOf(token, values[i]);
            AddStat(line, keys[i], "%s", token);
        }
    }
    if (info.ticksHz > 0.0)
        AddStat(line, "capture_tick_hz", "%.0f", info.ticksHz);
    char key[64];
    for (int i = 0; i < kCaptureLatencyCount; ++i) {
        const IntervalFigures& f = facts->latency[i];
        if (f.count == 0)
            continue;
        std::snprintf(key, sizeof key, "capture_%s_latency_mean_ms", kLatencyNames[i]);
        AddStat(line, key, "%.3f", f.mean * 1000.0);
        std::snprintf(key, sizeof key, "capture_%s_latency_p50_ms", kLatencyNames[i]);
        AddStat(line, key, "%.3f", PercentileSeconds(f, 0.5) * 1000.0);
        std::snprintf(key, sizeof key, "capture_%s_latency_p99_ms", kLatencyNames[i]);
        AddStat(line, key, "%.3f", PercentileSeconds(f, 0.99) * 1000.0);
    }
}
