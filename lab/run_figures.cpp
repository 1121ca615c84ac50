#include "lab/run_figures.h"

#include <algorithm>
#include <cstring>

#include "lab/sim_report.h"
#include "pacing/cadence.h"
#include "pacing/stutter.h"

namespace {

struct StutterSink {
    StutterCounter counter;
    double previous;
    bool started;
};

void TakeRedraw(void* user, const FrameSample& sample, const FrameDisplay&) {
    StutterSink& s = *static_cast<StutterSink*>(user);
    if (s.started)
        AddStutterInterval(s.counter, sample.seconds - s.previous);
    s.previous = sample.seconds;
    s.started = true;
}

void CopyText(char* to, size_t size, const char* from, size_t length) {
    length = std::min(length, size - 1);
    std::memcpy(to, from, length);
    to[length] = '\0';
}

}  // namespace

bool ReplayFigures(const SimOptions& options, const char* path, RunWork& work, SimResult& result,
                   RunFigures& figures, char* error, size_t errorSize, std::FILE* progress) {
    SimOptions one = options;
    one.replayPath = path;
    StutterSink stutters{};
    ResetStutters(stutters.counter);
    RunDone done{};
    if (!RunJob(one, kRulesAsGiven, FrameSink{TakeRedraw, &stutters}, work, result, done, error,
                errorSize, progress))
        return false;
    while (FlushStutters(stutters.counter).decided) {
    }
    figures.redrawStutters = stutters.counter.stutters;
    SimStatRecords(figures.records, done.setup, result, done.displaySource, done.facts, nullptr);
    figures.redraws = result.cadence.redraw;
    const CaptureInfo& info = work.replay.info;
    CopyText(figures.format, sizeof figures.format, info.format, std::strlen(info.format));
    const CaptureStream& stream = info.chosen;
    CopyText(figures.application, sizeof figures.application, stream.application,
             stream.applicationSize);
    return true;
}
