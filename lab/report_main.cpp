#include "lab/report_main.h"

#include <unistd.h>

#include <memory>
#include <new>

#include "lab/compare_runs.h"
#include "lab/report/report_file.h"
#include "lab/report/report_library.h"
#include "lab/report/report_page.h"
#include "lab/report/report_run.h"
#include "lab/run_job.h"
#include "lab/sim_report.h"

namespace {

struct Failure {
    int code;
    char text[1024];
};

// The runs behind a page, whose plain data points into them.
struct ReportWork {
    Report report;
    SimResult result[kMostReportRuns];
    RunDone done[kMostReportRuns];
    char redraws[kRedrawsTextSize];
    char limiter[96];
    // Runs side by side: each run's name and what it replayed.
    char name[kMostReportRuns][kRunNameSize];
    char description[kMostReportRuns][kRunDescriptionSize];
    IntervalFigures shown[kMostReportRuns];
    const char* program;
};

// The run as the page takes it.
void Describe(ReportRun& run, const RunDone& done, const SimResult& result) {
    const SimSetup& setup = done.setup;
    run.seconds = setup.redraw.seconds;
    run.frames = result.frames;
    for (int side = 0; side < 2; ++side) {
        run.side[side] = ReportSide{setup.side[side].rule, setup.side[side].target};
        run.seen[side] = &result.side[side].seen;
    }
    run.displayHz = setup.displayHz;
    run.latchMs = setup.latchMs;
    run.displaySource = done.displaySource;
    run.cadence = &result.cadence;
}

// The page's series take every redraw as the run settles it, whatever its
// length: they thin themselves into fixed memory.
bool RunOne(const SimOptions& given, int index, ReportWork& w, RunWork& work, Failure& f) {
    SimOptions options = given;
    if (w.report.about.sideBySide)
        options.replayPath = given.replayPaths[index];
    ReportRun& run = w.report.run[index];
    const bool page = options.reportPath != nullptr;
    SeriesCollector collector;
    if (page) {
        StartCollecting(collector, run.series);
        CollectAnimation(collector, run.animation);
    }
    const int rule = options.compareRules ? index : kRulesAsGiven;
    if (!RunJob(options, rule, page ? SeriesSink(collector) : kNoFrameSink, work, w.result[index],
                w.done[index], f.text, sizeof f.text, index == 0 ? stderr : nullptr)) {
        f.code = 2;
        return false;
    }
    const RunDone& done = w.done[index];
    run.counted = page;
    if (page) {
        FinishCollecting(collector);
        run.stutters = CountedStutters(run.series, done.setup.displayHz > 0.0);
    }
    SimStatRecords(run.stats, done.setup, w.result[index], done.displaySource, done.facts,
                   run.counted ? &run.stutters : nullptr);
    Describe(run, done, w.result[index]);
    run.name = run.description = nullptr;
    run.shown = nullptr;
    if (w.report.about.sideBySide) {
        NoteReplay(stderr, w.program, options, work);
        const CaptureInfo& info = work.replay.info;
        RunName(given, index, info.chosen.application, w.name[index], kRunNameSize);
        DescribeReplay(options.replayPath, info, run.frames, run.seconds, w.description[index],
                       kRunDescriptionSize);
        run.name = w.name[index];
        run.description = w.description[index];
        // The reader's figures are the next run's scratch space.
        if (work.replay.recordedDisplay) {
            w.shown[index] = work.replay.shownIntervals;
            run.shown = &w.shown[index];
        }
    }
    return true;
}

// One row per rule and side: the comparison in a glance.
void PrintCompareTable(std::FILE* out, const ReportWork& w) {
    PrintRuleTableHeader(out);
    for (int i = 0; i < w.report.runs; ++i)
        PrintRuleTableRows(out, w.report.run[i].stats);
}

void PrintRuns(const SimOptions& options, const ReportWork& w) {
    if (w.report.about.sideBySide) {
        const StatRecords* records[kMostReportRuns];
        static_assert(kMostReplays <= kMostReportRuns, "a page holds every run");
        const IntervalFigures* redraws[kMostReportRuns];
        for (int i = 0; i < w.report.runs; ++i) {
            records[i] = &w.report.run[i].stats;
            redraws[i] = &w.result[i].cadence.redraw;
        }
        const char* names[kMostReportRuns];
        for (int i = 0; i < w.report.runs; ++i)
            names[i] = w.name[i];
        PrintRunRows(stdout, options.stats, names, records, redraws, w.report.runs);
    } else if (options.stats) {
        for (int i = 0; i < w.report.runs; ++i)
            PrintStatsLine(stdout, w.report.run[i].stats);
    } else if (options.compareRules) {
        PrintCompareTable(stdout, w);
    } else {
        // The table of the records the run made already.
        PrintSimTable(stdout, w.done[0].setup, w.result[0], w.done[0].displaySource,
                      w.report.run[0].stats);
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

int RunReport(const SimOptions& options, int argc, const char* const* argv, const char* program) {
    Failure f{2, ""};
    ReportLibrary library;
    WholeFile page{};
    // Both before any work: a report that cannot be written is refused at once.
    if (options.reportPath != nullptr &&
        (!ReadReportLibrary(library, f.text, sizeof f.text) ||
         !OpenWholeFile(page, options.reportPath, f.text, sizeof f.text)))
        return Fail(program, f);
    std::unique_ptr<ReportWork> w(new (std::nothrow) ReportWork);
    std::unique_ptr<RunWork> work = w ? NewRunWork(options) : nullptr;
    if (!w || !work) {
        DiscardWholeFile(page);
        std::fprintf(stderr, "%s: out of memory\n", program);
        return 1;
    }
    Report& report = w->report;
    w->program = program;
    ReportAbout& about = report.about;
    about = ReportAbout{};
    about.argc = argc;
    about.argv = argv;
    about.compare = options.compareRules;
    about.millisecondClock = options.setup.clock == PacerClock::kMilliseconds;
    about.cores = sysconf(_SC_NPROCESSORS_ONLN);
    DescribeLimit(options.setup, w->limiter, sizeof w->limiter);
    about.limiter = w->limiter;
    about.sideBySide = options.replayCount > 1 || options.nameCount > 0;
    report.runs = options.compareRules ? kPaceRuleCount
                  : about.sideBySide   ? options.replayCount
                                       : 1;
    for (int i = 0; i < report.runs; ++i) {
        if (!RunOne(options, i, *w, *work, f)) {
            DiscardWholeFile(page);
            return Fail(program, f);
        }
    }
    if (about.sideBySide) {
        // Each run says what it replayed.
    } else if (options.replayPath != nullptr) {
        const CaptureInfo& info = work->replay.info;
        about.replayPath = options.replayPath;
        about.format = info.format;
        about.application = info.chosen.application;
        about.applicationSize = info.chosen.applicationSize;
        about.swapChain = info.chosen.swapChain;
        about.swapChainSize = info.chosen.swapChainSize;
        about.game = info.game;
        about.cpu = info.cpu;
        about.gpu = info.gpu;
        NoteReplay(stderr, program, options, *work);
    } else {
        DescribeRedraws(w->redraws, sizeof w->redraws, options.setup.redraw);
        about.redraws = w->redraws;
    }
    PrintRuns(options, *w);
    if (options.reportPath == nullptr)
        return 0;
    WriteReportPage(page.file, report, library);
    if (!CommitWholeFile(page, f.text, sizeof f.text)) {
        f.code = 3;
        return Fail(program, f);
    }
    return 0;
}
