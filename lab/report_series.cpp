#include "lab/report_series.h"

#include <cstdlib>
#include <cstring>

#include "pacing/frame_log.h"

void ResetThinned(ThinnedSeries& s) {
    s.count = 0;
    s.width = 1;
    s.inLast = 0;
    s.total = 0;
}

namespace {

void Merge(ThinBucket& into, const ThinBucket& b) {
    if (b.min < into.min) {
        into.min = b.min;
        into.minAt = b.minAt;
    }
    if (b.max > into.max) {
        into.max = b.max;
        into.maxAt = b.maxAt;
    }
}

}  // namespace

void AddThinned(ThinnedSeries& s, double at, double ms) {
    s.total += 1;
    if (s.count > 0 && s.inLast < s.width) {
        Merge(s.bucket[s.count - 1], ThinBucket{at, ms, at, ms});
        s.inLast += 1;
        return;
    }
    if (s.count == kDrawBuckets) {
        // Every bucket full: pairs become one, twice as wide.
        for (int i = 0; i < kDrawBuckets / 2; ++i) {
            s.bucket[i] = s.bucket[2 * i];
            Merge(s.bucket[i], s.bucket[2 * i + 1]);
        }
        s.count = kDrawBuckets / 2;
        s.width *= 2;
    }
    s.bucket[s.count++] = ThinBucket{at, ms, at, ms};
    s.inLast = 1;
}

void ResetDrawn(DrawnSeries& s) {
    ResetThinned(s.thin);
    ResetStutters(s.stutters);
    s.marks = 0;
}

namespace {

void Mark(DrawnSeries& s, const StutterVerdict& v) {
    if (v.stutter && s.marks < kMostStutterMarks)
        s.mark[s.marks++] = s.recent[v.index % kStutterWindow];
}

}  // namespace

void AddDrawn(DrawnSeries& s, double at, double ms) {
    AddThinned(s.thin, at, ms);
    s.recent[s.stutters.added % kStutterWindow] = StutterMark{at, ms};
    Mark(s, AddStutterInterval(s.stutters, ms));
}

void FinishDrawn(DrawnSeries& s) {
    for (StutterVerdict v = FlushStutters(s.stutters); v.decided; v = FlushStutters(s.stutters))
        Mark(s, v);
}

namespace {

// The log's columns this reads, by their place in its header.
enum LogCell {
    kCellTime = 7,
    kCellBetween = 8,
    kCellLeftUpdated = 12,
    kCellLeftMs = 13,
    kCellRightUpdated = 16,
    kCellRightMs = 17,
    kCellLeftSeen = 20,
    kCellRightSeen = 21,
    kLogCells = 22,
};

bool Number(const char* cell, double* value) {
    char* end = nullptr;
    *value = std::strtod(cell, &end);
    return end != cell && (*end == ',' || *end == '\n' || *end == '\0');
}

}  // namespace

bool ReadLogSeries(std::FILE* in, DrawnSeries* series, char* error, size_t errorSize) {
    for (int i = 0; i < kDrawnKinds; ++i)
        ResetDrawn(series[i]);
    char line[1024];
    const size_t headerSize = std::strlen(FrameLogHeader());
    if (std::fgets(line, sizeof line, in) == nullptr ||
        std::strncmp(line, FrameLogHeader(), headerSize) != 0 || line[headerSize] != '\n') {
        std::snprintf(error, errorSize, "the run's frame log does not begin with its header");
        return false;
    }
    const char* cell[kLogCells];
    bool started[2] = {false, false};
    for (uint64_t row = 0; std::fgets(line, sizeof line, in) != nullptr; ++row) {
        int n = 0;
        cell[n++] = line;
        for (char* p = line; *p != '\0' && n < kLogCells; ++p)
            if (*p == ',')
                cell[n++] = p + 1;
        double at = 0.0;
        if (n < kLogCells || !Number(cell[kCellTime], &at)) {
            std::snprintf(error, errorSize, "row %llu of the run's frame log is not whole",
                          static_cast<unsigned long long>(row + 2));
            return false;
        }
        double ms = 0.0;
        // The first row has no redraw before it, and a side's first update
        // no update before it: as the figures count them.
        if (row > 0 && Number(cell[kCellBetween], &ms))
            AddDrawn(series[kDrawnRedraw], at, ms);
        const int updated[2] = {kCellLeftUpdated, kCellRightUpdated};
        const int interval[2] = {kCellLeftMs, kCellRightMs};
        const int seen[2] = {kCellLeftSeen, kCellRightSeen};
        for (int side = 0; side < 2; ++side) {
            if (cell[updated[side]][0] == '1') {
                if (started[side] && Number(cell[interval[side]], &ms))
                    AddDrawn(series[kDrawnLeft + side], at, ms);
                started[side] = true;
            }
            if (Number(cell[seen[side]], &ms))
                AddDrawn(series[kDrawnLeftSeen + side], at, ms);
        }
    }
    if (std::ferror(in)) {
        std::snprintf(error, errorSize, "reading the run's frame log back failed");
        return false;
    }
    for (int i = 0; i < kDrawnKinds; ++i)
        FinishDrawn(series[i]);
    return true;
}
