#include "lab/capture/ticks.h"

#include <cmath>

namespace {

// The counters' rates seen in practice: Windows 10 and later's 10 MHz, the
// ACPI power-management timer's, and the HPET's. A fit within 1 % of one
// is taken as that one.
constexpr double kKnownRates[] = {10e6, 3579545.0, 14318180.0};
constexpr double kSnap = 0.01;

// The ms column's sum over the rows' span: the first row's time since the
// row before it, or the last row's time to the row after it, lies outside.
double SpanMs(const CaptureStream& s, bool toNext) {
    return s.ticksMs - (toNext ? s.lastTicksMs : s.firstTicksMs);
}

}  // namespace

bool TicksRate(const char* path, const CsvLayout& layout, const CaptureStream& s, double givenHz,
               CaptureInfo* info, char* error, size_t errorSize) {
    if (givenHz > 0.0) {
        info->ticksHz = givenHz;
        info->ticksFrom = "--qpc-hz";
        return true;
    }
    if (layout.column[kRoleTicksMs] < 0)
        return Fail(error, errorSize,
                    "%s: times in counter ticks (%s) and no MsBetweenPresents or FrameTime to "
                    "find their rate from: give it with --qpc-hz HZ (10000000 on Windows 10 and "
                    "later)",
                    path, layout.timeName);
    const double ms = SpanMs(s, layout.fitToNext);
    const double ticks = s.lastTime - s.firstTime;
    if (s.rows < 2 || !(ms > 0.0) || !(ticks > 0.0))
        return Fail(error, errorSize,
                    "%s: times in counter ticks (%s) over too few rows to find their rate from "
                    "%s: give it with --qpc-hz HZ",
                    path, layout.timeName, layout.fitName);
    double hz = ticks / ms * 1000.0;
    for (double known : kKnownRates) {
        if (std::fabs(hz / known - 1.0) < kSnap)
            hz = known;
    }
    info->ticksHz = hz;
    info->ticksFrom = layout.fitName;
    return true;
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
