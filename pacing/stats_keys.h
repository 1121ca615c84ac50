// Every key of the stats line, each spelt once, here. The line, the report
// page's tables and the simulator's text tables all name a figure by its
// StatKey, so a key renamed here is renamed everywhere at once, and a key
// no table lists cannot be read.
//
// A new key is one X(...) line in TEMPOLA_STATS (or in a group below it):
// its name, its spelling, its kind (kCount: printed whole, kNumber: printed
// by the format, kText: one token) and, for a number, its format. Where it
// sits in the table says nothing of where it sits on the line: a line lists
// its records in the order they were added.
#pragma once

#include <cstdint>

// A series of intervals' figures under a prefix (left, display, ...).
// low1_fps is the first name of p99_fps, kept for the scripts that read it.
#define TEMPOLA_SERIES_STATS(X, P, p)                              \
    X(P##JitterMs, p "_jitter_ms", kNumber, "%.3f")                \
    X(P##Low1Fps, p "_low1_fps", kNumber, "%.2f")                  \
    X(P##WorstMs, p "_worst_ms", kNumber, "%.3f")                  \
    X(P##P99Fps, p "_p99_fps", kNumber, "%.2f")                    \
    X(P##Low1AvgFps, p "_low1_avg_fps", kNumber, "%.2f")           \
    X(P##Low1IntegralFps, p "_low1_integral_fps", kNumber, "%.2f") \
    X(P##P999Fps, p "_p999_fps", kNumber, "%.2f")                  \
    X(P##Low01AvgFps, p "_low01_avg_fps", kNumber, "%.2f")         \
    X(P##Low01IntegralFps, p "_low01_integral_fps", kNumber, "%.2f")

// One side's keys; both sides' blocks are alike, so a right key is its
// left key moved by one block (SideKey).
#define TEMPOLA_SIDE_STATS(X, S, s)                          \
    X(S##Rule, s "_rule", kText, nullptr)                    \
    X(S##Updates, s "_updates", kCount, nullptr)             \
    X(S##Target, s "_target", kNumber, "%.1f")               \
    X(S##Measured, s "_measured", kNumber, "%.2f")           \
    X(S##MeanRate, s "_mean_rate", kNumber, "%.3f")          \
    X(S##RateErrorPct, s "_rate_error_pct", kNumber, "%.3f") \
    TEMPOLA_SERIES_STATS(X, S, s)                            \
    X(S##Stutters, s "_stutters", kCount, nullptr)           \
    X(S##SeenMeanRate, s "_seen_mean_rate", kNumber, "%.3f") \
    TEMPOLA_SERIES_STATS(X, S##Seen, s "_seen")              \
    X(S##SeenStutters, s "_seen_stutters", kCount, nullptr)  \
    X(S##Motion, s "_motion", kText, nullptr)                \
    X(S##Mispredicted, s "_mispredicted", kCount, nullptr)   \
    TEMPOLA_ANIMATION_STATS(X, S, s "_")

// The animation error's figures of one stream of shown poses, of the
// absolute value (animation_error.h).
#define TEMPOLA_ANIMATION_STATS(X, P, p)                                   \
    X(P##AnimationErrorP50Ms, p "animation_error_p50_ms", kNumber, "%.3f") \
    X(P##AnimationErrorP99Ms, p "animation_error_p99_ms", kNumber, "%.3f") \
    X(P##AnimationErrorMaxMs, p "animation_error_max_ms", kNumber, "%.3f")

// What a replayed capture's rows say of one of its latencies.
#define TEMPOLA_CAPTURE_LATENCY_STATS(X, N, n)                                     \
    X(Capture##N##LatencyMeanMs, "capture_" n "_latency_mean_ms", kNumber, "%.3f") \
    X(Capture##N##LatencyP50Ms, "capture_" n "_latency_p50_ms", kNumber, "%.3f")   \
    X(Capture##N##LatencyP99Ms, "capture_" n "_latency_p99_ms", kNumber, "%.3f")

// Who made a replayed capture's frames: the application's shown rate, every
// frame's, and the frames it did not make.
#define TEMPOLA_FRAME_MAKER_STATS(X)                                   \
    X(CaptureAppRate, "capture_app_rate", kNumber, "%.2f")             \
    X(CaptureDisplayedRate, "capture_displayed_rate", kNumber, "%.2f") \
    X(CaptureGeneratedFrames, "capture_generated_frames", kCount, nullptr)

// A modelled frame generator (stats_line.h, AddFrameGenStats).
#define TEMPOLA_FRAME_GEN_STATS(X)                                    \
    X(FrameGen, "frame_gen", kNumber, "%.0f")                         \
    X(FrameGenMs, "frame_gen_ms", kNumber, "%g")                      \
    X(FrameGenFrames, "frame_gen_frames", kCount, nullptr)            \
    X(FrameGenDisplayRate, "frame_gen_display_rate", kNumber, "%.2f") \
    X(FrameGenAppRate, "frame_gen_app_rate", kNumber, "%.2f")         \
    X(FrameGenHeldMs, "frame_gen_held_ms", kNumber, "%.3f")

// A replayed capture's own animation error (lab/capture/capture_stats.h).
#define TEMPOLA_CAPTURE_ANIMATION_STATS(X)                                           \
    X(CaptureAnimationErrorP50Ms, "capture_animation_error_p50_ms", kNumber, "%.3f") \
    X(CaptureAnimationErrorP99Ms, "capture_animation_error_p99_ms", kNumber, "%.3f") \
    X(CaptureAnimationErrorSource, "capture_animation_error_source", kText, nullptr) \
    X(CaptureAnimationErrorRejected, "capture_animation_error_rejected", kCount, nullptr)

#define TEMPOLA_STATS(X)                                               \
    X(Exit, "exit", kNumber, "%.0f")                                   \
    X(Frames, "frames", kCount, nullptr)                               \
    X(Seconds, "seconds", kNumber, "%.3f")                             \
    X(Rate, "rate", kNumber, "%.2f")                                   \
    X(FirstSwapMs, "first_swap_ms", kNumber, "%.1f")                   \
    X(FirstSwapFromMainMs, "first_swap_from_main_ms", kNumber, "%.1f") \
    TEMPOLA_SIDE_STATS(X, Left, "left")                                \
    TEMPOLA_SIDE_STATS(X, Right, "right")                              \
    X(RedrawJitterMs, "redraw_jitter_ms", kNumber, "%.3f")             \
    X(RedrawStutters, "redraw_stutters", kCount, nullptr)              \
    X(VsyncAsked, "vsync_asked", kCount, nullptr)                      \
    X(VsyncTaken, "vsync_taken", kCount, nullptr)                      \
    X(DisplayHz, "display_hz", kNumber, "%g")                          \
    X(DisplaySource, "display_source", kText, nullptr)                 \
    X(DisplayRate, "display_rate", kNumber, "%.2f")                    \
    X(DisplayRefreshMs, "display_refresh_ms", kNumber, "%.3f")         \
    X(Dropped, "dropped", kCount, nullptr)                             \
    X(DisplayUnknown, "display_unknown", kCount, nullptr)              \
    X(LatchMs, "latch_ms", kNumber, "%g")                              \
    TEMPOLA_SERIES_STATS(X, Display, "display")                        \
    X(Limit, "limit", kText, nullptr)                                  \
    X(Limiter, "limiter", kText, nullptr)                              \
    X(LimitAt, "limit_at", kText, nullptr)                             \
    X(CpuPercent, "cpu_percent", kNumber, "%.1f")                      \
    X(WakeLateP50Us, "wake_late_p50_us", kNumber, "%.0f")              \
    X(WakeLateP99Us, "wake_late_p99_us", kNumber, "%.0f")              \
    X(WakeLateMaxUs, "wake_late_max_us", kNumber, "%.0f")              \
    X(DisplayLatencyP50Ms, "display_latency_p50_ms", kNumber, "%.2f")  \
    X(DisplayLatencyP99Ms, "display_latency_p99_ms", kNumber, "%.2f")  \
    X(InputLatencyP50Ms, "input_latency_p50_ms", kNumber, "%.2f")      \
    X(InputLatencyP99Ms, "input_latency_p99_ms", kNumber, "%.2f")      \
    X(Inputs, "inputs", kCount, nullptr)                               \
    TEMPOLA_ANIMATION_STATS(X, , "")                                   \
    X(CaptureGame, "capture_game", kText, nullptr)                     \
    X(CaptureCpu, "capture_cpu", kText, nullptr)                       \
    X(CaptureGpu, "capture_gpu", kText, nullptr)                       \
    X(CaptureTickHz, "capture_tick_hz", kNumber, "%.0f")               \
    TEMPOLA_CAPTURE_LATENCY_STATS(X, Input, "input")                   \
    TEMPOLA_CAPTURE_LATENCY_STATS(X, Click, "click")                   \
    TEMPOLA_CAPTURE_LATENCY_STATS(X, Pc, "pc")                         \
    TEMPOLA_CAPTURE_LATENCY_STATS(X, Display, "display")               \
    TEMPOLA_FRAME_MAKER_STATS(X)                                       \
    TEMPOLA_FRAME_GEN_STATS(X) \
    TEMPOLA_CAPTURE_ANIMATION_STATS(X)

enum class StatKey : uint16_t {
#define TEMPOLA_STAT_KEY(name, spelling, kind, format) k##name,
    TEMPOLA_STATS(TEMPOLA_STAT_KEY)
#undef TEMPOLA_STAT_KEY
        kCount
};
constexpr int kStatKeyCount = static_cast<int>(StatKey::kCount);

// A series' figures, in the order of every series' keys.
enum class SeriesFigure : uint8_t {
#define TEMPOLA_SERIES_FIGURE(name, spelling, kind, format) k##name,
    TEMPOLA_SERIES_STATS(TEMPOLA_SERIES_FIGURE, , "")
#undef TEMPOLA_SERIES_FIGURE
        kCount
};

enum class StatKind : uint8_t { kCount, kNumber, kText };

struct StatKeyInfo {
    const char* name;
    StatKind kind;
    const char* format;  // a number's printf format; null for the others
};

inline constexpr StatKeyInfo kStatKeys[kStatKeyCount] = {
#define TEMPOLA_STAT_INFO(name, spelling, kind, format) {spelling, StatKind::kind, format},
    TEMPOLA_STATS(TEMPOLA_STAT_INFO)
#undef TEMPOLA_STAT_INFO
};

constexpr const StatKeyInfo& StatInfo(StatKey key) {
    return kStatKeys[static_cast<int>(key)];
}
constexpr const char* StatName(StatKey key) {
    return StatInfo(key).name;
}

// The figure of the series whose first key is first (StatKey::kDisplayJitterMs, ...).
constexpr StatKey SeriesKey(StatKey first, SeriesFigure figure) {
    return static_cast<StatKey>(static_cast<int>(first) + static_cast<int>(figure));
}

// A left key's counterpart on side (0 left, 1 right).
constexpr StatKey SideKey(StatKey left, int side) {
    constexpr int kBlock =
        static_cast<int>(StatKey::kRightRule) - static_cast<int>(StatKey::kLeftRule);
    return static_cast<StatKey>(static_cast<int>(left) + side * kBlock);
}

static_assert(SideKey(StatKey::kLeftSeenStutters, 1) == StatKey::kRightSeenStutters,
              "the sides' blocks are alike");
static_assert(SeriesKey(StatKey::kLeftSeenJitterMs, SeriesFigure::kLow01IntegralFps) ==
                  StatKey::kLeftSeenLow01IntegralFps,
              "a series' keys follow its figures");
