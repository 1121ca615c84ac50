#include "lab/run_job.h"

#include <new>

#include "lab/capture/capture_list.h"
#include "lab/replay_options.h"

std::unique_ptr<RunWork> NewRunWork(const SimOptions& options) {
    std::unique_ptr<RunWork> work(new (std::nothrow) RunWork);
    if (work && options.replayPath != nullptr) {
        work->reader = NewCaptureReader();
        if (!work->reader)
            work.reset();
    }
    return work;
}

bool RunJob(const SimOptions& options, int rule, FrameSink sink, RunWork& work, SimResult& result,
            RunDone& done, char* error, size_t errorSize, std::FILE* progress) {
    if (options.replayPath == nullptr) {
        done.setup = options.setup;
        if (rule != kRulesAsGiven)
            done.setup.side[0].rule = done.setup.side[1].rule = static_cast<PaceRule>(rule);
        done.displaySource = "model";
        done.facts = nullptr;
        RunSim(done.setup, result, sink);
        return true;
    }
    ReplaySetup& setup = work.replaySetup;
    setup = ReplaySetupOf(options);
    for (int side = 0; side < 2 && rule != kRulesAsGiven; ++side) {
        setup.side[side].rule = static_cast<PaceRule>(rule);
        setup.ruleGiven[side] = true;
    }
    if (!RunReplay(setup, *work.reader, work.replay, sink, error, errorSize, progress))
        return false;
    result = work.replay.sim;
    done.setup = ReportSetup(setup, work.replay);
    done.displaySource = work.replay.recordedDisplay ? "capture" : "model";
    done.facts = &work.replay.facts;
    return true;
}

void NoteReplay(std::FILE* out, const char* program, const SimOptions& options,
                const RunWork& work) {
    if (options.setup.displayHz > 0.0 && work.replay.recordedDisplay)
        std::fprintf(out, "%s: the capture has display times; --display-hz is not used\n", program);
    PrintCaptureNotes(out, program, options.replayPath, work.replay.info);
}
