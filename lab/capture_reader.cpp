#include "lab/capture_reader.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <initializer_list>

namespace {

// Far enough to hold any real capture, near enough that every time converts
// to the clock's integers exactly.
constexpr double kFarthestSeconds = 1e12;
constexpr uint64_t kProgressAbove = 50ull * 1000 * 1000;
constexpr int kMostHeaderColumns = 1024;
constexpr int kHeaderSearchLines = 16;

struct Cell {
    const char* text;
    size_t size;
};

bool Fail(char* error, size_t errorSize, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
bool Fail(char* error, size_t errorSize, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(error, errorSize, format, args);
    va_end(args);
    return false;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(const Cell& cell, const char* word) {
    const size_t n = std::strlen(word);
    if (cell.size != n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        if (Lower(cell.text[i]) != Lower(word[i]))
            return false;
    }
    return true;
}

Cell Trim(Cell cell) {
    while (cell.size > 0 && (*cell.text == ' ' || *cell.text == '\t')) {
        ++cell.text;
        --cell.size;
    }
    while (cell.size > 0 && (cell.text[cell.size - 1] == ' ' || cell.text[cell.size - 1] == '\t'))
        --cell.size;
    return cell;
}

// Splits a line into at most `most` cells; returns how many it found. A
// quoted cell loses its quotes (a doubled quote inside stays doubled, which
// no number or name this reads holds).
int Split(const char* text, size_t size, Cell* cells, int most) {
    const char* p = text;
    const char* end = text + size;
    int count = 0;
    while (count < most) {
        if (p < end && *p == '"') {
            const char* close = p + 1;
            while (close < end && !(*close == '"' && (close + 1 == end || close[1] == ','))) {
                ++close;
            }
            cells[count++] = Cell{p + 1, static_cast<size_t>((close < end ? close : end) - p - 1)};
            p = close < end ? close + 1 : end;
        } else {
            // Cells are short: a plain loop beats a call to memchr per cell.
            const char* stop = p;
            while (stop < end && *stop != ',')
                ++stop;
            cells[count++] = Cell{p, static_cast<size_t>(stop - p)};
            p = stop;
        }
        if (p >= end)
            break;
        ++p;  // the comma
        if (p == end && count < most) {
            cells[count++] = Cell{p, 0};
            break;
        }
    }
    return count;
}

bool Empty(const Cell& cell) {
    const Cell t = Trim(cell);
    return t.size == 0 || (t.size == 2 && Lower(t.text[0]) == 'n' && Lower(t.text[1]) == 'a');
}

bool IsOne(const Cell& cell) {
    const Cell t = Trim(cell);
    return t.size == 1 && *t.text == '1';
}

bool ParseDouble(const Cell& cell, double* value) {
    const Cell t = Trim(cell);
    double v = 0.0;
    const auto result = std::from_chars(t.text, t.text + t.size, v);
    if (t.size == 0 || result.ec != std::errc() || result.ptr != t.text + t.size ||
        !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

void Progress(CaptureReader& reader) {
    if (reader.progress == nullptr || reader.fileSize <= kProgressAbove ||
        reader.bytesRead < reader.nextProgress)
        return;
    reader.nextProgress += reader.fileSize / 20;
    std::fprintf(
        reader.progress, "tempola-sim: %s %s: %.0f%%\n", reader.pass, reader.path,
        100.0 * static_cast<double>(reader.bytesRead) / static_cast<double>(reader.fileSize));
}

enum class LineStep : uint8_t { kLine, kEnd, kError };

LineStep ReadLine(CaptureReader& reader, Cell* line, char* error, size_t errorSize) {
    size_t size = 0;
    char* start = nullptr;
    for (;;) {
        start = reader.buffer + reader.begin;
        const size_t held = reader.end - reader.begin;
        const void* newline = held > 0 ? std::memchr(start, '\n', held) : nullptr;
        if (newline != nullptr) {
            size = static_cast<size_t>(static_cast<const char*>(newline) - start);
            reader.begin += size + 1;
            break;
        }
        if (held > kLongestCaptureLine) {
            size = held;  // refused below
            break;
        }
        if (reader.atEof) {
            if (held == 0)
                return LineStep::kEnd;
            size = held;  // a last line without its newline
            reader.begin = reader.end;
            break;
        }
        std::memmove(reader.buffer, start, held);
        reader.begin = 0;
        reader.end = held;
        const size_t got =
            std::fread(reader.buffer + reader.end, 1, kCaptureBuffer - reader.end, reader.file);
        if (got == 0) {
            if (std::ferror(reader.file)) {
                Fail(error, errorSize, "%s: read failed after line %llu: %s", reader.path,
                     static_cast<unsigned long long>(reader.line), std::strerror(errno));
                return LineStep::kError;
            }
            reader.atEof = true;
        }
        reader.end += got;
        reader.bytesRead += got;
        Progress(reader);
    }
    ++reader.line;
    if (size > kLongestCaptureLine) {
        Fail(error, errorSize, "%s line %llu: longer than %zu bytes", reader.path,
             static_cast<unsigned long long>(reader.line), kLongestCaptureLine);
        return LineStep::kError;
    }
    if (std::memchr(start, '\0', size) != nullptr) {
        Fail(error, errorSize, "%s line %llu: a NUL byte; not a text file", reader.path,
             static_cast<unsigned long long>(reader.line));
        return LineStep::kError;
    }
    if (size > 0 && start[size - 1] == '\r')
        --size;
    *line = Cell{start, size};
    return LineStep::kLine;
}

// The header's cells, found by name.
struct Header {
    Cell cells[kMostHeaderColumns];
    int count;
};

int Find(const Header& header, const char* name) {
    for (int i = 0; i < header.count; ++i) {
        if (SameWord(Trim(header.cells[i]), name))
            return i;
    }
    return -1;
}

void Set(CaptureReader& reader, CaptureColumn role, int index) {
    reader.column[role] = index;
    if (index > reader.lastColumn)
        reader.lastColumn = index;
}

// Tells the format from a header line; false when it is none of them.
bool TellFormat(CaptureReader& reader, const Header& h) {
    const int seconds = Find(h, "TimeInSeconds");
    const int ms = Find(h, "TimeInMs");
    const int cpuStart = Find(h, "CPUStartTime");
    const int leftUpdated = Find(h, "LeftUpdated");
    const int clock = Find(h, "PacerClockMs");
    const int frametime = Find(h, "frametime");
    const int elapsed = Find(h, "elapsed");
    reader.timeScale = 1.0;
    if (leftUpdated >= 0 && seconds >= 0) {
        reader.format = clock >= 0 ? CaptureFormat::kTempola : CaptureFormat::kTempolaOld;
        Set(reader, kColTime, seconds);
    } else if (ms >= 0 || (seconds >= 0 && (Find(h, "MsBetweenSimulationStart") >= 0 ||
                                            Find(h, "MsCPUBusy") >= 0))) {
        reader.format = CaptureFormat::kPresentMon24;
        Set(reader, kColTime, ms >= 0 ? ms : seconds);
        reader.timeScale = ms >= 0 ? 0.001 : 1.0;
    } else if (cpuStart >= 0 && Find(h, "FrameTime") >= 0) {
        reader.format = CaptureFormat::kPresentMon2;
        Set(reader, kColTime, cpuStart);
        reader.timeScale = 0.001;
        Set(reader, kColUntil, Find(h, "DisplayLatency"));
        Set(reader, kColShownFor, Find(h, "DisplayedTime"));
    } else if (seconds >= 0) {
        reader.format = CaptureFormat::kPresentMon1;
        Set(reader, kColTime, seconds);
    } else if (frametime >= 0) {
        reader.format = CaptureFormat::kMangoHud;
        Set(reader, kColFrameTime, frametime);
        Set(reader, kColTime, elapsed);
        reader.timeScale = 1e-9;
    } else {
        return false;
    }
    if (reader.format != CaptureFormat::kPresentMon2 && reader.format != CaptureFormat::kMangoHud) {
        Set(reader, kColDropped, Find(h, "Dropped"));
        Set(reader, kColUntil, Find(h, "MsUntilDisplayed"));
        if (reader.column[kColUntil] < 0)
            Set(reader, kColBetween, Find(h, "MsBetweenDisplayChange"));
    }
    Set(reader, kColApplication, Find(h, "Application"));
    Set(reader, kColSwapChain, Find(h, "SwapChainAddress"));
    if (reader.format == CaptureFormat::kTempola || reader.format == CaptureFormat::kTempolaOld) {
        Set(reader, kColClock, clock);
        const char* const names[8] = {
            "LeftUpdated",  "LeftMsBetweenUpdates",  "LeftTarget",  "LeftRule",
            "RightUpdated", "RightMsBetweenUpdates", "RightTarget", "RightRule"};
        for (int i = 0; i < 8; ++i) {
            const int index = Find(h, names[i]);
            if (index < 0)
                return false;
            Set(reader, static_cast<CaptureColumn>(kColLeftUpdated + i), index);
        }
    }
    return true;
}

// The cells of a row up to the last one any role reads (or, in the
// counting pass, up to the last that pass reads); false when short.
bool RowCells(const CaptureReader& reader, const Cell& line, Cell* cells, bool counting = false) {
    int want = reader.lastColumn + 1;
    if (counting) {
        want = 0;
        for (CaptureColumn role :
             {kColApplication, kColSwapChain, kColDropped, kColUntil, kColBetween, kColShownFor}) {
            want = reader.column[role] + 1 > want ? reader.column[role] + 1 : want;
        }
    }
    return Split(line.text, line.size, cells, want) == want;
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

bool IsStream(const CaptureReader& reader, const CaptureStream& stream, const Cell* cells) {
    const int app = reader.column[kColApplication];
    const int chain = reader.column[kColSwapChain];
    return (app < 0 || SameName(stream.application, stream.applicationSize, cells[app])) &&
           (chain < 0 || SameName(stream.swapChain, stream.swapChainSize, cells[chain]));
}

// Whether a row's cells promise a display time (the first pass's look at it).
bool RowShown(const CaptureReader& reader, const Cell* cells) {
    const int dropped = reader.column[kColDropped];
    if (dropped >= 0 && IsOne(cells[dropped]))
        return false;
    const int shownFor = reader.column[kColShownFor];
    if (shownFor >= 0 && Empty(cells[shownFor]))
        return false;
    const int until = reader.column[kColUntil];
    const int between = reader.column[kColBetween];
    return (until >= 0 && !Empty(cells[until])) || (between >= 0 && !Empty(cells[between]));
}

int Width(const CaptureReader& reader, std::initializer_list<CaptureColumn> roles) {
    int width = 0;
    for (CaptureColumn role : roles) {
        width = reader.column[role] + 1 > width ? reader.column[role] + 1 : width;
    }
    return width;
}

// Counts a row to its stream: only the name cells are split, and the display
// cells too while the stream has shown no display time yet.
void CountRow(CaptureReader& reader, const Cell& line, Cell* cells) {
    const int names = Width(reader, {kColApplication, kColSwapChain});
    const int display = Width(reader, {kColDropped, kColUntil, kColBetween, kColShownFor});
    if (Split(line.text, line.size, cells, names) != names)
        return;  // short rows are the second pass's to report, with their line
    CaptureStream* s = nullptr;
    for (int i = 0; i < reader.streamCount && s == nullptr; ++i) {
        if (IsStream(reader, reader.streams[i], cells))
            s = &reader.streams[i];
    }
    if (s == nullptr && reader.streamCount == kMostCaptureStreams) {
        ++reader.otherRows;
        return;
    }
    if (s == nullptr) {
        s = &reader.streams[reader.streamCount++];
        *s = CaptureStream{};
        if (reader.column[kColApplication] >= 0)
            s->applicationSize = CopyName(s->application, cells[reader.column[kColApplication]]);
        if (reader.column[kColSwapChain] >= 0)
            s->swapChainSize = CopyName(s->swapChain, cells[reader.column[kColSwapChain]]);
    }
    ++s->rows;
    if (!s->shows && display > 0 && Split(line.text, line.size, cells, display) == display)
        s->shows = RowShown(reader, cells);
}

bool SameProcess(const char* application, const char* process) {
    const Cell app{application, std::strlen(application)};
    if (SameWord(app, process))
        return true;
    // "game" names "game.exe" too.
    const size_t n = std::strlen(process);
    return app.size == n + 4 && SameWord(Cell{application, n}, process) &&
           SameWord(Cell{application + n, 4}, ".exe");
}

void ResetReading(CaptureReader& reader, uint64_t line) {
    reader.line = line;
    reader.begin = 0;
    reader.end = 0;
    reader.atEof = false;
    reader.ended = false;
    reader.started = false;
    reader.previousSeconds = 0.0;
    reader.summed = 0.0;
    reader.lastDisplay = 0.0;
    reader.anyDisplay = false;
    reader.ruleSize[0] = reader.ruleSize[1] = 0;
    reader.targetSize[0] = reader.targetSize[1] = 0;
}

// Finds the header; leaves the reader at the first row.
bool FindHeader(CaptureReader& reader, Header& header, char* error, size_t errorSize) {
    Cell line{};
    bool any = false;
    for (int n = 0; n < kHeaderSearchLines; ++n) {
        const LineStep step = ReadLine(reader, &line, error, errorSize);
        if (step == LineStep::kError)
            return false;
        if (step == LineStep::kEnd)
            break;
        any = any || line.size > 0;
        // A byte-order mark before the first name.
        if (reader.line == 1 && line.size >= 3 && std::memcmp(line.text, "\xEF\xBB\xBF", 3) == 0)
            line = Cell{line.text + 3, line.size - 3};
        header.count = Split(line.text, line.size, header.cells, kMostHeaderColumns);
        for (int& c : reader.column)
            c = -1;
        reader.lastColumn = -1;
        if (TellFormat(reader, header)) {
            reader.headerLine = reader.line;
            reader.dataOffset = reader.bytesRead - (reader.end - reader.begin);
            return true;
        }
    }
    if (!any)
        return Fail(error, errorSize, "%s: empty file", reader.path);
    return Fail(error, errorSize, "%s: not a capture in any format read here; looked for %s",
                reader.path, kCaptureFormatsLookedFor);
}

bool CountStreams(CaptureReader& reader, char* error, size_t errorSize) {
    Cell line{};
    Cell cells[kMostHeaderColumns];
    reader.pass = "counting";
    for (;;) {
        const LineStep step = ReadLine(reader, &line, error, errorSize);
        if (step == LineStep::kError)
            return false;
        if (step == LineStep::kEnd)
            return true;
        if (line.size > 0)
            CountRow(reader, line, cells);
    }
}

bool ChooseStream(CaptureReader& reader, const char* process, char* error, size_t errorSize) {
    if (process != nullptr && reader.column[kColApplication] < 0)
        return Fail(error, errorSize, "%s: no Application column to choose the process '%s' by",
                    reader.path, process);
    int best = -1;
    for (int i = 0; i < reader.streamCount; ++i) {
        const CaptureStream& s = reader.streams[i];
        if (process != nullptr && !SameProcess(s.application, process))
            continue;
        if (best < 0 || s.rows > reader.streams[best].rows)
            best = i;
    }
    if (best >= 0) {
        reader.chosen = reader.streams[best];
        return true;
    }
    if (process == nullptr || reader.streamCount == 0)
        return Fail(error, errorSize, "%s: no rows after the header (line %llu)", reader.path,
                    static_cast<unsigned long long>(reader.headerLine));
    char names[256] = "";
    size_t used = 0;
    for (int i = 0; i < reader.streamCount && used + 2 < sizeof names; ++i) {
        const int n = std::snprintf(names + used, sizeof names - used, "%s%s", i > 0 ? ", " : "",
                                    reader.streams[i].application);
        used += n > 0 ? static_cast<size_t>(n) : 0;
    }
    return Fail(error, errorSize, "%s: no rows of process '%s' (it holds %s)", reader.path, process,
                names);
}

}  // namespace

const char* CaptureFormatName(CaptureFormat format) {
    switch (format) {
    case CaptureFormat::kTempola: return "Tempola frame log";
    case CaptureFormat::kTempolaOld: return "Tempola frame log (without PacerClockMs)";
    case CaptureFormat::kPresentMon1: return "PresentMon 1.x";
    case CaptureFormat::kPresentMon2: return "PresentMon 2.0-2.3";
    case CaptureFormat::kPresentMon24: return "PresentMon 2.4+";
    case CaptureFormat::kMangoHud: return "MangoHud";
    }
    return "unknown";
}

bool OpenCapture(CaptureReader& reader, const char* path, const char* process, char* error,
                 size_t errorSize, std::FILE* progress) {
    reader.file = nullptr;
    std::snprintf(reader.path, sizeof reader.path, "%s", path != nullptr ? path : "");
    reader.bytesRead = 0;
    reader.streamCount = 0;
    reader.otherRows = 0;
    reader.progress = progress;
    reader.nextProgress = 0;
    reader.pass = "reading";
    ResetReading(reader, 0);
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    struct stat info;
    reader.file = file;
    if (file == nullptr || fstat(fileno(file), &info) != 0) {
        Fail(error, errorSize, "cannot open the capture '%s': %s", reader.path,
             std::strerror(errno));
        CloseCapture(reader);
        return false;
    }
    // Read twice, so a pipe or a folder cannot be replayed.
    if (!S_ISREG(info.st_mode)) {
        CloseCapture(reader);
        return Fail(error, errorSize, "the capture '%s' is not a regular file", reader.path);
    }
    reader.fileSize = static_cast<uint64_t>(info.st_size);
    Header header;
    const bool found = FindHeader(reader, header, error, errorSize) &&
                       CountStreams(reader, error, errorSize) &&
                       ChooseStream(reader, process, error, errorSize);
    if (!found || fseeko(file, static_cast<off_t>(reader.dataOffset), SEEK_SET) != 0) {
        if (found)
            Fail(error, errorSize, "%s: cannot read it again: %s", reader.path,
                 std::strerror(errno));
        CloseCapture(reader);
        return false;
    }
    reader.chooses = reader.streamCount > 1;
    reader.bytesRead = reader.dataOffset;
    reader.nextProgress = 0;
    reader.pass = "replaying";
    ResetReading(reader, reader.headerLine);
    return true;
}

void CloseCapture(CaptureReader& reader) {
    if (reader.file != nullptr)
        std::fclose(reader.file);
    reader.file = nullptr;
}

namespace {

struct RowError {
    const CaptureReader& reader;
    char* error;
    size_t errorSize;
    bool Say(const char* what, const Cell& cell) const {
        const Cell t = Trim(cell);
        const int shown = t.size < 40 ? static_cast<int>(t.size) : 40;
        return Fail(error, errorSize, "%s line %llu: %s: '%.*s'", reader.path,
                    static_cast<unsigned long long>(reader.line), what, shown, t.text);
    }
};

bool ReadFlag(const RowError& e, const Cell& cell, const char* what, int8_t* flag, bool emptyOk) {
    const Cell t = Trim(cell);
    if (t.size == 1 && (*t.text == '0' || *t.text == '1')) {
        *flag = static_cast<int8_t>(*t.text - '0');
        return true;
    }
    if (emptyOk && t.size == 0) {
        *flag = -1;
        return true;
    }
    return e.Say(what, cell);
}

bool ReadSide(CaptureReader& reader, int which, const RowError& e, const Cell* cells,
              const int* column, RecordedSide* side) {
    int8_t updated = 0;
    if (!ReadFlag(e, cells[column[0]], "an Updated cell is not 0 or 1", &updated, false))
        return false;
    side->updated = updated == 1;
    // A target repeats from row to row: parsed again only when it changes.
    const Cell target = Trim(cells[column[2]]);
    if (target.size != reader.targetSize[which] ||
        std::memcmp(reader.targetText[which], target.text, target.size) != 0) {
        reader.targetSize[which] = 0;
        double value = 0.0;
        if (target.size >= sizeof reader.targetText[which] || !ParseDouble(target, &value) ||
            !TargetIsValid(value))
            return e.Say("not a target rate from 5 to 200 in steps of 0.5", target);
        std::memcpy(reader.targetText[which], target.text, target.size);
        reader.targetSize[which] = target.size;
        reader.target[which] = value;
    }
    side->target = reader.target[which];
    const Cell rule = Trim(cells[column[3]]);
    char* name = reader.ruleText[which];
    if (rule.size == reader.ruleSize[which] && std::memcmp(name, rule.text, rule.size) == 0) {
        side->rule = reader.rule[which];
        return true;
    }
    if (rule.size >= sizeof reader.ruleText[which])
        return e.Say("no such rule", rule);
    std::memcpy(name, rule.text, rule.size);
    name[rule.size] = '\0';
    reader.ruleSize[which] = 0;
    if (!PaceRuleFromName(name, &side->rule))
        return e.Say("no such rule", rule);
    reader.ruleSize[which] = rule.size;
    reader.rule[which] = side->rule;
    return true;
}

bool ReadClock(const RowError& e, const Cell& cell, uint32_t* ms) {
    const Cell t = Trim(cell);
    const auto result = std::from_chars(t.text, t.text + t.size, *ms);
    if (t.size == 0 || result.ec != std::errc() || result.ptr != t.text + t.size)
        return e.Say("PacerClockMs is not a whole number from 0 to 2^32 - 1", cell);
    return true;
}

// The row's display time, where the file gives one.
bool ReadDisplay(CaptureReader& reader, const RowError& e, const Cell* cells, CaptureRow* row) {
    const int* column = reader.column;
    row->hasDisplay = false;
    row->dropped = -1;
    if (column[kColDropped] >= 0 && !ReadFlag(e, cells[column[kColDropped]],
                                              "Dropped is not 0, 1 or empty", &row->dropped, true))
        return false;
    if (column[kColShownFor] >= 0)
        row->dropped = Empty(cells[column[kColShownFor]]) ? 1 : 0;
    if (row->dropped == 1)
        return true;
    double ms = 0.0;
    if (column[kColUntil] >= 0) {
        const Cell& cell = cells[column[kColUntil]];
        if (Empty(cell))
            return true;
        if (!ParseDouble(cell, &ms) || ms < 0.0 || ms > kFarthestSeconds)
            return e.Say("not a number of ms until displayed", cell);
        row->displaySeconds = row->seconds + ms * 0.001;
    } else if (column[kColBetween] >= 0) {
        // No time until display: the display changes, summed from the first
        // shown frame, which is taken as shown at its own time.
        const Cell& cell = cells[column[kColBetween]];
        if (Empty(cell))
            return true;
        if (!ParseDouble(cell, &ms) || ms < 0.0 || ms > kFarthestSeconds)
            return e.Say("not a number of ms between display changes", cell);
        if (ms == 0.0 && row->dropped != 0)
            return true;
        reader.lastDisplay = reader.anyDisplay ? reader.lastDisplay + ms * 0.001 : row->seconds;
        reader.anyDisplay = true;
        row->displaySeconds = reader.lastDisplay;
    } else {
        return true;
    }
    row->hasDisplay = true;
    row->dropped = 0;
    return true;
}

bool ReadTime(CaptureReader& reader, const RowError& e, const Cell* cells, CaptureRow* row) {
    const int time = reader.column[kColTime];
    double t = 0.0;
    if (time >= 0) {
        if (!ParseDouble(cells[time], &t))
            return e.Say("the time is not a number", cells[time]);
        t *= reader.timeScale;
    } else {
        // MangoHud without elapsed: the frame times summed.
        const Cell& cell = cells[reader.column[kColFrameTime]];
        double ms = 0.0;
        if (!ParseDouble(cell, &ms) || ms < 0.0)
            return e.Say("frametime is not a number of ms", cell);
        reader.summed += ms * 0.001;
        t = reader.summed;
    }
    if (!(std::fabs(t) <= kFarthestSeconds))
        return e.Say("the time is out of range",
                     cells[time >= 0 ? time : reader.column[kColFrameTime]]);
    if (reader.started && t < reader.previousSeconds) {
        return Fail(e.error, e.errorSize, "%s line %llu: the time goes back (%.7f s after %.7f s)",
                    reader.path, static_cast<unsigned long long>(reader.line), t,
                    reader.previousSeconds);
    }
    reader.started = true;
    reader.previousSeconds = t;
    row->seconds = t;
    return true;
}

}  // namespace

CaptureStep NextCaptureRow(CaptureReader& reader, CaptureRow* row, char* error, size_t errorSize) {
    Cell cells[kMostHeaderColumns];
    const RowError e{reader, error, errorSize};
    for (;;) {
        Cell line{};
        const LineStep step = ReadLine(reader, &line, error, errorSize);
        if (step == LineStep::kError)
            return CaptureStep::kError;
        if (step == LineStep::kEnd)
            return CaptureStep::kEnd;
        if (line.size == 0)
            continue;
        if (!RowCells(reader, line, cells)) {
            Fail(error, errorSize,
                 "%s line %llu: fewer cells than the %d the header's columns need", reader.path,
                 static_cast<unsigned long long>(reader.line), reader.lastColumn + 1);
            return CaptureStep::kError;
        }
        if (reader.chooses && !IsStream(reader, reader.chosen, cells))
            continue;
        row->line = reader.line;
        if (!ReadTime(reader, e, cells, row) || !ReadDisplay(reader, e, cells, row))
            return CaptureStep::kError;
        const int* column = reader.column;
        row->hasClock = column[kColClock] >= 0;
        if (row->hasClock && !ReadClock(e, cells[column[kColClock]], &row->clockMs))
            return CaptureStep::kError;
        row->hasSides = column[kColLeftUpdated] >= 0;
        if (row->hasSides &&
            (!ReadSide(reader, 0, e, cells, column + kColLeftUpdated, &row->side[0]) ||
             !ReadSide(reader, 1, e, cells, column + kColRightUpdated, &row->side[1])))
            return CaptureStep::kError;
        return CaptureStep::kRow;
    }
}
