// The frame log: CSV, a header line, then one row per redraw, in the shape
// frame-time analysers open (their first eleven columns, as a present
// monitor writes them), then the program's own columns; kFrameLogColumns
// below names them all, in order, for the writer and for replay's reader.
//
// A cell whose value is not known is empty. Rows go through a fixed buffer:
// no allocation per row. A failed write is reported once and logging stops;
// the log remembers it (FrameLogFailed) so that the program can exit with a
// code that says the record is incomplete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "pacing/cadence.h"
#include "pacing/csv_out.h"
#include "pacing/frame_fate.h"
#include "pacing/frame_sink.h"

// The log's columns, in the order they are written.
enum FrameLogColumn : uint8_t {
    // As a present monitor writes them.
    kLogApplication,
    kLogProcessId,
    kLogSwapChain,
    kLogRuntime,
    kLogSyncInterval,
    kLogPresentFlags,
    kLogDropped,
    kLogTime,
    kLogBetweenPresents,
    kLogBetweenDisplayChange,
    kLogUntilDisplayed,
    // The program's own.
    kLogPacerClock,
    kLogLeftUpdated,
    kLogLeftBetweenUpdates,
    kLogLeftTarget,
    kLogLeftRule,
    kLogRightUpdated,
    kLogRightBetweenUpdates,
    kLogRightTarget,
    kLogRightRule,
    kLogLeftSeen,
    kLogRightSeen,
    // Named as the present monitor's 2.x columns of the same meaning, from
    // the sample's FrameWork and the display's word; empty where not measured
    // (the simulator without a limit, no display times). Busy is the frame's present interval
    // less the limiter's wait; the flags are wp_presentation's kind bits of a
    // shown redraw (1 vsync, 2 hw_clock, 4 hw_completion, 8 zero_copy).
    kLogCpuBusy,
    kLogCpuWait,
    kLogInputToPhoton,
    kLogDisplayLatency,
    kLogPresentationFlags,
    // The present monitor's 2.x animation columns, then each side's, so that
    // every error can be recomputed from the rows (shown_animation.h).
    kLogAnimationError,
    kLogAnimationTime,
    kLogLeftAnimationError,
    kLogRightAnimationError,
    kLogLeftAnimationTime,
    kLogRightAnimationTime,
    kFrameLogColumnCount
};
inline constexpr const char* kFrameLogColumns[kFrameLogColumnCount] = {
    "Application",
    "ProcessID",
    "SwapChainAddress",
    "Runtime",
    "SyncInterval",
    "PresentFlags",
    "Dropped",
    "TimeInSeconds",
    "MsBetweenPresents",
    "MsBetweenDisplayChange",
    "MsUntilDisplayed",
    "PacerClockMs",
    "LeftUpdated",
    "LeftMsBetweenUpdates",
    "LeftTarget",
    "LeftRule",
    "RightUpdated",
    "RightMsBetweenUpdates",
    "RightTarget",
    "RightRule",
    "LeftSeenMs",
    "RightSeenMs",
    "MsCPUBusy",
    "MsCPUWait",
    "MsAllInputToPhotonLatency",
    "MsDisplayLatency",
    "PresentationFlags",
    "MsAnimationError",
    "AnimationTime",
    "LeftMsAnimationError",
    "RightMsAnimationError",
    "LeftAnimationTime",
    "RightAnimationTime",
};

// A signed cell's value when the cell is empty.
constexpr double kEmptyCell = std::numeric_limits<double>::quiet_NaN();

// What the display did with one redraw, as far as it is known.
struct FrameDisplay {
    FrameFate fate;    // shown, dropped or unknown
    double untilMs;    // swap to display; negative when not shown or not known
    double betweenMs;  // since the previous shown redraw's display time; likewise
    double seenMs[2];  // left, right: see seen.h; negative for an empty cell
    int32_t flags;     // shown: the display's word on its time (wp_presentation's
                       // kind bits); negative for an empty cell
    double latencyMs;  // shown: from the clock reading that set its poses to
                       // its display time; negative for an empty cell
    double inputMs;    // the first shown redraw after a key press: from the
                       // press to its display time; negative for an empty cell
    // On the row of the redraw whose display showed a new pose: its error and
    // its time (shown_animation.h), of the redraws' frame starts and of each
    // side's poses (left, right); kEmptyCell elsewhere.
    double animationErrorMs = kEmptyCell;
    double animationTimeMs = kEmptyCell;
    double sideAnimationErrorMs[2] = {kEmptyCell, kEmptyCell};
    double sideAnimationTimeMs[2] = {kEmptyCell, kEmptyCell};
};
constexpr FrameDisplay kUnknownDisplay = {FrameFate::kUnknown, -1.0, -1.0, {-1.0, -1.0},
                                          -1,                  -1.0, -1.0};

// The first columns' constants: who made the capture.
struct CaptureIdentity {
    const char* application;  // "tempola", "tempola-sim"
    long processId;
    int syncInterval;  // the swap interval asked for; may change while logging
};

struct FrameLog {
    CsvOut out;
    char application[32];
    long processId;
    int syncInterval;  // written on every row: V changes it while running
    bool started;
    double firstFrame;
    double previousFrame;
};

bool OpenFrameLog(FrameLog& log, const char* path, const CaptureIdentity& who, char* error,
                  size_t errorSize);
// One row. Flushes at least once a second of sample time.
void LogFrame(FrameLog& log, const FrameSample& sample, const FrameDisplay& display);
// The log as a run's sink: LogFrame for every settled redraw.
FrameSink FrameLogSink(FrameLog& log);
bool FlushFrameLog(FrameLog& log);
bool CloseFrameLog(FrameLog& log);
bool FrameLogOpen(const FrameLog& log);
bool FrameLogFailed(const FrameLog& log);

// The frame log's header line, without its newline.
const char* FrameLogHeader();
