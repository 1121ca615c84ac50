#include "lab/summary.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "lab/csv_cell.h"
#include "lab/run_figures.h"
#include "pacing/summary_columns.h"

namespace {

struct Entry {
    std::string path;
    std::string cell[kSummaryColumnCount];
    bool failed;
};

void AddFailed(std::vector<Entry>& entries, const std::string& path, const char* why) {
    entries.push_back(Entry{path, {}, true});
    entries.back().cell[static_cast<int>(SummaryColumn::kError)] = why;
}

// A folder's files, one level deep and in name order; a name starting with
// a dot is not a capture but a file's hidden companion.
void AddFolder(std::vector<Entry>& entries, const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        AddFailed(entries, folder,
                  (std::string("cannot read the folder: ") + std::strerror(errno)).c_str());
        return;
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* d = readdir(dir)) {
        if (d->d_name[0] != '.')
            names.push_back(d->d_name);
        errno = 0;
    }
    const int readError = errno;
    closedir(dir);
    if (readError != 0) {
        AddFailed(entries, folder,
                  (std::string("reading the folder failed: ") + std::strerror(readError)).c_str());
        return;
    }
    std::sort(names.begin(), names.end());
    const std::string prefix = folder.back() == '/' ? folder : folder + '/';
    for (const std::string& name : names) {
        struct stat info;
        const std::string path = prefix + name;
        if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            continue;
        entries.push_back(Entry{path, {}, false});
    }
}

std::vector<Entry> Entries(const SimOptions& options) {
    std::vector<Entry> entries;
    for (int i = 0; i < options.summaryCount; ++i) {
        const std::string path = options.summaryPaths[i];
        struct stat info;
        if (stat(path.c_str(), &info) != 0)
            AddFailed(entries, path, std::strerror(errno));
        else if (S_ISDIR(info.st_mode))
            AddFolder(entries, path);
        else
            entries.push_back(Entry{path, {}, false});
    }
    return entries;
}

struct Batch {
    const SimOptions* options;
    std::vector<Entry>* entries;
    std::atomic<size_t> next;
    std::atomic<size_t> done;
    std::atomic<bool> outOfMemory;
};

void Fill(Entry& entry, RunFigures& figures) {
    entry.cell[static_cast<int>(SummaryColumn::kFormat)] = figures.format;
    entry.cell[static_cast<int>(SummaryColumn::kApplication)] = figures.application;
    StatRecords& records = figures.records;
    AddStatCount(records, StatKey::kRedrawStutters, figures.redrawStutters);
    char text[128];
    for (int c = 0; c < kSummaryColumnCount; ++c) {
        if (SummaryFigureCell(records, figures.redraws, static_cast<SummaryColumn>(c), text,
                              sizeof text))
            entry.cell[c] = text;
    }
}

void Work(Batch* batch) {
    SimOptions one = *batch->options;
    one.replayPath = "";
    std::unique_ptr<RunWork> work = NewRunWork(one);
    std::unique_ptr<SimResult> result(new (std::nothrow) SimResult);
    std::unique_ptr<RunFigures> figures(new (std::nothrow) RunFigures);
    if (!work || !result || !figures) {
        batch->outOfMemory = true;
        return;
    }
    std::vector<Entry>& entries = *batch->entries;
    char error[1024];
    for (size_t i = batch->next++; i < entries.size(); i = batch->next++) {
        Entry& entry = entries[i];
        if (!entry.failed) {
            if (ReplayFigures(*batch->options, entry.path.c_str(), *work, *result, *figures, error,
                              sizeof error, nullptr)) {
                Fill(entry, *figures);
            } else {
                entry.failed = true;
                entry.cell[static_cast<int>(SummaryColumn::kError)] = error;
            }
        }
        batch->done++;
    }
}

int Threads(const SimOptions& options, size_t jobs) {
    int threads = options.threads > 0 ? options.threads
                                      : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::max(threads, 1);
    return static_cast<int>(std::min<size_t>(static_cast<size_t>(threads), jobs));
}

void PrintRows(const std::vector<Entry>& entries) {
    for (int c = 0; c < kSummaryColumnCount; ++c) {
        std::fputs(c == 0 ? "" : ",", stdout);
        std::fputs(SummaryColumnName(static_cast<SummaryColumn>(c)), stdout);
    }
    std::fputc('\n', stdout);
    for (const Entry& entry : entries) {
        for (int c = 0; c < kSummaryColumnCount; ++c) {
            std::fputs(c == 0 ? "" : ",", stdout);
            PutCsvCell(stdout, c == 0 ? entry.path.c_str() : entry.cell[c].c_str());
        }
        std::fputc('\n', stdout);
    }
}

}  // namespace

int RunSummary(const SimOptions& options, const char* program) {
    std::vector<Entry> entries = Entries(options);
    if (entries.empty()) {
        std::fprintf(stderr, "%s: --summary: no capture found\n", program);
        return 2;
    }
    Batch batch{&options, &entries, {0}, {0}, {false}};
    const int threads = Threads(options, entries.size());
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i)
        workers.emplace_back(Work, &batch);
    const bool terminal = isatty(fileno(stderr)) == 1;
    while (terminal && batch.done.load() < entries.size() && !batch.outOfMemory) {
        std::fprintf(stderr, "\r%s: %zu of %zu captures", program, batch.done.load(),
                     entries.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    for (std::thread& worker : workers)
        worker.join();
    if (terminal)
        std::fprintf(stderr, "\r%s: %zu of %zu captures\n", program, batch.done.load(),
                     entries.size());
    if (batch.outOfMemory || batch.done.load() < entries.size()) {
        std::fprintf(stderr, "%s: out of memory\n", program);
        return 1;
    }
    PrintRows(entries);
    const bool failed =
        std::any_of(entries.begin(), entries.end(), [](const Entry& e) { return e.failed; });
    return failed ? 2 : 0;
}
