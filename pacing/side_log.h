// One capture per side: a CSV row per update of that side, in the same
// present-monitor shape as the frame log, so that an analyser, which keeps
// one swap chain per file, opens each rotor's cadence on its own:
//
//   Application, ProcessID, SwapChainAddress, Runtime, SyncInterval,
//   PresentFlags, Dropped, TimeInSeconds, MsBetweenPresents,
//   MsBetweenDisplayChange, MsUntilDisplayed, Rule, Target
//
// MsBetweenPresents is the update's interval as the pacer saw it;
// MsBetweenDisplayChange is the seen interval of its pose and
// MsUntilDisplayed the time from its redraw to the first display of that
// pose, where known. Dropped is 1 when no redraw with the pose was shown
// before the next update replaced it. An update's row waits until that is
// decided, so rows come in update order but one update late.
#pragma once

#include <cstdint>

#include "pacing/frame_log.h"

struct SideLog {
    CsvOut out;
    int side;  // 0 left, 1 right
    char application[32];
    long processId;
    int syncInterval;
    bool started;
    double firstFrame;
    // The latest update, not yet written.
    bool pending;
    bool pendingUnknown;  // a redraw with its pose had no known outcome
    double pendingSeconds;
    double pendingMs;
    double pendingTarget;
    PaceRule pendingRule;
};

// Opens PREFIX-left.csv and PREFIX-right.csv. False with a message when
// either cannot be opened; then neither is left open.
bool OpenSideLogs(SideLog* logs, const char* prefix, const CaptureIdentity& who, char* error,
                  size_t errorSize);
// Every redraw in order, with what the display did with it.
void LogSides(SideLog* logs, const FrameSample& sample, const FrameDisplay& display);
// Both logs as a run's sink: LogSides for every settled redraw.
FrameSink SideLogSink(SideLog* logs);
// Writes the last pending updates and closes both; false when a write failed.
bool CloseSideLogs(SideLog* logs);
bool SideLogsOpen(const SideLog* logs);
bool SideLogsFailed(const SideLog* logs);
