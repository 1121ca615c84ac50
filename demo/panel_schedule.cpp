#include "demo/panel_schedule.h"

namespace {

const double kChartSeconds = 1.0 / 16.0;
const double kTextSeconds = 1.0 / 4.0;

}  // namespace

PanelDue NextPanelWork(PanelSchedule& schedule, double seconds, uint64_t redrawCount,
                       bool resized) {
    const bool all = resized || redrawCount != schedule.redrawCount + 1 ||
                     seconds < schedule.chartsAt || seconds < schedule.textsAt;
    schedule.redrawCount = redrawCount;
    if (all) {
        schedule.chartsAt = seconds;
        schedule.textsAt = seconds;
        schedule.textGroupsDone = kAnchorCount;
        return {PanelWork::kEverything, 0};
    }
    if (!(seconds - schedule.chartsAt < kChartSeconds)) {
        schedule.chartsAt = seconds;
        return {PanelWork::kCharts, 0};
    }
    if (schedule.textGroupsDone < kAnchorCount || !(seconds - schedule.textsAt < kTextSeconds)) {
        if (schedule.textGroupsDone == kAnchorCount) {
            schedule.textsAt = seconds;
            schedule.textGroupsDone = 0;
        }
        return {PanelWork::kTextGroup, schedule.textGroupsDone++};
    }
    return {PanelWork::kNothing, 0};
}
