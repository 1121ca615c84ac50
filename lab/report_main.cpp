#include "lab/report_main.h"

#include <unistd.h>

#include <cstring>
#include <memory>
#include <new>

#include "lab/capture/capture_list.h"
#include "lab/replay_options.h"
#include "lab/report/report_file.h"
#include "lab/report/report_library.h"
#include "lab/report/report_page.h"
#include "lab/report/report_run.h"
#include "lab/sim/sweep.h"

namespace {

// A modelled run's page reads the run's frame log back, which lies beside
// the page while it runs (about 95 bytes a redraw): past this many redraws
// the page is refused rather than fill a disk.
constexpr double kMostModelledRedraws = 1e8;

struct Failure {
    int code;
    char text[1024];
};

// The run's frame log, written beside the page and read back for the
// series. Its name goes at once: nothing is left behind.
struct Scratch {
    FrameLog log;
    std::FILE* reader;
};

bool OpenScratch(Scratch& s, const char* beside, const char* program, Failure& f) {
    char path[4096];
    if (!OpenScratchBeside(beside, path, sizeof path, &s.reader, f.text, sizeof f.text)) {
        f.code = 2;
        return false;
    }
    const CaptureIdentity who{program, static_cast<long>(getpid()), 0};
    const bool ok = OpenFrameLog(s.log, path, who, f.text, sizeof f.text);
    unlink(path);
    if (!ok) {
        std::fclose(s.reader);
        f.code = 2;
    }
    return ok;
}

bool ReadScratch(Scratch& s, ReportRun& run, Failure& f) {
    const bool written = CloseFrameLog(s.log);
    const bool read = written && ReadLogSeries(s.reader, run.series, f.text, sizeof f.text);
    std::fclose(s.reader);
    if (!written)
        std::snprintf(f.text, sizeof f.text, "writing the run's frame log beside the page failed");
    if (!read) {
        f.code = 3;
        return false;
    }
    run.counted = true;
    run.stutters = CountedStutters(run.series, run.setup.displayHz > 0.0);
    return true;
}

// Scratch space for replays, reused run after run.
struct ReplayWork {
    CaptureReaderPtr reader;
    ReplayResult result;
};

void SeeFrame(void* context, const FrameSample& sample, const FrameDisplay& display) {
    CollectFrame(*static_cast<SeriesCollector*>(context), sample, display);
}

bool Replay(const SimOptions& options, int index, Report& report, ReplayWork& work, Failure& f) {
    ReportRun& run = report.run[index];
    ReplaySetup setup = ReplaySetupOf(options);
    for (int side = 0; side < 2 && options.compareRules; ++side) {
        setup.side[side].rule = static_cast<PaceRule>(index);
        setup.ruleGiven[side] = true;
    }
    // The replay shows the collector every redraw: no log to write and read.
    SeriesCollector collector;
    if (options.reportPath != nullptr) {
        StartCollecting(collector, run.series);
        setup.observer = FrameObserver{SeeFrame, &collector};
    }
    if (!RunReplay(setup, *work.reader, work.result, SimOutputs{nullptr, nullptr}, f.text,
                   sizeof f.text, index == 0 ? stderr : nullptr)) {
        f.code = 2;
        return false;
    }
    run.setup = ReportSetup(setup, work.result);
    run.result = work.result.sim;
    run.displaySource = work.result.recordedDisplay ? "capture" : "model";
    if (options.reportPath != nullptr) {
        FinishCollecting(collector);
        run.counted = true;
        run.stutters = CountedStutters(run.series, run.setup.displayHz > 0.0);
    }
    const CaptureInfo& info = work.result.info;
    ReportAbout& about = report.about;
    about.format = info.format;
    about.stream = info.chosen;
    std::snprintf(about.captureGame, sizeof about.captureGame, "%s", info.game);
    std::snprintf(about.captureCpu, sizeof about.captureCpu, "%s", info.cpu);
    std::snprintf(about.captureGpu, sizeof about.captureGpu, "%s", info.gpu);
    return true;
}

// A modelled run shows its redraws to nothing but a log: the series come
// from its frame log, read back.
bool Model(const SimOptions& options, int index, Report& report, const char* program, Failure& f) {
    ReportRun& run = report.run[index];
    run.setup = options.setup;
    if (options.compareRules)
        run.setup.side[0].rule = run.setup.side[1].rule = static_cast<PaceRule>(index);
    run.displaySource = "model";
    if (options.reportPath == nullptr) {
        RunSim(run.setup, run.result, SimOutputs{nullptr, nullptr});
        return true;
    }
    std::unique_ptr<Scratch> scratch(new (std::nothrow) Scratch);
    if (!scratch) {
        f.code = 1;
        std::snprintf(f.text, sizeof f.text, "out of memory");
        return false;
    }
    if (!OpenScratch(*scratch, options.reportPath, program, f))
        return false;
    RunSim(run.setup, run.result, SimOutputs{&scratch->log, nullptr});
    return ReadScratch(*scratch, run, f);
}

bool RunOne(const SimOptions& options, int index, Report& report, ReplayWork* work,
            const char* program, Failure& f) {
    ReportRun& run = report.run[index];
    if (work != nullptr ? !Replay(options, index, report, *work, f)
                        : !Model(options, index, report, program, f))
        return false;
    SimStatRecords(run.stats, run.setup, run.result, run.displaySource,
                   work != nullptr ? &work->result.facts : nullptr,
                   run.counted ? &run.stutters : nullptr);
    return true;
}

// One row per rule and side: the comparison in a glance.
void PrintCompareTable(std::FILE* out, const Report& report) {
    PrintRuleTableHeader(out);
    for (int i = 0; i < report.runs; ++i)
        PrintRuleTableRows(out, report.run[i].stats);
}

void PrintRuns(const SimOptions& options, const Report& report) {
    if (options.stats) {
        for (int i = 0; i < report.runs; ++i)
            PrintStatsLine(stdout, report.run[i].stats);
    } else if (options.compareRules) {
        PrintCompareTable(stdout, report);
    } else {
        const ReportRun& run = report.run[0];
        PrintSimTable(stdout, run.setup, run.result, run.displaySource);
    }
}

// How a modelled run's redraws were limited, as --limit, --limiter and
// --limit-at set it; nothing for an unlimited run (a replay is never limited).
void DescribeLimit(const SimSetup& setup, char* text, size_t size) {
    const LimitModel& m = setup.limit;
    text[0] = '\0';
    if (m.setting.kind == LimitKind::kOff)
        return;
    char limit[64];
    DescribeLimit(m.setting, nullptr, limit, sizeof limit);
    std::snprintf(text, size, "%s, drawing %g ms", limit, SimDrawingSeconds(setup) * 1000.0);
}

int Fail(const char* program, const Failure& f) {
    std::fprintf(stderr, "%s: %s\n", program, f.text);
    return f.code;
}

}  // namespace

StutterCounts CountedStutters(const DrawnSeries* series, bool seenKnown) {
    StutterCounts counts{};
    counts.seenKnown = seenKnown;
    counts.redraw = series[kDrawnRedraw].stutters.stutters;
    for (int side = 0; side < 2; ++side) {
        counts.updates[side] = series[kDrawnLeft + side].stutters.stutters;
        counts.seen[side] = series[kDrawnLeftSeen + side].stutters.stutters;
    }
    return counts;
}

int RunReport(const SimOptions& options, int argc, const char* const* argv, const char* program) {
    Failure f{2, ""};
    ReportLibrary library;
    WholeFile page{};
    // Both before any work: a report that cannot be written is refused at once.
    if (options.reportPath != nullptr &&
        (!ReadReportLibrary(library, f.text, sizeof f.text) ||
         !OpenWholeFile(page, options.reportPath, f.text, sizeof f.text)))
        return Fail(program, f);
    const RedrawModel& model = options.setup.redraw;
    if (options.reportPath != nullptr && options.replayPath == nullptr &&
        model.seconds * model.redrawHz > kMostModelledRedraws) {
        DiscardWholeFile(page);
        std::snprintf(f.text, sizeof f.text,
                      "a page of a modelled run keeps its frame log beside it: at most 1e8 "
                      "redraws, not %g s at %g Hz",
                      model.seconds, model.redrawHz);
        return Fail(program, f);
    }
    std::unique_ptr<Report> report(new (std::nothrow) Report);
    std::unique_ptr<ReplayWork> work;
    if (report && options.replayPath != nullptr) {
        work.reset(new (std::nothrow) ReplayWork);
        if (work)
            work->reader = NewCaptureReader();
    }
    if (!report || (options.replayPath != nullptr && (!work || !work->reader))) {
        DiscardWholeFile(page);
        std::fprintf(stderr, "%s: out of memory\n", program);
        return 1;
    }
    ReportAbout& about = report->about;
    about = ReportAbout{};
    about.argc = argc;
    about.argv = argv;
    about.replay = options.replayPath != nullptr;
    about.replayPath = options.replayPath;
    about.compare = options.compareRules;
    about.cores = sysconf(_SC_NPROCESSORS_ONLN);
    DescribeLimit(options.setup, about.limiter, sizeof about.limiter);
    report->runs = options.compareRules ? kPaceRuleCount : 1;
    for (int i = 0; i < report->runs; ++i) {
        report->run[i].counted = false;
        if (!RunOne(options, i, *report, work.get(), program, f)) {
            DiscardWholeFile(page);
            return Fail(program, f);
        }
    }
    if (about.replay && options.setup.displayHz > 0.0 &&
        std::strcmp(report->run[0].displaySource, "capture") == 0)
        std::fprintf(stderr, "%s: the capture has display times; --display-hz is not used\n",
                     program);
    if (work)
        PrintCaptureNotes(stderr, program, options.replayPath, work->result.info);
    PrintRuns(options, *report);
    if (options.reportPath == nullptr)
        return 0;
    WriteReportPage(page.file, *report, library);
    if (!CommitWholeFile(page, f.text, sizeof f.text)) {
        f.code = 3;
        return Fail(program, f);
    }
    return 0;
}
