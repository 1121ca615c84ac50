// tempola-sim: the program's pacing rules against modelled redraws, with no
// window, no GL and no real clock. See PrintSimHelp for the options.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "lab/capture/capture_list.h"
#include "lab/compare_runs.h"
#include "lab/report_main.h"
#include "lab/run_job.h"
#include "lab/sim_options.h"
#include "lab/sim_report.h"
#include "lab/summary.h"
#include "pacing/side_log.h"

namespace {

const char kProgram[] = "tempola-sim";

int OutOfMemory() {
    std::fprintf(stderr, "%s: out of memory\n", kProgram);
    return 1;
}

// Standard output may be a full disk or a closed pipe: say so rather than
// exit 0 on half a table.
int Finish(int code) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "%s: writing standard output failed\n", kProgram);
        return 3;
    }
    return code;
}

int Sweep(const SimOptions& options) {
    const SweepSetup sweep = SweepSetupOf(options);
    std::unique_ptr<SweepRow[]> rows(new (std::nothrow) SweepRow[SweepRowCount(sweep)]);
    if (!rows || !RunSweep(sweep, options.threads, rows.get(), stderr)) {
        return OutOfMemory();
    }
    const bool seen = options.setup.displayHz > 0.0;
    const bool limited = options.setup.limit.setting.kind != LimitKind::kOff;
    PrintSweepHeader(stdout, seen, limited);
    for (size_t i = 0; i < SweepRowCount(sweep); ++i) {
        PrintSweepRow(stdout, rows[i], seen, limited);
    }
    return Finish(0);
}

// A log cut short would pass for a shorter run: a regular file goes.
void DropIncompleteLog(const char* path, const char* why = "writing the log") {
    struct stat info;
    if (stat(path, &info) == 0 && S_ISREG(info.st_mode) && unlink(path) == 0) {
        std::fprintf(stderr, "%s: %s '%s' failed; removed it\n", kProgram, why, path);
    } else {
        std::fprintf(stderr, "%s: %s '%s' failed; it is incomplete\n", kProgram, why, path);
    }
}

// A replay's table says first what was replayed.
void PrintReplay(const SimOptions& options, const RunWork& work, const RunDone& done,
                 const SimResult& result) {
    const ReplayResult& r = work.replay;
    if (options.stats) {
        PrintSimStats(stdout, done.setup, result, done.displaySource, done.facts);
        return;
    }
    const CaptureStream& stream = r.info.chosen;
    std::printf("replay of %s (%s", options.replayPath, r.info.format);
    if (stream.application[0] != '\0') {
        std::printf(", %s, swap chain %s", stream.application,
                    stream.swapChain[0] != '\0' ? stream.swapChain : "-");
    }
    std::printf("): %s\n", r.recordedDisplay ? "seen figures from its display times"
                                             : "no display times in it");
    PrintSimTable(stdout, done.setup, result, done.displaySource);
}

// --list: what the capture holds, and no replay.
int ListCapture(const SimOptions& options) {
    CaptureReaderPtr reader = NewCaptureReader();
    if (!reader) {
        return OutOfMemory();
    }
    const CaptureOptions read{options.process, options.run, options.ticksHz, true, stderr};
    char error[512];
    if (!OpenCapture(*reader, options.replayPath, read, error, sizeof error)) {
        std::fprintf(stderr, "%s: %s\n", kProgram, error);
        return 2;
    }
    PrintCaptureList(stdout, options.replayPath, CaptureInfoOf(*reader));
    CloseCapture(*reader);
    return Finish(0);
}

int SingleRun(const SimOptions& options) {
    std::unique_ptr<SimResult> result(new (std::nothrow) SimResult);
    std::unique_ptr<FrameLog> log;
    std::unique_ptr<SideLog[]> sides;
    std::unique_ptr<RunWork> work = NewRunWork(options);
    if (!result || !work) {
        return OutOfMemory();
    }
    const CaptureIdentity who{kProgram, static_cast<long>(getpid()), 0};
    char error[512];
    if (options.logPath != nullptr) {
        log.reset(new (std::nothrow) FrameLog);
        if (!log) {
            return OutOfMemory();
        }
        if (!OpenFrameLog(*log, options.logPath, who, error, sizeof error)) {
            std::fprintf(stderr, "%s: %s\n", kProgram, error);
            return 2;
        }
    }
    if (options.sideLogPrefix != nullptr) {
        sides.reset(new (std::nothrow) SideLog[2]);
        if (!sides) {
            return OutOfMemory();
        }
        if (!OpenSideLogs(sides.get(), options.sideLogPrefix, who, error, sizeof error)) {
            std::fprintf(stderr, "%s: %s\n", kProgram, error);
            if (log) {
                CloseFrameLog(*log);
                std::remove(options.logPath);
            }
            return 2;
        }
    }
    FrameSinkPair sinks{log ? FrameLogSink(*log) : kNoFrameSink,
                        sides ? SideLogSink(sides.get()) : kNoFrameSink};
    RunDone done{};
    int code = 0;
    if (!RunJob(options, kRulesAsGiven, BothSinks(sinks), *work, *result, done, error,
                sizeof error, stderr)) {
        std::fprintf(stderr, "%s: %s\n", kProgram, error);
        code = 2;
    } else if (options.replayPath != nullptr) {
        NoteReplay(stderr, kProgram, options, *work);
    }
    // A replay refused part-way leaves logs that would pass for whole ones.
    const char* why = code == 2 ? "the replay into the log" : "writing the log";
    if (log && (!CloseFrameLog(*log) || code == 2)) {
        DropIncompleteLog(options.logPath, why);
        code = code == 2 ? 2 : 3;
    }
    if (sides && (!CloseSideLogs(sides.get()) || code == 2)) {
        char path[4096];
        for (const char* side : {"left", "right"}) {
            std::snprintf(path, sizeof path, "%s-%s.csv", options.sideLogPrefix, side);
            DropIncompleteLog(path, why);
        }
        code = code == 2 ? 2 : 3;
    }
    if (code == 2) {
        return code;
    }
    if (options.replayPath != nullptr) {
        PrintReplay(options, *work, done, *result);
    } else if (options.stats) {
        PrintSimStats(stdout, done.setup, *result);
    } else {
        PrintSimTable(stdout, done.setup, *result);
    }
    return Finish(code);
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    char error[512];
    if (!ParseSimOptions(argc, argv, &options, error, sizeof error)) {
        std::fprintf(stderr, "%s: %s (try --help)\n", kProgram, error);
        return 2;
    }
    if (options.version) {
        std::printf("%s %s\n", kProgram, TEMPOLA_VERSION);
        return Finish(0);
    }
    if (options.help) {
        PrintSimHelp(stdout, kProgram);
        return Finish(0);
    }
    if (options.list) {
        return ListCapture(options);
    }
    // Many captures at once, and runs side by side.
    if (options.summary) {
        return Finish(RunSummary(options, kProgram));
    }
    if ((options.replayCount > 1 || options.nameCount > 0) && options.reportPath == nullptr) {
        return Finish(CompareRuns(options, kProgram));
    }
    if (options.reportPath != nullptr || options.compareRules) {
        return Finish(RunReport(options, argc, argv, kProgram));
    }
    return options.sweep ? Sweep(options) : SingleRun(options);
}
