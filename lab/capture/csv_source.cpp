#include "lab/capture/csv_source.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "lab/capture/ticks.h"

namespace {

constexpr int kMostHeaderColumns = 1024;
// "//Key=Value" lines above the header are skipped up to this size: a full
// system description runs to a few dozen lines.
constexpr uint64_t kLongestPreamble = 64 * 1024;
// Past the kept lines, how far a file in none of the formats is counted on,
// to tell a one-row summary from a file of many rows.
constexpr uint64_t kRowsCountedAfter = 16;

int Width(const CsvLayout& layout, std::initializer_list<CaptureRole> roles) {
    int width = 0;
    for (CaptureRole role : roles)
        width = layout.column[role] + 1 > width ? layout.column[role] + 1 : width;
    return width;
}

uint8_t CopyName(char* to, const Cell& cell) {
    const Cell t = Trim(cell);
    const size_t n = t.size < kStreamNameSize - 1 ? t.size : kStreamNameSize - 1;
    std::memcpy(to, t.text, n);
    to[n] = '\0';
    return static_cast<uint8_t>(n);
}

bool SameName(const char* name, size_t n, const Cell& cell) {
    const Cell t = Trim(cell);
    return (t.size == n || (n == kStreamNameSize - 1 && t.size > n)) &&
           std::memcmp(name, t.text, n) == 0;
}

bool IsStream(const CsvLayout& layout, const CaptureStream& stream, const Cell* cells) {
    const int app = layout.column[kRoleApplication];
    const int chain = layout.column[kRoleSwapChain];
    return (app < 0 || SameName(stream.application, stream.applicationSize, cells[app])) &&
           (chain < 0 || SameName(stream.swapChain, stream.swapChainSize, cells[chain]));
}

// Whether a row's cells promise a display time (the first pass's look at it).
bool RowShown(const CsvLayout& layout, const Cell* cells) {
    const int* column = layout.column;
    if (column[kRoleDropped] >= 0 && ParseFlag(cells[column[kRoleDropped]]) == 1)
        return false;
    if (column[kRoleShownFor] >= 0 && Empty(cells[column[kRoleShownFor]]))
        return false;
    return (column[kRoleUntil] >= 0 && !Empty(cells[column[kRoleUntil]])) ||
           (column[kRoleBetween] >= 0 && !Empty(cells[column[kRoleBetween]]));
}

// The times and the fit's ms of a counted row, where they parse; rows whose
// time does not are the second pass's to report.
void TimeRow(const CsvLayout& layout, const Cell* cells, CaptureStream* s) {
    double time = 0.0;
    const int t = layout.column[kRoleTime];
    if (t >= 0 && !ParseDouble(cells[t], &time))
        return;
    double ms = 0.0;
    double more = 0.0;
    const int m = layout.column[kRoleTicksMs];
    const int plus = layout.column[kRoleTicksMsMore];
    const bool hasMs =
        m >= 0 && ParseDouble(cells[m], &ms) && (plus < 0 || ParseDouble(cells[plus], &more));
    ms += more;
    AddFitRow(*s, !s->timed, layout.fitToNext, time, hasMs ? ms : std::nan(""));
    double other = 0.0;
    const int o = layout.column[kRoleOtherTime];
    const bool hasOther = o >= 0 && ParseDouble(cells[o], &other);
    if (!s->timed) {
        s->timed = true;
        s->firstTime = time;
        s->firstTicksMs = hasMs ? ms : 0.0;
    }
    if (hasOther) {
        if (!s->othered) {
            s->othered = true;
            s->firstOther = other;
            s->firstOtherAt = time;
        }
        s->lastOther = other;
        s->lastOtherAt = time;
    }
    s->lastTime = time;
    if (hasMs) {
        s->ticksMs += ms;
        s->lastTicksMs = ms;
    }
}

struct Counter {
    CsvSource& source;
    CaptureInfo& info;
    int names;    // cells to split to name a row's stream
    int display;  // and to see its display cells
    int timing;   // and to time it; 0 when not timed
    bool looked;  // at the first row, for the machine
    Cell cells[kMostHeaderColumns];

    // The machine, from the first row that names it (OCAT names it on the
    // first row only).
    void Machine(const Cell& line) {
        char* const to[2] = {info.cpu, info.gpu};
        for (int i = 0; i < 2; ++i) {
            const int column = source.machineColumn[i];
            if (column < 0 || to[i][0] != '\0' ||
                Split(line.text, line.size, cells, column + 1) != column + 1)
                continue;
            const Cell t = Trim(cells[column]);
            const size_t n = t.size < kSystemInfoSize - 1 ? t.size : kSystemInfoSize - 1;
            std::memcpy(to[i], t.text, n);
            to[i][n] = '\0';
        }
    }

    void Count(const Cell& line) {
        const CsvLayout& layout = source.layout;
        if (!looked) {
            looked = true;
            Machine(line);
        }
        if (Split(line.text, line.size, cells, names) != names)
            return;  // short rows are the second pass's to report, with their line
        CaptureStream* s = nullptr;
        for (int i = 0; i < info.streamCount && s == nullptr; ++i) {
            if (IsStream(layout, info.streams[i], cells))
                s = &info.streams[i];
        }
        if (s == nullptr && info.streamCount == kMostCaptureStreams) {
            ++info.otherRows;
            return;
        }
        if (s == nullptr) {
            s = &info.streams[info.streamCount++];
            *s = CaptureStream{};
            if (layout.column[kRoleApplication] >= 0)
                s->applicationSize =
                    CopyName(s->application, cells[layout.column[kRoleApplication]]);
            if (layout.column[kRoleSwapChain] >= 0)
                s->swapChainSize = CopyName(s->swapChain, cells[layout.column[kRoleSwapChain]]);
        }
        ++s->rows;
        const int more = s->shows ? timing : (display > timing ? display : timing);
        if (more > names && Split(line.text, line.size, cells, more) != more)
            return;
        if (!s->shows && display > 0)
            s->shows = RowShown(layout, cells);
        if (timing > 0)
            TimeRow(layout, cells, s);
    }
};

bool SameProcess(const char* application, const char* process) {
    const Cell app{application, std::strlen(application)};
    if (SameWord(app, process))
        return true;
    // "game" names "game.exe" too.
    const size_t n = std::strlen(process);
    return app.size == n + 4 && SameWord(Cell{application, n}, process) &&
           SameWord(Cell{application + n, 4}, ".exe");
}

void Keep(CsvSource& source, const Cell& line, uint64_t number) {
    if (source.keptCount == kKeptLines)
        return;
    KeptLine& k = source.kept[source.keptCount++];
    k.size = line.size < kKeptLineSize ? line.size : kKeptLineSize;
    std::memcpy(k.text, line.text, k.size);
    k.line = number;
}

// A "//Key=Value" line before the header.
bool Preamble(const Cell& line, CaptureInfo& info) {
    const Cell t = Trim(line);
    if (t.size < 2 || t.text[0] != '/' || t.text[1] != '/')
        return false;
    const char* equals = static_cast<const char*>(std::memchr(t.text, '=', t.size));
    if (equals != nullptr) {
        TakeSystemInfo(Cell{t.text + 2, static_cast<size_t>(equals - t.text - 2)},
                       Cell{equals + 1, static_cast<size_t>(t.text + t.size - equals - 1)}, &info);
    }
    return true;
}

// Finds the header under any number of preamble lines, up to
// kLongestPreamble of them; leaves the reader at the first row.
bool FindHeader(CsvSource& source, CaptureInfo& info, char* error, size_t errorSize) {
    static_assert(kKeptLines >= 2, "a line and the one under it");
    Cell line{};
    Cell cells[kMostHeaderColumns];
    Cell above[kMostHeaderColumns];
    bool preamble = false;
    bool any = false;
    uint64_t preambleBytes = 0;
    for (int n = 0; n < kKeptLines && preambleBytes <= kLongestPreamble;) {
        const LineStep step = ReadLine(source.lines, &line, error, errorSize);
        if (step == LineStep::kError)
            return false;
        if (step == LineStep::kEnd)
            break;
        any = any || Trim(line).size > 0;
        Keep(source, line, source.lines.line);
        if (Preamble(line, info)) {
            preamble = true;
            preambleBytes += line.size + 1;
            continue;
        }
        ++n;
        const HeaderView header{cells, Split(line.text, line.size, cells, kMostHeaderColumns),
                                preamble};
        const bool kept = source.kept[source.keptCount - 1].line == source.lines.line;
        if (kept && source.keptCount >= 2) {
            const KeptLine& k = source.kept[source.keptCount - 2];
            const int count = Split(k.text, k.size, above, kMostHeaderColumns);
            if (HeaderView{above, count, false}.Find("os") == 0 &&
                HeaderView{above, count, false}.Find("gpu") > 0)
                TakeMangoHudSystem(above, count, cells, header.count, &info);
        }
        int best = 0;
        CsvLayout layout;
        for (int i = 0; i < kCaptureFormatCount; ++i) {
            const int sure = kCaptureFormats[i]->probe(header, &layout);
            if (sure > best) {
                best = sure;
                source.layout = layout;
                source.format = kCaptureFormats[i];
            }
        }
        if (best > 0) {
            source.machineColumn[0] = header.Find("CPU", "Processor");
            source.machineColumn[1] = header.Find("GPU");
            info.headerLine = source.lines.line;
            source.dataOffset = NextLineOffset(source.lines);
            return true;
        }
    }
    if (!any)
        return Fail(error, errorSize, "%s: empty file", source.lines.path);
    uint64_t rows = 0;
    while (rows < kRowsCountedAfter &&
           ReadLine(source.lines, &line, error, errorSize) == LineStep::kLine)
        rows += Trim(line).size > 0;
    DescribeNonCapture(source.lines.path, source.kept, source.keptCount, rows, error, errorSize);
    return false;
}

bool CountStreams(CsvSource& source, CaptureInfo& info, bool timed, char* error, size_t errorSize) {
    const CsvLayout& layout = source.layout;
    Counter counter{
        source,
        info,
        Width(layout, {kRoleApplication, kRoleSwapChain}),
        Width(layout, {kRoleDropped, kRoleUntil, kRoleBetween, kRoleShownFor}),
        timed ? Width(layout, {kRoleTime, kRoleTicksMs, kRoleTicksMsMore, kRoleOtherTime}) : 0,
        false,
        {}};
    Cell line{};
    source.lines.pass = "counting";
    for (;;) {
        const LineStep step = ReadLine(source.lines, &line, error, errorSize);
        if (step == LineStep::kError)
            return false;
        if (step == LineStep::kEnd)
            return true;
        if (line.size > 0)
            counter.Count(line);
    }
}

bool ChooseStream(const char* path, const CsvLayout& layout, CaptureInfo& info, const char* process,
                  char* error, size_t errorSize) {
    if (process != nullptr && layout.column[kRoleApplication] < 0)
        return Fail(error, errorSize, "%s: no Application column to choose the process '%s' by",
                    path, process);
    int best = -1;
    for (int i = 0; i < info.streamCount; ++i) {
        const CaptureStream& s = info.streams[i];
        if (process != nullptr && !SameProcess(s.application, process))
            continue;
        if (best < 0 || s.rows > info.streams[best].rows)
            best = i;
    }
    if (best >= 0) {
        info.chosen = info.streams[best];
        return true;
    }
    if (process == nullptr || info.streamCount == 0)
        return Fail(error, errorSize, "%s: no rows after the header (line %llu)", path,
                    static_cast<unsigned long long>(info.headerLine));
    char names[256] = "";
    size_t used = 0;
    for (int i = 0; i < info.streamCount && used + 2 < sizeof names; ++i) {
        const int n = std::snprintf(names + used, sizeof names - used, "%s%s", i > 0 ? ", " : "",
                                    info.streams[i].application);
        used += n > 0 ? static_cast<size_t>(n) : 0;
    }
    return Fail(error, errorSize, "%s: no rows of process '%s' (it holds %s)", path, process,
                names);
}

}  // namespace

bool OpenCsvCapture(CsvSource& source, std::FILE* file, const char* path, uint64_t fileSize,
                    const CaptureOptions& options, CaptureInfo& info, char* error,
                    size_t errorSize) {
    LineReader& lines = source.lines;
    lines.file = file;
    lines.path = path;
    lines.fileSize = fileSize;
    lines.progress = options.progress;
    lines.pass = "reading";
    StartLines(lines, 0, 0);
    source.keptCount = 0;
    source.format = nullptr;
    if (!FindHeader(source, info, error, errorSize))
        return false;
    const CsvLayout& layout = source.layout;
    info.format = layout.format;
    info.timeName = layout.timeName;
    const bool timed = options.spans || UnitNeedsTiming(layout);
    if (!CountStreams(source, info, timed, error, errorSize) ||
        !ChooseStream(path, layout, info, options.process, error, errorSize) ||
        !FindTimeUnit(path, source.layout, options.ticksHz, info, error, errorSize))
        return false;
    if (fseeko(file, static_cast<off_t>(source.dataOffset), SEEK_SET) != 0)
        return Fail(error, errorSize, "%s: cannot read it again: %s", path, std::strerror(errno));
    source.chooses = info.streamCount > 1;
    int latest = -1;
    for (int role = 0; role < kCaptureRoleCount; ++role) {
        if (!OptionalRole(role) && layout.column[role] > latest)
            latest = layout.column[role];
    }
    source.neededCells = latest + 1;
    lines.pass = "replaying";
    StartLines(lines, source.dataOffset, info.headerLine);
    ResetRowState(source.state, layout, info, options.progress, path);
    return true;
}

CaptureStep NextCsvRow(CsvSource& source, const CaptureInfo& info, CaptureRow* row, char* error,
                       size_t errorSize) {
    Cell cells[kMostHeaderColumns];
    const CsvLayout& layout = source.layout;
    LineReader& lines = source.lines;
    for (;;) {
        Cell line{};
        const LineStep step = ReadLine(lines, &line, error, errorSize);
        if (step == LineStep::kError)
            return CaptureStep::kError;
        if (step == LineStep::kEnd)
            return CaptureStep::kEnd;
        if (line.size == 0)
            continue;
        const int want = layout.lastColumn + 1;
        int got = Split(line.text, line.size, cells, want);
        if (got < source.neededCells) {
            Fail(error, errorSize,
                 "%s line %llu: fewer cells than the %d the header's columns need", lines.path,
                 static_cast<unsigned long long>(lines.line), source.neededCells);
            return CaptureStep::kError;
        }
        while (got < want)
            cells[got++] = Cell{"", 0};
        if (source.chooses && !IsStream(layout, info.chosen, cells))
            continue;
        const RowError e{lines.path, "line", lines.line, error, errorSize};
        RowValues values;
        row->line = lines.line;
        if (!CellValues(layout, source.state, e, cells, &values) ||
            !MakeRow(layout, source.state, e, values, row) ||
            (source.format->readOwn != nullptr &&
             !source.format->readOwn(layout, source.state.sides, e, cells, row)))
            return CaptureStep::kError;
        return CaptureStep::kRow;
    }
}
