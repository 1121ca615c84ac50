#include "pacing/side_log.h"

#include <cstdio>

namespace {

const char kHeader[] =
    "Application,ProcessID,SwapChainAddress,Runtime,SyncInterval,PresentFlags,Dropped,"
    "TimeInSeconds,MsBetweenPresents,MsBetweenDisplayChange,MsUntilDisplayed,Rule,Target";
const char* const kSideNames[2] = {"left", "right"};

void WritePending(SideLog& log, int dropped, double seenMs, double untilMs) {
    CsvOut& out = log.out;
    log.pending = false;
    if (out.file == nullptr || out.failed)
        return;
    BeginCsvRow(out);
    AppendCsv(out, "%s,%ld,0,OpenGL,%d,0,", log.application, log.processId, log.syncInterval);
    if (dropped >= 0)
        AppendCsv(out, "%d", dropped);
    AppendCsv(out, ",%.7f,%.4f", log.pendingSeconds - log.firstFrame, log.pendingMs);
    AppendCsvMs(out, seenMs);
    AppendCsvMs(out, untilMs);
    AppendCsv(out, ",%s,%.1f", PaceRuleName(log.pendingRule), log.pendingTarget);
    EndCsvRow(out, log.pendingSeconds);
}

void LogSide(SideLog& log, const FrameSample& sample, const SideSample& side,
             const FrameDisplay& display) {
    if (!log.started) {
        log.started = true;
        log.firstFrame = sample.seconds;
    }
    if (side.updated) {
        // Replaced before any redraw with its pose was shown.
        if (log.pending)
            WritePending(log, log.pendingUnknown ? -1 : 1, -1.0, -1.0);
        log.pending = true;
        log.pendingUnknown = false;
        log.pendingSeconds = sample.seconds;
        log.pendingMs = side.elapsed * 1000.0;
        log.pendingTarget = side.target;
        log.pendingRule = side.rule;
    }
    if (!log.pending)
        return;
    if (display.fate == FrameFate::kShown && display.untilMs >= 0.0) {
        const double shownAt = sample.seconds + display.untilMs * 0.001;
        WritePending(log, 0, display.seenMs[log.side], (shownAt - log.pendingSeconds) * 1000.0);
    } else if (display.fate == FrameFate::kUnknown) {
        log.pendingUnknown = true;
    }
}

}  // namespace

bool OpenSideLogs(SideLog* logs, const char* prefix, const CaptureIdentity& who, char* error,
                  size_t errorSize) {
    for (int side = 0; side < 2; ++side) {
        SideLog& log = logs[side];
        log.side = side;
        std::snprintf(log.application, sizeof log.application, "%s",
                      who.application != nullptr ? who.application : "");
        log.processId = who.processId;
        log.syncInterval = who.syncInterval;
        log.started = false;
        log.pending = false;
        char path[4096];
        const int n = std::snprintf(path, sizeof path, "%s-%s.csv", prefix != nullptr ? prefix : "",
                                    kSideNames[side]);
        const bool named =
            prefix != nullptr && *prefix != '\0' && n > 0 && static_cast<size_t>(n) < sizeof path;
        if (!OpenCsv(log.out, named ? path : nullptr, "side log", kHeader, error, errorSize)) {
            if (side == 1)
                CloseCsv(logs[0].out);
            return false;
        }
    }
    return true;
}

FrameSink SideLogSink(SideLog* logs) {
    return FrameSink{[](void* user, const FrameSample& sample, const FrameDisplay& display) {
                         LogSides(static_cast<SideLog*>(user), sample, display);
                     },
                     logs};
}

void LogSides(SideLog* logs, const FrameSample& sample, const FrameDisplay& display) {
    LogSide(logs[0], sample, sample.left, display);
    LogSide(logs[1], sample, sample.right, display);
}

bool CloseSideLogs(SideLog* logs) {
    bool ok = true;
    for (int side = 0; side < 2; ++side) {
        if (logs[side].pending && CsvOpen(logs[side].out))
            WritePending(logs[side], -1, -1.0, -1.0);
        ok = CloseCsv(logs[side].out) && ok;
    }
    return ok;
}

bool SideLogsOpen(const SideLog* logs) {
    return CsvOpen(logs[0].out);
}

bool SideLogsFailed(const SideLog* logs) {
    return logs[0].out.failed || logs[1].out.failed;
}
