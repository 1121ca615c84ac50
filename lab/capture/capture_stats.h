// What a replayed capture says beside its redraws, for the stats line: the
// game and machine it names and the latencies its rows carry, summed up.
#pragma once

#include "lab/capture/capture_reader.h"
#include "pacing/figures.h"
#include "pacing/stats_line.h"

struct CaptureFacts {
    char game[kMachineFactSize];
    char cpu[kMachineFactSize];
    char gpu[kMachineFactSize];
    double ticksHz;
    IntervalFigures latency[kCaptureLatencyCount];  // seconds
};

void ResetCaptureFacts(CaptureFacts& facts, const CaptureInfo& info);
void AddCaptureRow(CaptureFacts& facts, const CaptureRow& row);

// capture_game=, capture_cpu=, capture_gpu= (blanks as _) where the capture
// names them, capture_tick_hz= where it is timed in ticks, and for each
// latency it carries (input, click, pc, display)
// capture_<name>_latency_mean_ms=, _p50_ms=, _p99_ms=. Nothing for null.
void AddCaptureStats(StatRecords& records, const CaptureFacts* facts);
