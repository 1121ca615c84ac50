// The one-line run report both programs print: "tempola-stats" and then
// key=value pairs separated by single spaces. Keys are lower case with
// underscores; a key once printed keeps its name and its meaning, so that
// scripts reading the line go on working. The groups here add a run's
// records (stats_records.h); the line is written from them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pacing/figures.h"
#include "pacing/limit_setting.h"
#include "pacing/motion.h"
#include "pacing/quantiles.h"
#include "pacing/shown_animation.h"
#include "pacing/stats_records.h"

// Room for a line with every group, with room to spare for groups to come:
// a limited run with a display, a capture's machine names at full length,
// every capture latency and the stutters come to 2.8 KB.
constexpr size_t kStatsLineSize = 8192;

// frames, seconds and rate (redraws a second; 0 for no time).
void AddRedrawStats(StatRecords& records, uint64_t frames, double seconds);

// One figure of a series, as the line gives it under the series' keys.
double SeriesFigureValue(const IntervalFigures& figures, SeriesFigure figure);

// The key groups both programs print, each added here alone. A value not
// known is printed empty ("display_rate="), so that a key's place and
// meaning never depend on the run.

// "<side>_rule", "_updates", "_target", "_measured" (the pacer's last window
// of 20 updates), "_mean_rate", "_rate_error_pct" and the figures of its
// update intervals.
struct SideStats {
    int side;  // 0 left, 1 right
    const char* rule;
    uint64_t updates;
    double target;
    double measured;
    const IntervalFigures* intervals;
};
void AddSideStats(StatRecords& records, const SideStats& side);

// What the display showed: display_hz, display_source, display_rate,
// display_refresh_ms, dropped, display_unknown, latch_ms, the figures of
// the intervals between shown redraws (display_...), and each side's
// seen_mean_rate and seen figures (left_seen_..., right_seen_...).
struct DisplayStats {
    const char* source;     // "model", "capture", "wayland", "none", ...
    double hz;              // the nominal refresh rate; <= 0: not known
    double rate;            // shown redraws a second; < 0: not known
    double refreshSeconds;  // <= 0: not known
    bool countsKnown;       // dropped and unknown mean something
    uint64_t dropped;
    uint64_t unknown;                // redraws the display gave no word on
    double latchMs;                  // the modelled latch; < 0: none
    const IntervalFigures* between;  // null: not known
    const IntervalFigures* seen[2];  // left, right; null: not known
};
void AddDisplayStats(StatRecords& records, const DisplayStats& display);

// The frame limiter: limit, limiter, limit_at, cpu_percent (of one core),
// wake_late_p50_us, wake_late_p99_us, wake_late_max_us.
struct LimiterStats {
    LimitSetting setting;
    double cpuPercent;            // < 0: not known
    const QuantileKeeper* wakes;  // each wait's end against its deadline; null: none
};
void AddLimiterStats(StatRecords& records, const LimiterStats& limiter);

// display_latency_p50_ms, display_latency_p99_ms (frame start to display),
// input_latency_p50_ms, input_latency_p99_ms (key press to display of the
// first shown redraw drawn after it) and inputs (the presses measured).
struct LatencyStats {
    const QuantileKeeper* display;  // null: no display times
    const QuantileKeeper* input;    // null: inputs not timed
};
void AddLatencyStats(StatRecords& records, const LatencyStats& latency);

// Stutters counted in each series, for runs that kept their intervals in
// order: redraw_stutters, left_stutters, right_stutters and, with a
// display, left_seen_stutters and right_seen_stutters. Nothing for null.
struct StutterCounts {
    uint64_t redraw;
    uint64_t updates[2];  // left, right
    uint64_t seen[2];
    bool seenKnown;  // there was a display to see them on
};
void AddStutterStats(StatRecords& records, const StutterCounts* stutters);

// How the poses moved and how they showed: left_motion, right_motion, the
// animation error's p50, p99 and max of the redraws (animation_error_...)
// and of each side (left_animation_error_..., right_...), and each side's
// mispredicted (display motion's poses shown off their prediction). An
// error is empty while no error was measured, mispredicted while no
// prediction was checked.
struct MotionStats {
    const Motion* motions[2];     // left, right
    const ShownAnimation* shown;  // null: no display times
};
void AddMotionStats(StatRecords& records, const MotionStats& motion);

// A frame generator between the program and the display: frame_gen (the
// frames shown per application frame), frame_gen_ms (its own time),
// frame_gen_frames (those it made), frame_gen_display_rate (every frame
// shown, a second), frame_gen_app_rate (the application's shown, a second)
// and frame_gen_held_ms (the mean time it held an application frame back).
// Nothing for null.
struct FrameGenStats {
    int steps;
    double ms;
    uint64_t generated;
    double displayRate;
    double appRate;
    double heldMs;
};
void AddFrameGenStats(StatRecords& records, const FrameGenStats* gen);
