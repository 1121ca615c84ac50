// What a replayed capture says beside its redraws, for the stats line: the
// game and machine it names, and the latencies, frame makers and animation
// error its rows carry, summed up.
#pragma once

#include "lab/capture/capture_reader.h"
#include "pacing/capture_animation.h"
#include "pacing/figures.h"
#include "pacing/stats_line.h"

struct CaptureFacts {
    const CaptureInfo* info;  // its game, machine and tick rate, where the capture says
    IntervalFigures latency[kCaptureLatencyCount];  // seconds
    // Who made the frames, and which were shown: the application's rate and
    // the display's where a generator adds frames between the application's.
    uint64_t generatedFrames;    // FrameType other than Application, Repeated too
    uint64_t displayedFrames;    // shown, whoever made them
    uint64_t applicationShown;   // shown, of the application's own
    double firstDisplaySeconds;  // the earliest and latest display times
    double lastDisplaySeconds;
    // The file's own animation error (absolute, seconds), and its cells
    // beyond kLargestAnimationErrorMs, not kept.
    IntervalFigures animationError;
    uint64_t animationErrorRejected;
    uint64_t skippedCells;  // other cells out of range, read as not known
    // The same error computed from the rows' times (capture_animation.h),
    // beside the file's: which one the line gives, and whether the file
    // had a column of its own.
    CaptureAnimation computed;
    IntervalFigures computedError;  // absolute, seconds
    bool fileHasError;
    bool recompute;  // computed even where the file has its column
};

// info must outlive the facts. Leaves recompute as it was.
void ResetCaptureFacts(CaptureFacts& facts, const CaptureInfo& info);
void AddCaptureRow(CaptureFacts& facts, const CaptureRow& row);

// Frames shown a second, over the span of the display times: all of them,
// and the application's own. 0 with fewer than two shown.
double CaptureDisplayedRate(const CaptureFacts& facts);
double CaptureApplicationRate(const CaptureFacts& facts);

// capture_game=, capture_cpu=, capture_gpu= (blanks as _) where the capture
// names them, capture_tick_hz= where it is timed in ticks, and for each
// latency it carries (input, click, pc, display)
// capture_<name>_latency_mean_ms=, _p50_ms=, _p99_ms=; capture_app_rate=
// and capture_displayed_rate= where two frames were shown, and
// capture_generated_frames=. Nothing for null.
void AddCaptureStats(StatRecords& records, const CaptureFacts* facts);

// The capture's own animation error, after every other group of the line:
// capture_animation_error_p50_ms=, _p99_ms= (of the absolute value),
// capture_animation_error_source=file|computed and
// capture_animation_error_rejected= (values beyond 1000 ms either way).
// The file's column where it has one, unless recompute; empty where
// neither gives a value. Nothing for null.
void AddCaptureAnimationStats(StatRecords& records, const CaptureFacts* facts);
