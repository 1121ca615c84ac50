#include "lab/compare_runs.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "lab/run_figures.h"
#include "lab/sim_report.h"
#include "pacing/stats_line.h"
#include "pacing/summary_columns.h"

namespace {

// The figures of the table, as --summary's columns name them.
constexpr SummaryColumn kFirstFigure = SummaryColumn::kFrames;
constexpr SummaryColumn kLastFigure = SummaryColumn::kAnimationErrorP99Ms;

struct CompareWork {
    RunFigures figures[kMostReplays];
    char name[kMostReplays][kRunNameSize];
    SimResult result;
};

void PrintStats(std::FILE* out, const char* const* names, const StatRecords* const* records,
                int runs) {
    char line[kStatsLineSize];
    char token[kRunNameSize];
    for (int i = 0; i < runs; ++i) {
        WriteStatsLine(*records[i], line, sizeof line);
        RunNameToken(names[i], token, sizeof token);
        const char* pairs = std::strchr(line, ' ');
        std::fprintf(out, "tempola-stats %s=%s%s\n", kRunNameKey, token,
                     pairs != nullptr ? pairs : "");
    }
}

void PrintTable(std::FILE* out, const char* const* names, const StatRecords* const* records,
                const IntervalFigures* const* redraws, int runs) {
    int nameWidth = 3;
    for (int i = 0; i < runs; ++i)
        nameWidth = std::max(nameWidth, static_cast<int>(std::strlen(names[i])));
    std::fprintf(out, "%-*s", nameWidth, "run");
    for (int c = static_cast<int>(kFirstFigure); c <= static_cast<int>(kLastFigure); ++c)
        std::fprintf(out, " %10s", SummaryColumnName(static_cast<SummaryColumn>(c)));
    std::fputc('\n', out);
    char cell[128];
    for (int i = 0; i < runs; ++i) {
        std::fprintf(out, "%-*s", nameWidth, names[i]);
        for (int c = static_cast<int>(kFirstFigure); c <= static_cast<int>(kLastFigure); ++c) {
            const SummaryColumn column = static_cast<SummaryColumn>(c);
            SummaryFigureCell(*records[i], *redraws[i], column, cell, sizeof cell);
            const int width =
                std::max(10, static_cast<int>(std::strlen(SummaryColumnName(column))));
            std::fprintf(out, " %*s", width, cell[0] != '\0' ? cell : "-");
        }
        std::fputc('\n', out);
    }
}

}  // namespace

void RunName(const SimOptions& options, int run, const char* application, char* name, size_t size) {
    if (run < options.nameCount) {
        std::snprintf(name, size, "%s", options.runNames[run]);
        return;
    }
    const char* path = options.replayPaths[run];
    const char* slash = std::strrchr(path, '/');
    const char* file = slash != nullptr ? slash + 1 : path;
    if (application[0] != '\0')
        std::snprintf(name, size, "%s (%s)", file, application);
    else
        std::snprintf(name, size, "%s", file);
}

void RunNameToken(const char* name, char* token, size_t size) {
    size_t i = 0;
    for (; name[i] != '\0' && i + 1 < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        token[i] = std::isspace(c) || c == '=' ? '_' : name[i];
    }
    token[i] = '\0';
}

int CompareRuns(const SimOptions& options, const char* program) {
    std::unique_ptr<CompareWork> w(new (std::nothrow) CompareWork);
    std::unique_ptr<RunWork> work = w ? NewRunWork(options) : nullptr;
    if (!w || !work) {
        std::fprintf(stderr, "%s: out of memory\n", program);
        return 1;
    }
    char error[1024];
    for (int i = 0; i < options.replayCount; ++i) {
        const char* path = options.replayPaths[i];
        if (!ReplayFigures(options, path, *work, w->result, w->figures[i], error, sizeof error,
                           stderr)) {
            std::fprintf(stderr, "%s: %s\n", program, error);
            return 2;
        }
        SimOptions one = options;
        one.replayPath = path;
        NoteReplay(stderr, program, one, *work);
        RunName(options, i, w->figures[i].application, w->name[i], kRunNameSize);
    }
    const char* names[kMostReplays];
    const StatRecords* records[kMostReplays];
    const IntervalFigures* redraws[kMostReplays];
    for (int i = 0; i < options.replayCount; ++i) {
        RunFigures& f = w->figures[i];
        // The table shows the redraws' stutters; the line stays the run's own.
        if (!options.stats)
            AddStatCount(f.records, StatKey::kRedrawStutters, f.redrawStutters);
        names[i] = w->name[i];
        records[i] = &f.records;
        redraws[i] = &f.redraws;
    }
    PrintRunRows(stdout, options.stats, names, records, redraws, options.replayCount);
    return 0;
}

void DescribeReplay(const char* path, const CaptureInfo& info, uint64_t frames, double seconds,
                    char* text, size_t size) {
    const CaptureStream& s = info.chosen;
    if (s.applicationSize > 0)
        std::snprintf(text, size,
                      "%s (%s, application %.*s, swap chain %.*s): %llu redraws over %.3f s", path,
                      info.format, static_cast<int>(s.applicationSize), s.application,
                      s.swapChainSize > 0 ? static_cast<int>(s.swapChainSize) : 1,
                      s.swapChainSize > 0 ? s.swapChain : "-",
                      static_cast<unsigned long long>(frames), seconds);
    else
        std::snprintf(text, size, "%s (%s): %llu redraws over %.3f s", path, info.format,
                      static_cast<unsigned long long>(frames), seconds);
}

void PrintRunRows(std::FILE* out, bool stats, const char* const* names,
                  const StatRecords* const* records, const IntervalFigures* const* redraws,
                  int runs) {
    if (stats)
        PrintStats(out, names, records, runs);
    else
        PrintTable(out, names, records, redraws, runs);
}
