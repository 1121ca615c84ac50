// This program's own frame log, named by the writer's column table, in
// both shapes it has had: with PacerClockMs, and before it, when the pacers'
// clock was the time in whole ms.
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "lab/capture/format.h"
#include "pacing/frame_log.h"

namespace {

const char* Name(FrameLogColumn column) {
    return kFrameLogColumns[column];
}

int Probe(const HeaderView& h, CsvLayout* layout) {
    const int time = h.Find(Name(kLogTime));
    const int clock = h.Find(Name(kLogPacerClock));
    if (time < 0 || h.Find(Name(kLogLeftUpdated)) < 0)
        return 0;
    ResetLayout(*layout,
                clock >= 0 ? "Tempola frame log" : "Tempola frame log (without PacerClockMs)");
    SetPresentMonRoles(*layout, h);
    SetRole(*layout, kRoleTime, time);
    layout->timeName = Name(kLogTime);
    SetRole(*layout, kRoleClock, clock);
    layout->clockFromSeconds = clock < 0;
    SetRole(*layout, kRoleInputLatency, h.Find(Name(kLogInputToPhoton)));
    SetRole(*layout, kRoleDisplayLatency, h.Find(Name(kLogDisplayLatency)));
    const FrameLogColumn sides[8] = {
        kLogLeftUpdated,  kLogLeftBetweenUpdates,  kLogLeftTarget,  kLogLeftRule,
        kLogRightUpdated, kLogRightBetweenUpdates, kLogRightTarget, kLogRightRule};
    for (int i = 0; i < 8; ++i) {
        const int index = h.Find(Name(sides[i]));
        if (index < 0)
            return 0;
        SetRole(*layout, static_cast<CaptureRole>(kRoleLeftUpdated + i), index);
    }
    layout->sides = true;
    return 100;
}

bool ReadSide(SideCache& cache, int which, const RowError& e, const Cell* cells, const int* column,
              RecordedSide* side) {
    const int updated = ParseFlag(cells[column[0]]);
    if (updated < 0 || Trim(cells[column[0]]).size != 1)
        return e.Say("an Updated cell is not 0 or 1", cells[column[0]]);
    side->updated = updated == 1;
    const Cell target = Trim(cells[column[2]]);
    if (target.size != cache.targetSize[which] ||
        std::memcmp(cache.targetText[which], target.text, target.size) != 0) {
        cache.targetSize[which] = 0;
        double value = 0.0;
        if (target.size >= sizeof cache.targetText[which] || !ParseDouble(target, &value) ||
            !TargetIsValid(value))
            return e.Say("not a target rate from 5 to 200 in steps of 0.5", target);
        std::memcpy(cache.targetText[which], target.text, target.size);
        cache.targetSize[which] = target.size;
        cache.target[which] = value;
    }
    side->target = cache.target[which];
    const Cell rule = Trim(cells[column[3]]);
    char* name = cache.ruleText[which];
    if (rule.size == cache.ruleSize[which] && std::memcmp(name, rule.text, rule.size) == 0) {
        side->rule = cache.rule[which];
        return true;
    }
    if (rule.size >= sizeof cache.ruleText[which])
        return e.Say("no such rule", rule);
    std::memcpy(name, rule.text, rule.size);
    name[rule.size] = '\0';
    cache.ruleSize[which] = 0;
    if (!PaceRuleFromName(name, &side->rule))
        return e.Say("no such rule", rule);
    cache.ruleSize[which] = rule.size;
    cache.rule[which] = side->rule;
    return true;
}

bool ReadOwn(const CsvLayout& layout, SideCache& cache, const RowError& e, const Cell* cells,
             CaptureRow* row) {
    const int* column = layout.column;
    row->hasClock = true;
    if (layout.clockFromSeconds) {
        // The reader keeps times within 1e12 s: the product fits 64 bits.
        const int64_t whole = static_cast<int64_t>(std::floor(row->seconds * 1000.0));
        row->clockMs = static_cast<uint32_t>(static_cast<uint64_t>(whole));
    } else {
        const Cell t = Trim(cells[column[kRoleClock]]);
        const auto result = std::from_chars(t.text, t.text + t.size, row->clockMs);
        if (t.size == 0 || result.ec != std::errc() || result.ptr != t.text + t.size)
            return e.Say("PacerClockMs is not a whole number from 0 to 2^32 - 1", t);
    }
    row->hasSides = true;
    return ReadSide(cache, 0, e, cells, column + kRoleLeftUpdated, &row->side[0]) &&
           ReadSide(cache, 1, e, cells, column + kRoleLeftUpdated + 4, &row->side[1]);
}

}  // namespace

const CsvFormat kTempolaLogFormat = {Probe, ReadOwn};
