#include "lab/capture/rows.h"

#include <cmath>
#include <limits>

namespace {

// Far enough to hold any real capture, near enough that every time converts
// to the clock's integers exactly.
constexpr double kFarthestSeconds = 1e12;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// Inline: it runs for every role of every row, most often on a column the
// file does not have or an empty cell.
inline __attribute__((always_inline)) bool Number(const RowError& e, const Cell* cells, int column,
                                                  const char* what, double* value) {
    *value = kNone;
    if (column < 0 || Empty(cells[column]))
        return true;
    return ParseDouble(cells[column], value) || e.Say(what, cells[column]);
}

}  // namespace

const CaptureRole kLatencyRoles[kCaptureLatencyCount] = {kRoleInputLatency, kRoleClickLatency,
                                                         kRolePcLatency, kRoleDisplayLatency};

void ResetRowState(RowState& state, double secondsPerUnit) {
    state.started = false;
    state.previousSeconds = 0.0;
    state.summed = 0.0;
    state.lastDisplay = 0.0;
    state.anyDisplay = false;
    state.secondsPerUnit = secondsPerUnit;
    state.sides.ruleSize[0] = state.sides.ruleSize[1] = 0;
    state.sides.targetSize[0] = state.sides.targetSize[1] = 0;
}

bool CellValues(const CsvLayout& layout, const RowError& e, const Cell* cells, RowValues* v) {
    const int* column = layout.column;
    v->time = kNone;
    v->dropped = -1;
    if (column[kRoleDropped] >= 0) {
        const Cell& cell = cells[column[kRoleDropped]];
        v->dropped = ParseFlag(cell);
        if (v->dropped < 0 && !Empty(cell))
            return e.Say("Dropped is not 0, 1, true, false or empty", cell);
    }
    v->shownForEmpty = column[kRoleShownFor] >= 0 && Empty(cells[column[kRoleShownFor]]);
    if (column[kRoleTime] >= 0 && !ParseDouble(cells[column[kRoleTime]], &v->time))
        return e.Say("the time is not a number", cells[column[kRoleTime]]);
    if (!Number(e, cells, column[kRoleFrameTime], "frametime is not a number of ms", &v->frameTime))
        return false;
    v->until = kNone;
    v->between = kNone;
    if (v->dropped != 1 && !v->shownForEmpty &&
        (!Number(e, cells, column[kRoleUntil], "not a number of ms until displayed", &v->until) ||
         !Number(e, cells, column[kRoleBetween], "not a number of ms between display changes",
                 &v->between)))
        return false;
    for (int i = 0; i < kCaptureLatencyCount; ++i) {
        if (!Number(e, cells, column[kLatencyRoles[i]], "not a number of ms of latency",
                    &v->latency[i]))
            return false;
    }
    return true;
}

namespace {

bool MakeTime(const CsvLayout& layout, RowState& state, const RowError& e, const RowValues& v,
              CaptureRow* row) {
    double t = 0.0;
    if (layout.unit == TimeUnit::kSummedFrames) {
        if (!(v.frameTime >= 0.0))
            return e.SayValue("frametime is not a number of ms", v.frameTime);
        state.summed += v.frameTime * 0.001;
        t = state.summed;
    } else {
        t = v.time * state.secondsPerUnit;
    }
    if (!(std::fabs(t) <= kFarthestSeconds))
        return e.SayValue("the time is out of range", v.time);
    if (state.started && t < state.previousSeconds)
        return e.SayBack(t, state.previousSeconds);
    state.started = true;
    state.previousSeconds = t;
    row->seconds = t;
    return true;
}

// The row's display time, where the file gives one.
bool MakeDisplay(const CsvLayout& layout, RowState& state, const RowError& e, const RowValues& v,
                 CaptureRow* row) {
    row->hasDisplay = false;
    row->dropped = static_cast<int8_t>(v.dropped);
    if (layout.column[kRoleShownFor] >= 0)
        row->dropped = v.shownForEmpty ? 1 : 0;
    if (row->dropped == 1)
        return true;
    if (layout.column[kRoleUntil] >= 0) {
        if (std::isnan(v.until))
            return true;
        if (!(v.until >= 0.0 && v.until <= kFarthestSeconds))
            return e.SayValue("not a number of ms until displayed", v.until);
        row->displaySeconds = row->seconds + v.until * 0.001;
    } else if (layout.column[kRoleBetween] >= 0) {
        // No time until display: the display changes, summed from the first
        // shown frame, which is taken as shown at its own time.
        if (std::isnan(v.between))
            return true;
        if (!(v.between >= 0.0 && v.between <= kFarthestSeconds))
            return e.SayValue("not a number of ms between display changes", v.between);
        if (v.between == 0.0 && row->dropped != 0)
            return true;
        state.lastDisplay = state.anyDisplay ? state.lastDisplay + v.between * 0.001 : row->seconds;
        state.anyDisplay = true;
        row->displaySeconds = state.lastDisplay;
    } else {
        return true;
    }
    row->hasDisplay = true;
    row->dropped = 0;
    return true;
}

}  // namespace

bool MakeRow(const CsvLayout& layout, RowState& state, const RowError& e, const RowValues& v,
             CaptureRow* row) {
    if (!MakeTime(layout, state, e, v, row) || !MakeDisplay(layout, state, e, v, row))
        return false;
    for (int i = 0; i < kCaptureLatencyCount; ++i) {
        // A latency of a frame never shown, or none measured, is not known.
        const double ms = v.latency[i];
        row->latencyMs[i] = ms >= 0.0 && ms <= kFarthestSeconds ? ms : -1.0;
    }
    row->hasClock = false;
    row->hasSides = false;
    return true;
}
