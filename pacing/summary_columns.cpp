#include "pacing/summary_columns.h"

#include <cstdio>

#include "pacing/stats_line.h"

namespace {

// A series figure's key without its series' prefix: "_p99_fps" -> "p99_fps".
const char* FigureName(SeriesFigure figure) {
    return StatName(SeriesKey(StatKey::kDisplayJitterMs, figure)) + sizeof "display";
}

}  // namespace

const char* SummaryColumnName(SummaryColumn column) {
    switch (column) {
    case SummaryColumn::kFile: return "file";
    case SummaryColumn::kFormat: return "format";
    case SummaryColumn::kApplication: return "application";
    case SummaryColumn::kFrames: return StatName(StatKey::kFrames);
    case SummaryColumn::kSeconds: return StatName(StatKey::kSeconds);
    case SummaryColumn::kRate: return StatName(StatKey::kRate);
    case SummaryColumn::kRedrawJitterMs: return StatName(StatKey::kRedrawJitterMs);
    case SummaryColumn::kP99Fps: return FigureName(SeriesFigure::kP99Fps);
    case SummaryColumn::kLow1AvgFps: return FigureName(SeriesFigure::kLow1AvgFps);
    case SummaryColumn::kStutters: return StatName(StatKey::kLeftStutters) + sizeof "left";
    case SummaryColumn::kDisplayRate: return StatName(StatKey::kDisplayRate);
    case SummaryColumn::kDisplayLatencyP50Ms: return StatName(StatKey::kDisplayLatencyP50Ms);
    case SummaryColumn::kAnimationErrorP99Ms: return StatName(StatKey::kAnimationErrorP99Ms);
    case SummaryColumn::kError: return "error";
    case SummaryColumn::kCount: break;
    }
    return "";
}

namespace {

// The record a figure column shows; kCount for none.
StatKey ColumnKey(const StatRecords& records, SummaryColumn column) {
    switch (column) {
    case SummaryColumn::kFrames: return StatKey::kFrames;
    case SummaryColumn::kSeconds: return StatKey::kSeconds;
    case SummaryColumn::kRate: return StatKey::kRate;
    case SummaryColumn::kRedrawJitterMs: return StatKey::kRedrawJitterMs;
    case SummaryColumn::kStutters: return StatKey::kRedrawStutters;
    case SummaryColumn::kDisplayRate: return StatKey::kDisplayRate;
    case SummaryColumn::kDisplayLatencyP50Ms: {
        // What the capture measured wins over the limiter model's figure.
        const StatRecord* own = FindStat(records, StatKey::kCaptureDisplayLatencyP50Ms);
        return own != nullptr && own->known ? StatKey::kCaptureDisplayLatencyP50Ms
                                            : StatKey::kDisplayLatencyP50Ms;
    }
    case SummaryColumn::kAnimationErrorP99Ms: return StatKey::kAnimationErrorP99Ms;
    default: return StatKey::kCount;
    }
}

}  // namespace

bool SummaryFigureCell(const StatRecords& records, const IntervalFigures& redraws,
                       SummaryColumn column, char* text, size_t size) {
    if (size == 0)
        return false;
    text[0] = '\0';
    if (column == SummaryColumn::kP99Fps || column == SummaryColumn::kLow1AvgFps) {
        const SeriesFigure figure =
            column == SummaryColumn::kP99Fps ? SeriesFigure::kP99Fps : SeriesFigure::kLow1AvgFps;
        if (redraws.count > 0) {
            const char* format = StatInfo(SeriesKey(StatKey::kDisplayJitterMs, figure)).format;
            std::snprintf(text, size, format, SeriesFigureValue(redraws, figure));
        }
        return true;
    }
    const StatKey key = ColumnKey(records, column);
    if (key == StatKey::kCount)
        return false;
    const StatRecord* record = FindStat(records, key);
    if (record != nullptr)
        FormatStatValue(records, *record, text, size);
    return true;
}
