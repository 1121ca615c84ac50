#include "lab/report_main.h"

#include <unistd.h>

#include <memory>
#include <new>

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
bool RunOne(const SimOptions& options, int index, ReportWork& w, RunWork& work, Failure& f) {
    ReportRun& run = w.report.run[index];
    const bool page = options.reportPath != nullptr;
    SeriesCollector collector;
    if (page)
        StartCollecting(collector, run.series);
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
    FormatSimStats(run.stats, sizeof run.stats, done.setup, w.result[index], done.displaySource,
                   done.facts, run.counted ? &run.stutters : nullptr);
    Describe(run, done, w.result[index]);
    return true;
}

const char* const kSideNames[2] = {"left", "right"};

// One row per rule and side: the comparison in a glance.
void PrintCompareTable(std::FILE* out, const ReportWork& w) {
    std::fprintf(out, "%-14s %-6s %7s %9s %10s %10s %8s %9s\n", "rule", "side", "target", "updates",
                 "mean rate", "jitter ms", "1% low", "worst ms");
    for (int i = 0; i < w.report.runs; ++i) {
        const SimResult& result = w.result[i];
        for (int side = 0; side < 2; ++side) {
            const SideSetup& s = w.done[i].setup.side[side];
            const IntervalFigures& f = side == 0 ? result.cadence.left : result.cadence.right;
            const SideFigures figures = SideFiguresOf(f, s.target);
            std::fprintf(out, "%-14s %-6s %7.1f %9llu %10.3f %10.3f %8.2f %9.3f\n",
                         PaceRuleName(s.rule), kSideNames[side], s.target,
                         static_cast<unsigned long long>(result.side[side].updates),
                         figures.meanRate, figures.jitterMs, figures.low1Fps, figures.worstMs);
        }
    }
}

void PrintRuns(const SimOptions& options, const ReportWork& w) {
    if (options.stats) {
        for (int i = 0; i < w.report.runs; ++i)
            std::printf("%s\n", w.report.run[i].stats);
    } else if (options.compareRules) {
        PrintCompareTable(stdout, w);
    } else {
        PrintSimTable(stdout, w.done[0].setup, w.result[0], w.done[0].displaySource);
    }
}

// How a modelled run's redraws were limited, as --limit, --limiter and
// --limit-at set it; nothing for an unlimited run (a replay is never limited).
void DescribeLimit(const SimSetup& setup, char* text, size_t size) {
    const LimitModel& m = setup.limit;
    text[0] = '\0';
    if (m.setting.kind == LimitKind::kOff)
        return;
    char limit[32];
    LimitText(m.setting, limit, sizeof limit);
    std::snprintf(text, size, "%s%s, a %s wait at the %s, drawing %g ms", limit,
                  m.setting.kind == LimitKind::kRate ? " Hz" : " (just in time)",
                  WaitMethodName(m.setting.method), WaitPlacementName(m.setting.placement),
                  SimDrawingSeconds(setup) * 1000.0);
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
    ReportAbout& about = report.about;
    about = ReportAbout{};
    about.argc = argc;
    about.argv = argv;
    about.compare = options.compareRules;
    about.millisecondClock = options.setup.clock == PacerClock::kMilliseconds;
    about.cores = sysconf(_SC_NPROCESSORS_ONLN);
    DescribeLimit(options.setup, w->limiter, sizeof w->limiter);
    about.limiter = w->limiter;
    report.runs = options.compareRules ? kPaceRuleCount : 1;
    for (int i = 0; i < report.runs; ++i) {
        if (!RunOne(options, i, *w, *work, f)) {
            DiscardWholeFile(page);
            return Fail(program, f);
        }
    }
    if (options.replayPath != nullptr) {
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
