// A present monitor's 1.x CSV, and what writes its columns: OCAT, FrameView,
// this program's side captures. Times in seconds (TimeInSeconds), or in
// counter ticks (QPCTime) where that is the only time.
#include "lab/capture/format.h"

namespace {

int Probe(const HeaderView& h, CsvLayout* layout) {
    const int seconds = h.Find("TimeInSeconds");
    const int ticks = h.Find("QPCTime");
    const int between = h.Find("MsBetweenPresents");
    if ((seconds < 0 && ticks < 0) || between < 0)
        return 0;
    ResetLayout(*layout, "PresentMon 1.x");
    SetPresentMonRoles(*layout, h);
    if (seconds >= 0) {
        SetRole(*layout, kRoleTime, seconds);
        layout->timeName = "TimeInSeconds";
    } else {
        SetTicks(*layout, h, ticks, "QPCTime");
    }
    return 70;
}

}  // namespace

const CsvFormat kPresentMon1Format = {Probe, nullptr};
