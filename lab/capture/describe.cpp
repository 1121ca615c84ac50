#include "lab/capture/describe.h"

#include <cstring>

#include "lab/capture/text.h"

namespace {

constexpr int kMostCells = 256;

bool Contains(const Cell& cell, const char* word) {
    const size_t n = std::strlen(word);
    for (size_t i = 0; i + n <= cell.size; ++i) {
        if (SameWord(Cell{cell.text + i, n}, word))
            return true;
    }
    return false;
}

struct Look {
    int cells;
    int numbers;
    int averages;    // names such as "Average FPS", "GPU Busy (avg)"
    int frameTimes;  // MsBetweenPresents, FrameTime, frametime
    const Cell* averageName;
};

Look LookAt(const KeptLine& kept, Cell* cells) {
    Look look{};
    look.cells = Split(kept.text, kept.size, cells, kMostCells);
    for (int i = 0; i < look.cells; ++i) {
        double v = 0.0;
        if (ParseDouble(cells[i], &v))
            ++look.numbers;
        if (Contains(cells[i], "avg") || Contains(cells[i], "average") ||
            Contains(cells[i], "percentile") || Contains(cells[i], "% low")) {
            if (look.averages++ == 0)
                look.averageName = &cells[i];
        }
        if (SameColumn(cells[i], "MsBetweenPresents") || SameColumn(cells[i], "FrameTime") ||
            SameColumn(cells[i], "MsBetweenDisplayChange"))
            ++look.frameTimes;
    }
    return look;
}

}  // namespace

void DescribeNonCapture(const char* path, const KeptLine* lines, int count, uint64_t rowsAfter,
                        char* error, size_t errorSize) {
    Cell cells[kMostCells];
    bool names = false;  // a line of names came first: numbers under it are rows
    for (int i = 0; i < count; ++i) {
        const KeptLine& kept = lines[i];
        if (Trim(Cell{kept.text, kept.size}).size == 0)
            continue;
        const unsigned long long n = kept.line;
        if (Contains(Cell{kept.text, kept.size < 64 ? kept.size : 64}, "hardware monitoring log")) {
            Fail(error, errorSize,
                 "%s line %llu: an MSI Afterburner hardware-monitor log (sensor readings over "
                 "time), not a capture of frames",
                 path, n);
            return;
        }
        const Look look = LookAt(kept, cells);
        if (!names && look.cells >= 2 && look.numbers * 2 > look.cells) {
            Fail(error, errorSize,
                 "%s line %llu: rows of numbers with no header line above them (an excerpt?); "
                 "the capture's header names the columns",
                 path, n);
            return;
        }
        if (look.cells < 2 || look.numbers * 2 > look.cells)
            continue;
        names = true;
        // A header of names: what do they say it is?
        const uint64_t rows = rowsAfter + static_cast<uint64_t>(count - 1 - i);
        if (look.averages > 0) {
            const Cell name = Trim(*look.averageName);
            const int shown = name.size < 40 ? static_cast<int>(name.size) : 40;
            if (rows <= 2)
                Fail(error, errorSize,
                     "%s line %llu: a summary of a run (one row of figures such as '%.*s'), not "
                     "a capture of frames",
                     path, n, shown, name.text);
            else
                Fail(error, errorSize,
                     "%s line %llu: polled metrics (a row per sample of figures such as '%.*s'), "
                     "not a row per frame",
                     path, n, shown, name.text);
            return;
        }
        if (look.frameTimes > 0) {
            Fail(error, errorSize,
                 "%s line %llu: frame times with no time column (looked for TimeInSeconds, "
                 "TimeInMs, CPUStartTime, CPUStartQPC, TimeInQPC, QPCTime, elapsed)",
                 path, n);
            return;
        }
    }
    Fail(error, errorSize,
         "%s: not a capture in any format read here; looked for Tempola frame log "
         "(TimeInSeconds, LeftUpdated), PresentMon 1.x (TimeInSeconds or QPCTime, "
         "MsBetweenPresents), 2.0-2.3 (CPUStartTime with FrameTime, or CPUStartQPC), 2.4+ "
         "(TimeInMs, TimeInQPC), CapFrameX (CSV or JSON), MangoHud (frametime, elapsed)",
         path);
}
