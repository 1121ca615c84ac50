// A present monitor's 2.4 CSV and later: Ms-named columns, frames timed in
// ms (TimeInMs, or CPUStartTime, which one writer gives in seconds), in
// counter ticks (TimeInQPC, CPUStartQPC with --qpc_time), or in seconds
// beside 2.4's own columns.
#include "lab/capture/format.h"

namespace {

int Probe(const HeaderView& h, CsvLayout* layout) {
    const bool own = h.Find("MsBetweenSimulationStart") >= 0 || h.Find("MsCPUBusy") >= 0;
    struct Time {
        const char* name;
        TimeUnit unit;
        double scale;
        bool fromCpuStart;
        bool alone;  // 2.4's own name: no other column needed to tell it
    } const times[] = {
        {"TimeInMs", TimeUnit::kScaled, 0.001, false, true},
        {"TimeInQPC", TimeUnit::kTicks, 1.0, false, true},
        {"CPUStartTime", TimeUnit::kMsOrSeconds, 0.001, true, false},
        {"CPUStartQPCTime", TimeUnit::kScaled, 0.001, true, false},
        {"CPUStartQPC", TimeUnit::kTicks, 1.0, true, false},
        {"TimeInSeconds", TimeUnit::kScaled, 1.0, false, false},
    };
    for (const Time& t : times) {
        const int index = h.Find(t.name);
        if (index < 0 || !(own || t.alone))
            continue;
        ResetLayout(*layout, "PresentMon 2.4+");
        SetPresentMonRoles(*layout, h);
        SetRole(*layout, kRoleTime, index);
        layout->timeScale = t.scale;
        layout->timeName = t.name;
        layout->unit = t.unit;
        if (t.unit != TimeUnit::kScaled)
            SetFit(*layout, h);
        if (t.fromCpuStart)
            SetCpuStartTime(*layout, h, index, t.name);
        // From the CPU's start the display is DisplayLatency away, not
        // MsUntilDisplayed (which counts from the present).
        const int latency = h.Find("MsDisplayLatency", "DisplayLatency");
        if (t.fromCpuStart && latency >= 0) {
            layout->column[kRoleBetween] = -1;
            SetRole(*layout, kRoleUntil, latency);
        }
        return 90;
    }
    return 0;
}

}  // namespace

const CsvFormat kPresentMon24Format = {Probe, nullptr};
