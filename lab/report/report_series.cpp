#include "lab/report/report_series.h"

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

void StartCollecting(SeriesCollector& c, DrawnSeries* series) {
    c = SeriesCollector{series, false, 0.0, 0.0, {false, false}};
    for (int i = 0; i < kDrawnKinds; ++i)
        ResetDrawn(series[i]);
}

void CollectFrame(SeriesCollector& c, const FrameSample& sample, const FrameDisplay& display) {
    if (!c.started) {
        c.started = true;
        c.first = sample.seconds;
    } else {
        AddDrawn(c.series[kDrawnRedraw], sample.seconds - c.first,
                 (sample.seconds - c.previous) * 1000.0);
    }
    c.previous = sample.seconds;
    const double at = sample.seconds - c.first;
    const SideSample* sides[2] = {&sample.left, &sample.right};
    for (int side = 0; side < 2; ++side) {
        if (sides[side]->updated) {
            if (c.sideStarted[side])
                AddDrawn(c.series[kDrawnLeft + side], at, sides[side]->elapsed * 1000.0);
            c.sideStarted[side] = true;
        }
        if (display.seenMs[side] >= 0.0)
            AddDrawn(c.series[kDrawnLeftSeen + side], at, display.seenMs[side]);
    }
}

void FinishCollecting(SeriesCollector& c) {
    for (int i = 0; i < kDrawnKinds; ++i)
        FinishDrawn(c.series[i]);
}

namespace {

// The log's columns this reads, by their place in its header.
enum LogCell {
    kCellTime = 7,
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
    SeriesCollector collector;
    StartCollecting(collector, series);
    char line[1024];
    const size_t headerSize = std::strlen(FrameLogHeader());
    if (std::fgets(line, sizeof line, in) == nullptr ||
        std::strncmp(line, FrameLogHeader(), headerSize) != 0 || line[headerSize] != '\n') {
        std::snprintf(error, errorSize, "the run's frame log does not begin with its header");
        return false;
    }
    const char* cell[kLogCells];
    for (uint64_t row = 2; std::fgets(line, sizeof line, in) != nullptr; ++row) {
        int n = 0;
        cell[n++] = line;
        for (char* p = line; *p != '\0' && n < kLogCells; ++p)
            if (*p == ',')
                cell[n++] = p + 1;
        FrameSample sample{};
        FrameDisplay display = kUnknownDisplay;
        if (n < kLogCells || !Number(cell[kCellTime], &sample.seconds)) {
            std::snprintf(error, errorSize, "row %llu of the run's frame log is not whole",
                          static_cast<unsigned long long>(row));
            return false;
        }
        const int updated[2] = {kCellLeftUpdated, kCellRightUpdated};
        const int interval[2] = {kCellLeftMs, kCellRightMs};
        const int seen[2] = {kCellLeftSeen, kCellRightSeen};
        SideSample* sides[2] = {&sample.left, &sample.right};
        for (int side = 0; side < 2; ++side) {
            double ms = 0.0;
            sides[side]->updated =
                cell[updated[side]][0] == '1' && Number(cell[interval[side]], &ms);
            sides[side]->elapsed = ms * 0.001;
            if (!Number(cell[seen[side]], &display.seenMs[side]))
                display.seenMs[side] = -1.0;
        }
        CollectFrame(collector, sample, display);
    }
    if (std::ferror(in)) {
        std::snprintf(error, errorSize, "reading the run's frame log back failed");
        return false;
    }
    FinishCollecting(collector);
    return true;
}
