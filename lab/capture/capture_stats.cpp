#include "lab/capture/capture_stats.h"

#include <cstdio>
#include <cstring>

namespace {

// Each latency's mean, p50 and p99 keys, in CaptureLatency's order.
const StatKey kLatencyKeys[kCaptureLatencyCount][3] = {
    {StatKey::kCaptureInputLatencyMeanMs, StatKey::kCaptureInputLatencyP50Ms,
     StatKey::kCaptureInputLatencyP99Ms},
    {StatKey::kCaptureClickLatencyMeanMs, StatKey::kCaptureClickLatencyP50Ms,
     StatKey::kCaptureClickLatencyP99Ms},
    {StatKey::kCapturePcLatencyMeanMs, StatKey::kCapturePcLatencyP50Ms,
     StatKey::kCapturePcLatencyP99Ms},
    {StatKey::kCaptureDisplayLatencyMeanMs, StatKey::kCaptureDisplayLatencyP50Ms,
     StatKey::kCaptureDisplayLatencyP99Ms},
};

void CopyFact(char* to, const char* from) {
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
    CopyFact(facts.game, info.game);
    CopyFact(facts.cpu, info.cpu);
    CopyFact(facts.gpu, info.gpu);
    facts.ticksHz = info.ticksHz;
    for (IntervalFigures& f : facts.latency)
        ResetFigures(f);
}

void AddCaptureRow(CaptureFacts& facts, const CaptureRow& row) {
    for (int i = 0; i < kCaptureLatencyCount; ++i) {
        if (row.latencyMs[i] >= 0.0)
            AddInterval(facts.latency[i], row.latencyMs[i] * 0.001);
    }
}

void AddCaptureStats(StatRecords& records, const CaptureFacts* facts) {
    if (facts == nullptr)
        return;
    const StatKey keys[3] = {StatKey::kCaptureGame, StatKey::kCaptureCpu, StatKey::kCaptureGpu};
    const char* const values[3] = {facts->game, facts->cpu, facts->gpu};
    for (int i = 0; i < 3; ++i) {
        if (values[i][0] != '\0')
            AddStatText(records, keys[i], values[i]);
    }
    if (facts->ticksHz > 0.0)
        AddStatNumber(records, StatKey::kCaptureTickHz, facts->ticksHz);
    for (int i = 0; i < kCaptureLatencyCount; ++i) {
        const IntervalFigures& f = facts->latency[i];
        if (f.count == 0)
            continue;
        AddStatNumber(records, kLatencyKeys[i][0], f.mean * 1000.0);
        AddStatNumber(records, kLatencyKeys[i][1], PercentileSeconds(f, 0.5) * 1000.0);
        AddStatNumber(records, kLatencyKeys[i][2], PercentileSeconds(f, 0.99) * 1000.0);
    }
}
