// What the limited model draws and spends: read by its loop and by those
// that print its figures, so kept apart from both.
#include "lab/sim/sim_run.h"

double SimCpuPercent(const SimSetup& setup, const SimResult& result) {
    if (setup.limit.setting.kind == LimitKind::kOff) {
        return -1.0;
    }
    return result.busySeconds / setup.redraw.seconds * 100.0;
}

double SimDrawingSeconds(const SimSetup& setup) {
    const double ms = setup.limit.renderMs;
    return ms > 0.0 ? ms * 0.001 : 1.0 / setup.redraw.redrawHz;
}
