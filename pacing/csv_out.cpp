#include "pacing/csv_out.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

namespace {

// Room kept free for one row. The widest row, every number at the far end of
// a double (over 300 digits under %f), takes a few KB; a normal one 100
// bytes. With this much free a row always fits whole.
constexpr size_t kRowRoom = 8192;
// Row time between writes, so that a killed program loses at most this.
constexpr double kFlushEvery = 1.0;

void Fail(CsvOut& out, int error) {
    std::fprintf(stderr, "%s: write failed: %s; logging stopped\n", out.what, std::strerror(error));
    out.failed = true;
    out.used = 0;
}

}  // namespace

bool OpenCsv(CsvOut& out, const char* path, const char* what, const char* header, char* error,
             size_t errorSize) {
    out.file = nullptr;
    out.what = what;
    out.failed = false;
    out.timed = false;
    out.lastFlush = 0.0;
    out.used = 0;
    out.rowStart = 0;
    out.rowWhole = true;
    std::FILE* file = path != nullptr ? std::fopen(path, "w") : nullptr;
    if (file == nullptr) {
        const int cause = path != nullptr ? errno : EINVAL;
        if (error != nullptr && errorSize > 0)
            std::snprintf(error, errorSize, "cannot open %s '%s': %s", what,
                          path != nullptr ? path : "", std::strerror(cause));
        return false;
    }
    out.file = file;
    BeginCsvRow(out);
    AppendCsv(out, "%s\n", header);
    // Out at once: a run killed early still leaves a file that names its
    // columns, and a disk that cannot take it says so before the first frame.
    FlushCsv(out);
    return true;
}

void BeginCsvRow(CsvOut& out) {
    out.rowStart = out.used;
    out.rowWhole = true;
}

void AppendCsv(CsvOut& out, const char* format, ...) {
    if (!out.rowWhole)
        return;
    const size_t room = kCsvBuffer - out.used;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(out.buffer + out.used, room, format, args);
    va_end(args);
    if (n < 0 || static_cast<size_t>(n) >= room) {
        out.rowWhole = false;
        return;
    }
    out.used += static_cast<size_t>(n);
}

void AppendCsvMs(CsvOut& out, double ms) {
    if (ms >= 0.0)
        AppendCsv(out, ",%.4f", ms);
    else
        AppendCsv(out, ",");
}

void EndCsvRow(CsvOut& out, double seconds) {
    AppendCsv(out, "\n");
    if (!out.rowWhole)
        out.used = out.rowStart;
    if (!out.timed) {
        out.timed = true;
        out.lastFlush = seconds;
    }
    // Also when the row time steps back, which would otherwise put off the
    // next timed write until it caught up again.
    const double sinceFlush = seconds - out.lastFlush;
    if (kCsvBuffer - out.used < kRowRoom || !(sinceFlush < kFlushEvery) || sinceFlush < 0.0) {
        out.lastFlush = seconds;
        FlushCsv(out);
    }
}

bool FlushCsv(CsvOut& out) {
    if (out.file == nullptr || out.failed)
        return !out.failed;
    if (out.used > 0 && std::fwrite(out.buffer, 1, out.used, out.file) != out.used) {
        Fail(out, errno);
        return false;
    }
    out.used = 0;
    // Past the C library's own buffer too, so that what was written survives
    // the program being killed.
    if (std::fflush(out.file) != 0) {
        Fail(out, errno);
        return false;
    }
    return true;
}

bool CloseCsv(CsvOut& out) {
    if (out.file == nullptr)
        return !out.failed;
    FlushCsv(out);
    const bool closed = std::fclose(out.file) == 0;
    const int cause = errno;
    out.file = nullptr;
    if (!closed && !out.failed)
        Fail(out, cause);
    return !out.failed;
}
