// The frame log: CSV, a header line, then one row per redraw. The first two
// columns carry the names frame-time analysers read.
//
//   TimeInSeconds, MsBetweenPresents,
//   LeftUpdated, LeftMsBetweenUpdates, LeftTarget, LeftRule,
//   RightUpdated, RightMsBetweenUpdates, RightTarget, RightRule
//   [, LeftSeenMs, RightSeenMs   when a display is modelled]
//
// Rows go through a fixed buffer: no allocation per row. A failed write is
// reported once and logging stops; the log remembers it (Failed) so that the
// program can exit with a code that says the record is incomplete.
#pragma once

#include <cstddef>
#include <cstdio>

#include "pacing/cadence.h"

constexpr size_t kFrameLogBuffer = 64 * 1024;

struct FrameLog {
    std::FILE* file;
    bool withSeen;
    bool failed;
    bool started;
    double firstFrame;
    double previousFrame;
    double lastFlush;
    size_t used;
    char buffer[kFrameLogBuffer];
};

// Opens (truncates) path and writes the header. False with a message in
// error (errorSize bytes) when the file cannot be opened.
bool OpenFrameLog(FrameLog& log, const char* path, bool withSeen, char* error, size_t errorSize);
// One row; seenMs[2] (left, right) only when opened withSeen, negative for an
// empty cell. Flushes at least once a second of sample time.
void LogFrame(FrameLog& log, const FrameSample& sample, const double* seenMs);
// Writes out what is buffered. False once any write has failed.
bool FlushFrameLog(FrameLog& log);
// Flushes and closes; false when any write failed. Safe to call twice.
bool CloseFrameLog(FrameLog& log);
bool FrameLogOpen(const FrameLog& log);
bool FrameLogFailed(const FrameLog& log);
