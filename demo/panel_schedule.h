// When the cadence panel remakes its pictures. Making them costs more than
// drawing them, so it is done now and then, a share at a time so that no
// frame takes much longer than the others (the panel would show its own
// hitches): the charts 16 times a second, when they still seem to run, and
// the texts, a group a frame, 4 times a second. People cannot read figures
// that change faster.
#pragma once

#include <cstdint>

#include "demo/panel_layout.h"

// All zero: before the first draw, when everything is due.
struct PanelSchedule {
    uint64_t redrawCount;  // as of the previous frame
    double chartsAt;       // when the charts were made
    double textsAt;        // when the latest round of texts began
    int textGroupsDone;    // of that round
};

enum class PanelWork { kNothing, kEverything, kCharts, kTextGroup };
struct PanelDue {
    PanelWork work;
    int group;  // for kTextGroup: a side's texts (0, 1) or the bottom strips' (2)
};

// What to make in the frame at seconds, the figures having counted
// redrawCount redraws: everything whenever the panel may show something else
// (another panel size, figures that did not just move on by one redraw, a
// clock that went back), else a share, on time. Notes it as done.
PanelDue NextPanelWork(PanelSchedule& schedule, double seconds, uint64_t redrawCount, bool resized);
