// A present monitor's 2.0 to 2.3 CSV: frames timed from the CPU's start
// (CPUStartTime in ms or seconds, CPUStartQPCTime in ms, or CPUStartQPC in
// counter ticks), DisplayLatency from there to the display, DisplayedTime NA
// for a frame never shown.
#include "lab/capture/format.h"

namespace {

int Probe(const HeaderView& h, CsvLayout* layout) {
    // --qpc_time_ms writes the counter in ms as CPUStartQPCTime.
    const int startTime = h.Find("CPUStartTime");
    const int ms = startTime >= 0 ? startTime : h.Find("CPUStartQPCTime");
    const int ticks = h.Find("CPUStartQPC");
    const int frameTime = h.Find("FrameTime");
    // 2.4's Ms-named columns beside a CPU start are its own layout.
    if (h.Find("MsCPUBusy") >= 0 || (ms >= 0 ? frameTime < 0 : ticks < 0))
        return 0;
    ResetLayout(*layout, "PresentMon 2.0-2.3");
    SetPresentMonRoles(*layout, h);
    layout->column[kRoleDropped] = -1;
    layout->column[kRoleBetween] = -1;
    SetRole(*layout, kRoleUntil, h.Find("DisplayLatency"));
    SetRole(*layout, kRoleShownFor, h.Find("DisplayedTime"));
    if (ms >= 0) {
        SetCpuStartTime(*layout, h, ms, startTime >= 0 ? "CPUStartTime" : "CPUStartQPCTime");
        layout->timeScale = 0.001;
        if (startTime >= 0) {
            layout->unit = TimeUnit::kMsOrSeconds;
            SetFit(*layout, h);
        }
    } else {
        SetTicks(*layout, h, ticks, "CPUStartQPC");
        SetCpuStartTime(*layout, h, ticks, "CPUStartQPC");
    }
    return 80;
}

}  // namespace

const CsvFormat kPresentMon2Format = {Probe, nullptr};
