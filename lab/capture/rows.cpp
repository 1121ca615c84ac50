#include "lab/capture/rows.h"

#include <cmath>
#include <limits>

#include "lab/capture/ticks.h"

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

static_assert(kCaptureRoleCount <= 32, "a bit of countedRoles for each role");

// The roles read as numbers of ms, whose cells are kept only in range.
constexpr CaptureRole kMsRoles[] = {kRoleUntil,          kRoleBetween,     kRoleInputLatency,
                                    kRoleClickLatency,   kRolePcLatency,   kRoleDisplayLatency,
                                    kRoleUntilDisplayed, kRoleInPresentApi};

// A number of ms of a role as the row keeps it: NaN where out of range,
// counted once for its cell however many roles read it.
double Sound(const RowState& state, CaptureRole role, double ms, CaptureRow* row) {
    if (std::isnan(ms) || (ms >= 0.0 && ms <= kLongestCellMs))
        return ms;
    row->skippedCells += (state.countedRoles >> role) & 1u;
    return kNone;
}

}  // namespace

const CaptureRole kLatencyRoles[kCaptureLatencyCount] = {kRoleInputLatency, kRoleClickLatency,
                                                         kRolePcLatency, kRoleDisplayLatency};

void ResetRowState(RowState& state, const CsvLayout& layout, const CaptureInfo& info,
                   std::FILE* notes, const char* path) {
    state.countedRoles = 0;
    for (size_t i = 0; i < sizeof kMsRoles / sizeof kMsRoles[0]; ++i) {
        bool first = layout.column[kMsRoles[i]] >= 0;
        for (size_t j = 0; j < i && first; ++j)
            first = layout.column[kMsRoles[j]] != layout.column[kMsRoles[i]];
        state.countedRoles |= first ? 1u << kMsRoles[i] : 0u;
    }
    state.started = false;
    state.previousSeconds = 0.0;
    state.summed = 0.0;
    state.lastDisplay = 0.0;
    state.anyDisplay = false;
    state.secondsPerUnit = info.secondsPerUnit;
    state.otherSecondsPerUnit = info.otherSecondsPerUnit;
    state.sides.ruleSize[0] = state.sides.ruleSize[1] = 0;
    state.sides.targetSize[0] = state.sides.targetSize[1] = 0;
    state.told.count = 0;
    state.notes = notes;
    state.path = path;
}

bool CellValues(const CsvLayout& layout, RowState& state, const RowError& e, const Cell* cells,
                RowValues* v) {
    const int* column = layout.column;
    v->time = kNone;
    v->fate = FrameFate::kUnknown;
    if (column[kRoleDropped] >= 0) {
        const Cell& cell = cells[column[kRoleDropped]];
        const int dropped = ParseFlag(cell);
        if (dropped < 0 && !Empty(cell))
            return e.Say("Dropped is not 0, 1, true, false or empty", cell);
        v->fate = FateOfDroppedCell(dropped);
    }
    v->shownForEmpty = column[kRoleShownFor] >= 0 && Empty(cells[column[kRoleShownFor]]);
    v->generated = column[kRoleFrameType] >= 0 &&
                   GeneratedFrame(cells[column[kRoleFrameType]], state.told, state.notes, e.path);
    if (column[kRoleTime] >= 0 && !ParseDouble(cells[column[kRoleTime]], &v->time))
        return e.Say("the time is not a number", cells[column[kRoleTime]]);
    if (!Number(e, cells, column[kRoleFrameTime], "frametime is not a number of ms", &v->frameTime))
        return false;
    v->until = kNone;
    v->between = kNone;
    if (v->fate != FrameFate::kDropped && !v->shownForEmpty &&
        (!Number(e, cells, column[kRoleUntil], "not a number of ms until displayed", &v->until) ||
         !Number(e, cells, column[kRoleBetween], "not a number of ms between display changes",
                 &v->between)))
        return false;
    for (int i = 0; i < kCaptureLatencyCount; ++i) {
        if (!Number(e, cells, column[kLatencyRoles[i]], "not a number of ms of latency",
                    &v->latency[i]))
            return false;
    }
    return Number(e, cells, column[kRoleAnimationError], "not a number of ms of animation error",
                  &v->animationError) &&
           Number(e, cells, column[kRoleAnimationTime], "AnimationTime is not a number",
                  &v->animationTime) &&
           Number(e, cells, column[kRoleOtherTime], "the CPU start or present time is not a number",
                  &v->otherTime) &&
           Number(e, cells, column[kRoleUntilDisplayed], "not a number of ms until displayed",
                  &v->untilDisplayed) &&
           Number(e, cells, column[kRoleInPresentApi], "not a number of ms in the present call",
                  &v->inPresentApi);
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
void MakeDisplay(const CsvLayout& layout, RowState& state, const RowValues& v, CaptureRow* row) {
    row->hasDisplay = false;
    row->fate = v.fate;
    if (layout.column[kRoleShownFor] >= 0)
        row->fate = v.shownForEmpty ? FrameFate::kDropped : FrameFate::kShown;
    if (row->fate == FrameFate::kDropped)
        return;
    if (layout.column[kRoleUntil] >= 0) {
        const double until = Sound(state, kRoleUntil, v.until, row);
        if (std::isnan(until))
            return;
        row->displaySeconds = row->seconds + until * 0.001;
    } else if (layout.column[kRoleBetween] >= 0) {
        // No time until display: the display changes, summed from the first
        // shown frame, which is taken as shown at its own time.
        const double between = Sound(state, kRoleBetween, v.between, row);
        if (std::isnan(between) || (between == 0.0 && row->fate != FrameFate::kShown))
            return;
        state.lastDisplay = state.anyDisplay ? state.lastDisplay + between * 0.001 : row->seconds;
        state.anyDisplay = true;
        row->displaySeconds = state.lastDisplay;
    } else {
        return;
    }
    row->hasDisplay = true;
    row->fate = FrameFate::kShown;
}

void MakeMotion(const CsvLayout& layout, const RowState& state, const RowValues& v,
                CaptureRow* row) {
    CaptureMotion& m = row->motion;
    m.errorRejected = std::fabs(v.animationError) > kLargestAnimationErrorMs;
    m.errorMs = m.errorRejected ? kNone : v.animationError;
    m.timeMs = v.animationTime;
    const double other =
        state.otherSecondsPerUnit > 0.0 ? v.otherTime * state.otherSecondsPerUnit : kNone;
    m.cpuStartSeconds = layout.timeIsCpuStart ? row->seconds : other;
    m.presentSeconds = layout.timeIsCpuStart ? other : row->seconds;
    m.untilDisplayedMs = row->fate == FrameFate::kDropped
                             ? kNone
                             : Sound(state, kRoleUntilDisplayed, v.untilDisplayed, row);
    m.inPresentApiMs = Sound(state, kRoleInPresentApi, v.inPresentApi, row);
}

}  // namespace

bool MakeRow(const CsvLayout& layout, RowState& state, const RowError& e, const RowValues& v,
             CaptureRow* row) {
    if (!MakeTime(layout, state, e, v, row))
        return false;
    row->skippedCells = 0;
    MakeDisplay(layout, state, v, row);
    for (int i = 0; i < kCaptureLatencyCount; ++i) {
        // A latency of a frame never shown, or none measured, is not known.
        const double ms = Sound(state, kLatencyRoles[i], v.latency[i], row);
        row->latencyMs[i] = std::isnan(ms) ? -1.0 : ms;
    }
    MakeMotion(layout, state, v, row);
    row->generated = v.generated;
    row->hasClock = false;
    row->hasSides = false;
    return true;
}
