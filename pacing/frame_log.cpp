#include "pacing/frame_log.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

namespace {

// Room kept free for one row. The widest row, every number at the far end of
// a double (over 300 digits under %f), takes about 2.6 KB; a normal one 60
// bytes. With this much free a row always fits whole.
constexpr size_t kRowRoom = 4096;
// Sample time between writes, so that a killed program loses at most this.
constexpr double kFlushEvery = 1.0;

const char kHeader[] =
    "TimeInSeconds,MsBetweenPresents,LeftUpdated,LeftMsBetweenUpdates,LeftTarget,LeftRule,"
    "RightUpdated,RightMsBetweenUpdates,RightTarget,RightRule";

void Fail(FrameLog& log, int error) {
    std::fprintf(stderr, "frame log: write failed: %s; logging stopped\n", std::strerror(error));
    log.failed = true;
    log.used = 0;
}

// Appends to the buffer; false (and nothing appended) when it would not fit.
bool Append(FrameLog& log, const char* format, ...) __attribute__((format(printf, 2, 3)));

bool Append(FrameLog& log, const char* format, ...) {
    const size_t room = kFrameLogBuffer - log.used;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(log.buffer + log.used, room, format, args);
    va_end(args);
    if (n < 0 || static_cast<size_t>(n) >= room)
        return false;
    log.used += static_cast<size_t>(n);
    return true;
}

bool AppendSide(FrameLog& log, const SideSample& side) {
    if (side.updated)
        return Append(log, ",1,%.4f,%.1f,%s", side.elapsed * 1000.0, side.target,
                      PaceRuleName(side.rule));
    return Append(log, ",0,,%.1f,%s", side.target, PaceRuleName(side.rule));
}

bool AppendSeen(FrameLog& log, double ms) {
    return ms >= 0.0 ? Append(log, ",%.4f", ms) : Append(log, ",");
}

}  // namespace

bool OpenFrameLog(FrameLog& log, const char* path, bool withSeen, char* error, size_t errorSize) {
    log.file = nullptr;
    log.withSeen = withSeen;
    log.failed = false;
    log.started = false;
    log.firstFrame = 0.0;
    log.previousFrame = 0.0;
    log.lastFlush = 0.0;
    log.used = 0;

    std::FILE* file = path != nullptr ? std::fopen(path, "w") : nullptr;
    if (file == nullptr) {
        const int cause = path != nullptr ? errno : EINVAL;
        if (error != nullptr && errorSize > 0)
            std::snprintf(error, errorSize, "cannot open frame log '%s': %s",
                          path != nullptr ? path : "", std::strerror(cause));
        return false;
    }
    log.file = file;
    Append(log, "%s%s\n", kHeader, withSeen ? ",LeftSeenMs,RightSeenMs" : "");
    // Out at once: a run killed early still leaves a file that names its
    // columns, and a disk that cannot take it says so before the first frame.
    FlushFrameLog(log);
    return true;
}

void LogFrame(FrameLog& log, const FrameSample& sample, const double* seenMs) {
    if (log.file == nullptr || log.failed)
        return;
    if (!log.started) {
        log.started = true;
        log.firstFrame = sample.seconds;
        log.previousFrame = sample.seconds;
        log.lastFlush = sample.seconds;
    }

    // Built in place and kept only when whole, so the buffer holds whole rows.
    const size_t rowStart = log.used;
    bool whole = Append(log, "%.7f,%.4f", sample.seconds - log.firstFrame,
                        (sample.seconds - log.previousFrame) * 1000.0) &&
                 AppendSide(log, sample.left) && AppendSide(log, sample.right);
    if (whole && log.withSeen) {
        whole = AppendSeen(log, seenMs != nullptr ? seenMs[0] : -1.0) &&
                AppendSeen(log, seenMs != nullptr ? seenMs[1] : -1.0);
    }
    whole = whole && Append(log, "\n");
    if (!whole)
        log.used = rowStart;
    log.previousFrame = sample.seconds;

    // Also when the sample clock steps back, which would otherwise put off
    // the next timed write until it caught up again.
    const double sinceFlush = sample.seconds - log.lastFlush;
    if (kFrameLogBuffer - log.used < kRowRoom || !(sinceFlush < kFlushEvery) || sinceFlush < 0.0) {
        log.lastFlush = sample.seconds;
        FlushFrameLog(log);
    }
}

bool FlushFrameLog(FrameLog& log) {
    if (log.file == nullptr || log.failed)
        return !log.failed;
    if (log.used > 0 && std::fwrite(log.buffer, 1, log.used, log.file) != log.used) {
        Fail(log, errno);
        return false;
    }
    log.used = 0;
    // Past the C library's own buffer too, so that what was written survives
    // the program being killed.
    if (std::fflush(log.file) != 0) {
        Fail(log, errno);
        return false;
    }
    return true;
}

bool CloseFrameLog(FrameLog& log) {
    if (log.file == nullptr)
        return !log.failed;
    FlushFrameLog(log);
    const bool closed = std::fclose(log.file) == 0;
    const int cause = errno;
    log.file = nullptr;
    if (!closed && !log.failed)
        Fail(log, cause);
    return !log.failed;
}

bool FrameLogOpen(const FrameLog& log) {
    return log.file != nullptr;
}

bool FrameLogFailed(const FrameLog& log) {
    return log.failed;
}
