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

constexpr size_t kNameSize = 320;

// The figures of the table, as --summary's columns name them.
constexpr SummaryColumn kFirstFigure = SummaryColumn::kFrames;
constexpr SummaryColumn kLastFigure = SummaryColumn::kAnimationErrorP99Ms;

struct CompareWork {
    RunFigures figures[kMostReplays];
    char name[kMostReplays][kNameSize];
    SimResult result;
};

void PrintStats(const CompareWork& w, int runs) {
    char line[kStatsLineSize];
    char token[kNameSize];
    for (int i = 0; i < runs; ++i) {
        WriteStatsLine(w.figures[i].records, line, sizeof line);
        RunNameToken(w.name[i], token, sizeof token);
        const char* pairs = std::strchr(line, ' ');
        std::printf("tempola-stats %s=%s%s\n", kRunNameKey, token, pairs != nullptr ? pairs : "");
    }
}

void PrintTable(CompareWork& w, int runs) {
    int nameWidth = 3;
    for (int i = 0; i < runs; ++i)
        nameWidth = std::max(nameWidth, static_cast<int>(std::strlen(w.name[i])));
    std::printf("%-*s", nameWidth, "run");
    for (int c = static_cast<int>(kFirstFigure); c <= static_cast<int>(kLastFigure); ++c)
        std::printf(" %10s", SummaryColumnName(static_cast<SummaryColumn>(c)));
    std::putchar('\n');
    char cell[128];
    for (int i = 0; i < runs; ++i) {
        RunFigures& f = w.figures[i];
        AddStatCount(f.records, StatKey::kRedrawStutters, f.redrawStutters);
        std::printf("%-*s", nameWidth, w.name[i]);
        for (int c = static_cast<int>(kFirstFigure); c <= static_cast<int>(kLastFigure); ++c) {
            const SummaryColumn column = static_cast<SummaryColumn>(c);
            SummaryFigureCell(f.records, f.redraws, column, cell, sizeof cell);
            std::printf(" %*s",
                        std::max(10, static_cast<int>(std::strlen(SummaryColumnName(column)))),
                        cell[0] != '\0' ? cell : "-");
        }
        std::putchar('\n');
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
        RunName(options, i, w->figures[i].application, w->name[i], kNameSize);
    }
    if (options.stats)
        PrintStats(*w, options.replayCount);
    else
        PrintTable(*w, options.replayCount);
    return 0;
}
