#include "lab/capture/ticks.h"

#include <cmath>
#include <limits>

namespace {

// The counters' rates seen in practice: Windows 10 and later's 10 MHz, the
// ACPI power-management timer's, and the HPET's. A fit within 1 % of one
// is taken as that one; any other keeps its fitted rate.
constexpr double kKnownRates[] = {10e6, 3579545.0, 14318180.0};
constexpr double kSnap = 0.01;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// The ms column's sum over the rows' span: the first row's time since the
// row before it, or the last row's time to the row after it, lies outside.
double SpanMs(const CaptureStream& s, bool toNext) {
    return s.ticksMs - (toNext ? s.lastTicksMs : s.firstTicksMs);
}

bool Near(double value, double known) {
    return std::fabs(value / known - 1.0) < kSnap;
}

bool TicksRate(const char* path, const CsvLayout& layout, const CaptureStream& s, double givenHz,
               CaptureInfo& info, char* error, size_t errorSize) {
    if (givenHz > 0.0) {
        info.ticksHz = givenHz;
        info.ticksFrom = "--qpc-hz";
        return true;
    }
    if (layout.column[kRoleTicksMs] < 0)
        return Fail(error, errorSize,
                    "%s: times in counter ticks (%s) and no MsBetweenPresents, FrameTime or "
                    "CPUBusy and CPUWait to find their rate from: give it with --qpc-hz HZ "
                    "(10000000 on Windows 10 and later)",
                    path, layout.timeName);
    if (!(s.fitMs > 0.0) || !(s.fitSteps > 0.0))
        return Fail(error, errorSize,
                    "%s: times in counter ticks (%s) over too few rows to find their rate from "
                    "%s: give it with --qpc-hz HZ",
                    path, layout.timeName, layout.fitName);
    double hz = s.fitSteps / s.fitMs * 1000.0;
    for (double known : kKnownRates) {
        if (Near(hz, known))
            hz = known;
    }
    info.ticksHz = hz;
    info.ticksFrom = layout.fitName;
    return true;
}

// CPUStartTime's steps against the frame times: about one a ms, or one a
// thousand ms. Without a fit, ms, as the console writes it.
double MsOrSeconds(const CaptureStream& s) {
    if (!(s.fitMs > 0.0) || !(s.fitSteps > 0.0))
        return 0.001;
    // Between the two, the nearer on a log scale.
    return s.fitSteps / s.fitMs > std::sqrt(0.001) ? 0.001 : 1.0;
}

// The second time column's unit, from its span against the time's: seconds,
// ms or a known counter's ticks where it is within 1 % of one, else as
// fitted. 0 where the stream is too short to tell.
double OtherUnit(const CaptureStream& s, double secondsPerUnit) {
    const double other = s.lastOther - s.firstOther;
    const double seconds = (s.lastOtherAt - s.firstOtherAt) * secondsPerUnit;
    if (!(other > 0.0) || !(seconds > 0.0))
        return 0.0;
    const double unit = seconds / other;
    for (double known :
         {1.0, 0.001, 1.0 / kKnownRates[0], 1.0 / kKnownRates[1], 1.0 / kKnownRates[2]}) {
        if (Near(unit, known))
            return known;
    }
    return unit;
}

bool MangoHudUnit(const char* path, const CaptureStream& s, double* secondsPerUnit, char* error,
                  size_t errorSize) {
    *secondsPerUnit = 1e-9;
    const double ms = SpanMs(s, false);
    const double units = s.lastTime - s.firstTime;
    if (s.rows < 3 || !(ms > 0.0) || !(units > 0.0))
        return true;  // too short to tell: ns, as the logs of these years write it
    const double perMs = units / ms;
    const double perFrame[2] = {1e6, 1e3};  // units of ns, then of us, a ms
    for (double unit : perFrame) {
        if (perMs > 0.7 * unit && perMs < 1.4 * unit) {
            *secondsPerUnit = 1e-3 / unit;
            return true;
        }
    }
    // Steps far longer than the frames: each row one sample of many frames.
    const double unit = perMs > 1.4e6 ? 1e6 : 1e3;
    const double stepMs = units / unit / static_cast<double>(s.rows - 1);
    if (perMs > 1.4e3)
        return Fail(error, errorSize,
                    "%s: a MangoHud log sampled every %.0f ms, not one row per frame (its elapsed "
                    "steps are %.0f times its frame times); record a per-frame log with "
                    "log_interval=0 in MangoHud's configuration",
                    path, stepMs, perMs / unit);
    return Fail(error, errorSize,
                "%s: a MangoHud log whose elapsed moves slower than its frame times add up; "
                "neither a per-frame nor a sampled log",
                path);
}

}  // namespace

void AddFitRow(CaptureStream& s, bool first, bool toNext, double time, double ms) {
    const bool sound = ms >= 0.0 && ms <= kLongestCellMs;
    if (!first) {
        const double spanning = toNext ? s.fitLastMs : (sound ? ms : kNone);
        const double step = time - s.lastTime;
        if (!std::isnan(spanning) && step >= 0.0) {
            s.fitSteps += step;
            s.fitMs += spanning;
        }
    }
    s.fitLastMs = sound ? ms : kNone;
}

bool UnitNeedsTiming(const CsvLayout& layout) {
    return layout.unit == TimeUnit::kTicks || layout.unit == TimeUnit::kSampledOrNot ||
           layout.unit == TimeUnit::kMsOrSeconds || layout.column[kRoleOtherTime] >= 0;
}

bool FindTimeUnit(const char* path, CsvLayout& layout, double givenHz, CaptureInfo& info,
                  char* error, size_t errorSize) {
    const CaptureStream& s = info.chosen;
    switch (layout.unit) {
    case TimeUnit::kScaled: break;
    case TimeUnit::kSummedFrames: info.secondsPerUnit = 0.0; return true;
    case TimeUnit::kTicks:
        if (!TicksRate(path, layout, s, givenHz, info, error, errorSize))
            return false;
        layout.timeScale = 1.0 / info.ticksHz;
        break;
    case TimeUnit::kSampledOrNot:
        if (!MangoHudUnit(path, s, &layout.timeScale, error, errorSize))
            return false;
        break;
    case TimeUnit::kMsOrSeconds: layout.timeScale = MsOrSeconds(s); break;
    }
    layout.unit = TimeUnit::kScaled;
    info.secondsPerUnit = layout.timeScale;
    info.otherSecondsPerUnit =
        layout.column[kRoleOtherTime] >= 0 ? OtherUnit(s, info.secondsPerUnit) : 0.0;
    return true;
}
