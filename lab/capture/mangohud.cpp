// MangoHud's log: frametime in ms and, since its first versions with it,
// elapsed (ns since late 2020, us before), else the frame times summed.
// Only a log recorded with log_interval=0 has a row per frame; the reader
// tells the sampled ones by their elapsed steps and refuses them.
#include "lab/capture/format.h"

namespace {

int Probe(const HeaderView& h, CsvLayout* layout) {
    const int frametime = h.Find("frametime");
    if (frametime < 0)
        return 0;
    ResetLayout(*layout, "MangoHud");
    SetRole(*layout, kRoleFrameTime, frametime);
    // What the counting sums, to tell the unit of elapsed and a sampled log.
    SetRole(*layout, kRoleTicksMs, frametime);
    const int elapsed = h.Find("elapsed");
    SetRole(*layout, kRoleTime, elapsed);
    layout->unit = elapsed >= 0 ? TimeUnit::kSampledOrNot : TimeUnit::kSummedFrames;
    layout->timeName = elapsed >= 0 ? "elapsed" : "frametime";
    return 60;
}

}  // namespace

const CsvFormat kMangoHudFormat = {Probe, nullptr};
