#include "pacing/frame_log.h"

#include <cmath>
#include <cstdio>

namespace {

// The header line, joined from the column table when compiled.
struct HeaderText {
    char text[512];
};

constexpr HeaderText JoinColumns() {
    HeaderText header{};
    size_t used = 0;
    for (int i = 0; i < kFrameLogColumnCount; ++i) {
        if (i > 0)
            header.text[used++] = ',';
        for (const char* c = kFrameLogColumns[i]; *c != '\0'; ++c)
            header.text[used++] = *c;
    }
    return header;
}

constexpr HeaderText kHeader = JoinColumns();
static_assert(kHeader.text[sizeof kHeader.text - 1] == '\0', "the header fits its buffer");

void AppendSide(CsvOut& out, const SideSample& side) {
    if (side.updated)
        AppendCsv(out, ",1,%.4f,%.1f,%s", side.elapsed * 1000.0, side.target,
                  PaceRuleName(side.rule));
    else
        AppendCsv(out, ",0,,%.1f,%s", side.target, PaceRuleName(side.rule));
}

// A value of either sign; empty when it is not a number.
void AppendSignedMs(CsvOut& out, double ms) {
    if (std::isfinite(ms))
        AppendCsv(out, ",%.4f", ms);
    else
        AppendCsv(out, ",");
}

}  // namespace

int DroppedCell(FrameFate fate) {
    return fate == FrameFate::kDropped ? 1 : fate == FrameFate::kShown ? 0 : -1;
}

FrameFate FateOfDroppedCell(int cell) {
    return cell == 1 ? FrameFate::kDropped : cell == 0 ? FrameFate::kShown : FrameFate::kUnknown;
}

const char* FrameLogHeader() {
    return kHeader.text;
}

bool OpenFrameLog(FrameLog& log, const char* path, const CaptureIdentity& who, char* error,
                  size_t errorSize) {
    std::snprintf(log.application, sizeof log.application, "%s",
                  who.application != nullptr ? who.application : "");
    log.processId = who.processId;
    log.syncInterval = who.syncInterval;
    log.started = false;
    log.firstFrame = 0.0;
    log.previousFrame = 0.0;
    return OpenCsv(log.out, path, "frame log", kHeader.text, error, errorSize);
}

FrameSink FrameLogSink(FrameLog& log) {
    return FrameSink{[](void* user, const FrameSample& sample, const FrameDisplay& display) {
                         // The log has no column to say who made a frame:
                         // a generated one replayed from it would reach the
                         // pacers as the application's. It keeps the
                         // application's frames only.
                         if (!sample.generated)
                             LogFrame(*static_cast<FrameLog*>(user), sample, display);
                     },
                     &log};
}

void LogFrame(FrameLog& log, const FrameSample& sample, const FrameDisplay& display) {
    CsvOut& out = log.out;
    if (out.file == nullptr || out.failed)
        return;
    const bool first = !log.started;
    if (first) {
        log.started = true;
        log.firstFrame = sample.seconds;
        log.previousFrame = sample.seconds;
    }
    const double betweenMs = (sample.seconds - log.previousFrame) * 1000.0;
    BeginCsvRow(out);
    // The swap chain is the window's one; the runtime is the API it presents
    // through; no present flags are ever asked for.
    AppendCsv(out, "%s,%ld,0,OpenGL,%d,0,", log.application, log.processId, log.syncInterval);
    const int dropped = DroppedCell(display.fate);
    if (dropped >= 0)
        AppendCsv(out, "%d", dropped);
    AppendCsv(out, ",%.7f,%.4f", sample.seconds - log.firstFrame, betweenMs);
    AppendCsvMs(out, display.betweenMs);
    AppendCsvMs(out, display.untilMs);
    AppendCsv(out, ",%u", static_cast<unsigned>(sample.clockMs));
    AppendSide(out, sample.left);
    AppendSide(out, sample.right);
    AppendCsvMs(out, display.seenMs[0]);
    AppendCsvMs(out, display.seenMs[1]);
    // The frame's time is the one between its present and the previous one,
    // which the first row has not got.
    const double waitMs = sample.work.waitMs;
    const double busyMs = betweenMs > waitMs ? betweenMs - waitMs : 0.0;
    AppendCsvMs(out, waitMs >= 0.0 && !first ? busyMs : -1.0);
    AppendCsvMs(out, waitMs);
    AppendCsvMs(out, display.inputMs);
    AppendCsvMs(out, display.latencyMs);
    if (display.flags >= 0)
        AppendCsv(out, ",%d", static_cast<int>(display.flags));
    else
        AppendCsv(out, ",");
    AppendSignedMs(out, display.animationErrorMs);
    AppendSignedMs(out, display.animationTimeMs);
    AppendSignedMs(out, display.sideAnimationErrorMs[0]);
    AppendSignedMs(out, display.sideAnimationErrorMs[1]);
    AppendSignedMs(out, display.sideAnimationTimeMs[0]);
    AppendSignedMs(out, display.sideAnimationTimeMs[1]);
    EndCsvRow(out, sample.seconds);
    log.previousFrame = sample.seconds;
}

bool FlushFrameLog(FrameLog& log) {
    return FlushCsv(log.out);
}

bool CloseFrameLog(FrameLog& log) {
    return CloseCsv(log.out);
}

bool FrameLogOpen(const FrameLog& log) {
    return CsvOpen(log.out);
}

bool FrameLogFailed(const FrameLog& log) {
    return log.out.failed;
}
